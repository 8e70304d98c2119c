#pragma once
// The life of the program: reads the settings, refuses to start beside a
// playing slideshow script, makes the viewer and the explorer windows,
// decides which one the user sees, and ends the run tidily.

#include "app/SettingsSession.h"
#include "app/StartupPlan.h"
#include "explorer/ExplorerSettings.h"
#include "explorer/FileList.h"
#include "imaging/ImagingContext.h"
#include "imaging/TempNames.h"
#include "library/ImageLibrary.h"
#include "library/PhotoCd.h"
#include "platform/AppFolders.h"
#include "platform/ScriptedDialogs.h"
#include "platform/linux/FileSettingsStore.h"
#include "platform/linux/FlockInstanceLock.h"
#include "platform/linux/FreedesktopTrash.h"
#include "platform/linux/ProcMemoryStatus.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtDisplay.h"
#include "processing/BatchScript.h"
#include "viewer/BatchEditor.h"
#include "viewer/DiscardQuestion.h"
#include "viewer/PictureLoader.h"
#include "viewer/PictureSave.h"
#include "viewer/UndoStore.h"
#include "viewer/ViewerDocument.h"
#include "viewer/ViewerHistory.h"

#include <QObject>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QTimer;

namespace zv {

class TCommentForm;
class TUnZipForm;
class TShowForm;
class WalkTarget;
class TBatchForm;

class TFileForm;
class TWebForm;

class Application : public QObject {
    Q_OBJECT
public:
    Application(const EnvironmentReader& env, std::vector<std::string> arguments);
    ~Application() override;

    // False when another instance plays a slideshow script: the caller ends
    // the process without showing a window.
    bool MayStart() const;
    // Makes the windows and shows the first one; the event loop does the rest.
    void Start();

    // An error nobody handled: shows it and ends the program or goes on.
    void UnexpectedError(const std::string& message);

    TWebForm& Viewer() { return *viewer_; }
    TFileForm& Explorer() { return *explorer_; }
    SettingsSession& Settings() { return *settings_; }
    const StartupPlan& Plan() const { return plan_; }
    ImagingContext& Imaging() { return imaging_; }
    DocumentFlags& Document() { return document_; }
    const ViewerHistory& History() const { return history_; }
    ViewerDocument& ViewerDoc() { return *viewerDocument_; }
    // The slide album window once something has opened it; null before.
    TShowForm* AlbumWindow() const { return albumForm_.get(); }
    // The JPEG text window, made on first use.
    TCommentForm& CommentWindow();
    const AppFolders& Folders() const { return folders_; }
    Dialogs& UserDialogs() { return *dialogs_; }
    // Tests answer the program's questions through their own dialogs.
    void UseDialogs(Dialogs& dialogs) { dialogs_ = &dialogs; }
    void UseSaveHooks(SaveCommandHooks hooks) { saveHooks_ = std::move(hooks); }
    // The list chooser of the viewer's bookmarks and the conversion's
    // source list: the list dialog over the viewer; tests answer in its place.
    ChooseFromListFn chooseFromList;
    // "&Save as": the save dialog, then the picture written and the document renamed.
    void SaveAs();
    // "&Save as" for the discard question: true when the picture was saved.
    bool SaveModified();
    // The batch editor, made on first use; Tools > Batch > Editor shows it.
    BatchEditor& BatchScript();
    TBatchForm& BatchWindow();
    void ShowBatchEditor();
    // Tools > Batch > Perform: the editor's script on the viewer's picture.
    void PerformBatch();
    // Tools > Batch > "to ...": every bookmarked picture converted into one
    // folder in the target's format, through the editor's script when asked.
    void ConvertBookmarks(int tag);
    // Tools > JPEG > Compress: the JPEG compression wizard on the picture.
    void CompressJpeg();
    // The JPEG settings ("JPGwiz1"), read once per run and written at its end.
    JpegWizardRecord& JpegSettings();

private:
    void CreateViewer();
    void CreateExplorer();
    void RestoreViewerWindow();
    void FirstActivation();
    void DeferredOpen();
    // The first picture of the folder named at start, in the explorer's order; empty without one.
    std::string FirstPictureOfStartFolder();
    void OpenByName(const std::string& path);
    void ShowExplorer();
    void ExploreCurrentPicture();
    void ExploreFolder(const std::string& folder);
    void ShowViewer();
    void OpenFromExplorer(const QStringList& paths);
    void TileWindows(int layout, bool wholeScreen, bool keepWidth);
    void ReadExplorerSettings();
    void SaveExplorerSettings();
    std::optional<PictureSize> PictureInfo(const std::string& path);
    // The pictures of a file's folder in the explorer's order and filter.
    std::vector<std::string> FolderPictures(const std::string& path);
    void NotYet(const char* what);
    // The zip browser, made on first use; with a path, that archive is listed.
    void ShowZipBrowser(const std::string& path);
    // The slide album window, made on first use; with a path, that album is opened.
    void ShowAlbum(const std::string& path);
    // The album's "&Tile": the viewer on the left half, the album on the
    // right half, or its upper quarter above the explorer when that is shown.
    void TileAlbum(bool fromCorner);
    void BookmarksToAlbum();
    void AlbumOfPaths(const std::vector<std::string>& paths);
    std::filesystem::path DataFolder() const;
    std::unique_ptr<WalkTarget> MakeSlideTarget(bool pictureList);
    bool PrepareAlbumForListing();
    void CloseProgramFromExplorer();
    bool ViewerCloseRequested();
    void EndRun();
    void MemoryClick(bool fromExplorer);
    // The save dialog and write of "&Save as"; a batch SAVE adds its suffix.
    SaveResult SaveWith(bool batch, const std::string& batchSuffix);
    BatchSaveOutcome BatchSave(const std::string& suffix);
    void TakeLoadSettings();
    void WatchDisplay();
    void DisplayChanged();

    EnvironmentReader env_;
    AppFolders folders_;
    RunTempFolder runTemp_;
    FileSettingsStore store_;
    QtDialogs qtDialogs_;
    Dialogs* dialogs_;
    ProcMemoryStatus memory_;
    QtDisplay display_;
    DisplayInfo startDisplay_;
    FreedesktopTrash trash_;
    FlockInstanceLock avlRunning_;
    std::unique_ptr<SettingsSession> settings_;
    StartupPlan plan_;
    ImagingContext imaging_;
    TempNames tempNames_;
    DocumentFlags document_;
    ImageLibrary library_;
    PhotoCdLibrary photoCd_;
    LoadSettings loadSettings_;
    std::unique_ptr<PictureLoader> loader_;
    ViewerHistory history_;
    std::unique_ptr<ViewerDocument> viewerDocument_;
    std::unique_ptr<UndoStore> undo_;
    SaveDialogState saveState_;
    std::optional<SaveCommandHooks> saveHooks_;
    std::unique_ptr<TWebForm> viewer_;
    std::unique_ptr<BatchEditor> batchEditor_;
    std::unique_ptr<TBatchForm> batchForm_;
    std::string batchTargetFolder_;       // the last target folder, for this run of the program
    bool performQuestionIgnored_ = false; // Ignore was chosen: not asked again this run
    std::unique_ptr<TFileForm> explorer_;
    std::unique_ptr<TCommentForm> commentForm_;
    std::unique_ptr<TUnZipForm> unzipForm_;
    std::unique_ptr<TShowForm> albumForm_;
    std::optional<JpegWizardRecord> jpegSettings_;
    bool askCompressOn256_ = true;
    std::string zipOpenFolder_;     // where the zip browser's "&Add" dialog starts
    std::string commentOpenFolder_; // where the JPEG text window's file dialogs start
    ExplorerSettings explorerSettings_;
    std::string exploreDir_;
    bool explorerFolderShown_ = false; // the start folder is shown on the first showing
    QTimer* deferredOpenTimer_ = nullptr;
    std::string lastInternalNote_;
    bool closing_ = false;
    bool forcedClose_ = false;
    bool ended_ = false;
};

} // namespace zv
