#pragma once
// The text of the viewer's image information command ("I&nfo").

#include "imaging/ImagingContext.h"
#include "viewer/PictureState.h"

#include <optional>
#include <string>

namespace zv {

struct ImageInfoRequest {
    std::string path;
    // Text the comment window read from a JPEG file; with it the name and
    // path lines are left out, as that window shows them.
    std::optional<std::string> commentText;
    std::string photoCdText; // the Photo CD information, for ".PCD" files
};

// The lines of the command, joined by "\n": the size line ("W" "x" "H" "("
// bits ")", the full size and " [1:" scale "]" after a scaled decode, " ddb"
// or " dib"), then name and path, date, size, CRC, pages, the memory the
// picture uses and the display depth. Nothing for "Untitled"; the error text
// "<name> not found." for a missing file (the second value says which).
struct ImageInfoText {
    std::string text;
    bool missing = false;
};
ImageInfoText BuildImageInfo(const ImageInfoRequest& request, const PictureState& picture,
                             const ImagingContext& imaging);

// The picture's size line: "W" "x" "H" "(" bits ")", the full size and
// " [1:" scale "]" after a scaled decode, then " ddb" or " dib".
std::string PictureLine(const PictureState& picture, const ImagingContext& imaging);

// The bytes the picture uses: width x height x bytes per pixel of its format
// (of the display for display-held pictures), 1-bit /8, 4-bit /2.
std::int64_t PictureUses(const Bitmap& picture, int screenBits);

} // namespace zv
