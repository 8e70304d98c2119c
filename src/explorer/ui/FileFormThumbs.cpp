// The explorer window's thumbnail view: entering and leaving it, the pass's
// progress in the status bar, the "Thumb" button and the cache commands.

#include "catalog/ThumbCacheCommands.h"
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
        ThumbnailRunner::Inputs{document_->Store(), document_->Order(), document_->CurrentFolder(),
                                services_.settings, services_.cacheRoot, services_.screenBits,
                                [this](const FileRecord& record) { return model_->IconOf(record); },
                                [this] { return document_->Listing() || closing_; }},
        this);
    thumbDelegate_ =
        new ThumbDelegate([this](int row) { return thumbs_->RowPixmap(row); }, iconView_);
    connect(thumbs_, &ThumbnailRunner::rowChanged, this, [this](int row) {
        if (!document_->Listing()) model_->RowChanged(row);
    });
    connect(thumbs_, &ThumbnailRunner::progress, this, &TFileForm::ThumbProgress);
    connect(thumbs_, &ThumbnailRunner::finished, this, [this] {
        UpdateStatus();
        iconView_->viewport()->update();
    });
}

// Entering the thumbnail view starts the pass (after the generic thumbnails).
void TFileForm::ShowThumbnailView() {
    if (document_->InDrivesView() || document_->Listing() || services_.cacheRoot.empty()) return;
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
    if (document_->InDrivesView()) return;
    if (document_->ViewStyle() != ExplorerViewStyle::Thumbnails) {
        SetViewStyle(ExplorerViewStyle::Thumbnails);
        return;
    }
    StopThumbnailing();
    thumbs_->Resume();
}

void TFileForm::RedoThumbsCommand() {
    if (document_->ViewStyle() != ExplorerViewStyle::Thumbnails || document_->InDrivesView())
        return;
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
    if (document_->InDrivesView() || services_.cacheRoot.empty()) return;
    thumbs_->PrepareCache(false);
    const std::filesystem::path folder = thumbs_->Folder().paths.folderCacheFolder;
    if (folder.empty()) return;
    services_.dialogs.Information(CacheInfoText(folder, MeasureCacheFolder(folder)));
}

void TFileForm::CacheKillCommand(bool all) {
    if (document_->InDrivesView() || services_.cacheRoot.empty()) return;
    if (TreeShown()) SetFolderTree(false);
    if (services_.dialogs.Box(BoxKind::Warning, KillCacheQuestion(document_->CurrentFolder(), all),
                              Buttons::OkCancel) != Answer::Ok)
        return;
    StopThumbnailing();
    thumbs_->PrepareCache(false);
    const CachePaths paths = thumbs_->Folder().paths;
    if (document_->ViewStyle() == ExplorerViewStyle::Thumbnails)
        SetViewStyle(ExplorerViewStyle::LargeIcons);
    setEnabled(false);
    QApplication::setOverrideCursor(::Qt::WaitCursor);
    if (all)
        KillAllCaches(paths);
    else
        KillFolderCache(paths);
    QApplication::restoreOverrideCursor();
    setEnabled(true);
    thumbs_->ForgetPixmaps();
    ShowFolder(document_->ProgramDrive());
    thumbs_->PrepareCache(true);
}

void TFileForm::ThumbnailSizeChanged() {
    const bool inThumbs = document_->ViewStyle() == ExplorerViewStyle::Thumbnails;
    StopThumbnailing();
    thumbs_->ForgetPixmaps();
    if (!inThumbs) return;
    SetViewStyle(ExplorerViewStyle::LargeIcons);
    if (document_->InDrivesView()) return;
    document_->ListCurrentFolder();
    SetViewStyle(ExplorerViewStyle::Thumbnails);
}

} // namespace zv
