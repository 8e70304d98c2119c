#pragma once
// The slide album window's editing, without the window: the album, its file
// name and unsaved flag, the selection and the current slide, the last
// search, the remembered Ignore answers and every command of the window's
// menus, asking the user through Dialogs. The window shows the album and
// passes its commands here; tests drive it with scripted dialogs.

#include "album/AlbumActions.h"
#include "album/AlbumFiles.h"
#include "album/SlideAlbum.h"
#include "catalog/DocumentFlags.h"
#include "platform/Dialogs.h"
#include "platform/Progress.h"
#include "platform/Trash.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace zv {

inline constexpr std::string_view kUntitledAlbum = "Untitled";
inline constexpr std::string_view kNoSlidesSelected = "No slide(s) selected.";

// What the editor takes from the application. The hand-overs to other
// windows may be left empty; the commands that need them then do nothing.
struct AlbumHost {
    Dialogs& dialogs;
    Trash& trash;
    AlbumFileOptions files;          // data folder, screen size, volume mounts
    std::filesystem::path appHome;   // where the test script goes
    std::filesystem::path thumbRoot; // the variant folder of the thumbnail cache
    DocumentFlags* flags = nullptr;  // albumModified follows the unsaved flag
    Progress* progress = nullptr;
    bool viewerPlaysMedia = false;
    std::function<std::uint32_t()> now; // the local time packed the DOS way
    // The viewer's open command: a path, or empty for its open dialog.
    std::function<void(const std::string& path)> openInViewer;
    // The file's associated application; false when there is none.
    std::function<bool(const std::string& path)> openWithApplication;
    std::function<void()> clearHistory;
    std::function<void(const std::string& path)> appendHistory;
    // Plays a slideshow script (the test script of "&Run").
    std::function<void(const std::filesystem::path& script)> playScript;
    // Called before slide files are deleted (the explorer stops watching).
    std::function<void()> beforeDelete;
    // "&Get slides from ...": the folder walk's dialog; the catalog of the
    // album it made, or nothing when the user stopped or closed it.
    std::function<std::optional<std::string>()> getSlidesFrom;
};

// The view choices the window shows and the menus check.
struct AlbumViewState {
    bool details = true;
    bool tightSpacing = true;
    AlbumColumnSet columns = AlbumColumnSet::All;
    bool toolBar = true;
    bool statusBar = true;
    bool propertiesBox = true;
    bool buttonText = true;
};

class AlbumEditor {
public:
    explicit AlbumEditor(AlbumHost host);

    const SlideAlbum& Album() const { return album_; }
    // Who changes the number of slides here calls SlidesChanged after.
    SlideAlbum& MutableAlbum() { return album_; }
    void SlidesChanged() { AfterOrderChange(); }
    int Count() const { return album_.Count(); }
    const std::string& FileName() const { return fileName_; }
    bool Unsaved() const { return unsaved_; }
    bool Busy() const { return busy_; }
    bool AlbumMenuMode() const { return albumMenuMode_; }
    void SetAlbumMenuMode(bool on) { albumMenuMode_ = on; }
    AlbumViewState& View() { return view_; }
    const AlbumViewState& View() const { return view_; }

    // The selection, one flag per slide, and the current slide (-1: none).
    bool Selected(int position) const { return selected_[position] != 0; }
    void Select(int position, bool on) { selected_[position] = on ? 1 : 0; }
    void SelectOnly(int position);
    void ClearSelection();
    std::vector<int> SelectedPositions() const;
    int SelectedCount() const;
    int Current() const { return current_; }
    void SetCurrent(int position) { current_ = position; }

    // Runs a menu command (Shift held changes some). Ignored while busy.
    void Run(int command, int argument = 0, bool shift = false);
    // Whether a menu rule holds.
    bool Rule(int rule, int argument) const;

    // "Slide <i> of <n>" for the current slide, or the count.
    std::string StatusText() const;
    // The window caption: "<file> - <title>  [<status>]" once the album has
    // a file, else "<title>  [<status>]".
    std::string Caption() const;

    // Idle-time thumbnails: whether they are wanted (after a load or an
    // addition), and stopping them (every edit does).
    bool ThumbsWanted() const { return thumbsWanted_; }
    void SetThumbsWanted(bool on) { thumbsWanted_ = on; }
    // Set by "Chec&k thumbs" so the window walks every slide in the foreground.
    bool TakeCheckThumbsRequest();

    // The window's other ways in.
    void New();
    void Open();
    // Loads a file without the dialog (the explorer's albums); false when
    // refused or it failed (the user has been told).
    bool OpenFile(const std::filesystem::path& file);
    void SaveAs();
    void AddSlides(bool insert);
    // Files dropped on the window, added last first at the insertion point.
    void AddDropped(const std::vector<std::string>& files);
    void InsertCdTrack();
    void Cut();
    void Relocate();
    // The selection moved as one block in front of `target` (a drop).
    void RelocateTo(int target);
    void SelectIndex();
    void SelectAll();
    void InvertSelection();
    void FindName();
    void FindNextName();
    void FindComments();
    void PropertyCommand(int command);
    // A click on a details column header (0 is the file name).
    void ColumnClicked(int column);
    void IndexCommand(int command, bool shift);
    void AlbumInfo();
    // "&Get slides from ...": the album of a folder tree, once the user gives
    // up the slides there are.
    void GetSlides();
    void OpenSources();
    void DeleteSources(bool shift);
    void TransferSources(bool move);
    // Removes the slides whose files are gone; asks first unless `quiet` or
    // in Album menu mode.
    void Validate(bool quiet = false);
    void RunTestScript();
    void RedoThumbs();
    // The thumbnail file of a slide (names worked out when not yet set);
    // empty when there is no cache.
    std::filesystem::path ThumbPath(int position);

private:
    // Marks the editor busy for the length of a command (or a part of one).
    class BusyGuard {
    public:
        explicit BusyGuard(bool& busy) : busy_(busy), was_(busy) { busy_ = true; }
        ~BusyGuard() { busy_ = was_; }
        BusyGuard(const BusyGuard&) = delete;
        BusyGuard& operator=(const BusyGuard&) = delete;

    private:
        bool& busy_;
        bool was_;
    };
    void SetUnsaved(bool unsaved);
    void ResetAlbum();
    void AfterOrderChange();
    bool NeedSelection();
    int InsertionPoint() const;
    bool AskLargeAvl();
    AlbumFileOptions FileOptions();
    void Report(const std::string& text, std::int64_t done, std::int64_t total);
    bool FindFrom(int start);
    std::optional<int> AskNumber(const std::string& title, int min, int max, int start, int small,
                                 int large, std::initializer_list<int> presets = {});
    void ApplyProperty(std::int16_t SlideRecord::*field, int value);
    void BackColorCommand();
    void PositionCommand(bool panel);
    void CommentCommand();
    void FillUserIdx(int command);
    void ComplexityRatings();
    void CrcIndices(bool shift);
    void ImageDimensions(bool shift);
    void CommentsWithNames(bool pathname);
    void ShowFailures(const std::string& heading, const std::vector<std::string>& failures);

    AlbumHost host_;
    SlideAlbum album_;
    std::string fileName_{kUntitledAlbum};
    bool unsaved_ = false;
    bool busy_ = false;
    bool albumMenuMode_ = false;
    bool thumbsWanted_ = false;
    bool checkThumbsRequested_ = false;
    bool ignoreLargeAvl_ = false;
    bool ignoreRecycle_ = false;
    std::vector<std::uint8_t> selected_;
    int current_ = -1;
    std::string lastFind_;
    int lastHit_ = -1;
    int lastRunSlide_ = 1;
    int saveFilter_ = 1;
    std::string lastFolder_;
    AlbumViewState view_;
    int lastPercent_ = -1;
};

// The picture kinds the viewer opens itself, and the media kinds it plays
// when set to.
bool ViewerOpensSlide(std::string_view upperExtension, bool viewerPlaysMedia);
// At most 255 characters of UTF-8 text, not cutting one in two.
std::string CutTo255(std::string text);
// 1234567 as "1,234,567".
std::string GroupedNumber(std::uint64_t value);

} // namespace zv
