#include "app/ui/Application.h"

#include "album/AlbumBuilder.h"
#include "album/ui/CommentForm.h"
#include "album/ui/ShowForm.h"
#include "album/ui/UnZipForm.h"
#include "catalog/ThumbCache.h"
#include "explorer/Listing.h"
#include "explorer/ui/ListDlg.h"
#include "explorer/ui/ThumbnailRunner.h"
#include "explorer/ui/WalkForm.h"
#include "formats/JpegReader.h"
#include "imaging/PixelConvert.h"
#include "platform/qt/QtEffectDialog.h"
#include "processing/JpegWizardModel.h"
#include "processing/ui/EffectCurveWindow.h"

#include "app/ClosePolicy.h"
#include "app/ErrorPolicy.h"
#include "app/WindowPlacement.h"
#include "app/WorkFiles.h"
#include "app/ui/StatusForm.h"
#include "explorer/ui/FileForm.h"
#include "formats/DecodeFile.h"
#include "formats/PictureLists.h"
#include "imaging/FileRemoval.h"
#include "imaging/MemoryCheck.h"
#include "platform/Extensions.h"
#include "viewer/BatchConvert.h"
#include "viewer/ui/BatchForm.h"
#include "viewer/ui/SaveDialog.h"
#include "viewer/ui/ViewerBatchHost.h"
#include "viewer/ui/WebForm.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <filesystem>
#include <iostream>
#include <random>
#include <unistd.h>

namespace zv {

namespace {

constexpr int kDeferredOpenMs = 333;

bool IsRegularFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

bool IsFolder(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

// A JPEG named on the command line opens at the first activation when its
// header reads; otherwise the viewer starts empty.
bool ReadJpegInfo(const std::string& path) {
    try {
        TJpegReader reader;
        reader.ReadHeader(path);
        return reader.Width() > 0 && reader.Height() > 0;
    } catch (const std::exception&) {
        return false;
    }
}

// The picture files among the rows, in row order (the explorer's "all images").
std::vector<std::string> PicturesOfRows(const std::string& folder, const RecordStore& store,
                                        const ViewOrder& order) {
    std::vector<std::string> pictures;
    for (int row : SelectAllImages(store, order))
        if (const FileRecord* record = RowRecord(store, order, row))
            pictures.push_back(RecordPath(folder, *record));
    return pictures;
}

QRect QtRect(const WindowRect& rect) {
    return {rect.left, rect.top, rect.width, rect.height};
}
WindowRect RectOf(const QRect& rect) {
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

} // namespace

Application::Application(const EnvironmentReader& env, std::vector<std::string> arguments)
    : env_(env), folders_(DefaultAppFolders(env)), runTemp_(env), store_(folders_.config),
      dialogs_(&qtDialogs_), trash_(env), avlRunning_(FlockInstanceLock::DefaultAvlLockPath(env)),
      tempNames_(runTemp_.Path(), static_cast<std::uint32_t>(::getpid())) {
    folders_.runTemp = runTemp_.Path();
    chooseFromList = [this](ChooserRequest& request) {
        return ChooseFromList(viewer_.get(), request, ChooserChecks::Disk());
    };
    imaging_.descriptor.ScreenBits = display_.Info().screenBits;
    settings_ = std::make_unique<SettingsSession>(store_, imaging_.descriptor.ScreenBits);
    imaging_.autoReduce = settings_->settings.autoReduce;
    plan_ = PlanStartup(arguments, IsRegularFile, ReadJpegInfo, IsFolder);
    // Boxes and file dialogs open over the window that asked: the active
    // one, else the viewer or the explorer while shown.
    qtDialogs_.SetParentFinder([this]() -> QWidget* {
        if (QWidget* active = QApplication::activeWindow()) return active;
        if (viewer_ && viewer_->isVisible()) return viewer_.get();
        if (explorer_ && explorer_->isVisible()) return explorer_.get();
        return nullptr;
    });
    // The save dialog starts with the JPEG quality stored with the JPEG settings.
    saveState_.quality = ValidJpegQuality(JpegSettings().values[2]);
    QGuiApplication::setQuitOnLastWindowClosed(false);
    // The effect dialog's curve button opens the histogram window.
    SetEffectCurveWindow(ShowEffectCurve);
}

Application::~Application() {
    imaging_.host = nullptr;
}

bool Application::MayStart() const {
    return !avlRunning_.HeldElsewhere();
}

void Application::Start() {
    CreateViewer();
    CreateExplorer();
    RestoreViewerWindow();
    WatchDisplay();
    viewer_->show();
}

void Application::WatchDisplay() {
    startDisplay_ = display_.Info();
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    connect(screen, &QScreen::geometryChanged, this, &Application::DisplayChanged);
}

void Application::DisplayChanged() {
    const DisplayInfo now = display_.Info();
    if (now.width == startDisplay_.width && now.height == startDisplay_.height &&
        now.screenBits == startDisplay_.screenBits)
        return;
    startDisplay_ = now;
    dialogs_->Warning("Display has changed.\nZelvan 7.04 should be closed and restarted.");
}

void Application::TakeLoadSettings() {
    const ViewerSettings& settings = settings_->settings;
    loadSettings_.faxQuality = settings.faxQuality;
    loadSettings_.jpegPalette = settings.jpegPalette;
    loadSettings_.photoCdStep = settings.photoCdStep;
    loadSettings_.autoReduce = settings.autoReduce;
    loadSettings_.fastRefresh = settings.fastRefresh;
    loadSettings_.fitToWindow = settings.fitToWindow;
    loadSettings_.backColour = settings.backColour;
    loadSettings_.halfJpeg = viewer_->HalfJpeg();
    loadSettings_.exifOrientation = settings_->exifOrientation;
    imaging_.autoReduce = settings.autoReduce;
}

void Application::CreateViewer() {
    viewer_ = std::make_unique<TWebForm>(imaging_, settings_->settings);
    TakeLoadSettings();
    loader_ = std::make_unique<PictureLoader>(
        LoadServices{imaging_, library_, photoCd_, tempNames_, *dialogs_, *viewer_, loadSettings_});
    viewerDocument_ = std::make_unique<ViewerDocument>(DocumentServices{
        *loader_, imaging_, history_, document_, *dialogs_, memory_, *viewer_, IsRegularFile,
        IsFolder, [this] { return SaveModified(); },
        [this](ChooserRequest& request) { return chooseFromList ? chooseFromList(request) : -1; }});
    viewerDocument_->SetOpenFolder(settings_->openDir);
    viewerDocument_->SetFallbackPath(plan_.startFile);
    viewerDocument_->folderPictures = [this](const std::string& path) {
        return FolderPictures(path);
    };
    viewer_->SetDocument(*viewerDocument_, history_, *dialogs_);
    undo_ = std::make_unique<UndoStore>(UndoServices{imaging_, tempNames_, trash_, memory_,
                                                     *dialogs_, document_,
                                                     [this] {
                                                         if (imaging_.LibraryHandle)
                                                             loader_->CloseLibraryImage();
                                                         QGuiApplication::clipboard()->clear();
                                                     },
                                                     [this] {
                                                         viewer_->ShowEmptyPicture();
                                                         library_.ImgShutdown();
                                                         QCoreApplication::processEvents();
                                                         library_.ImgInit();
                                                     },
                                                     [this] { viewer_->RefreshAfterChange(); }});
    viewer_->SetUndo(*undo_);
    viewer_->reportFolder = folders_.appHome;
    viewer_->zipArchiveWanted = [this](const std::string& path) { ShowZipBrowser(path); };
    viewer_->closeRequested = [this] { return ViewerCloseRequested(); };
    connect(viewer_.get(), &TWebForm::firstActivation, this, &Application::FirstActivation);
    connect(viewer_.get(), &TWebForm::explorerWanted, this, &Application::ExploreCurrentPicture);
    connect(viewer_.get(), &TWebForm::folderExploreWanted, this,
            [this](const QString& folder) { ExploreFolder(folder.toStdString()); });
    connect(viewer_.get(), &TWebForm::memoryWanted, this, [this] { MemoryClick(false); });
    connect(viewer_.get(), &TWebForm::batchEditorWanted, this, &Application::ShowBatchEditor);
    connect(viewer_.get(), &TWebForm::batchPerformWanted, this, &Application::PerformBatch);
    connect(viewer_.get(), &TWebForm::batchConvertWanted, this, &Application::ConvertBookmarks);
    connect(viewer_.get(), &TWebForm::slideAlbumWanted, this, [this] { ShowAlbum({}); });
    connect(viewer_.get(), &TWebForm::jpegCompressWanted, this, &Application::CompressJpeg);
    connect(viewer_.get(), &TWebForm::bookmarksAlbumWanted, this, &Application::BookmarksToAlbum);
    viewer_->recorder.recording = [this] { return batchEditor_ && batchEditor_->Recording(); };
    viewer_->recorder.append = [this](const std::string& line) { BatchWindow().AppendLine(line); };
    connect(viewer_.get(), &TWebForm::saveWanted, this, &Application::SaveAs);
    connect(viewer_.get(), &TWebForm::loadSettingsChanged, this, &Application::TakeLoadSettings);
    viewer_->exifOrientation = settings_->exifOrientation;
    SetThumbExifOrientation(settings_->exifOrientation);
    connect(viewer_.get(), &TWebForm::exifOrientationChanged, this, [this] {
        settings_->exifOrientation = viewer_->exifOrientation;
        SetThumbExifOrientation(settings_->exifOrientation);
        TakeLoadSettings();
        if (explorer_) explorer_->RefreshList(); // its JPEG thumbnails are made again
    });
    connect(viewer_.get(), &TWebForm::closeCommandWanted, this, [this] {
        if (explorer_->isVisible()) explorer_->hide();
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
        viewer_->close();
    });
    viewer_->ApplySettings();
}

// The explorer's rows when it shows the file's folder, so the viewer steps in
// the order the user chose there; otherwise the folder listed as the explorer
// lists it, by name.
std::vector<std::string> Application::FolderPictures(const std::string& path) {
    std::error_code error;
    std::string folder = std::filesystem::absolute(path, error).parent_path().lexically_normal();
    if (error || folder.empty()) return {};
    if (folder.back() != '/') folder += '/';
    if (explorer_) {
        ExplorerDocument& shown = explorer_->Document();
        if (!shown.InDrivesView() && !shown.Listing() && shown.CurrentFolder() == folder)
            return PicturesOfRows(folder, shown.Store(), shown.Order());
    }
    RecordStore store;
    ViewOrder order;
    IconCache icons;
    ListingOptions options;
    options.sortByName = true;
    if (!ListFolder(folder, store, order, icons, options).ok) return {};
    return PicturesOfRows(folder, store, order);
}

void Application::ReadExplorerSettings() {
    const DisplayInfo display = display_.Info();
    explorerSettings_ = DefaultExplorerSettings(display.width, display.height);
    if (const auto block = store_.ReadBinary(kExplorerSettingsName))
        if (const auto parsed = ParseExplorerSettings(*block)) explorerSettings_ = *parsed;
    exploreDir_ = store_.ReadString(kExploreDirName).value_or(std::string());
    if (!plan_.startFolder.empty()) exploreDir_ = plan_.startFolder;
    if (exploreDir_.empty() || !IsFolder(exploreDir_)) {
        const std::optional<std::string> home = env_("HOME");
        exploreDir_ = home && IsFolder(*home) ? *home : std::string("/");
    }
}

void Application::SaveExplorerSettings() {
    if (!explorer_) return;
    const QRect frame = explorer_->geometry();
    explorerSettings_.bounds = ToBounds(RectOf(frame));
    const ExplorerSettingsRecord record = SerializeExplorerSettings(explorerSettings_);
    store_.WriteBinary(kExplorerSettingsName, Bytes(record.begin(), record.end()));
    store_.WriteString(kExploreDirName, explorer_->CurrentFolder());
}

std::optional<PictureSize> Application::PictureInfo(const std::string& path) {
    const std::string extension = UpperExtension(path);
    const bool picture = ExtensionIn(extension, kAcceptedExtensions) || IsJpegExtension(extension);
    if (!picture || ExtensionIn(extension, kMediaExtensions)) return std::nullopt;
    try {
        const PictureHeader header = ProbeFile(path);
        if (header.width <= 0 || header.height <= 0) return std::nullopt;
        // Deeper pictures are held in true colour, as the viewer shows them.
        return PictureSize{header.width, header.height, header.bits > 15 ? 24 : header.bits};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void Application::CreateExplorer() {
    ReadExplorerSettings();
    explorer_ = std::make_unique<TFileForm>(
        ExplorerServices{explorerSettings_,
                         folders_.appHome.string(),
                         *dialogs_,
                         [this](const std::string& path) { return PictureInfo(path); },
                         {},
                         CacheRoot(folders_),
                         imaging_.descriptor.ScreenBits});
    const DisplayInfo display = display_.Info();
    if (ExplorerBoundsUsable(explorerSettings_.bounds, display.width, display.height))
        explorer_->setGeometry(QtRect(FromBounds(explorerSettings_.bounds)));
    connect(explorer_.get(), &TFileForm::openInViewer, this, &Application::OpenFromExplorer);
    connect(explorer_.get(), &TFileForm::zipWanted, this,
            [this](const QString& path) { ShowZipBrowser(path.toStdString()); });
    connect(explorer_.get(), &TFileForm::unzipperWanted, this, [this] { ShowZipBrowser({}); });
    // A script chosen in the explorer: the editor, and its Open dialog on that file.
    connect(explorer_.get(), &TFileForm::batchScriptWanted, this, [this](const QString& path) {
        ShowBatchEditor();
        if (BatchScript().Open(path.toStdString())) BatchWindow().Refresh();
    });
    connect(explorer_.get(), &TFileForm::albumWanted, this,
            [this](const QString& path) { ShowAlbum(path.toStdString()); });
    connect(explorer_.get(), &TFileForm::slideAlbumWanted, this, [this] { ShowAlbum({}); });
    explorer_->documentFlags = &document_;
    explorer_->makeSlideTarget = [this](bool pictureList) { return MakeSlideTarget(pictureList); };
    explorer_->prepareAlbum = [this] { return PrepareAlbumForListing(); };
    connect(explorer_.get(), &TFileForm::albumListed, this,
            [this](const QString& catalog) { ShowAlbum(catalog.toStdString()); });
    connect(explorer_.get(), &TFileForm::slideFilesWanted, this, [this](const QStringList& files) {
        std::vector<std::string> paths;
        for (const QString& file : files) paths.push_back(file.toStdString());
        AlbumOfPaths(paths);
    });
    connect(explorer_.get(), &TFileForm::instantListMade, this, [this](const QString& list) {
        ShowViewer();
        viewerDocument_->LoadPictureList(list.toStdString());
    });
    connect(explorer_.get(), &TFileForm::tileWanted, this, &Application::TileWindows);
    connect(explorer_.get(), &TFileForm::viewerWanted, this, &Application::ShowViewer);
    connect(explorer_.get(), &TFileForm::closeProgramWanted, this,
            &Application::CloseProgramFromExplorer);
    connect(explorer_.get(), &TFileForm::memoryWanted, this, [this] { MemoryClick(true); });
}

void Application::RestoreViewerWindow() {
    WindowRect stored = RectOf(viewer_->geometry());
    if (settings_->ViewerSettingsExisted() && plan_.startFile == kNoStartFile)
        stored = FromBounds(settings_->settings.viewerBounds);
    viewer_->setGeometry(QtRect(RestoreWindow(stored, display_.Info())));
}

void Application::FirstActivation() {
    if (plan_.startPictureReady) OpenByName(plan_.startFile);
    tempNames_.DrawPrefix(std::random_device{}());

    if (!plan_.startPictureReady) {
        viewer_->SetStatusText(QStringLiteral("Ready."));
        if (plan_.startFile == kNoStartFile) {
            viewer_->ShowEmptyPicture();
            ShowExplorer();
            // A folder named at start: its first picture opens beside it.
            const std::string folderPicture = FirstPictureOfStartFolder();
            if (settings_->FirstRun()) {
                settings_->settings.autoSize = false;
                settings_->settings.autoCenter = false;
            }
            if (settings_->FirstRun() || !folderPicture.empty()) {
                const SideBySide layout = ViewerLeftExplorerRight(display_.Info());
                viewer_->setGeometry(QtRect(layout.viewer));
                explorer_->setGeometry(QtRect(layout.explorer));
                if (settings_->FirstRun())
                    settings_->settings.viewerBounds = ToBounds(layout.viewer);
            } else if (!plan_.deferredOpen) {
                QTimer::singleShot(0, viewer_.get(), &QWidget::hide);
            }
            if (!folderPicture.empty())
                OpenByName(folderPicture);
            else if (settings_->FirstRun())
                viewer_->ShowStartHint();
        }
    }
    if (plan_.deferredOpen) {
        if (settings_->settings.alwaysFullScreen || plan_.AvlStart()) viewer_->ShowPicture();
        deferredOpenTimer_ = new QTimer(this);
        deferredOpenTimer_->setSingleShot(true);
        connect(deferredOpenTimer_, &QTimer::timeout, this, &Application::DeferredOpen);
        deferredOpenTimer_->start(kDeferredOpenMs);
    } else if (!plan_.startPictureReady && plan_.startFile != kNoStartFile) {
        viewer_->ShowEmptyPicture();
    }
}

std::string Application::FirstPictureOfStartFolder() {
    if (plan_.startFolder.empty()) return {};
    const std::vector<std::string> pictures = FolderPictures(plan_.startFolder + ".");
    return pictures.empty() ? std::string() : pictures.front();
}

void Application::DeferredOpen() {
    if (plan_.AvlStart()) {
        viewer_->ShowEmptyPicture();
        viewer_->SetStatusText(QStringLiteral("Slideshow scripts cannot be played yet."));
        return;
    }
    OpenByName(plan_.startFile);
}

void Application::OpenByName(const std::string& path) {
    viewerDocument_->OpenByName(path);
}

bool Application::SaveModified() {
    SaveAs();
    return !document_.modified;
}

void Application::SaveAs() {
    if (!viewerDocument_->PictureReady()) return;
    SaveWith(false, {});
}

SaveResult Application::SaveWith(bool batch, const std::string& batchSuffix) {
    SaveCommandContext context;
    context.currentPath = viewerDocument_->CurrentPath();
    context.keepStoredOrientation = !settings_->exifOrientation;
    context.pathBoxText = history_.Current();
    context.saveDir = settings_->saveDir;
    context.programFolder = folders_.appHome.string();
    context.turboMode = settings_->settings.turboMode != 0;
    context.batch = batch;
    context.batchSuffix = batchSuffix;
    SaveServices services{imaging_, library_, *dialogs_, {}, [this](const std::string& text) {
                              viewer_->SetBusy(QString::fromStdString(text));
                          }};
    if (const int type = SaveTypeOfSource(context.currentPath, imaging_.descriptor.ImageBits))
        saveState_.type = type;
    SaveCommandHooks hooks =
        saveHooks_ ? *saveHooks_ : SaveDialogHooks(viewer_.get(), saveState_, *dialogs_);
    const SaveResult result = SaveAsCommand(context, saveState_, services, hooks);
    viewerDocument_->TakeSaveResult(result, settings_->saveDir);
    viewer_->StatusReady();
    viewer_->DocumentChanged();
    if (result.wizardWanted && !batch) CompressJpeg();
    return result;
}

// --- The JPEG compression wizard ---

JpegWizardRecord& Application::JpegSettings() {
    if (!jpegSettings_)
        jpegSettings_ = JpegWizardRecord::Parse(store_.ReadBinary(kJpegWizardRecordName));
    return *jpegSettings_;
}

namespace {

JpegWizardSettings WizardSettingsOf(const JpegWizardRecord& record) {
    JpegWizardSettings settings;
    settings.progressive = record.flags[0] == 1;
    settings.subsample = record.flags[1] == 1;
    settings.filter = std::clamp(record.values[0], 0, 2);
    settings.amount = std::clamp(record.values[1], 0, 255);
    settings.quality = std::clamp(record.values[2], 1, 255);
    return settings;
}

void StoreWizardSettings(const JpegWizardSettings& settings, JpegWizardRecord& record) {
    record.flags[0] = settings.progressive ? 1 : 0;
    record.flags[1] = settings.subsample ? 1 : 0;
    record.values = {settings.filter, settings.amount, settings.quality};
}

} // namespace

// Tools > JPEG > Compress and the save dialog's wizard button: the wizard on
// a true-colour copy of the picture, which itself stays as it is.
void Application::CompressJpeg() {
    if (!viewerDocument_->PictureReady() || imaging_.current.Empty()) return;
    if (imaging_.descriptor.ScreenBits == 8 && askCompressOn256_) {
        const Answer answer = dialogs_->Box(
            BoxKind::Question,
            "256 color displays cannot show subtle changes.\nTrue color video is recommended.  "
            "Continue?\n\n[Ignore] avoids this dialog (for experts).",
            Buttons::YesNoIgnore);
        if (answer == Answer::No) return;
        if (answer == Answer::Ignore) askCompressOn256_ = false;
    }
    const Bitmap& current = imaging_.current;
    const Bitmap trueColour = current.Format() == PixelFormat::Bits24
                                  ? Bitmap(current)
                                  : ConvertPixels(current, PixelFormat::Bits24, current.Colours());
    JpegWizardSettings settings = WizardSettingsOf(JpegSettings());
    const std::string path = viewerDocument_->CurrentPath();
    JpegWizardTarget target{settings_->saveDir, ProposedJpegName(path)};
    if (target.folder.empty()) target.folder = std::filesystem::path(path).parent_path().string();
    const int code = viewer_->BatchRunning() ? kJpegWizardBatchCode : kJpegWizardCode;
    std::string savedFolder;
    RunJpegWizard(*dialogs_, code, trueColour, settings, target, &savedFolder);
    StoreWizardSettings(settings, JpegSettings());
    if (!savedFolder.empty()) settings_->saveDir = savedFolder;
}

// --- The batch editor ---

BatchEditor& Application::BatchScript() {
    if (!batchEditor_)
        batchEditor_ = std::make_unique<BatchEditor>(
            BatchEditorServices{*dialogs_, folders_.appHome.string(), IsFolder});
    return *batchEditor_;
}

TBatchForm& Application::BatchWindow() {
    if (!batchForm_) {
        batchForm_ =
            std::make_unique<TBatchForm>(BatchScript(), settings_->settings.batchEditorBounds);
        connect(batchForm_.get(), &TBatchForm::performWanted, this, [this] {
            if (BatchScript().Lines().empty()) return;
            ShowViewer();
            PerformBatch();
        });
    }
    return *batchForm_;
}

void Application::ShowBatchEditor() {
    BatchWindow().ShowEditor();
}

BatchSaveOutcome Application::BatchSave(const std::string& suffix) {
    const std::string before = viewerDocument_->CurrentPath();
    const SaveResult result = SaveWith(true, suffix);
    if (result.clearBatchFlag) return BatchSaveOutcome::Cancelled;
    if (!result.saved) return BatchSaveOutcome::Failed;
    return viewerDocument_->CurrentPath() == before ? BatchSaveOutcome::WroteCurrent
                                                    : BatchSaveOutcome::WroteOther;
}

void Application::PerformBatch() {
    BatchEditor& editor = BatchScript();
    if (!editor.Recording()) return;
    const bool resizesOnLoad = loadSettings_.fitToWindow || loadSettings_.halfJpeg;
    if (!ConfirmPerform(*dialogs_, viewerDocument_->viewGamma != 100, resizesOnLoad,
                        performQuestionIgnored_))
        return;
    const std::vector<std::string> script = editor.Lines();
    if (script.empty() || !viewerDocument_->PictureReady()) return;
    viewer_->TakeUndoCopy();
    ViewerBatchHost host({viewer_->ToolboxHost(), *viewerDocument_, document_, imaging_, *dialogs_,
                          [this](const std::string& suffix) { return BatchSave(suffix); },
                          [this] { return viewer_->BatchCancelRequested(); }});
    viewer_->SetBatchRunning(true);
    const BatchRunResult result = DoBatchImageProcess(script, host, viewer_->Toolbox());
    viewer_->SetBatchRunning(false);
    for (const std::string& note : result.notes) std::cerr << "zelvan: batch: " << note << '\n';
    viewer_->DocumentChanged();
}

namespace {

constexpr std::size_t kVerifyQuestionEntries = 16000;
// The source list's chooser: mode 3 (JPG) .. 8 (PCX), pictures that exist.
constexpr int kConvertChooserModeBase = 3;
constexpr int kConvertHelpTopic = 650;

std::string FolderOfPath(const std::string& path) {
    return std::filesystem::path(path).parent_path().string();
}

} // namespace

void Application::ConvertBookmarks(int tag) {
    const BatchTarget& target = BatchTargetAt(tag);
    std::vector<std::string> sources = history_.Entries();
    if (sources.size() > kVerifyQuestionEntries &&
        dialogs_->Box(BoxKind::Question,
                      std::to_string(sources.size()) +
                          " items will be verified before processing?\nThis may take some time.",
                      Buttons::OkCancel) != Answer::Ok)
        return;
    std::vector<std::string> script;
    if (batchForm_ && batchForm_->isVisible()) {
        if (dialogs_->AskYesNo("Batch Editor is active.  Process (perform) batch\ncommands on "
                               "bookmarked images before writing to disk?"))
            script = BatchScript().Lines();
        batchForm_->hide();
    }
    // The user may strike pictures off the list before the run.
    ChooserRequest chosen;
    chosen.mode = tag + kConvertChooserModeBase;
    chosen.helpTopic = kConvertHelpTopic;
    chosen.caption = "Batch Source Files to be Converted";
    chosen.list = std::move(sources);
    if (!chooseFromList || chooseFromList(chosen) < 0) return;
    sources = std::move(chosen.list);
    if (sources.size() < 2) return;
    if (explorer_ && explorer_->Thumbnails()) explorer_->Thumbnails()->Stop();

    std::string start = batchTargetFolder_;
    if (start.empty() || !IsFolder(start)) start = FolderOfPath(viewerDocument_->CurrentPath());
    if (start.empty() || !IsFolder(start)) start = folders_.appHome.string();
    const std::optional<std::string> folder = dialogs_->BrowseFolder(
        std::string("Select Target Folder for ") + target.extension + " files",
        "Select an empty folder (recommended).", start);
    if (!folder) return;
    batchTargetFolder_ = *folder;

    BatchConvertJob job;
    job.sources = std::move(sources);
    job.targetFolder = *folder;
    job.target = tag;
    job.script = std::move(script);
    job.jpeg = JpegSettings();
    // Workers poll the flag; the progress window sets it between pictures.
    std::atomic<bool> stop{false};
    TStatusForm progress(viewer_.get());
    progress.setWindowTitle(QString::fromLatin1(kBatchProgressTitle));
    progress.SetText("Files:");
    progress.SetBar(0, 1, 100);
    progress.show();
    job.cancelled = [&stop] { return stop.load(); };
    job.progress = [&](int done, int percent) {
        progress.SetText(BatchProgressText(done, percent));
        progress.SetBar(0, percent, 100);
        if (progress.Stopped()) stop = true;
    };
    viewer_->setEnabled(false);
    viewer_->SetBatchRunning(true);
    if (explorer_) explorer_->hide();
    const BatchConvertReport report = RunBatchConvert(job);
    viewer_->SetBatchRunning(false);
    viewer_->setEnabled(true);
    progress.hide();
    if (!report.stopText.empty()) {
        if (report.stopText.starts_with("Insufficient"))
            dialogs_->Warning(report.stopText);
        else
            dialogs_->Error(report.stopText);
    }
    for (const std::string& note : report.notes) std::cerr << "zelvan: batch: " << note << '\n';
    if (report.log.empty()) return;
    const std::string logPath = (folders_.appHome / kBatchExceptionsFileName).string();
    if (!WriteBatchExceptions(logPath, report.log)) {
        dialogs_->Error("Could not write " + logPath + ".");
        return;
    }
    if (dialogs_->AskYesNo(SkippedFilesText(report.log.size())) &&
        !QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(logPath))))
        dialogs_->Error("Text viewer not found.");
}

void Application::ShowExplorer() {
    if (!explorerFolderShown_) {
        explorerFolderShown_ = true;
        explorer_->ShowFolder(exploreDir_);
    }
    explorer_->show();
    explorer_->raise();
    if (explorer_->isMinimized()) explorer_->showNormal();
}

// Explore: the explorer shows the current picture's folder.
void Application::ExploreCurrentPicture() {
    const std::string current = history_.Current();
    const std::string folder = std::filesystem::path(current).parent_path().string();
    if (!current.empty() && IsFolder(folder))
        ExploreFolder(folder.back() == '/' ? folder : folder + "/");
    else
        ShowExplorer();
}

void Application::ExploreFolder(const std::string& folder) {
    explorerFolderShown_ = true;
    if (explorer_->CurrentFolder() != folder) explorer_->ShowFolder(folder);
    ShowExplorer();
}

void Application::OpenFromExplorer(const QStringList& paths) {
    if (paths.isEmpty()) return;
    std::vector<std::string> files;
    for (const QString& path : paths) files.push_back(path.toStdString());
    ShowViewer();
    viewerDocument_->OpenDropped(files);
}

void Application::TileWindows(int layout, bool wholeScreen, bool keepWidth) {
    const DisplayInfo display = display_.Info();
    const WindowRect area = wholeScreen
                                ? WindowRect{0, 0, display.width, display.height}
                                : WindowRect{display.availableLeft, display.availableTop,
                                             display.availableWidth, display.availableHeight};
    const SideBySide tiled = zv::TileWindows(static_cast<TileMode>(std::clamp(layout, 0, 3)), area,
                                             explorer_->width(), keepWidth);
    explorer_->setGeometry(QtRect(tiled.explorer));
    if (!viewer_->FullScreenOn()) {
        viewer_->setGeometry(QtRect(tiled.viewer));
        ShowViewer();
    }
    ShowExplorer();
}

void Application::NotYet(const char* what) {
    dialogs_->Information(what);
}

void Application::ShowViewer() {
    viewer_->show();
    viewer_->raise();
    viewer_->activateWindow();
}

void Application::CloseProgramFromExplorer() {
    if (document_.modified &&
        !CloseNow(document_, DiscardCaller::Other, *dialogs_, [this] { return SaveModified(); }))
        return;
    viewer_->hide();
    explorer_->hide();
    viewer_->close();
}

bool Application::ViewerCloseRequested() {
    if (ended_) return true;
    CloseRequest request;
    request.forced = forcedClose_;
    request.explorerVisible = explorer_->isVisible();
    request.batchEditorOpen = batchForm_ && batchForm_->isVisible();
    request.batchScriptLines = batchEditor_ ? static_cast<int>(batchEditor_->Lines().size()) : 0;
    request.albumHasSlides = albumForm_ && albumForm_->Editor().Count() > 0;
    switch (DecideClose(request, document_, *dialogs_)) {
    case CloseVerdict::End: EndRun(); return true;
    case CloseVerdict::HideViewer:
        viewer_->hide();
        ShowExplorer();
        return false;
    case CloseVerdict::ShowBatchEditor: ShowBatchEditor(); return false;
    case CloseVerdict::StopSlideshow: return false;
    case CloseVerdict::ShowAlbumAndOfferSave:
        ShowAlbum({});
        albumForm_->RunCommand(kAlSaveAs);
        return false;
    case CloseVerdict::ShowViewer: ShowViewer(); return false;
    case CloseVerdict::ShowViewerAndOpenAlbum:
        ShowViewer();
        ShowAlbum({});
        return false;
    }
    return false;
}

void Application::EndRun() {
    ended_ = true;
    closing_ = true;
    avlRunning_.Release();
    if (viewer_->userMovedWindow)
        settings_->settings.viewerBounds = ToBounds(RectOf(viewer_->geometry()));
    settings_->openDir = viewerDocument_->OpenFolder();
    // A picture opened in this run counts as a start file for the settings.
    const std::string startFile = history_.Empty() ? plan_.startFile : history_.Current();
    try {
        settings_->SaveAtClose(startFile);
    } catch (const std::exception& error) {
        std::cerr << "zelvan: " << error.what() << '\n';
    }
    if (jpegSettings_) {
        try {
            store_.WriteBinary(kJpegWizardRecordName, jpegSettings_->Serialize());
        } catch (const std::exception& error) {
            std::cerr << "zelvan: " << error.what() << '\n';
        }
    }
    DeleteFileSilently(trash_, tempNames_.TempFileName("zvexport.pcx").string());
    DeleteFileSilently(trash_, tempNames_.TempFileName("zv_undo.pcx").string());
    DeleteWorkFiles(folders_.appHome, tempNames_.WorkFileStem(), trash_);
    try {
        SaveExplorerSettings();
    } catch (const std::exception& error) {
        std::cerr << "zelvan: " << error.what() << '\n';
    }
    if (batchForm_) batchForm_->CloseForGood();
    explorer_->applicationEnding = true;
    explorer_->close();
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

void Application::UnexpectedError(const std::string& message) {
    zv::UnexpectedError error;
    error.message = message;
    const std::filesystem::path current(viewer_ ? viewer_->CurrentPath() : std::string());
    error.fileName = current.filename().string();
    error.folder = current.parent_path().string();
    error.extension = UpperExtension(current.string());
    error.lastInternalNote = lastInternalNote_;
    error.batchEditorOpen = batchForm_ && batchForm_->isVisible();
    switch (HandleUnexpectedError(error, *dialogs_)) {
    case ErrorOutcome::ReplaceJpegReader:
        if (viewer_) viewer_->ShowEmptyPicture();
        break;
    case ErrorOutcome::MediaNotPlayed:
    case ErrorOutcome::KeepRunning: break;
    case ErrorOutcome::EndProgram:
        avlRunning_.Release();
        forcedClose_ = true;
        if (viewer_)
            viewer_->close();
        else
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        break;
    }
}

void Application::MemoryClick(bool fromExplorer) {
    const std::optional<int> bookmarks =
        fromExplorer ? std::nullopt : std::optional<int>(history_.Count());
    MemoryCommand(imaging_, memory_, *dialogs_, display_.Info(), bookmarks,
                  [] { QGuiApplication::clipboard()->clear(); });
}

TCommentForm& Application::CommentWindow() {
    if (!commentForm_)
        commentForm_ = std::make_unique<TCommentForm>(
            CommentFormServices{*dialogs_, display_, commentOpenFolder_});
    if (commentOpenFolder_.empty()) commentOpenFolder_ = viewerDocument_->OpenFolder();
    return *commentForm_;
}

void Application::ShowZipBrowser(const std::string& path) {
    if (!unzipForm_) {
        UnZipFormServices services{*dialogs_, trash_, zipOpenFolder_, folders_.appHome};
        services.showExplorer = [this] { ShowExplorer(); };
        services.refreshExplorer = [this] {
            if (explorer_) explorer_->RefreshList();
        };
        unzipForm_ = std::make_unique<TUnZipForm>(services);
    }
    if (zipOpenFolder_.empty()) zipOpenFolder_ = viewerDocument_->OpenFolder();
    if (!path.empty()) unzipForm_->Populate(path);
    unzipForm_->show();
    unzipForm_->raise();
    unzipForm_->activateWindow();
}

// Bookmarks > "Albu&m": the bookmarks become the album's slides, in their
// order, through the run's instant list in the data folder.
void Application::BookmarksToAlbum() {
    if (history_.Count() < 2) return;
    AlbumOfPaths(history_.Entries());
}

// An instant album of these files, in their order, through the run's
// picture list in the data folder.
void Application::AlbumOfPaths(const std::vector<std::string>& paths) {
    const std::filesystem::path list = InstantListPaths(DataFolder(), tempNames_.WorkFileStem())[0];
    std::error_code error;
    std::filesystem::create_directories(list.parent_path(), error);
    if (!WritePictureList(list, paths)) {
        dialogs_->Error("Could not write " + list.string() + ".");
        return;
    }
    ShowAlbum(list.string());
}

std::filesystem::path Application::DataFolder() const {
    return folders_.appHome / "data";
}

// What the explorer's slide listings fill: the album builder, or the
// instant slideshow's picture list.
std::unique_ptr<WalkTarget> Application::MakeSlideTarget(bool pictureList) {
    if (pictureList) {
        const auto paths = InstantListPaths(DataFolder(), tempNames_.WorkFileStem());
        return std::make_unique<PictureListWriter>(paths[0], paths[1]);
    }
    return std::make_unique<AlbumBuilder>(
        AlbumBuildPlaces{folders_.appHome, DataFolder(), tempNames_.WorkFileStem()});
}

// Before a listing into the album: the album window shown, its slides
// given up only when the user says so, and the viewer out of the way.
bool Application::PrepareAlbumForListing() {
    ShowAlbum({});
    if (albumForm_->Editor().Count() > 0 &&
        dialogs_->Box(BoxKind::Confirmation, "Discard slideshow/album?", Buttons::OkCancel) !=
            Answer::Ok)
        return false;
    viewer_->hide();
    return true;
}

void Application::ShowAlbum(const std::string& path) {
    if (!albumForm_) {
        const DisplayInfo display = display_.Info();
        ShowFormServices services{AlbumHost{.dialogs = *dialogs_, .trash = trash_}, {}, {}};
        services.host.files.dataFolder = folders_.appHome / "data";
        services.host.files.screenWidth = display.width;
        services.host.files.screenHeight = display.height;
        services.host.appHome = folders_.appHome;
        services.host.flags = &document_;
        services.host.openInViewer = [this](const std::string& file) {
            if (!file.empty()) OpenByName(file);
            ShowViewer();
        };
        services.host.openWithApplication = [](const std::string& file) {
            return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(file)));
        };
        services.host.clearHistory = [this] { history_.Clear(); };
        services.host.getSlidesFrom = [this]() -> std::optional<std::string> {
            const std::string start =
                explorer_ ? explorer_->Document().CurrentFolder() : folders_.appHome.string();
            return GetSlidesFrom(WalkFormServices{*dialogs_, document_, start, CacheRoot(folders_),
                                                  [this] { return MakeSlideTarget(false); }},
                                 albumForm_.get());
        };
        services.host.appendHistory = [this](const std::string& file) {
            std::vector<std::string> entries = history_.Entries();
            entries.push_back(file);
            history_.Replace(std::move(entries), history_.HistoryIndex());
        };
        services.host.playScript = [this](const std::filesystem::path&) {
            NotYet("Slideshows are not played in this version yet.");
        };
        services.cacheRoot = CacheRoot(folders_);
        services.thumbs.box = ThumbBoxFor(explorerSettings_.thumbSizeIndex);
        services.thumbs.colour = explorerSettings_.thumbColour;
        services.thumbs.screenBits = display.screenBits;
        services.thumbs.dither = explorerSettings_.ditherThumbs;
        services.settings = &store_;
        albumForm_ = std::make_unique<TShowForm>(std::move(services));
        connect(albumForm_.get(), &TShowForm::tileWanted, this, &Application::TileAlbum);
        connect(albumForm_.get(), &TShowForm::closed, this, [this] {
            if (!closing_) ShowViewer();
        });
    }
    if (path.empty())
        albumForm_->ShowWindow();
    else
        albumForm_->OpenAlbum(path);
}

void Application::TileAlbum(bool fromCorner) {
    const DisplayInfo display = display_.Info();
    const int left = fromCorner ? 0 : display.availableLeft;
    const int top = fromCorner ? 0 : display.availableTop;
    const int half = display.availableWidth / 2;
    const int right = display.availableWidth - half;
    const int height = display.availableHeight;
    if (explorer_ && explorer_->isVisible()) {
        albumForm_->setGeometry(left + half, top, right, height / 2);
        explorer_->setGeometry(left + half, top + height / 2, right, height - height / 2);
    } else {
        albumForm_->setGeometry(left + half, top, right, height);
    }
    if (!viewer_->FullScreenOn()) {
        viewer_->setGeometry(left, top, half, height);
        viewer_->show();
    }
}

} // namespace zv
