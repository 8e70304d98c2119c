#pragma once
// TCommentForm: the "JPEG Text" window. It shows the EXIF lines and the
// comments of a JPEG file with the file's size, date and picture size below,
// adds the window's text to a file as a comment, and strips comments or all
// application segments from a file (keeping the original as ".bak"). The
// work on the bytes is the core's (album/JpegComments.h); closing only hides
// the window, which keeps its place for the next time it is shown.

#include "platform/Dialogs.h"
#include "platform/Display.h"
#include "platform/WindowBounds.h"

#include <QMainWindow>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QPlainTextEdit;

namespace zv {

enum class JpegStripMode : std::uint8_t;

// What the window takes from the application.
struct CommentFormServices {
    Dialogs& dialogs;
    const Display& display;
    // The folder of the viewer's open dialog: the window's file dialogs start
    // there, and the folder of a file chosen becomes its next folder.
    std::string& openFolder;
};

inline constexpr int kCommentFormHelpContext = 600;

class TCommentForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TCommentForm(CommentFormServices services, QWidget* parent = nullptr);
    ~TCommentForm() override;

    // Reads a JPEG file (".JPG", ".JPEG") into the window and shows it.
    // pictureLine is the viewer's line for its current picture, shown after
    // "View: "; when empty the picture's size is read from the file. A file
    // that cannot be read shows "File has bad JPEG markers." and closes the
    // window. False when nothing was read.
    bool Read(const std::string& path, const std::string& pictureLine = {});
    // The same without showing the window or any box: the text area's text,
    // or nothing when the file is not a JPEG or cannot be read.
    std::optional<std::string> ReadText(const std::string& path,
                                        const std::string& pictureLine = {});

    // Shows the window at its remembered place (or the default place when
    // that no longer fits the screen) and brings it to the front; an open
    // window is only brought to the front.
    void ShowWindow();

    std::string Text() const;
    void SetText(const std::string& text);
    // The information line, its parts separated by LF CR.
    std::string InfoLine() const { return infoLine_; }
    // Replaces the text after "View: " in the information line.
    void SetViewText(const std::string& view);
    const std::string& FileName() const { return fileName_; }
    const std::vector<std::string>& CommentLines() const { return commentLines_; }
    WindowBounds Bounds() const { return bounds_; }

    // The menu commands.
    void mnuReadClick();
    void mnuAddTextClick();
    void mnuStripAllClick();
    void mnuStripCommentsClick();
    void mnuCloseClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    enum class ReadOutcome { NotJpeg, Read, Failed };
    ReadOutcome ReadFile(const std::string& path, const std::string& pictureLine);
    std::optional<std::string> ChooseFile(const char* title);
    void Strip(JpegStripMode mode, const char* title);
    void ShowInfoLine();

    CommentFormServices services_;
    QPlainTextEdit* text_ = nullptr;
    QLabel* info_ = nullptr;
    std::string fileName_;
    std::string infoLine_;
    std::string infoWithoutView_; // the size and date parts, up to "View: "
    std::vector<std::string> commentLines_;
    WindowBounds bounds_; // remembered while the program runs
};

} // namespace zv
