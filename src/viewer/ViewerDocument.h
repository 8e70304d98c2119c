#pragma once
// The viewer's document: the file it holds (a picture, a sound or video in
// media mode, a text or a drawn metafile) and every command that opens
// something into it: the open dialog, open by name, drops, reload, stepping
// through the history, pages, a new picture and a paste. The window draws;
// this decides what is opened, in which order the user is asked, and what
// the history, the caption and the status bar then say.

#include "catalog/ListChooser.h"
#include "imaging/ImagingContext.h"
#include "platform/Dialogs.h"
#include "platform/MemoryStatus.h"
#include "platform/ProgramTitle.h"
#include "viewer/DiscardQuestion.h"
#include "viewer/ImageInformation.h"
#include "viewer/PictureLoader.h"
#include "viewer/PictureSave.h"
#include "viewer/ViewGeometry.h"
#include "viewer/ViewerHistory.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zv {

inline constexpr const char* kUntitled = "Untitled";
inline constexpr const char* kFileNotFoundText = "File not found.";
inline constexpr const char* kInvalidMetafileText = "Invalid Metafile.";
inline constexpr const char* kPasteFailedText = "Paste from clipboard failed.";
inline constexpr const char* kSaveBookmarksFailedText = "Could not save bookmarks.";
inline constexpr const char* kZipWaitsText =
    "Zip archives open in the zip browser, which this version does not have yet.";
inline constexpr const char* kLastInFolderText = "Last picture in the folder.";
inline constexpr const char* kFirstInFolderText = "First picture in the folder.";
inline constexpr const char* kScriptWaitsText = "Slideshow scripts cannot be played yet.";

// The open dialog's file types, in the program's "Description|patterns" form.
extern const char* const kOpenDialogFilter;

// The size and colour asked for a new picture.
struct NewPictureRequest {
    int width = 0;
    int height = 0;
    std::uint32_t colour = 0xFFFFFF; // 0x00BBGGRR
};

// What the document asks of the viewer window.
class DocumentWindow {
public:
    virtual ~DocumentWindow() = default;

    virtual void ShowEmptyPicture() = 0;
    // The picture in the current Bitmap was replaced: lay it out and repaint.
    virtual void ShowNewPicture() = 0;
    virtual void ShowTextFile(const std::string& path) = 0;
    // False when the file is not a metafile that can be drawn.
    virtual bool RenderMetafile(const std::string& path, Bitmap& picture) = 0;

    // Media mode. Entering answers false when the player is missing (the
    // window has warned); a file that turns out unplayable is reported by the
    // window later, which then leaves media mode.
    virtual bool EnterMediaMode(const std::string& path) = 0;
    virtual void ChangeMediaFile(const std::string& path) = 0;
    virtual void LeaveMediaMode() = 0;
    virtual void PlayMedia() = 0;

    virtual void ShowZipArchive(const std::string& path) = 0;
    virtual void PlayScript(const std::string& path) = 0;
    virtual void ShowFolderInExplorer(const std::string& folder) = 0;

    virtual std::optional<NewPictureRequest> AskNewPictureSize() = 0;
    // The undo copy before the picture is replaced by a new one; false when refused.
    virtual bool TakeUndoCopy() { return true; }
    virtual bool ClipboardHasPicture() = 0;
    // The clipboard's picture as a 24-bit Bitmap; false when it cannot be read.
    virtual bool ReadClipboardPicture(Bitmap& picture) = 0;

    // The caption, the status bar, the path box and the enabled commands
    // changed; the window reads them from the document.
    virtual void DocumentChanged() = 0;
    virtual void SetStatusText(const std::string& text) = 0;
};

enum class HistoryStep { Next, Previous, First, Last };
// The page commands' tags: back, to the first, forward, to the last.
enum PageTag : int { kPagePrevious = -1, kPageFirst = 0, kPageNext = 1, kPageLast = 999 };

struct DocumentServices {
    PictureLoader& loader;
    ImagingContext& imaging;
    ViewerHistory& history;
    DocumentFlags& flags;
    Dialogs& dialogs;
    const MemoryStatusSource& memory;
    DocumentWindow& window;
    std::function<bool(const std::string&)> fileExists;
    std::function<bool(const std::string&)> folderExists;
    // "Save as" for the discard question's Save; without it the question
    // offers Yes and No.
    SavePictureFunction savePicture = {};
    // The list chooser for the bookmarks view; without it the view does nothing.
    ChooseFromListFn chooseFromList = {};
};

class ViewerDocument {
public:
    explicit ViewerDocument(DocumentServices services);

    // The file the document holds (the media file in media mode), or "Untitled".
    const std::string& CurrentPath() const { return picture_.path; }
    bool MediaMode() const { return mediaMode_; }
    const std::string& MediaPath() const { return mediaPath_; }
    bool PictureReady() const { return picture_.ready; }
    // The picture changed since it was opened or saved.
    bool Modified() const { return services_.flags.modified; }
    // The picture is a JPEG decoded at a half, a quarter or an eighth of its size.
    bool HoldsScaledDecode() const;
    bool ReloadEnabled() const { return reloadEnabled_; }
    bool PageCommandsVisible() const { return pageCommandsVisible_; }
    // "Page n of count" for the page shown.
    std::string PageText() const;
    // The status bar's picture line: size and depth, empty when nothing is shown.
    std::string PictureLine() const;
    // The facts the "I&nfo" command shows of the picture and its file.
    ImageInformation Information() const;
    // The window caption: the file name and the program's title.
    std::string Caption() const;
    // The folder the open dialog starts in: that of the last file opened.
    const std::string& OpenFolder() const { return openFolder_; }
    void SetOpenFolder(const std::string& folder) { openFolder_ = folder; }
    // Auto Play + Loop: media starts playing once opened.
    bool autoPlay = true;
    // Drops and opens are refused while a slideshow plays.
    bool slideshowRunning = false;
    // Pictures open 1:1 on the monitor, or prepared as slides for the other
    // aspect modes on this background.
    AspectMode aspectMode = AspectMode::Monitor;
    std::uint32_t slideBackground = 0;
    // The view gamma in hundredths (100: off), applied to every picture opened.
    int viewGamma = 100;
    int PageCount() const { return picture_.pageCount; }

    // The aspect mode: refused for multi-page pictures, asked first for the
    // stretching ones, then the file is opened again (after the discard
    // question). False when the mode did not change.
    bool SetAspectMode(AspectMode mode);
    // The view gamma: the file is opened again with it (after the discard
    // question); a picture without a file takes it at once.
    void SetViewGamma(int gamma);

    // Open: the dialog, then the discard question, then the files chosen.
    void OpenFromDialog();
    // Open a named file the way the program opens files by name.
    void OpenByName(const std::string& path);
    // Reload: leaves media mode and opens the current file again.
    void Reload();
    void OpenDropped(const std::vector<std::string>& paths);
    // A batch script's LOADFILE: the file's picture in place of the one
    // shown, the current file's name and the history kept. False when
    // nothing could be loaded (then nothing is shown).
    bool LoadInPlace(const std::string& path);
    // A file handed over by another window: archives, scripts, media, pictures.
    void DragOpen(const std::string& path);

    void Step(HistoryStep step);
    // The pictures of a file's folder, in the explorer's order and filter;
    // the application provides them. Without it the folder is not stepped.
    std::function<std::vector<std::string>(const std::string& path)> folderPictures;
    // "Next in folder" (+1) and "Previous in folder" (-1): opens the picture
    // beside the current file in its folder; the history keeps its own order.
    // False when there is none that way (the status bar says so).
    bool StepInFolder(int direction);
    void ChangePage(int tag);
    void NewPicture();
    void PastePicture();
    void ShowEmpty();

    // The history commands.
    void PathBoxEnter(const std::string& text);
    // Opens the entry at the history position when it is not the file shown.
    void HistoryClick();
    void RemoveCurrentEntry();
    // Unmark: asks first, unless the user chose to skip the question.
    void Unmark();
    void ClearHistory();
    // Bookmarks "&View": the bookmarks in the list chooser with the path
    // box's text preselected; "&Ok" keeps the pruned list and opens the
    // chosen entry.
    void ViewBookmarks(const std::string& pathBoxText);
    // Bookmarks "&Sort": sorted without regard to case, the entries whose
    // files are gone dropped, and the first one opened.
    void SortBookmarks();
    void MoveUp();
    void MoveDown();
    bool LoadPictureList(const std::string& path);
    bool SavePictureList(const std::string& path);
    // Load and Save of the Bookmarks menu: the file dialog, then the list.
    void LoadPictureListChosen();
    void SavePictureListChosen();

    // A command changed the picture's pixels: its size is read again, the
    // pages are gone and the picture counts as modified.
    void PictureChanged();
    // The picture was saved under CurrentPath(): it can be reloaded from there.
    void FileSaved() { reloadEnabled_ = true; }
    // What a save reports: the new path, the history, the modified mark and
    // the save folder; a saved picture can be reloaded.
    void TakeSaveResult(const SaveResult& result, std::string& saveDir);
    // The path a failed open goes back to: the start file at start-up.
    void SetFallbackPath(const std::string& path) { picture_.fallbackPath = path; }

    // The window reports that the media file could not be played.
    void MediaFailed();
    void LeaveMediaMode();

private:
    enum class OpenSender { OpenCommand, Application, NoProbe };

    void BtnOpenClick(OpenSender sender);
    void BtnOpenEx();
    std::vector<std::string> ChooseFilesToOpen();
    FileDialogRequest PictureListRequest(const char* title) const;
    bool OpenChosenFiles(const std::vector<std::string>& files);
    bool OpenMedia();
    void OpenAsPicture(bool probe);
    void ShowMetafile();
    void ShowText();
    void TakeUntitledPicture(Bitmap picture, bool modified);
    void FinishPictureOpen();
    void ApplyViewGamma();
    void OpenHistoryEntry();
    // After the bookmarks changed: the current one opened, or the empty
    // picture when none is left.
    void OpenCurrentBookmark();
    void AddToHistoryReversed(const std::vector<std::string>& paths);
    void SetPath(const std::string& path);
    void HidePages();
    bool MayDiscard(DiscardCaller caller);

    DocumentServices services_;
    PictureState picture_;
    std::string mediaPath_;
    std::string openFolder_;
    FileDialogRequest openRequest_; // keeps the chosen file type between opens
    bool mediaMode_ = false;
    bool reloadEnabled_ = false;
    bool pageCommandsVisible_ = false;
    bool askBeforeUnmark_ = true;
};

} // namespace zv
