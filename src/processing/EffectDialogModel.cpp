#include "processing/EffectDialogModel.h"

#include "platform/Dialogs.h"
#include "platform/ParameterDialogModel.h"
#include "processing/Masks.h"
#include "processing/WhiteSearch.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <initializer_list>
#include <map>
#include <mutex>

namespace zv {

namespace {

constexpr std::uint32_t kSilver = 0xC0C0C0;

bool In(int code, std::initializer_list<int> codes) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}
bool Between(int code, int low, int high) {
    return code >= low && code <= high;
}

// What an effect code lays out beyond the registry's sliders: how many rows
// show, captions that differ from the sliders' own, the curve button and
// the colour panel.
struct CodeLayout {
    int rows = 1;
    std::array<const char*, 3> captions{}; // nullptr: the slider's caption
    const char* curve = "";
    bool panel = false;
};

CodeLayout LayoutFor(int code) {
    CodeLayout layout;
    if (In(code, {100, 102, 110, 112, 113, 114, 120, 131, 132, 156, 157})) {
        layout.rows = 3;
        if (In(code, {110, 112, 113, 131, 132})) layout.curve = "Histogram";
        layout.panel = In(code, {156, 157});
    } else if (In(code, {130, 133, 134, 135}) || Between(code, 400, 403) ||
               Between(code, 410, 416)) {
        layout.rows = Between(code, 400, 403) ? 3 : 2;
        layout.curve = "Histogram";
    } else if (code == 510 || In(code, {230, 231, 241, 520})) {
        layout.rows = 2;
    } else if (In(code, {501, 502, 503, 531})) {
        layout.rows = 2;
        layout.captions = {"&Band", "&Mask", nullptr};
    } else if (Between(code, 140, 143)) {
        layout.rows = 3;
        layout.curve = "E&Q Curve";
        layout.panel = true;
    } else if (code == 150) {
        layout.rows = 3;
        layout.panel = true;
    } else if (Between(code, 151, 155)) {
        layout.rows = 3;
        layout.captions = {"H&ue band", "&Lum band", "&Sat band"};
        if (In(code, {151, 152, 155})) layout.curve = "Show mask";
        layout.panel = true;
    } else if (code == 160) {
        layout.panel = true;
    }
    return layout;
}

bool TwoPictureCode(const ToolboxOperation& op) {
    return (op.needs & (kNeedDuplicate | kNeedDuplicateQuiet)) != 0;
}

// The colour a window-system colour value holds: red in the low byte.
std::uint32_t ColourValue(int r, int g, int b) {
    return static_cast<std::uint32_t>(r) | static_cast<std::uint32_t>(g) << 8 |
           static_cast<std::uint32_t>(b) << 16;
}

// A 24-bit copy of a rectangle that lies inside a 24-bit picture.
Bitmap CopyRegion(const Bitmap& source, const PictureRect& r) {
    Bitmap copy;
    copy.Create(r.right - r.left, r.bottom - r.top, PixelFormat::Bits24);
    const std::size_t bytes = 3 * static_cast<std::size_t>(r.right - r.left);
    for (std::int32_t y = r.top; y < r.bottom; ++y)
        std::memcpy(copy.ScanLine(y - r.top), source.ScanLine(y) + 3 * std::size_t(r.left), bytes);
    return copy;
}

// How far around its region a preview reads the picture. Filters read
// their neighbours, and some leave the picture's last rows or columns
// alone, so the region is filtered inside a margin of the picture wide
// enough for every one of them (the 7x7 medians and Mask Edges, which
// spares the last three rows, reach 3) and its edges look as after Apply.
int MarginOf(int code) {
    constexpr int kFilterMargin = 4;
    return In(code, {1, 3, 4, 30, 31, 32, 33, 34, 36, 230, 231, 520}) ? kFilterMargin : 0;
}

PictureRect Grown(const PictureRect& r, int margin, const Bitmap& picture) {
    return {std::max(0, r.left - margin), std::max(0, r.top - margin),
            std::min(picture.Width(), r.right + margin),
            std::min(picture.Height(), r.bottom + margin)};
}

// One preview: copies of the region with its margin (and of the duplicate's
// same part), the values and the toolbox state, so Render reads nothing the
// dialog owns and may run on any thread.
class RegionPreview final : public EffectPreview {
public:
    RegionPreview(const ToolboxOperation& op, const EffectValues& values, const ToolboxContext& tb)
        : op_(op), values_(values), tb_(tb) {}

    void Render() override {
        Bitmap work = source_;
        try {
            if (showMask_) {
                ShowMask(work);
            } else if (op_.pixels) {
                op_.pixels(work, tb_, values_);
            } else if (op_.work) {
                // Two-picture codes take the duplicate's same part as their
                // second picture; nothing else of the viewer reaches a preview.
                ToolboxJob job{
                    work,        tb_,     values_, TwoPictureCode(op_) ? &scratch_ : nullptr,
                    {},          {},      {},      {},
                    0,           nullptr, {},      nullptr,
                    std::nullopt};
                op_.work(job);
            }
        } catch (const std::exception&) {
            // A preview that could not be made shows the region unchanged.
            work = source_;
        }
        result = CopyRegion(work, inner_);
    }

    // Reads `region` with `margin` around it from the picture (and the duplicate).
    void Take(const PictureRect& region, int margin, const Bitmap& picture,
              const Bitmap* duplicate) {
        this->region = region;
        const PictureRect outer = Grown(region, margin, picture);
        source_ = CopyRegion(picture, outer);
        if (TwoPictureCode(op_) && duplicate) scratch_ = CopyRegion(*duplicate, outer);
        inner_ = {region.left - outer.left, region.top - outer.top, region.right - outer.left,
                  region.bottom - outer.top};
    }

    // Shows the selection itself instead: selected colours white, the
    // rest black, as the command will see them.
    void ShowMaskInstead() { showMask_ = true; }

    PictureRect region;
    Bitmap result;

private:
    void ShowMask(Bitmap& work) const {
        const int code = op_.effectCode;
        ReplaceHls(work, UnpackSelection(values_), code == 151, code == 155, true);
    }

    bool showMask_ = false;
    const ToolboxOperation& op_;
    EffectValues values_;
    ToolboxContext tb_;
    Bitmap source_;
    Bitmap scratch_;
    PictureRect inner_;
};

} // namespace

bool EffectPreviewPossible(const ToolboxOperation& op, const Bitmap& picture,
                           const Bitmap* duplicate) {
    if (picture.Empty() || picture.Format() != PixelFormat::Bits24) return false;
    if (!TwoPictureCode(op)) return true;
    return duplicate && duplicate->Format() == PixelFormat::Bits24 &&
           duplicate->Width() == picture.Width() && duplicate->Height() == picture.Height();
}

EffectDialogModel::EffectDialogModel(const ToolboxOperation& op, const Bitmap& picture,
                                     const ToolboxContext& tb, const EffectValues& start,
                                     const Bitmap* duplicate)
    : op_(op), picture_(picture), duplicate_(duplicate), tb_(tb) {
    static const EffectDialogLayout kNoLayout;
    const EffectDialogLayout& dialog = op.dialog ? *op.dialog : kNoLayout;
    const CodeLayout layout = LayoutFor(op.effectCode);
    title_ = dialog.title;
    rowCount_ = layout.rows;
    curve_ = layout.curve;
    panelShown_ = layout.panel;
    for (int n = 0; n < 3; ++n) {
        // Rows beyond the entry's own sliders share slider 1's range.
        const EffectSlider& s = dialog.slider[n < dialog.sliders ? n : 0];
        EffectRow& row = rows_[n];
        row.caption = layout.captions[n] ? layout.captions[n] : s.caption;
        row.minLabel = s.minLabel;
        row.maxLabel = s.maxLabel;
        row.min = s.min;
        row.max = std::max(s.max, s.min);
        row.largeStep = s.largeStep;
        row.smallStep = s.smallStep;
        // Rows beyond the entry's own sliders also share slider 1's start.
        int position = start[n < dialog.sliders ? n : 0];
        if (PackedCode()) {
            // A packed value carries the tolerance above the centre.
            if (position >= 65536) position >>= 16;
            const int centre = start[n] >= 65536 ? start[n] & 0xFFFF : 0;
            (n == 0 ? centre_.H : n == 1 ? centre_.L : centre_.S) = centre;
        }
        starts_[n] = std::clamp(position, row.min, row.max);
        Place(n, starts_[n]);
    }
    if (op.effectCode == 160) {
        const WhiteReference white = WhiteMax(picture);
        white_ = white.colour;
        panelColour_ = static_cast<std::uint32_t>(white.Values().V3);
    }
}

bool EffectDialogModel::PackedCode() const {
    return Between(op_.effectCode, 151, 155);
}

EffectRow EffectDialogModel::Row(int n) const {
    return rows_[Row3(n)];
}

void EffectDialogModel::Place(int n, int position) {
    EffectRow& row = rows_[Row3(n)];
    row.position = std::clamp(position, row.min, row.max);
    row.text = std::to_string(row.position);
}

void EffectDialogModel::SetSlider(int n, int position) {
    if (closed_ || n < 0 || n >= 3) return;
    Place(n, position);
}

void EffectDialogModel::TypeText(int n, const std::string& text) {
    if (closed_ || n < 0 || n >= 3) return;
    EffectRow& row = rows_[n];
    const std::optional<int> typed = ReadWholeNumber(text);
    if (!typed) {
        row.text = std::to_string(row.position);
        return;
    }
    Place(n, *typed);
    if (*typed == row.position) row.text = text;
}

EffectValues EffectDialogModel::Values() const {
    const int s1 = rows_[0].position, s2 = rows_[1].position, s3 = rows_[2].position;
    const int code = op_.effectCode;
    if (PackedCode())
        return {s1 * 65536 + centre_.H, s2 * 65536 + centre_.L, s3 * 65536 + centre_.S};
    if (code == 160) {
        // The balance lifts each channel by how far the white reference
        // falls short of white.
        const int k = s1 + 127;
        return {k * (255 - white_.R) / 255, k * (255 - white_.G) / 255, k * (255 - white_.B) / 255};
    }
    if (rowCount_ == 1 && op_.paramCount == 3) return {s1, s1, s1};
    // Values past both the rows and the batch line stay 0.
    const int used = std::max(rowCount_, op_.paramCount);
    return {s1, used > 1 ? s2 : 0, used > 2 ? s3 : 0};
}

void EffectDialogModel::Pick(int x, int y) {
    if (closed_ || picture_.Format() != PixelFormat::Bits24 || x < 0 || y < 0 ||
        x >= picture_.Width() || y >= picture_.Height())
        return;
    const std::uint8_t* p = picture_.ScanLine(y) + 3 * std::size_t(x);
    const int r = p[2], g = p[1], b = p[0];
    const int code = op_.effectCode;
    panelColour_ = ColourValue(r, g, b);
    centre_ = RGBtoHLS(r, g, b);
    panelText_ = "H=" + std::to_string(centre_.H) + " L=" + std::to_string(centre_.L) +
                 " S=" + std::to_string(centre_.S);
    if (In(code, {114, 156, 157})) {
        Place(0, r), Place(1, g), Place(2, b);
    } else if (code == 140) {
        Place(0, (std::max({r, g, b}) + std::min({r, g, b})) / 2);
    } else if (Between(code, 141, 143)) {
        Place(0, code == 141 ? r : code == 142 ? g : b);
    }
}

void EffectDialogModel::SetView(int x, int y, int width, int height) {
    view_ = {x, y, x + std::max(width, 1), y + std::max(height, 1)};
}

// The part of the picture under the view, inside the picture. Interlace
// starts on an even row and Mosaic on its tile grid, so the preview shows
// what Apply will do to the same pixels.
PictureRect EffectDialogModel::PreviewRegion() const {
    const std::int32_t w = std::min(picture_.Width(), view_.right - view_.left);
    const std::int32_t h = std::min(picture_.Height(), view_.bottom - view_.top);
    std::int32_t x = std::clamp(view_.left, 0, picture_.Width() - w);
    std::int32_t y = std::clamp(view_.top, 0, picture_.Height() - h);
    if (op_.effectCode == 510) y -= y % 2;
    if (op_.effectCode == 250) {
        const int tile = std::max(1, rows_[0].position);
        x -= x % tile;
        y -= y % tile;
    }
    return {x, y, x + w, y + h};
}

std::unique_ptr<EffectPreview> EffectDialogModel::PreparePreview() {
    if (closed_ || !EffectPreviewPossible(op_, picture_, duplicate_)) return nullptr;
    auto preview = std::make_unique<RegionPreview>(op_, Values(), tb_);
    preview->Take(PreviewRegion(), MarginOf(op_.effectCode), picture_, duplicate_);
    if (showMask_) preview->ShowMaskInstead();
    return preview;
}

void EffectDialogModel::ShowPreview(std::unique_ptr<EffectPreview> made) {
    auto* preview = dynamic_cast<RegionPreview*>(made.get());
    if (closed_ || !preview) return;
    region_ = preview->region;
    after_ = std::move(preview->result);
    ++previews_;
}

void EffectDialogModel::Test() {
    std::unique_ptr<EffectPreview> preview = PreparePreview();
    if (!preview) return;
    preview->Render();
    ShowPreview(std::move(preview));
}

void EffectDialogModel::Reset() {
    if (closed_) return;
    if (In(op_.effectCode, {501, 502, 503, 531})) {
        Place(0, 100);
        Place(1, 99);
    } else {
        for (int n = 0; n < 3; ++n) Place(n, starts_[n]);
    }
    Test();
}

void EffectDialogModel::Curve() {
    if (closed_ || curve_.empty()) return;
    const int code = op_.effectCode;
    curveTitle_.clear();
    if (In(code, {151, 152, 155})) {
        showMask_ = true;
        Test();
        showMask_ = false;
        return;
    }
    if (Between(code, 140, 143)) {
        // The equaliser's maps, built as the command builds them (its pass
        // on one pixel), drawn as curves.
        ToolboxContext tb = tb_;
        ResetMaps(tb);
        Bitmap pixel;
        pixel.Create(1, 1, PixelFormat::Bits24);
        if (op_.pixels) op_.pixels(pixel, tb, Values());
        LUT2Histogram(tb.maps[0], tb.maps[1], tb.maps[2], curveHistogram_);
        curveTitle_ = "Parametric EQ Curve";
    } else {
        DoCalcHistogram(picture_, curveHistogram_, true, false, false);
        curveTitle_ = "Histogram [Unmodified image]";
    }
}

void EffectDialogModel::ShowScrollBars(bool shown) {
    if (closed_ || shown == scrollBars_) return;
    scrollBars_ = shown;
    if (!shown) scroll_ = {view_.left, view_.top};
}

void EffectDialogModel::Apply() {
    if (!ApplyEnabled()) return;
    result_ = Values();
    closed_ = true;
}

void EffectDialogModel::Cancel() {
    if (closed_) return;
    result_.reset();
    closed_ = true;
}

EffectSliderPlaces EffectDialogModel::Places() const {
    return {{rows_[0].position, rows_[1].position, rows_[2].position}, centre_};
}

void EffectDialogModel::Offer(const EffectSliderPlaces& places) {
    if (closed_) return;
    for (int n = 0; n < 3; ++n) Place(n, places.positions[static_cast<std::size_t>(n)]);
    centre_ = places.centre;
}

namespace {

struct SliderMemory {
    std::mutex lock;
    std::map<std::string, EffectSliderPlaces, std::less<>> places;
};
SliderMemory& Memory() {
    static SliderMemory memory;
    return memory;
}

} // namespace

std::optional<EffectSliderPlaces> RememberedSliders(const std::string& word) {
    SliderMemory& memory = Memory();
    const std::lock_guard<std::mutex> hold(memory.lock);
    const auto found = memory.places.find(word);
    if (found == memory.places.end()) return std::nullopt;
    return found->second;
}

void RememberSliders(const std::string& word, const EffectSliderPlaces& places) {
    SliderMemory& memory = Memory();
    const std::lock_guard<std::mutex> hold(memory.lock);
    memory.places[word] = places;
}

void ForgetRememberedSliders() {
    SliderMemory& memory = Memory();
    const std::lock_guard<std::mutex> hold(memory.lock);
    memory.places.clear();
}

std::optional<EffectValues> RunEffectDialog(Dialogs& dialogs, const ToolboxOperation& op,
                                            const Bitmap& picture, const EffectValues& start,
                                            const Bitmap* duplicate, const ToolboxContext& tb) {
    if (!op.dialog || !EffectPreviewPossible(op, picture, duplicate)) return std::nullopt;
    EffectDialogModel model(op, picture, tb, start, duplicate);
    // One memory per menu item: entries that share a batch word differ in code.
    const std::string word =
        std::string(op.word ? op.word : "") + '#' + std::to_string(op.effectCode);
    if (const std::optional<EffectSliderPlaces> kept = RememberedSliders(word)) model.Offer(*kept);
    dialogs.EffectDialog(model);
    if (model.Result()) RememberSliders(word, model.Places());
    return model.Result();
}

} // namespace zv
