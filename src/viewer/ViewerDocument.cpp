#include "viewer/ViewerDocument.h"

#include "formats/PictureLists.h"
#include "imaging/MemoryCheck.h"
#include "platform/Extensions.h"
#include "platform/FileCrc.h"
#include "processing/QuietToolboxHost.h"
#include "processing/ToneMaps.h"
#include "processing/ToolboxProtocol.h"
#include "viewer/ImageInfo.h"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <filesystem>

namespace zv {

const char* const kOpenDialogFilter =
    "All validated formats|*.jp?;*.jpeg;*.png;*.bmp;*.dib;*.?cx;*.pcd;*.tif;*.tga;*.mid;*.wav;"
    "*.wm?;*.avi;*.mp?;*.m1v;*.mpeg;*.qt;*.mov;*.aif;*.aif?;*.rmi;*.au;*.snd;*.ra;*.rm;*.rtf;"
    "*.avl;*.txt;*.wmf;*.emf;*.fpx;*.psd;*.asf;*.ico"
    "|All Windows multimedia|*.mid;*.wav;*.wm?;*.asf;*.avi;*.mp?;*.m1v;*.mpeg;*.qt;*.mov;*.aif;"
    "*.aif?;*.rmi;*.au;*.snd;*.ra;*.rm"
    "|AVL (AV List Slideshow)|*.avl"
    "|BMP (Windows Bitmaps)|*.bmp;*.dib"
    "|FPX (Kodak FlashPix)|*.fpx"
    "|JPG (JPEG/JFIF)|*.jp?;*.jpeg"
    "|PCD (Kodak Photo-CD)|*.pcd"
    "|PCX (ZSoft)|*.pcx"
    "|PNG (Portable Network Graphics)|*.png"
    "|PSD (Photoshop)|*.psd"
    "|RTF (Rich Text)|*.rtf"
    "|Text (ASCII)|*.txt"
    "|TGA (Truevision Targa)|*.tga"
    "|TIF (Aldus TIFF)|*.tif"
    "|VideoCD (MPEG-1)|*.dat;*.m1v;*.mpg;*.mpe;*.mpeg"
    "|WMF (Windows Metafile)|*.wmf;*.emf"
    "|All files (no validation)|*.*";

namespace {

constexpr int kSmallestNewSide = 16;
constexpr int kLargestNewSide = 32000;
// The list chooser's mode and help topic for the viewer's bookmarks.
constexpr int kBookmarksChooserMode = 410;
constexpr int kBookmarksHelpTopic = 300;

std::string FolderOf(const std::string& path) {
    return std::filesystem::path(path).parent_path().string();
}

// The page a page command goes to; back and forward wrap around.
int TargetPage(int tag, int current, int count) {
    switch (tag) {
    case kPagePrevious: return current > 0 ? current - 1 : count - 1;
    case kPageFirst: return 0;
    case kPageNext: return current + 1 < count ? current + 1 : 0;
    default: return count - 1;
    }
}

std::string NotEnoughMemoryText(int width, int height) {
    return "Not enough memory for a new picture of " + std::to_string(width) + " x " +
           std::to_string(height) + ".";
}

} // namespace

ViewerDocument::ViewerDocument(DocumentServices services) : services_(std::move(services)) {}

std::string ViewerDocument::PageText() const {
    return "Page " + std::to_string(picture_.page + 1) + " of " +
           std::to_string(picture_.pageCount);
}

std::string ViewerDocument::PictureLine() const {
    if (!PictureReady()) return {};
    return zv::PictureLine(picture_, services_.imaging);
}

std::string ViewerDocument::Caption() const {
    const std::string& path = mediaMode_ ? mediaPath_ : CurrentPath();
    const std::string name =
        path.empty() ? std::string(kUntitled) : std::filesystem::path(path).filename().string();
    return name + " - " + kProgramTitle;
}

bool ViewerDocument::MayDiscard(DiscardCaller caller) {
    return !services_.flags.modified ||
           CloseNow(services_.flags, caller, services_.dialogs, services_.savePicture);
}

void ViewerDocument::TakeSaveResult(const SaveResult& result, std::string& saveDir) {
    ApplySaveResult(result, picture_.path, services_.history, services_.flags, saveDir);
    if (result.saved) FileSaved();
}

void ViewerDocument::SetPath(const std::string& path) {
    picture_.path = path;
}

void ViewerDocument::HidePages() {
    picture_.pageCount = 0;
    pageCommandsVisible_ = false;
}

void ViewerDocument::ShowEmpty() {
    services_.window.ShowEmptyPicture();
    picture_.ready = false;
    SetPath(kUntitled);
    reloadEnabled_ = false;
    services_.flags.modified = false;
    HidePages();
    services_.window.DocumentChanged();
}

void ViewerDocument::OpenFromDialog() {
    BtnOpenClick(OpenSender::OpenCommand);
}

void ViewerDocument::OpenByName(const std::string& path) {
    SetPath(path);
    BtnOpenEx();
}

void ViewerDocument::Reload() {
    if (!reloadEnabled_ && !mediaMode_) return;
    if (mediaMode_) SetPath(mediaPath_);
    LeaveMediaMode();
    BtnOpenEx();
}

bool ViewerDocument::LoadInPlace(const std::string& path) {
    PictureState loaded = picture_;
    loaded.path = path;
    loaded.fallbackPath = picture_.path;
    if (services_.loader.ProbePicture(loaded) < 0) return false;
    services_.loader.OpenImage(loaded);
    if (!loaded.ready) {
        // The old picture was let go for the load: nothing is shown now.
        picture_.ready = false;
        services_.window.ShowEmptyPicture();
        services_.window.DocumentChanged();
        return false;
    }
    loaded.path = picture_.path;
    loaded.fallbackPath = picture_.fallbackPath;
    picture_ = loaded;
    ApplyViewGamma();
    services_.window.ShowNewPicture();
    services_.window.DocumentChanged();
    return true;
}

void ViewerDocument::BtnOpenClick(OpenSender sender) {
    std::vector<std::string> chosen;
    if (sender == OpenSender::OpenCommand) {
        // The dialog comes first, so a cancelled dialog leaves the edited
        // picture and its undo copy untouched.
        chosen = ChooseFilesToOpen();
        if (chosen.empty()) return;
        // An archive goes to the zip browser, as a dropped one does; the
        // picture stays.
        if (chosen.size() == 1 && ExtensionIn(UpperExtension(chosen.front()), kArchiveExtensions)) {
            services_.window.ShowZipArchive(chosen.front());
            return;
        }
    }
    if (!MayDiscard(DiscardCaller::OpenCommand)) return;
    LeaveMediaMode();
    if (sender == OpenSender::OpenCommand && !OpenChosenFiles(chosen)) return;
    OpenAsPicture(sender != OpenSender::NoProbe);
}

std::vector<std::string> ViewerDocument::ChooseFilesToOpen() {
    openRequest_.filter = kOpenDialogFilter;
    openRequest_.initialFolder = openFolder_;
    openRequest_.multiSelect = true;
    return services_.dialogs.OpenFiles(openRequest_);
}

// The files from the dialog: every file but the first joins the history, the
// first becomes the current path. Texts, metafiles and scripts are shown
// their own way; false when that is done.
bool ViewerDocument::OpenChosenFiles(const std::vector<std::string>& files) {
    if (files.size() > 1)
        AddToHistoryReversed(std::vector<std::string>(files.begin() + 1, files.end()));
    picture_.fallbackPath = CurrentPath();
    SetPath(files.front());
    if (files.size() > 1) return true;
    const std::string extension = UpperExtension(files.front());
    if (ExtensionIn(extension, kTextExtensions)) {
        ShowText();
        return false;
    }
    if (ExtensionIn(extension, kVectorExtensions)) {
        ShowMetafile();
        return false;
    }
    if (ExtensionIn(extension, kAlbumScriptExtensions)) {
        DragOpen(files.front());
        return false;
    }
    return true;
}

void ViewerDocument::OpenAsPicture(bool probe) {
    PictureLoader& loader = services_.loader;
    const int probeResult = probe ? loader.ProbePicture(picture_) : kProbePicture;
    if (probeResult == kProbeMedia) {
        mediaPath_ = CurrentPath();
        if (OpenMedia()) return;
        picture_.ready = false;
    } else if (probeResult >= 0) {
        picture_.ready = false;
        if (picture_.pageCount > 1) aspectMode = AspectMode::Monitor;
        if (aspectMode == AspectMode::Monitor)
            loader.OpenImage(picture_);
        else
            loader.OpenSlideImage(picture_, slideBackground);
    } else {
        picture_.ready = false;
    }
    if (!picture_.ready) {
        ShowEmpty();
        return;
    }
    FinishPictureOpen();
}

// The screen gamma: the toolbox's gamma maps on every channel of the
// picture made true colour; pictures of fewer than 3 bits are left alone.
// Its own maps, so the toolbox's maps keep what the last command built.
void ViewerDocument::ApplyViewGamma() {
    if (viewGamma == 100 || !PictureReady()) return;
    // Its own tone maps, so the toolbox's last maps and values stay as they were.
    // The screen gamma goes through the toolbox's DoGamma without a window.
    QuietToolboxHost host(services_.imaging);
    ToolboxContext gamma;
    DoGamma(host, gamma, viewGamma);
}

void ViewerDocument::FinishPictureOpen() {
    ApplyViewGamma();
    services_.flags.modified = false;
    reloadEnabled_ = true;
    if (services_.fileExists(CurrentPath())) openFolder_ = FolderOf(CurrentPath());
    services_.history.UpdateHistory(CurrentPath());
    pageCommandsVisible_ = picture_.pageCount >= 2;
    services_.window.ShowNewPicture();
    if (pageCommandsVisible_) services_.window.SetStatusText(PageText());
    services_.window.DocumentChanged();
}

bool ViewerDocument::OpenMedia() {
    DocumentWindow& window = services_.window;
    if (mediaMode_) {
        window.ChangeMediaFile(mediaPath_);
    } else {
        window.ShowEmptyPicture();
        if (!window.EnterMediaMode(mediaPath_)) return false;
        mediaMode_ = true;
    }
    SetPath(mediaPath_);
    openFolder_ = FolderOf(mediaPath_);
    reloadEnabled_ = true;
    HidePages();
    services_.history.UpdateHistory(mediaPath_);
    if (autoPlay) window.PlayMedia();
    window.DocumentChanged();
    return true;
}

void ViewerDocument::PictureChanged() {
    ImagingContext& imaging = services_.imaging;
    imaging.descriptor.ImageWidth = imaging.current.Width();
    imaging.descriptor.ImageHeight = imaging.current.Height();
    HidePages();
    services_.flags.modified = true;
}

void ViewerDocument::MediaFailed() {
    LeaveMediaMode();
    ShowEmpty();
}

void ViewerDocument::LeaveMediaMode() {
    if (!mediaMode_) return;
    mediaMode_ = false;
    services_.window.LeaveMediaMode();
}

void ViewerDocument::BtnOpenEx() {
    const int probe = services_.loader.ProbePicture(picture_);
    if (probe == kProbeText) {
        ShowText();
    } else if (probe == kProbeVector) {
        ShowMetafile();
    } else if (probe == kProbeMedia) {
        if (!MayDiscard(DiscardCaller::OpenCommand)) return;
        mediaPath_ = CurrentPath();
        if (!OpenMedia()) ShowEmpty();
    } else {
        LeaveMediaMode();
        BtnOpenClick(probe < 1 ? OpenSender::Application : OpenSender::NoProbe);
    }
}

void ViewerDocument::ShowText() {
    LeaveMediaMode();
    services_.window.ShowTextFile(CurrentPath());
    picture_.ready = false;
    reloadEnabled_ = true;
    services_.history.UpdateHistory(CurrentPath());
    HidePages();
    services_.window.DocumentChanged();
}

void ViewerDocument::ShowMetafile() {
    LeaveMediaMode();
    Bitmap drawn;
    if (!services_.window.RenderMetafile(CurrentPath(), drawn)) {
        ShowEmpty();
        services_.dialogs.Error(kInvalidMetafileText);
        return;
    }
    TakeUntitledPicture(std::move(drawn), false);
}

void ViewerDocument::AddToHistoryReversed(const std::vector<std::string>& paths) {
    for (auto it = paths.rbegin(); it != paths.rend(); ++it) services_.history.UpdateHistory(*it);
}

void ViewerDocument::OpenDropped(const std::vector<std::string>& paths) {
    if (slideshowRunning || paths.empty()) return;
    if (paths.size() > 1)
        AddToHistoryReversed(std::vector<std::string>(paths.begin() + 1, paths.end()));
    // Scripts play and archives go to the zip browser; the picture stays.
    const std::string extension = UpperExtension(paths.front());
    if (ExtensionIn(extension, kArchiveExtensions)) {
        DragOpen(paths.front());
        return;
    }
    if (!MayDiscard(DiscardCaller::Other)) return;
    if (ExtensionIn(extension, kAlbumScriptExtensions)) {
        DragOpen(paths.front());
        return;
    }
    SetPath(paths.front());
    services_.flags.modified = false;
    BtnOpenEx();
}

void ViewerDocument::DragOpen(const std::string& path) {
    const std::string extension = UpperExtension(path);
    if (ExtensionIn(extension, kAlbumScriptExtensions)) {
        services_.window.PlayScript(path);
        return;
    }
    picture_.fallbackPath.clear();
    if (ExtensionIn(extension, kArchiveExtensions)) {
        services_.window.ShowZipArchive(path);
        return;
    }
    SetPath(path);
    BtnOpenEx();
}

void ViewerDocument::Step(HistoryStep step) {
    ViewerHistory& history = services_.history;
    const bool stepping = step == HistoryStep::Next || step == HistoryStep::Previous;
    if (history.Count() < (stepping ? 2 : 1)) return;
    int target = history.HistoryIndex();
    switch (step) {
    case HistoryStep::Next: target = history.NextIndex(); break;
    case HistoryStep::Previous: target = history.PreviousIndex(); break;
    case HistoryStep::First: target = history.FirstIndex(); break;
    case HistoryStep::Last: target = history.LastIndex(); break;
    }
    // The position moves only once the picture on screen may go.
    if (!MayDiscard(DiscardCaller::Other)) return;
    history.SetIndex(target);
    OpenHistoryEntry();
}

bool ViewerDocument::StepInFolder(int direction) {
    const std::string current = mediaMode_ ? mediaPath_ : CurrentPath();
    if (!folderPictures || current.empty() || current == kUntitled) return false;
    const std::vector<std::string> pictures = folderPictures(current);
    // The sequence is one folder's, so the file name finds the current file
    // however its path was written.
    const std::string name = std::filesystem::path(current).filename().string();
    const auto at = std::find_if(pictures.begin(), pictures.end(), [&](const std::string& path) {
        return std::filesystem::path(path).filename() == name;
    });
    const std::ptrdiff_t count = std::ssize(pictures);
    std::ptrdiff_t target = direction > 0 ? 0 : count - 1; // a file outside the filter
    if (at != pictures.end()) target = (at - pictures.begin()) + (direction > 0 ? 1 : -1);
    if (target < 0 || target >= count) {
        services_.window.SetStatusText(direction > 0 ? kLastInFolderText : kFirstInFolderText);
        return false;
    }
    if (!MayDiscard(DiscardCaller::Other)) return false;
    services_.flags.modified = false;
    OpenByName(pictures[static_cast<std::size_t>(target)]);
    return true;
}

void ViewerDocument::OpenHistoryEntry() {
    const std::string entry = services_.history.Current();
    if (services_.fileExists(entry)) {
        SetPath(entry);
        BtnOpenEx();
    } else {
        RemoveCurrentEntry();
    }
}

void ViewerDocument::HistoryClick() {
    if (services_.history.Empty()) return;
    if (services_.history.Current() == CurrentPath()) {
        services_.window.DocumentChanged();
        return;
    }
    if (!MayDiscard(DiscardCaller::Other)) {
        services_.window.DocumentChanged();
        return;
    }
    OpenHistoryEntry();
}

void ViewerDocument::RemoveCurrentEntry() {
    LeaveMediaMode();
    const std::optional<std::string> next = services_.history.RemoveCurrent();
    if (next && services_.fileExists(*next)) {
        SetPath(*next);
        BtnOpenEx();
        return;
    }
    // An entry whose file is gone stays until stepped onto; the empty
    // picture shows that nothing is open.
    ShowEmpty();
}

void ViewerDocument::Unmark() {
    if (services_.history.Empty()) return;
    if (askBeforeUnmark_) {
        const std::string name = std::filesystem::path(services_.history.Current()).filename();
        const Answer answer = services_.dialogs.Box(
            BoxKind::Question,
            "Remove bookmark for " + name + " ?\n[Ignore] avoids this dialog (for experts).",
            Buttons::OkCancelIgnore);
        if (answer == Answer::Cancel) return;
        if (answer == Answer::Ignore) askBeforeUnmark_ = false;
    }
    RemoveCurrentEntry();
}

void ViewerDocument::ClearHistory() {
    ShowEmpty();
    services_.history.Clear();
    services_.window.DocumentChanged();
}

void ViewerDocument::ViewBookmarks(const std::string& pathBoxText) {
    if (services_.history.Empty() || !services_.chooseFromList) return;
    ChooserRequest request;
    request.mode = kBookmarksChooserMode;
    request.helpTopic = kBookmarksHelpTopic;
    request.caption = "Bookmarked Files";
    request.list = services_.history.Entries();
    request.preselect = pathBoxText;
    const int chosen = services_.chooseFromList(request);
    if (chosen < 0) return;
    services_.history.Replace(std::move(request.list), chosen);
    OpenCurrentBookmark();
}

void ViewerDocument::SortBookmarks() {
    if (services_.history.Empty()) return;
    services_.history.Sort(services_.fileExists);
    OpenCurrentBookmark();
}

void ViewerDocument::OpenCurrentBookmark() {
    if (services_.history.Empty()) {
        ShowEmpty();
        services_.window.DocumentChanged();
        return;
    }
    HistoryClick();
}

void ViewerDocument::MoveUp() {
    services_.history.MoveUp();
    services_.window.DocumentChanged();
}

void ViewerDocument::MoveDown() {
    if (services_.flags.modified) return;
    services_.history.MoveDown();
    services_.window.DocumentChanged();
}

bool ViewerDocument::LoadPictureList(const std::string& path) {
    if (!services_.history.LoadPictureList(path)) {
        services_.dialogs.Error(kLoadBookmarksFailedText);
        return false;
    }
    services_.window.DocumentChanged();
    HistoryClick();
    return true;
}

bool ViewerDocument::SavePictureList(const std::string& path) {
    if (services_.history.SavePictureList(path)) return true;
    services_.dialogs.Error(kSaveBookmarksFailedText);
    return false;
}

FileDialogRequest ViewerDocument::PictureListRequest(const char* title) const {
    FileDialogRequest request;
    request.title = title;
    request.filter = kPictureListFilter;
    request.initialFolder = openFolder_;
    return request;
}

void ViewerDocument::LoadPictureListChosen() {
    FileDialogRequest request = PictureListRequest("Select Bookmark file");
    const std::vector<std::string> chosen = services_.dialogs.OpenFiles(request);
    if (!chosen.empty()) LoadPictureList(chosen.front());
}

void ViewerDocument::SavePictureListChosen() {
    FileDialogRequest request = PictureListRequest("Save Bookmarks As");
    const std::optional<std::string> chosen = services_.dialogs.SaveFile(request);
    if (!chosen) return;
    std::string path = *chosen;
    if (std::filesystem::path(path).extension().empty())
        path += std::string(".") + kPictureListExtension;
    SavePictureList(path);
}

void ViewerDocument::PathBoxEnter(const std::string& text) {
    if (services_.fileExists(text)) {
        if (text != CurrentPath()) OpenByName(text);
        return;
    }
    if (!text.empty() && services_.folderExists(text)) {
        services_.window.ShowFolderInExplorer(text.back() == '/' ? text : text + "/");
        return;
    }
    services_.dialogs.Warning(kFileNotFoundText);
    services_.window.DocumentChanged();
}

bool ViewerDocument::SetAspectMode(AspectMode mode) {
    if (mode == aspectMode) return false;
    if (mode != AspectMode::Monitor && picture_.pageCount > 1) {
        services_.dialogs.Warning(kMultipageAspectText);
        return false;
    }
    const std::string question = AspectQuestion(mode);
    if (!question.empty() &&
        services_.dialogs.Box(BoxKind::Confirmation, question, Buttons::OkCancel) != Answer::Ok) {
        aspectMode = AspectMode::Monitor;
        return false;
    }
    if (reloadEnabled_ && !MayDiscard(DiscardCaller::Other)) return false;
    aspectMode = mode;
    if (reloadEnabled_) Reload();
    return true;
}

void ViewerDocument::SetViewGamma(int gamma) {
    const bool reloadable = reloadEnabled_ && services_.fileExists(CurrentPath());
    if (reloadable && !MayDiscard(DiscardCaller::Other)) return;
    viewGamma = gamma;
    if (reloadable) {
        Reload();
        return;
    }
    if (viewGamma == 100 || !PictureReady()) return;
    EnsureTrueColour(services_.imaging);
    ApplyViewGamma();
    services_.window.ShowNewPicture();
}

void ViewerDocument::ChangePage(int tag) {
    PictureLoader& loader = services_.loader;
    if (!pageCommandsVisible_ || picture_.pageCount < 2) return;
    if (!MayDiscard(DiscardCaller::Other)) return;
    const int page = TargetPage(tag, picture_.page, picture_.pageCount);
    services_.window.SetStatusText("Loading...");
    if (!loader.LoadPictureFile(picture_, true, page)) {
        loader.ImageErr(picture_);
        ShowEmpty();
        return;
    }
    services_.window.ShowNewPicture();
    services_.window.SetStatusText(PageText());
    services_.window.DocumentChanged();
}

void ViewerDocument::NewPicture() {
    if (!MayDiscard(DiscardCaller::Other)) return;
    const std::optional<NewPictureRequest> request = services_.window.AskNewPictureSize();
    if (!request || request->width < kSmallestNewSide || request->height < kSmallestNewSide ||
        request->width > kLargestNewSide || request->height > kLargestNewSide)
        return;
    ImagingContext& imaging = services_.imaging;
    ImageDescriptor wanted = imaging.descriptor;
    wanted.ImageWidth = request->width;
    wanted.ImageHeight = request->height;
    wanted.ImageBits = 24;
    const auto bytes = static_cast<std::uint64_t>(ImageByteSize(wanted, false));
    if (bytes > 0 && services_.memory.LargestFreeBlock(bytes) < bytes) {
        services_.dialogs.Error(NotEnoughMemoryText(request->width, request->height));
        return;
    }
    if (MemoryRunningLow(wanted, false, services_.memory, services_.dialogs)) return;
    if (!services_.window.TakeUndoCopy()) return;
    Bitmap picture;
    picture.Create(request->width, request->height, PixelFormat::Bits24);
    FillTrueColour(picture, request->colour);
    TakeUntitledPicture(std::move(picture), true);
}

// A picture without a file (drawn, pasted or new) replaces the document.
void ViewerDocument::TakeUntitledPicture(Bitmap picture, bool modified) {
    LeaveMediaMode();
    services_.loader.CloseLibraryImage();
    ImagingContext& imaging = services_.imaging;
    {
        std::lock_guard surface(imaging.current.Surface());
        imaging.current = std::move(picture);
    }
    imaging.descriptor.ImageWidth = imaging.current.Width();
    imaging.descriptor.ImageHeight = imaging.current.Height();
    imaging.descriptor.ImageBits = 24;
    picture_.ready = true;
    services_.flags.modified = modified;
    SetPath(kUntitled);
    reloadEnabled_ = false;
    HidePages();
    services_.window.ShowNewPicture();
    services_.window.DocumentChanged();
}

void ViewerDocument::PastePicture() {
    DocumentWindow& window = services_.window;
    if (!window.ClipboardHasPicture()) return;
    if (!MayDiscard(DiscardCaller::Other)) return;
    Bitmap pasted;
    if (!window.ReadClipboardPicture(pasted) || pasted.Empty()) {
        services_.dialogs.Error(kPasteFailedText);
        return;
    }
    TakeUntitledPicture(std::move(pasted), false);
}

bool ViewerDocument::HoldsScaledDecode() const {
    return picture_.scaledDecode;
}

ImageInformation ViewerDocument::Information() const {
    const ImagingContext& imaging = services_.imaging;
    ImageInformation info;
    info.scaledDecode = picture_.scaledDecode;
    info.jpegScale = picture_.jpegScale;
    info.width = picture_.scaledDecode ? picture_.fullWidth : imaging.descriptor.ImageWidth;
    info.height = picture_.scaledDecode ? picture_.fullHeight : imaging.descriptor.ImageHeight;
    info.imageBits = imaging.descriptor.ImageBits;
    info.deviceStorage = imaging.current.Storage() == StorageKind::DDB;
    info.screenBits = imaging.descriptor.ScreenBits;
    info.pages = picture_.pageCount;
    info.usesBytes = PictureMemoryBytes(imaging.current.Width(), imaging.current.Height(),
                                        info.deviceStorage ? imaging.descriptor.ScreenBits
                                                           : imaging.current.BitsPerPixel());
    const std::filesystem::path file(CurrentPath());
    info.name = file.filename().string();
    info.path = file.parent_path().string() + "/";
    std::error_code error;
    info.fileSize = static_cast<std::int64_t>(std::filesystem::file_size(file, error));
    if (error) info.fileSize = 0;
    struct stat status {};
    if (::stat(file.c_str(), &status) == 0) {
        std::tm local{};
        localtime_r(&status.st_mtime, &local);
        char text[128];
        info.date = std::strftime(text, sizeof text, "%x %X", &local) ? text : "";
    }
    info.crc = FileAlbumCrc(file);
    return info;
}

} // namespace zv
