#include "explorer/ui/WalkForm.h"

#include "catalog/MediaExtensions.h"
#include "explorer/FolderPaths.h"
#include "explorer/SlideListing.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <filesystem>

namespace zv {

namespace {

// The walk's texts in the dialog's label; the events run so "&Stop" is heard.
class LabelProgress : public Progress {
public:
    explicit LabelProgress(QLabel& label) : label_(label) {}
    void Update() override {
        const bool aborting = Stopped() && Text() != kSlideListingAborted;
        label_.setText(aborting ? QStringLiteral("Aborting ...") : QString::fromStdString(Text()));
        QCoreApplication::processEvents();
    }

private:
    QLabel& label_;
};

// A folder the tree would show: there, a folder, no hidden part below the root.
bool TreeShows(const std::string& folder) {
    std::error_code error;
    if (folder.empty() || HasDotComponent(folder) || !std::filesystem::is_directory(folder, error))
        return false;
    for (const auto& part : std::filesystem::path(folder))
        if (part.string().starts_with('.')) return false;
    return true;
}

} // namespace

TWalkForm::TWalkForm(WalkFormServices services, QWidget* parent)
    : QDialog(parent), services_(std::move(services)) {
    setWindowTitle(QString::fromUtf8(kWalkFormCaption.data(), kWalkFormCaption.size()));
    pathBox_ =
        new QLineEdit(QString::fromStdString(WithTrailingSlash(services_.startFolder)), this);
    pathBox_->setEnabled(false);
    label_ = new QLabel(QString::fromUtf8(kWalkFormStart.data(), kWalkFormStart.size()), this);
    label_->setMinimumWidth(420);
    folderButton_ = new QPushButton(QStringLiteral("Select &Folder"), this);
    getButton_ = new QPushButton(QStringLiteral("&Get Slides"), this);
    stopButton_ = new QPushButton(QStringLiteral("&Stop"), this);
    cancelButton_ = new QPushButton(QStringLiteral("&Cancel"), this);
    auto* help = new QPushButton(QStringLiteral("&Help"), this);
    help->setEnabled(false); // the help pages are not written yet
    stopButton_->setEnabled(false);
    connect(folderButton_, &QPushButton::clicked, this, &TWalkForm::SelectFolder);
    connect(getButton_, &QPushButton::clicked, this, &TWalkForm::GetSlides);
    connect(stopButton_, &QPushButton::clicked, this, &TWalkForm::Stop);
    connect(cancelButton_, &QPushButton::clicked, this, &TWalkForm::reject);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {folderButton_, getButton_, stopButton_, cancelButton_, help})
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pathBox_);
    layout->addWidget(label_);
    layout->addLayout(buttons);
}

TWalkForm::~TWalkForm() = default;

std::string TWalkForm::Folder() const {
    return pathBox_->text().toStdString();
}

QString TWalkForm::LabelText() const {
    return label_->text();
}

void TWalkForm::SelectFolder() {
    if (walking_) return;
    const std::optional<std::string> chosen = services_.dialogs.BrowseFolder(
        "Open a folder", "Select folder with source files.", Folder());
    if (!chosen) return;
    if (!TreeShows(*chosen)) {
        services_.dialogs.Warning(CannotAccessPathText(*chosen));
        return;
    }
    pathBox_->setText(QString::fromStdString(WithTrailingSlash(*chosen)));
}

void TWalkForm::SetWalking(bool walking) {
    walking_ = walking;
    folderButton_->setEnabled(!walking);
    getButton_->setEnabled(!walking);
    stopButton_->setEnabled(walking);
}

void TWalkForm::GetSlides() {
    if (walking_ || !services_.makeTarget) return;
    if (!TreeShows(Folder())) {
        services_.dialogs.Warning(CannotAccessPathText(Folder()));
        return;
    }
    const std::unique_ptr<WalkTarget> target = services_.makeTarget();
    if (!target) return;
    WalkOptions options;
    options.extensions = MediaExtensions;
    options.texts = WalkTexts::Dialog;
    if (!services_.cacheRoot.empty())
        options.skipRoot = WithTrailingSlash(services_.cacheRoot.string());
    LabelProgress progress(*label_);
    progress_ = &progress;
    SetWalking(true);
    SlideListing listing(services_.flags, services_.dialogs);
    const SlideListingResult result = listing.Run(Folder(), options, *target, progress);
    progress_ = nullptr;
    SetWalking(false);
    if (result.outcome != ListingOutcome::Done) return;
    made_ = result.file;
    accept();
}

void TWalkForm::Stop() {
    if (!progress_) return;
    label_->setText(QStringLiteral("Aborting ..."));
    progress_->RequestStop();
}

// Cancel (or Esc) during a walk stops it first; the dialog closes after.
void TWalkForm::reject() {
    if (walking_) {
        Stop();
        return;
    }
    QDialog::reject();
}

std::optional<std::string> GetSlidesFrom(WalkFormServices services, QWidget* parent) {
    TWalkForm form(std::move(services), parent);
    if (form.exec() != QDialog::Accepted || form.MadeFile().empty()) return std::nullopt;
    return form.MadeFile();
}

} // namespace zv
