// The album's commands on the slides' files: open, delete, move and copy,
// validate, the test script "&Run" plays, and the thumbnail files.

#include "album/AlbumEditor.h"

#include "album/AlbumScript.h"
#include "catalog/ThumbStates.h"
#include "imaging/FileRemoval.h"
#include "platform/Extensions.h"
#include "platform/FileTransfer.h"

#include <algorithm>

namespace zv {

namespace {

constexpr std::string_view kViewerPictures = ".JPG.JPEG.PNG.DCX.PCX.BMP.DIB.TIF.TGA.PCD.PSD.FPX";
constexpr std::string_view kViewerMedia =
    ".AVI.MPG.M1V.MPE.MPEG.MPV.M2V.WMV.ASF.WAV.MP2.MP3.MPA.MID.AU.SND.WMA";
constexpr const char* kOffline = "Selected slide(s) are offline.";
constexpr const char* kNoApplication = "Associated application not found.";
constexpr const char* kRecycleNote =
    "\n\nNote: Recycle Bin will NOT restore deleted files\nif set capacity is exceeded -- i.e., "
    "when full.";
constexpr const char* kValidateQuestion =
    "This function ensures source files exist.  It removes missing\nand \"offline source "
    "files\" that may reside on removable media.\nValidate slides now?";

bool FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

std::string SourceMissingText(const std::string& path) {
    return "Source file not available.\n\n" + path +
           "\n\nIf located on removable media (e.g., CD-R),\ninsert it then try again.  Continue "
           "operation(s)?";
}

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

} // namespace

bool ViewerOpensSlide(std::string_view upperExtension, bool viewerPlaysMedia) {
    if (upperExtension.size() < 2) return false;
    return ExtensionIn(upperExtension, kViewerPictures) ||
           (viewerPlaysMedia && ExtensionIn(upperExtension, kViewerMedia));
}

void AlbumEditor::ShowFailures(const std::string& heading,
                               const std::vector<std::string>& failures) {
    if (failures.empty()) return;
    std::string text = heading;
    constexpr std::size_t kShown = 10;
    for (std::size_t i = 0; i < std::min(failures.size(), kShown); ++i) text += "\n" + failures[i];
    if (failures.size() > kShown)
        text += "\n... and " + std::to_string(failures.size() - kShown) + " more";
    host_.dialogs.Warning(text);
}

void AlbumEditor::OpenSources() {
    const std::vector<int> positions = SelectedPositions();
    if (positions.empty()) {
        if (host_.openInViewer) host_.openInViewer({});
        return;
    }
    // The viewer opens the first openable slide; the further ones join its
    // history list, emptied first for a larger album.
    if (positions.size() > 1 && Count() > 2 && host_.clearHistory) host_.clearHistory();
    bool viewerUsed = false, offline = false, noApplication = false;
    for (int position : positions) {
        const SlideRecord& record = album_.Slide(position);
        if (KindOf(record) == SlideKind::CdTrack) {
            noApplication = true; // no CD player is started from here
            continue;
        }
        const std::string path = album_.SlidePath(position);
        if (!FileExists(path)) {
            offline = true;
            continue;
        }
        if (ViewerOpensSlide(UpperExtension(record.ext.View()), host_.viewerPlaysMedia)) {
            if (!viewerUsed) {
                if (host_.openInViewer) host_.openInViewer(path);
                viewerUsed = true;
            } else if (host_.appendHistory) {
                host_.appendHistory(path);
            }
        } else if (!host_.openWithApplication || !host_.openWithApplication(path)) {
            noApplication = true;
        }
    }
    if (offline) host_.dialogs.Warning(kOffline);
    if (noApplication) host_.dialogs.Warning(kNoApplication);
}

void AlbumEditor::DeleteSources(bool shift) {
    if (!NeedSelection()) return;
    thumbsWanted_ = false;
    const std::vector<int> positions = SelectedPositions();
    const std::string what = positions.size() == 1
                                 ? album_.SlidePath(positions.front()) + " ?"
                                 : std::to_string(positions.size()) + " selected source file(s)?";
    if (shift) {
        if (!host_.dialogs.AskYesNo("Delete " + what)) return;
    } else if (!ignoreRecycle_) {
        const Answer answer = host_.dialogs.Box(BoxKind::Question, "Recycle " + what + kRecycleNote,
                                                Buttons::YesNoIgnore);
        if (answer == Answer::Ignore)
            ignoreRecycle_ = true;
        else if (answer != Answer::Yes)
            return;
    }
    if (host_.beforeDelete) host_.beforeDelete();
    BusyGuard busy(busy_);
    // Only the slides whose file went are cut; the others are listed.
    std::vector<int> gone;
    std::vector<std::string> failures;
    for (int position : positions) {
        if (KindOf(album_.Slide(position)) == SlideKind::CdTrack) {
            gone.push_back(position);
            continue;
        }
        const std::string path = album_.SlidePath(position);
        const bool failed =
            shift ? DeleteFileSilently(host_.trash, path) : RecycleFileSilently(host_.trash, path);
        if (failed)
            failures.push_back(path);
        else
            gone.push_back(position);
    }
    album_.Cut(gone);
    AfterOrderChange();
    if (!gone.empty()) SetUnsaved(true);
    ShowFailures("These files could not be deleted and stay in the album:", failures);
}

void AlbumEditor::TransferSources(bool move) {
    if (!NeedSelection()) return;
    thumbsWanted_ = false;
    const std::string verb = move ? "Move" : "Copy";
    const std::optional<std::string> chosen =
        host_.dialogs.BrowseFolder(verb + " selected source file(s)",
                                   "Select destination for selected source file(s)", lastFolder_);
    if (!chosen || chosen->empty()) return;
    const std::string destination = WithSlash(*chosen);
    BusyGuard busy(busy_);
    bool validateAfter = false;
    std::vector<int> moved;
    std::vector<std::string> failures;
    for (int position : SelectedPositions()) {
        const SlideRecord& record = album_.Slide(position);
        if (KindOf(record) == SlideKind::CdTrack) continue;
        const std::string from = album_.SlidePath(position);
        if (!FileExists(from)) {
            validateAfter = true;
            if (!host_.dialogs.AskYesNo(SourceMissingText(from))) break;
            continue;
        }
        const std::string to =
            destination + std::string(album_.NameOf(position)) + std::string(record.ext.View());
        std::error_code error;
        if (std::filesystem::equivalent(from, to, error)) {
            validateAfter = true;
            continue;
        }
        if (std::filesystem::exists(std::filesystem::symlink_status(to, error))) continue;
        const std::string failure =
            TransferFile(from, to, move ? TransferMode::Move : TransferMode::Copy);
        if (!failure.empty())
            failures.push_back(failure);
        else if (move)
            moved.push_back(position);
    }
    // Only what went takes the new folder; its thumbnail is made again.
    if (!moved.empty()) {
        const std::int32_t folder = album_.InternFolder(destination);
        for (int position : moved) {
            SlideRecord& record = album_.Slide(position);
            record.folderIndex = folder;
            record.thumbState = kThumbPending;
            record.thumbName.Set("");
            record.thumbFolder.Set("");
        }
        SetUnsaved(true);
    }
    ShowFailures(move ? "These files could not be moved and keep their folder:"
                      : "These files could not be copied:",
                 failures);
    if (validateAfter)
        Validate(true);
    else if (!moved.empty())
        thumbsWanted_ = true;
}

void AlbumEditor::Validate(bool quiet) {
    if (Count() == 0) return;
    thumbsWanted_ = false;
    if (!quiet && !albumMenuMode_ && !host_.dialogs.AskYesNo(kValidateQuestion)) return;
    albumMenuMode_ = true;
    BusyGuard busy(busy_);
    std::vector<int> missing;
    for (int i = Count() - 1; i >= 0; --i) {
        if (KindOf(album_.Slide(i)) != SlideKind::CdTrack && !FileExists(album_.SlidePath(i)))
            missing.push_back(i);
        Report("Slide Validation", Count() - i, Count());
    }
    if (missing.empty()) return;
    std::reverse(missing.begin(), missing.end());
    album_.Cut(missing);
    AfterOrderChange();
    SetUnsaved(true);
}

void AlbumEditor::RunTestScript() {
    if (Count() < 2 || !AskLargeAvl()) return;
    thumbsWanted_ = false;
    if (lastRunSlide_ > Count()) lastRunSlide_ = 1;
    const std::optional<int> start =
        AskNumber("Test slideshow from Slide #", 1, Count(), lastRunSlide_, 1, Count() / 8 + 1);
    if (!start) return;
    lastRunSlide_ = *start;
    std::filesystem::path script;
    try {
        script = WriteTestScript(host_.appHome, album_, *start, FileOptions());
    } catch (const std::exception& error) { // EAlbumError, or the system's
        host_.dialogs.Error(error.what());
        return;
    }
    if (host_.playScript) host_.playScript(script);
}

std::filesystem::path AlbumEditor::ThumbPath(int position) {
    if (host_.thumbRoot.empty()) return {};
    SlideRecord& record = album_.Slide(position);
    if (record.thumbName.Empty()) {
        const auto folder = static_cast<std::size_t>(record.folderIndex);
        const bool cd = KindOf(record) == SlideKind::CdTrack;
        album_.ComputeThumbNames(position, !cd && folder < album_.Volumes().size()
                                               ? album_.Volumes()[folder]
                                               : std::string());
    }
    if (record.thumbFolder.Empty()) return host_.thumbRoot / std::string(record.thumbName.View());
    return host_.thumbRoot / std::string(record.thumbFolder.View()) /
           std::string(record.thumbName.View());
}

void AlbumEditor::RedoThumbs() {
    if (SelectedCount() == 0) {
        host_.dialogs.Information("Please select slide(s) to redo thumbnails.");
        return;
    }
    thumbsWanted_ = false;
    for (int position : SelectedPositions()) {
        SlideRecord& record = album_.Slide(position);
        // Shared thumbnails of an extension serve other slides too: kept.
        const bool own = !record.thumbFolder.Empty();
        const std::filesystem::path thumb = ThumbPath(position);
        std::error_code error;
        if (own && !thumb.empty()) std::filesystem::remove(thumb, error);
        record.thumbState = kThumbPending;
    }
    thumbsWanted_ = true;
}

} // namespace zv
