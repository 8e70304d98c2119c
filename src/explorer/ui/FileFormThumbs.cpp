// The explorer window's thumbnail view: entering and leaving it, the pass's
// progress in the status bar, the "Thumb" button and the cache commands.

#include "explorer/ThumbCacheCommands.h"
#include "explorer/ui/FileForm.h"
#include "explorer/ui/FileListModel.h"
#include "explorer/ui/ThumbDelegate.h"
#include "explorer/ui/ThumbnailRunner.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListView>

namespace zv {

void TFileForm::BuildThumbnails() {
    thumbs_ = new ThumbnailRunner(
        ThumbnailRunner::Inputs{store_, order_, currentFolder_, services_.settings,
                                services_.cacheRoot, services_.screenBits,
                                [this](const FileRecord& record) { return model_->IconOf(record); },
                                [this] { return listing_ || closing_; }},
        this);
    thumbDelegate_ =
        new ThumbDelegate([this](int row) { return thumbs_->RowPixmap(row); }, iconView_);
    connect(thumbs_, &ThumbnailRunner::rowChanged, this, [this](int row) {
        if (!listing_) model_->RowChanged(row);
    });
    connect(thumbs_, &ThumbnailRunner::progress, this, &TFileForm::ThumbProgress);
    connect(thumbs_, &ThumbnailRunner::finished, this, [this] {
        UpdateStatus();
        iconView_->viewport()->update();
    });
}

// Entering the thumbnail view starts the pass (after the generic thumbnails).
void TFileForm::ShowThumbnailView() {
    if (drivesView_ || listing_ || services_.cacheRoot.empty()) return;
    thumbs_->Start();
}

void TFileForm::StopThumbnailing() {
    if (!thumbs_ || !thumbs_->Stop()) return;
    StatusMessageSolo(std::string(kThumbsStopped));
}

void TFileForm::ThumbProgress(int percent) {
    SetPanel(0, ThumbsProgressText(percent));
    SetPanel(1, {});
    SetPanel(2, {});
}

void TFileForm::ThumbButtonCommand() {
    if (drivesView_) return;
    if (viewStyle_ != ExplorerViewStyle::Thumbnails) {
        SetViewStyle(ExplorerViewStyle::Thumbnails);
        return;
    }
    StopThumbnailing();
    thumbs_->Resume();
}

void TFileForm::RedoThumbsCommand() {
    if (viewStyle_ != ExplorerViewStyle::Thumbnails || drivesView_) return;
    const RowSelection rows = SelectedRows();
    if (rows.empty()) {
        services_.dialogs.Warning(std::string(kRedoNeedsSelection));
        return;
    }
    StopThumbnailing();
    thumbs_->PrepareCache(false);
    std::vector<std::filesystem::path> files;
    for (int row : rows) files.push_back(thumbs_->RowThumbFile(row));
    DeleteThumbFiles(thumbs_->Folder().paths, files);
    thumbs_->ForgetPixmaps();
    RefreshList();
}

void TFileForm::CacheInfoCommand() {
    if (drivesView_ || services_.cacheRoot.empty()) return;
    thumbs_->PrepareCache(false);
    const std::filesystem::path folder = thumbs_->Folder().paths.folderCacheFolder;
    if (folder.empty()) return;
    services_.dialogs.Information(CacheInfoText(folder, MeasureCacheFolder(folder)));
}

void TFileForm::CacheKillCommand(bool all) {
    if (drivesView_ || services_.cacheRoot.empty()) return;
    if (TreeShown()) SetFolderTree(false);
    if (services_.dialogs.Box(BoxKind::Warning, KillCacheQuestion(currentFolder_, all),
                              Buttons::OkCancel) != Answer::Ok)
        return;
    StopThumbnailing();
    thumbs_->PrepareCache(false);
    const CachePaths paths = thumbs_->Folder().paths;
    if (viewStyle_ == ExplorerViewStyle::Thumbnails) SetViewStyle(ExplorerViewStyle::LargeIcons);
    setEnabled(false);
    QApplication::setOverrideCursor(::Qt::WaitCursor);
    if (all)
        KillAllCaches(paths);
    else
        KillFolderCache(paths);
    QApplication::restoreOverrideCursor();
    setEnabled(true);
    thumbs_->ForgetPixmaps();
    ShowFolder(ProgramDrive());
    thumbs_->PrepareCache(true);
}

void TFileForm::ThumbnailSizeChanged() {
    const bool inThumbs = viewStyle_ == ExplorerViewStyle::Thumbnails;
    StopThumbnailing();
    thumbs_->ForgetPixmaps();
    if (!inThumbs) return;
    SetViewStyle(ExplorerViewStyle::LargeIcons);
    if (drivesView_) return;
    UpdateFiles();
    SetViewStyle(ExplorerViewStyle::Thumbnails);
}

} // namespace zv
