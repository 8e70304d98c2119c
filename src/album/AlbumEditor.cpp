#include "album/AlbumEditor.h"

#include "album/AlbumScript.h"
#include "platform/FileDate.h"
#include "platform/ProgramTitle.h"

#include <algorithm>
#include <ctime>

namespace zv {

namespace {

const std::string kAlbumTitle = std::string(kProgramTitle) + " Slide Album ";
constexpr const char* kDiscardAlbum = "Discard slideshow/album?";
constexpr const char* kOpenFilter = "Supported formats|*.avc;*.avl;*.zvp|AVC (Zv Slide "
                                    "Catalog)|*.avc|AVL (AV List Slideshow)|*.avl|ZVP (Zv "
                                    "Picture List)|*.zvp";
constexpr const char* kSaveFilter = "Zv Slide Catalog|*.avc|AVL Slideshow|*.avl|Zv Picture "
                                    "List|*.zvp";
constexpr const char* kAnyFileFilter = "All files|*";
constexpr int kLargeAvl = 32000;

std::string MissingSlideText(std::int64_t slide, const std::string& path) {
    return "Slideshow source file " + std::to_string(slide) + " is missing.\n\n" + path +
           "\n\nIf source file is on removable media (e.g. CDROM),\ninsert appropriate media "
           "then try loading again.\nTry to load remaining AVL script?";
}

std::string LargeAvlText(int count) {
    return "You have " + std::to_string(count) +
           " slides.\n\nAlthough Slide Albums can contain up to a MILLION slides,\n32000 slides "
           "is recommended limit for AVL slideshows.\nDecoding this script without linked data "
           "files may be\ntime consuming. If you are primarily using the Slide Album\nfor its "
           "database functions, use AVC format instead.\n\nContinue?\n\n[Ignore] avoids this "
           "dialog (for experts).";
}

AlbumFileType SaveTypeOfFilter(int filterIndex) {
    switch (filterIndex) {
    case 2: return AlbumFileType::Avl;
    case 3: return AlbumFileType::PictureList;
    default: return AlbumFileType::Avc;
    }
}

std::uint32_t NowPacked() {
    return PackDosDateTimeOf(std::time(nullptr));
}

} // namespace

AlbumEditor::AlbumEditor(AlbumHost host) : host_(std::move(host)) {
    if (!host_.now) host_.now = NowPacked;
}

void AlbumEditor::SetUnsaved(bool unsaved) {
    unsaved_ = unsaved;
    if (host_.flags) host_.flags->albumModified = unsaved;
}

// After the order changed in length: a clean selection of the new size.
void AlbumEditor::AfterOrderChange() {
    selected_.assign(album_.Count(), 0);
    if (current_ >= album_.Count()) current_ = album_.Count() - 1;
    lastHit_ = -1;
}

void AlbumEditor::ResetAlbum() {
    thumbsWanted_ = false;
    album_.Clear();
    current_ = -1;
    AfterOrderChange();
}

void AlbumEditor::SelectOnly(int position) {
    std::fill(selected_.begin(), selected_.end(), 0);
    if (position >= 0 && position < Count()) {
        selected_[position] = 1;
        current_ = position;
    }
}

void AlbumEditor::ClearSelection() {
    std::fill(selected_.begin(), selected_.end(), 0);
}

std::vector<int> AlbumEditor::SelectedPositions() const {
    std::vector<int> positions;
    for (int i = 0; i < Count(); ++i)
        if (selected_[i]) positions.push_back(i);
    return positions;
}

int AlbumEditor::SelectedCount() const {
    return static_cast<int>(std::count(selected_.begin(), selected_.end(), 1));
}

bool AlbumEditor::NeedSelection() {
    if (SelectedCount() > 0) return true;
    host_.dialogs.Information(std::string(kNoSlidesSelected));
    return false;
}

// In front of the first selected slide; at the start when none is.
int AlbumEditor::InsertionPoint() const {
    const auto first = std::find(selected_.begin(), selected_.end(), 1);
    return first == selected_.end() ? 0 : static_cast<int>(first - selected_.begin());
}

void AlbumEditor::Report(const std::string& text, std::int64_t done, std::int64_t total) {
    if (!host_.progress) return;
    const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
    if (percent == lastPercent_ && done != 0) return;
    lastPercent_ = percent;
    host_.progress->SetText(text);
    host_.progress->SetBar(0, done, total);
}

std::optional<int> AlbumEditor::AskNumber(const std::string& title, int min, int max, int start,
                                          int small, int large,
                                          std::initializer_list<int> presets) {
    ParameterDialogRecord record;
    record.min = min;
    record.max = max;
    record.start = std::clamp(start, min, max);
    record.smallStep = small;
    record.largeStep = large;
    record.showPresets = presets.size() > 0;
    std::copy_n(presets.begin(), std::min<std::size_t>(presets.size(), 6), record.presets.begin());
    ParameterDialogModel model(title, {}, {}, record);
    host_.dialogs.ParameterDialog(model);
    return model.Result();
}

std::string AlbumEditor::StatusText() const {
    if (current_ >= 0 && current_ < Count())
        return "Slide " + std::to_string(current_ + 1) + " of " + std::to_string(Count());
    return std::to_string(Count()) + " slide(s)";
}

std::string AlbumEditor::Caption() const {
    const std::string tail = kAlbumTitle + " [" + StatusText() + "]";
    if (fileName_ == kUntitledAlbum) return tail;
    return fileName_ + " - " + tail;
}

bool AlbumEditor::TakeCheckThumbsRequest() {
    const bool requested = checkThumbsRequested_;
    checkThumbsRequested_ = false;
    return requested;
}

AlbumFileOptions AlbumEditor::FileOptions() {
    AlbumFileOptions options = host_.files;
    options.missing = [this](std::int64_t slide, const std::string& path) {
        return host_.dialogs.Box(BoxKind::Warning, MissingSlideText(slide, path),
                                 Buttons::OkCancel) == Answer::Ok;
    };
    return options;
}

// -------------------------------------------------------------------------
// Files

void AlbumEditor::New() {
    if (unsaved_ &&
        host_.dialogs.Box(BoxKind::Confirmation, kDiscardAlbum, Buttons::OkCancel) != Answer::Ok)
        return;
    ResetAlbum();
    fileName_ = kUntitledAlbum;
    SetUnsaved(false);
}

void AlbumEditor::Open() {
    if (Count() > 0 &&
        host_.dialogs.Box(BoxKind::Confirmation, kDiscardAlbum, Buttons::OkCancel) != Answer::Ok)
        return;
    FileDialogRequest request;
    request.title = "Select album, script or bookmarks";
    request.filter = kOpenFilter;
    request.initialFolder = lastFolder_;
    const std::vector<std::string> chosen = host_.dialogs.OpenFiles(request);
    if (chosen.empty()) return;
    lastFolder_ = std::filesystem::path(chosen.front()).parent_path().string();
    ResetAlbum();
    OpenFile(chosen.front());
}

namespace {

bool InFolder(const std::filesystem::path& file, const std::filesystem::path& folder) {
    std::error_code error;
    return !folder.empty() && std::filesystem::equivalent(file.parent_path(), folder, error) &&
           !error;
}

// The run's work files: everything in the data folder, and the walked
// album's catalog "Zelvan 7.04<stem>.avc" in the app home.
bool IsWorkFile(const std::filesystem::path& file, const AlbumHost& host) {
    return InFolder(file, host.files.dataFolder) ||
           (InFolder(file, host.appHome) && file.filename().string().starts_with(kProgramTitle));
}

} // namespace

bool AlbumEditor::OpenFile(const std::filesystem::path& file) {
    BusyGuard busy(busy_);
    ResetAlbum();
    try {
        LoadAlbum(file, album_, FileOptions());
    } catch (const std::exception& error) { // EAlbumError, or the system's
        ResetAlbum();
        host_.dialogs.Error(error.what());
        return false;
    }
    AfterOrderChange();
    // A work file of the run (an instant list, a walked album) is deleted at
    // exit: the album it made has no file of its own yet.
    fileName_ = IsWorkFile(file, host_) ? kUntitledAlbum : file.string();
    SetUnsaved(true);
    thumbsWanted_ = true;
    return true;
}

void AlbumEditor::GetSlides() {
    if (!host_.getSlidesFrom) return;
    if (Count() > 0 && unsaved_ &&
        host_.dialogs.Box(BoxKind::Confirmation, kDiscardAlbum, Buttons::OkCancel) != Answer::Ok)
        return;
    if (const std::optional<std::string> catalog = host_.getSlidesFrom()) OpenFile(*catalog);
}

bool AlbumEditor::AskLargeAvl() {
    if (Count() <= kLargeAvl || ignoreLargeAvl_) return true;
    switch (host_.dialogs.Box(BoxKind::Question, LargeAvlText(Count()), Buttons::YesNoIgnore)) {
    case Answer::Yes: return true;
    case Answer::Ignore: ignoreLargeAvl_ = true; return true;
    default: return false;
    }
}

void AlbumEditor::SaveAs() {
    thumbsWanted_ = false;
    std::filesystem::path file;
    for (;;) {
        FileDialogRequest request;
        request.title = "Save Slides As";
        request.filter = kSaveFilter;
        request.filterIndex = saveFilter_;
        request.initialFolder = lastFolder_;
        if (fileName_ != kUntitledAlbum) request.fileName = fileName_;
        const std::optional<std::string> chosen = host_.dialogs.SaveFile(request);
        if (!chosen) return;
        saveFilter_ = request.filterIndex;
        const std::optional<std::filesystem::path> named =
            AlbumSaveName(*chosen, SaveTypeOfFilter(saveFilter_));
        if (!named) {
            host_.dialogs.Error(std::string(kBadSaveName));
            continue;
        }
        std::error_code error;
        if (std::filesystem::exists(*named, error)) {
            const Answer answer = host_.dialogs.Box(
                BoxKind::Question, named->string() + " exists.\nOverwrite?", Buttons::YesNoCancel);
            if (answer == Answer::No) continue; // the dialog again
            if (answer != Answer::Yes) return;
        }
        file = *named;
        break;
    }
    lastFolder_ = file.parent_path().string();
    if (AlbumTypeOf(file) == AlbumFileType::Avl && !AskLargeAvl()) return;
    BusyGuard busy(busy_);
    try {
        SaveAlbum(file, album_, FileOptions());
    } catch (const std::exception& error) { // EAlbumError, or the system's
        host_.dialogs.Error(error.what());
        return;
    }
    fileName_ = file.string();
    SetUnsaved(false);
}

// -------------------------------------------------------------------------
// Adding, removing and moving slides

void AlbumEditor::AddSlides(bool insert) {
    thumbsWanted_ = false;
    FileDialogRequest request;
    request.title = insert ? "Insert slide(s)" : "Add slide(s)";
    request.filter = kAnyFileFilter;
    request.initialFolder = lastFolder_;
    request.multiSelect = true;
    const std::vector<std::string> files = host_.dialogs.OpenFiles(request);
    if (files.empty()) return;
    lastFolder_ = std::filesystem::path(files.front()).parent_path().string();
    if (Count() == 0) ResetAlbum();
    const int at = insert ? InsertionPoint() : -1;
    BusyGuard busy(busy_);
    int refused = 0;
    // Last first: inserted at one place they come out in the dialog's order,
    // appended they come out reversed.
    for (auto file = files.rbegin(); file != files.rend(); ++file)
        if (!album_.AddFile(*file, insert ? at : Count(), 0)) ++refused;
    AfterOrderChange();
    SetUnsaved(true);
    thumbsWanted_ = true;
    if (refused > 0)
        host_.dialogs.Warning(std::to_string(refused) +
                              " file(s) could not be added: missing, not a plain file, a name "
                              "holding a line break, or not enough memory.");
}

void AlbumEditor::AddDropped(const std::vector<std::string>& files) {
    if (busy_ || files.empty()) return;
    thumbsWanted_ = false;
    if (Count() == 0) ResetAlbum();
    const int at = SelectedCount() > 0 ? InsertionPoint() : Count();
    int refused = 0;
    for (auto file = files.rbegin(); file != files.rend(); ++file)
        if (!album_.AddFile(*file, at, 0)) ++refused;
    AfterOrderChange();
    SetUnsaved(true);
    thumbsWanted_ = true;
    if (refused > 0)
        host_.dialogs.Warning(std::to_string(refused) + " dropped file(s) could not be added.");
}

void AlbumEditor::InsertCdTrack() {
    thumbsWanted_ = false;
    const std::optional<int> track = AskNumber("Insert CD Track", 1, 99, 1, 1, 1);
    if (!track) return;
    int at = current_ >= 0 && current_ < Count() ? current_ : InsertionPoint();
    if (!album_.InsertCdTrack(*track, at, host_.now())) {
        host_.dialogs.Error(
            "Not enough available memory.\nClose open applications, then try again.");
        return;
    }
    AfterOrderChange();
    SelectOnly(at);
    SetUnsaved(true);
}

void AlbumEditor::Cut() {
    if (!NeedSelection()) return;
    thumbsWanted_ = false;
    BusyGuard busy(busy_);
    const std::vector<int> positions = SelectedPositions();
    if (positions.size() > 1) Report("Removing slides ... ", 0, 1);
    const int first = positions.front();
    album_.Cut(positions);
    AfterOrderChange();
    current_ = Count() == 0 ? -1 : std::min(first, Count() - 1);
    SetUnsaved(true);
}

void AlbumEditor::Relocate() {
    if (!NeedSelection()) return;
    const std::optional<int> target =
        AskNumber("Relocate selection(s) to Index#", 0, Count() - 1, 0, 1, Count() / 8 + 1);
    if (target) RelocateTo(*target);
}

void AlbumEditor::RelocateTo(int target) {
    if (SelectedCount() == 0) return;
    thumbsWanted_ = false;
    const std::vector<int> now = album_.Relocate(SelectedPositions(), target);
    ClearSelection();
    for (int position : now) selected_[position] = 1;
    current_ = now.front();
    lastHit_ = -1;
    SetUnsaved(true);
}

// -------------------------------------------------------------------------
// Selections and searches

void AlbumEditor::SelectIndex() {
    if (Count() == 0) return;
    const std::optional<int> index =
        AskNumber("Go to Slide Index", 1, Count(), current_ + 1, 1, Count() / 8 + 1);
    if (index) SelectOnly(*index - 1);
}

void AlbumEditor::SelectAll() {
    Report("Selecting ...", 0, 1);
    std::fill(selected_.begin(), selected_.end(), 1);
}

void AlbumEditor::InvertSelection() {
    Report("Selecting ...", 0, 1);
    for (std::uint8_t& flag : selected_) flag = flag ? 0 : 1;
}

bool AlbumEditor::FindFrom(int start) {
    for (int i = std::max(start, 0); i < Count(); ++i)
        if (album_.NameOf(i).find(lastFind_) != std::string_view::npos) {
            SelectOnly(i);
            lastHit_ = i;
            return true;
        }
    return false;
}

void AlbumEditor::FindName() {
    const std::optional<std::string> text =
        host_.dialogs.AskText("Enter partial FILENAME to find slide.",
                              "e.g., \"Fav\" to find \"myFavorites123\"", lastFind_);
    if (!text || text->empty()) return;
    lastFind_ = *text;
    lastHit_ = current_;
    FindNextName();
}

void AlbumEditor::FindNextName() {
    if (lastFind_.empty()) return FindName();
    if (FindFrom(lastHit_ + 1)) return;
    const std::string question = "No (more) slides found with \"" + lastFind_ +
                                 "\".\nNote: Search is case-sensitive?\n\nStart new search from "
                                 "first record?";
    if (host_.dialogs.AskYesNo(question)) {
        lastHit_ = -1;
        FindFrom(0);
    }
}

std::string CutTo255(std::string text) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (++characters > 255) {
            text.resize(i);
            break;
        }
    }
    return text;
}

void AlbumEditor::FindComments() {
    const std::optional<std::string> typed =
        host_.dialogs.AskText("Query comments by keyword", "Enter a keyword or substring.", {});
    if (!typed || typed->empty()) return;
    const std::string keyword = CutTo255(*typed);
    int found = 0, first = -1;
    for (int i = 0; i < Count(); ++i) {
        const bool hit = album_.CommentOf(i).find(keyword) != std::string_view::npos;
        selected_[i] = hit ? 1 : 0;
        if (hit && found++ == 0) first = i;
    }
    std::string text = std::to_string(found) + " slide(s) found with keyword: \"" + keyword + "\"";
    if (found == 0) {
        host_.dialogs.Information(text);
        return;
    }
    text += "\nItem(s) found are currently selected.\nJump to first item?";
    if (host_.dialogs.AskYesNo(text)) current_ = first;
}

// -------------------------------------------------------------------------
// The menus

void AlbumEditor::Run(int command, int argument, bool shift) {
    if (busy_) return;
    // The progress window lets events through: clicks meanwhile are ignored.
    BusyGuard busy(busy_);
    switch (command) {
    case kAlNew: return New();
    case kAlOpen: return Open();
    case kAlSaveAs: return SaveAs();
    case kAlRun: return RunTestScript();
    case kAlGetSlides: return GetSlides();
    case kAlAdd: return AddSlides(false);
    case kAlInsert: return AddSlides(true);
    case kAlInsertCdTrack: return InsertCdTrack();
    case kAlCut: return Cut();
    case kAlRelocate: return Relocate();
    case kAlSelectIndex: return SelectIndex();
    case kAlSelectAll: return SelectAll();
    case kAlInvertSelection: return InvertSelection();
    case kAlFindName: return FindName();
    case kAlFindNext: return FindNextName();
    case kAlFindComments: return FindComments();
    case kAlBackColor:
    case kAlWait:
    case kAlZoom:
    case kAlGamma:
    case kAlRotate:
    case kAlPosition:
    case kAlPanel:
    case kAlComment: return PropertyCommand(command);
    case kAlUserIdxSequence:
    case kAlCopyUserToExtra:
    case kAlCopyExtraToUser:
    case kAlSwapUserExtra:
    case kAlUserIdxComplexity:
    case kAlCommentsFilename:
    case kAlCommentsPathname:
    case kAlCrcIndices:
    case kAlImageDimensions:
    case kAlClearUserIdx:
    case kAlClearComments: return IndexCommand(command, shift);
    case kAlOpenSource: return OpenSources();
    case kAlDeleteSource: return DeleteSources(shift);
    case kAlMoveTo: return TransferSources(true);
    case kAlCopyTo: return TransferSources(shift);
    case kAlValidate: return Validate();
    case kAlAlbumInfo: return AlbumInfo();
    case kAlDetails: view_.details = true; return;
    case kAlThumbnails: view_.details = false; return;
    case kAlTightSpacing: view_.tightSpacing = !view_.tightSpacing; return;
    case kAlColumns:
        view_.columns = static_cast<AlbumColumnSet>(std::clamp(argument, 0, 2));
        return;
    case kAlToolBar: view_.toolBar = !view_.toolBar; return;
    case kAlStatusBar: view_.statusBar = !view_.statusBar; return;
    case kAlPropertiesBox: view_.propertiesBox = !view_.propertiesBox; return;
    case kAlButtonText: view_.buttonText = !view_.buttonText; return;
    case kAlAlbumMenu: albumMenuMode_ = !albumMenuMode_; return;
    case kAlDoThumbs: thumbsWanted_ = Count() > 0; return;
    case kAlStopThumbs: thumbsWanted_ = false; return;
    case kAlCheckThumbs: checkThumbsRequested_ = Count() > 0; return;
    case kAlRedoThumbs: return RedoThumbs();
    default: return; // the window's own (close, tile)
    }
}

bool AlbumEditor::Rule(int rule, int argument) const {
    const int selected = SelectedCount();
    // With one slide selected its kind decides; with several, each command
    // passes over the slides it does not apply to.
    const auto kind = [&] {
        if (selected != 1) return SlideKind::Picture;
        return KindOf(album_.Slide(InsertionPoint()));
    };
    switch (rule) {
    case kRuleAlways: return true;
    case kAlHasSlides: return Count() > 0;
    case kAlHasSelection: return selected > 0;
    case kAlTwoSlides: return Count() >= 2;
    case kAlNotThumbing: return !thumbsWanted_ && Count() > 0;
    case kAlThumbing: return thumbsWanted_;
    case kAlDetailsOn: return view_.details;
    case kAlThumbnailsOn: return !view_.details;
    case kAlTightOn: return view_.tightSpacing;
    case kAlColumnsAre: return static_cast<int>(view_.columns) == argument;
    case kAlToolBarOn: return view_.toolBar;
    case kAlStatusBarOn: return view_.statusBar;
    case kAlPropertiesBoxOn: return view_.propertiesBox;
    case kAlButtonTextOn: return view_.buttonText;
    case kAlAlbumMenuOn: return albumMenuMode_;
    case kAlAlbumMenuOff: return !albumMenuMode_;
    case kAlPictureProperty: return selected > 0 && kind() == SlideKind::Picture;
    case kAlAnyFileProperty:
        return selected > 0 && (kind() == SlideKind::Picture || kind() == SlideKind::Other);
    default: return false;
    }
}

} // namespace zv
