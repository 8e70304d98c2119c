// The explorer's slide commands: "Slide &album" on a selection or the current
// folder, "&Instant slideshow", and the hidden "&Recursive listing". The
// listing runs through SlideListing into a target the application makes; the
// window only suspends its list while it runs and reports what was made.

#include "explorer/ui/FileForm.h"

#include "catalog/MediaExtensions.h"
#include "explorer/SlideCommands.h"
#include "explorer/SlideListing.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace zv {

namespace {

// A listing's progress in a plain progress dialog; its Cancel is "&Stop".
class DialogProgress : public Progress {
public:
    explicit DialogProgress(QWidget* parent) : dialog_(parent) {
        dialog_.setWindowTitle(QStringLiteral("Slides"));
        dialog_.setRange(0, 0);
        dialog_.setMinimumDuration(0);
        dialog_.setWindowModality(::Qt::WindowModal);
        dialog_.setCancelButtonText(QStringLiteral("&Stop"));
        dialog_.show();
    }
    void Update() override {
        dialog_.setLabelText(QString::fromStdString(Text()));
        QCoreApplication::processEvents();
        if (dialog_.wasCanceled()) RequestStop();
    }

private:
    QProgressDialog dialog_;
};

QStringList ToQt(const std::vector<std::string>& paths) {
    QStringList list;
    list.reserve(static_cast<qsizetype>(paths.size()));
    for (const std::string& path : paths) list << QString::fromStdString(path);
    return list;
}

} // namespace

void TFileForm::MakeSlideshow() {
    if (document_->InDrivesView()) return;
    bool subfolders = false;
    for (int row = 0; row < document_->RowCount() && !subfolders; ++row) {
        const FileRecord* record = document_->RowRecord(row);
        subfolders = record && record->IsFolder();
    }
    std::vector<std::string> files;
    for (int row : document_->Selection()) {
        const FileRecord* record = document_->RowRecord(row);
        if (record && !record->IsFolder()) files.push_back(CurrentFolder() + record->FileName);
    }
    const SlideshowPlan plan =
        PlanSlideshow(Flags(), services_.dialogs, static_cast<std::size_t>(document_->RowCount()),
                      document_->Selection().size(), files, subfolders);
    switch (plan.step) {
    case SlideshowStep::SelectedFiles: emit slideFilesWanted(ToQt(plan.files)); break;
    case SlideshowStep::Tree: RunSlideListing(false, true); break;
    case SlideshowStep::FolderOnly: RunSlideListing(false, false); break;
    case SlideshowStep::Nothing: break;
    }
}

void TFileForm::InstantSlideshow() {
    RunSlideListing(true, true);
}

void TFileForm::RecursiveListing() {
    RunSlideListing(false, true);
}

void TFileForm::RunSlideListing(bool pictureList, bool subfolders) {
    if (document_->InDrivesView() || !makeSlideTarget) return;
    if (Flags().criticalProcess) {
        services_.dialogs.Warning(std::string(kCriticalProcess));
        return;
    }
    if (!pictureList && prepareAlbum && !prepareAlbum()) return;
    const std::unique_ptr<WalkTarget> target = makeSlideTarget(pictureList);
    if (!target) return;

    // The list rests while the tree is walked: no thumbnails, the plain list.
    StopThumbnailing();
    const ExplorerViewStyle style = document_->ViewStyle();
    SetViewStyle(ExplorerViewStyle::List);
    WalkOptions options;
    options.extensions = pictureList ? MediaExtensions : SlideExtensions;
    options.texts = pictureList ? WalkTexts::ExplorerBookmarks : WalkTexts::ExplorerSlides;
    options.subfolders = subfolders;
    if (!services_.cacheRoot.empty()) {
        options.skipRoot = services_.cacheRoot.string();
        if (!options.skipRoot.ends_with('/')) options.skipRoot += '/';
    }
    SlideListingResult result;
    {
        const std::unique_ptr<Progress> progress =
            makeListingProgress ? makeListingProgress() : std::make_unique<DialogProgress>(this);
        SlideListing listing(Flags(), services_.dialogs);
        result = listing.Run(CurrentFolder(), options, *target, *progress);
    }
    SetViewStyle(style);

    const QString file = QString::fromStdString(result.file);
    if (result.outcome == ListingOutcome::Done) {
        if (pictureList)
            emit instantListMade(file);
        else
            emit albumListed(file);
    } else if (result.outcome == ListingOutcome::Aborted && pictureList) {
        RefreshList();
    }
}

} // namespace zv
