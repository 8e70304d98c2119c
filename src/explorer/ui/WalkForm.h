#pragma once
// TWalkForm: "Get all available slides from ...", the dialog the album's
// "&Get slides from ..." opens. It starts at the explorer's folder, lets the
// user pick another, and walks the tree into an album through SlideListing;
// "&Stop" ends a walk, "&Get Slides" closes the dialog with OK once the
// album is made. Its label shows the walk's progress texts.

#include "catalog/DocumentFlags.h"
#include "catalog/WalkRecords.h"
#include "platform/Dialogs.h"

#include <QDialog>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace zv {

class Progress;

inline constexpr std::string_view kWalkFormCaption = "Get all available slides from ...";
inline constexpr std::string_view kWalkFormStart =
    "Click [Get Slides] to begin recursive slide listing.";

// What the dialog takes from the application.
struct WalkFormServices {
    Dialogs& dialogs;
    DocumentFlags& flags;
    std::string startFolder;         // the explorer's current folder
    std::filesystem::path cacheRoot; // left out of every walk; may be empty
    // The album builder a walk fills.
    std::function<std::unique_ptr<WalkTarget>()> makeTarget;
};

class TWalkForm : public QDialog {
    Q_OBJECT
public:
    explicit TWalkForm(WalkFormServices services, QWidget* parent = nullptr);
    ~TWalkForm() override;

    // "Select &Folder": the folder browser; a folder the tree would not show
    // is refused.
    void SelectFolder();
    // "&Get Slides": walks the chosen folder; closes with OK when the album is made.
    void GetSlides();
    // "&Stop" during a walk.
    void Stop();

    // The album the walk made; empty until one is.
    const std::string& MadeFile() const { return made_; }
    std::string Folder() const;
    QString LabelText() const;
    bool Walking() const { return walking_; }
    QPushButton* StopButton() const { return stopButton_; }
    QPushButton* GetButton() const { return getButton_; }

protected:
    void reject() override;

private:
    void SetWalking(bool walking);

    WalkFormServices services_;
    QLineEdit* pathBox_ = nullptr;
    QLabel* label_ = nullptr;
    QPushButton* folderButton_ = nullptr;
    QPushButton* getButton_ = nullptr;
    QPushButton* stopButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    Progress* progress_ = nullptr; // during a walk
    bool walking_ = false;
    std::string made_;
};

// Opens the dialog modally; the album made, or nothing when none was.
std::optional<std::string> GetSlidesFrom(WalkFormServices services, QWidget* parent);

} // namespace zv
