// The album's property commands (one value for the selected slides) and
// its index commands (a value worked out for every slide).

#include "album/AlbumEditor.h"

#include "catalog/ThumbCache.h"
#include "formats/DecodeFile.h"
#include "imaging/BitmapFile.h"
#include "platform/FileCrc.h"
#include "processing/Complexity.h"

#include <algorithm>
#include <cctype>

namespace zv {

namespace {

// A field of the record and the dialog that asks its value.
struct NumberProperty {
    int command;
    std::int16_t SlideRecord::*field;
    const char* title;
    int min, max, start, small, large;
    std::initializer_list<int> presets;
};

const NumberProperty kNumberProperties[] = {
    {kAlWait,
     &SlideRecord::wait,
     "Slide wait (seconds)",
     1,
     28800,
     1,
     1,
     30,
     {1, 3, 5, 10, 15, 30}},
    {kAlZoom, &SlideRecord::zoom, "Magnify by (%)", 25, 400, 100, 1, 25, {}},
    {kAlGamma,
     &SlideRecord::gamma,
     "Gamma adjustment (n/100)",
     10,
     500,
     100,
     10,
     30,
     {60, 80, 120, 140, 160, 180}},
    {kAlRotate,
     &SlideRecord::rotate,
     "Rotate image (deg.)",
     0,
     359,
     0,
     1,
     15,
     {30, 45, 60, 90, 180, 270}},
};

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

bool FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// The details view's column captions, in order.
constexpr const char* kColumnCaptions[] = {
    "filename",  "backcolor",   "FX#",     "wait", "zoom",     "gamma", "rotate",
    "pos [x,y]", "panel [w,h]", "comment", "crc",  "user idx", "image", "extra idx"};

} // namespace

std::string GroupedNumber(std::uint64_t value) {
    std::string digits = std::to_string(value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(at, ",");
    return digits;
}

// -------------------------------------------------------------------------
// Properties of the selected slides

void AlbumEditor::ApplyProperty(std::int16_t SlideRecord::*field, int value) {
    const bool everySlide = field == &SlideRecord::wait;
    const std::vector<int> positions = SelectedPositions();
    std::int64_t done = 0;
    for (int position : positions) {
        SlideRecord& record = album_.Slide(position);
        if (everySlide || record.*field != kNotApplicable)
            record.*field = static_cast<std::int16_t>(value);
        Report("Changing property ...", ++done, static_cast<std::int64_t>(positions.size()));
    }
    SetUnsaved(true);
}

void AlbumEditor::PropertyCommand(int command) {
    if (!NeedSelection()) return;
    thumbsWanted_ = false;
    const int single = SelectedCount() == 1 ? InsertionPoint() : -1;
    if (command == kAlBackColor) return BackColorCommand();
    if (command == kAlPosition || command == kAlPanel) return PositionCommand(command == kAlPanel);
    if (command == kAlComment) return CommentCommand();
    for (const NumberProperty& property : kNumberProperties) {
        if (property.command != command) continue;
        int start = property.start;
        if (single >= 0) {
            const std::int16_t value = album_.Slide(single).*property.field;
            if (value == kNotApplicable && command != kAlWait) return;
            if (command == kAlWait) start = std::max<int>(value, 1);
        }
        const std::optional<int> value =
            AskNumber(property.title, property.min, property.max, start, property.small,
                      property.large, property.presets);
        if (value) ApplyProperty(property.field, *value);
        return;
    }
}

void AlbumEditor::BackColorCommand() {
    const int single = SelectedCount() == 1 ? InsertionPoint() : -1;
    ColourRef initial = 0xFFFFFF;
    if (single >= 0) {
        const std::int32_t colour = album_.Slide(single).backColor;
        if (colour == kBackColorNotApplicable) return;
        if (colour >= 0) initial = static_cast<ColourRef>(colour);
    }
    std::int32_t value;
    if (const std::optional<ColourRef> colour = host_.dialogs.ChooseColour(initial))
        value = static_cast<std::int32_t>(*colour & 0xFFFFFF);
    else if (host_.dialogs.AskYesNo("Clear background of selected item(s)?"))
        value = kNoBackColor;
    else
        return;
    for (int position : SelectedPositions()) {
        SlideRecord& record = album_.Slide(position);
        if (record.backColor != kBackColorNotApplicable) record.backColor = value;
    }
    SetUnsaved(true);
}

// "&Position" (the slide window's place) and "Pan&el" (its size): both
// numbers up to twice the screen less one; leaving the dialog without a
// value offers automatic.
void AlbumEditor::PositionCommand(bool panel) {
    const int single = SelectedCount() == 1 ? InsertionPoint() : -1;
    std::int16_t SlideRecord::*first = panel ? &SlideRecord::panelW : &SlideRecord::posX;
    std::int16_t SlideRecord::*second = panel ? &SlideRecord::panelH : &SlideRecord::posY;
    SizeDialogRequest request;
    request.title = panel ? "Slide Window Size" : "Slide Window Position";
    request.mode = panel ? 0 : -10;
    request.widthLimit = std::max(host_.files.screenWidth, 1) * 2 - 1;
    request.heightLimit = std::max(host_.files.screenHeight, 1) * 2 - 1;
    request.width = 0;
    request.height = 0;
    if (single >= 0) {
        const SlideRecord& record = album_.Slide(single);
        if (record.*first == kNotApplicable) return;
        request.width = std::max<int>(record.*first, 0);
        request.height = std::max<int>(record.*second, 0);
    }
    SizeDialogModel model(request);
    host_.dialogs.SizeDialog(model);
    const int low = panel ? -1 : -10;
    int x = kAutomatic, y = kAutomatic;
    if (const std::optional<SizeDialogResult> result = model.Result()) {
        x = std::clamp(result->width, low, request.widthLimit);
        y = std::clamp(result->height, low, request.heightLimit);
    } else if (!host_.dialogs.AskYesNo(panel ? "Reset Slide Window Size to AUTO?"
                                             : "Reset Slide Window Position to AUTO?")) {
        return;
    }
    for (int position : SelectedPositions()) {
        SlideRecord& record = album_.Slide(position);
        if (record.*first == kNotApplicable) continue;
        record.*first = static_cast<std::int16_t>(x);
        record.*second = static_cast<std::int16_t>(y);
    }
    SetUnsaved(true);
}

void AlbumEditor::CommentCommand() {
    const int single = SelectedCount() == 1 ? InsertionPoint() : -1;
    const std::string initial = single >= 0 ? std::string(album_.CommentOf(single)) : std::string();
    const std::optional<std::string> text =
        host_.dialogs.AskText("Slide keywords or comment", "Enter up to 255 characters.", initial);
    if (!text) return;
    const std::string comment = CutTo255(*text);
    for (int position : SelectedPositions()) album_.SetComment(position, comment);
    SetUnsaved(true);
}

void AlbumEditor::ColumnClicked(int column) {
    if (busy_ || Count() == 0 || column < 0 ||
        column >= static_cast<int>(std::size(kColumnCaptions)))
        return;
    static constexpr int kCommands[] = {kAlValidate,
                                        kAlBackColor,
                                        0,
                                        kAlWait,
                                        kAlZoom,
                                        kAlGamma,
                                        kAlRotate,
                                        kAlPosition,
                                        kAlPanel,
                                        kAlCommentsFilename,
                                        kAlCrcIndices,
                                        kAlUserIdxSequence,
                                        kAlImageDimensions,
                                        0};
    const int command = kCommands[column];
    if (command == 0) return; // FX# waits for the effect list; extra idx has no command
    if (command == kAlValidate) return Validate(true);
    if (command == kAlCrcIndices) {
        SelectAll();
        return Run(command);
    }
    if (command == kAlCommentsFilename || command == kAlUserIdxSequence ||
        command == kAlImageDimensions)
        return Run(command);
    if (!host_.dialogs.AskYesNo("Change " + Upper(kColumnCaptions[column]) +
                                " property for ALL slides?"))
        return;
    SelectAll();
    Run(command);
}

// -------------------------------------------------------------------------
// Index commands over all slides

void AlbumEditor::IndexCommand(int command, bool shift) {
    thumbsWanted_ = false;
    switch (command) {
    case kAlUserIdxComplexity: return ComplexityRatings();
    case kAlCrcIndices: return CrcIndices(shift);
    case kAlImageDimensions: return ImageDimensions(shift);
    case kAlCommentsFilename: return CommentsWithNames(false);
    case kAlCommentsPathname: return CommentsWithNames(true);
    case kAlClearComments:
        if (!host_.dialogs.AskYesNo("Clear ALL comments?")) return;
        album_.ClearComments();
        SetUnsaved(true);
        return;
    default: return FillUserIdx(command);
    }
}

void AlbumEditor::FillUserIdx(int command) {
    struct Fill {
        int command;
        const char* question;
    };
    static constexpr Fill kFills[] = {
        {kAlUserIdxSequence, "Populate User indices with slide sequence?"},
        {kAlClearUserIdx, "Clear User indices?"},
        {kAlCopyUserToExtra, "Copy User idx to Extra idx?"},
        {kAlCopyExtraToUser, "Copy Extra idx to User idx?"},
        {kAlSwapUserExtra, "Swap Extra idx with User idx?"},
    };
    const auto fill = std::find_if(std::begin(kFills), std::end(kFills),
                                   [&](const Fill& f) { return f.command == command; });
    if (fill == std::end(kFills) || !host_.dialogs.AskYesNo(fill->question)) return;
    BusyGuard busy(busy_);
    for (int i = 0; i < Count(); ++i) {
        SlideRecord& record = album_.Slide(i);
        switch (command) {
        case kAlUserIdxSequence: record.userIdx = i; break;
        case kAlClearUserIdx: record.userIdx = 0; break;
        case kAlCopyUserToExtra: record.extraIdx = record.userIdx; break;
        case kAlCopyExtraToUser: record.userIdx = record.extraIdx; break;
        default: std::swap(record.userIdx, record.extraIdx); break;
        }
        Report("Changing User index ...", i + 1, Count());
    }
    SetUnsaved(true);
}

void AlbumEditor::ComplexityRatings() {
    if (!host_.dialogs.AskYesNo("Populate User indices with Complexity rating?")) return;
    BusyGuard busy(busy_);
    if (host_.progress) host_.progress->ResetStop();
    for (int i = 0; i < Count(); ++i) {
        if (host_.progress && host_.progress->Stopped()) break;
        std::int64_t rating = 0;
        const std::filesystem::path thumb = ThumbPath(i);
        if (!thumb.empty() && ThumbPresent(thumb)) {
            try {
                Bitmap picture = ReadBitmapFile(thumb);
                if (picture.Format() == PixelFormat::Bits24)
                    rating = ComplexityIndex(picture, kComplexityQuality,
                                             std::int64_t{picture.Width()} * picture.Height() * 3);
            } catch (const std::exception&) {
                rating = 0; // an unreadable thumbnail rates as none
            }
        }
        album_.Slide(i).userIdx =
            static_cast<std::int32_t>(std::clamp<std::int64_t>(rating, INT32_MIN, INT32_MAX));
        Report(std::to_string(i + 1) + " slides done. (" + std::to_string((i + 1) * 100 / Count()) +
                   "%)",
               i + 1, Count());
    }
    SetUnsaved(true);
}

void AlbumEditor::CrcIndices(bool shift) {
    const std::string question =
        std::string("Calculate live CRC and populate CRC fields?\n") +
        (shift ? "All CRC data will be refreshed." : "Old CRC data will be retained.");
    if (!host_.dialogs.AskYesNo(question)) return;
    BusyGuard busy(busy_);
    for (int i = 0; i < Count(); ++i) {
        const SlideRecord& record = album_.Slide(i);
        if (KindOf(record) != SlideKind::CdTrack && (shift || record.crc == kNoCrc))
            album_.ComputeCrc(i); // a file that cannot be read keeps its value
        Report("Calculating CRCs ...", i + 1, Count());
    }
    SetUnsaved(true);
}

void AlbumEditor::ImageDimensions(bool shift) {
    const std::string question =
        std::string("Extract live image info and populate image fields?\n") +
        (shift ? "All image data will be refreshed." : "Old image data will be retained.");
    if (!host_.dialogs.AskYesNo(question)) return;
    BusyGuard busy(busy_);
    for (int i = 0; i < Count(); ++i) {
        SlideRecord& record = album_.Slide(i);
        Report("Changing User index ...", i + 1, Count());
        if (KindOf(record) == SlideKind::CdTrack || (!shift && (record.width || record.height)))
            continue;
        const std::string path = album_.SlidePath(i);
        if (!FileExists(path)) continue;
        try {
            const PictureHeader header = ProbeFile(path);
            const bool fits = header.width >= 0 && header.width <= 65535 && header.height >= 0 &&
                              header.height <= 65535;
            record.width = static_cast<std::uint16_t>(fits ? header.width : 0);
            record.height = static_cast<std::uint16_t>(fits ? header.height : 0);
        } catch (const std::exception&) {
            // not a picture the readers know: its fields stay as they were
        }
    }
    SetUnsaved(true);
}

void AlbumEditor::CommentsWithNames(bool pathname) {
    if (!host_.dialogs.AskYesNo(std::string("Populate ALL comments with ") +
                                (pathname ? "Pathname?" : "Filename?")))
        return;
    BusyGuard busy(busy_);
    for (int i = 0; i < Count(); ++i) {
        // Paths keep their case here, where case tells files apart.
        album_.SetComment(i, pathname ? album_.SlidePath(i) : std::string(album_.NameOf(i)));
        Report("Changing User index ...", i + 1, Count());
    }
    SetUnsaved(true);
}

void AlbumEditor::AlbumInfo() {
    std::uint64_t total = 0;
    for (int i = 0; i < Count(); ++i) total += static_cast<std::uint32_t>(album_.Slide(i).fileSize);
    host_.dialogs.Information("# of slides: " + std::to_string(Count()) +
                              "\nTotal bytes: " + GroupedNumber(total));
}

} // namespace zv
