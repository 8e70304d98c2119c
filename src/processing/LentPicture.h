#pragma once
// The toolbox's way through the imaging library for one operation. The
// picture is lent to a library of its own by move, never through a file;
// the library works on it and its result takes the picture's place. When
// the library fails, the picture comes back as it was, with the library's
// error, so a command never leaves the viewer without its picture.

#include "library/ImageLibrary.h"
#include "processing/Toolbox.h"

#include <string>

namespace zv {

class LentPicture {
public:
    // `picture` must not be empty; it is empty until Settle or destruction.
    explicit LentPicture(Bitmap& picture);
    ~LentPicture(); // gives the picture back unless a result took its place
    LentPicture(const LentPicture&) = delete;
    LentPicture& operator=(const LentPicture&) = delete;

    ImageLibrary& Library() { return library_; }
    ImgHandle Handle() const { return handle_; }

    // The picture behind `result` becomes the picture. A 0 result gives the
    // picture back and returns the library's error; "" on success.
    std::string Settle(ImgHandle result);

private:
    void GiveBack();

    Bitmap& picture_;
    ImageLibrary library_;
    ImgHandle handle_ = 0;
    bool settled_ = false;
};

// After work that replaced the job's picture: when it is the viewer's
// current picture, the descriptor follows its size and depth.
void NoteNewPicture(ToolboxJob& job);

} // namespace zv
