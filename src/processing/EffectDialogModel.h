#pragma once
// The effect dialog's state for one toolbox operation: the slider rows its
// effect code lays out (from the registry entry's dialog), the values the
// sliders stand for, the colour pick, and Test, which runs the entry's own
// pixel work on a copy of the previewed region with a copy of the toolbox
// state. Apply hands back the values of the sliders' current positions for
// the protocol to run and record; the dialog itself never records, and
// Cancel is told apart from every value.

#include "platform/EffectDialogSession.h"
#include "processing/Histogram.h"
#include "processing/Hls.h"
#include "processing/Toolbox.h"

#include <array>
#include <optional>
#include <string>

namespace zv {

class Dialogs;

// Where a dialog's sliders were left: their positions and, for the colour
// selections, the centre a pick set.
struct EffectSliderPlaces {
    std::array<int, 3> positions{};
    Hls centre;
};

class EffectDialogModel final : public EffectDialogSession {
public:
    // `start` holds the sliders' start positions (for the HLS selections
    // also a packed value: tolerance x 65536 + centre). `duplicate` is the
    // second picture of the two-picture codes; without one of the picture's
    // size those codes preview nothing.
    EffectDialogModel(const ToolboxOperation& op, const Bitmap& picture, const ToolboxContext& tb,
                      const EffectValues& start, const Bitmap* duplicate = nullptr);

    const std::string& Title() const override { return title_; }
    int EffectCode() const override { return op_.effectCode; }
    int RowCount() const override { return rowCount_; }
    EffectRow Row(int n) const override;
    bool ResetShown() const override { return rowCount_ > 1; }
    std::string CurveCaption() const override { return curve_; }
    bool PanelShown() const override { return panelShown_; }
    std::uint32_t PanelColour() const override { return panelColour_; }
    std::string PanelText() const override { return panelText_; }
    // The panel text's colour: the inverse of the colour picked.
    std::uint32_t PanelTextColour() const { return panelColour_ ^ 0xFFFFFFu; }

    PixelRows BeforePixels() const override { return RowsOf(picture_); }
    PixelRows AfterPixels() const override { return RowsOf(after_); }
    void SetSlider(int n, int position) override;
    void TypeText(int n, const std::string& text) override;
    void Pick(int x, int y) override;
    void SetView(int x, int y, int width, int height) override;
    void Test() override;
    std::unique_ptr<EffectPreview> PreparePreview() override;
    void ShowPreview(std::unique_ptr<EffectPreview> preview) override;
    int Previews() const override { return previews_; }
    void Reset() override;
    void Curve() override;
    std::string CurveTitle() const override { return curveTitle_; }
    bool ScrollBarsShown() const override { return scrollBars_; }
    void ShowScrollBars(bool shown) override;
    ScrollPosition RememberedScroll() const override { return scroll_; }
    bool ApplyEnabled() const override { return previews_ > 0 && !closed_; }
    void Apply() override;
    void Cancel() override;
    bool Closed() const override { return closed_; }
    bool Applied() const override { return result_.has_value(); }

    int Position(int n) const { return rows_[Row3(n)].position; }
    EffectSliderPlaces Places() const;
    // Moves the sliders (within their ranges) and the centre to `places`.
    void Offer(const EffectSliderPlaces& places);
    // The operation's values (in its batch line's order) for the sliders'
    // current positions.
    EffectValues Values() const;
    // The HLS centre a pick set (3600 scale).
    const Hls& Centre() const { return centre_; }
    // The previewed region of the picture and the preview itself.
    const PictureRect& Region() const { return region_; }
    const Bitmap& After() const { return after_; }
    // What the histogram window shows after Curve: the picture's histogram,
    // or the equaliser's maps as curves.
    const ImageHistogram& CurveHistogram() const { return curveHistogram_; }
    // The values after Apply; nullopt after Cancel or while open.
    std::optional<EffectValues> Result() const { return result_; }

private:
    static int Row3(int n) { return n < 0 ? 0 : n > 2 ? 2 : n; }
    static PixelRows RowsOf(const Bitmap& picture) {
        if (picture.Empty() || picture.Format() != PixelFormat::Bits24) return {};
        return {picture.Width(), picture.Height(), picture.Stride(), picture.ScanLine(0)};
    }
    void Place(int n, int position);
    PictureRect PreviewRegion() const;
    bool PackedCode() const;

    const ToolboxOperation& op_;
    const Bitmap& picture_;
    const Bitmap* duplicate_;
    ToolboxContext tb_;
    std::string title_;
    int rowCount_ = 1;
    std::array<EffectRow, 3> rows_;
    std::array<int, 3> starts_{};
    std::string curve_;
    bool panelShown_ = false;
    std::uint32_t panelColour_ = 0xC0C0C0;
    std::string panelText_;
    Hls centre_;
    Rgb white_{255, 255, 255}; // the white reference of the balance
    PictureRect view_{0, 0, 192, 360};
    PictureRect region_;
    Bitmap after_;
    int previews_ = 0;
    bool showMask_ = false; // the next preview shows the selection's mask
    std::string curveTitle_;
    ImageHistogram curveHistogram_;
    bool scrollBars_ = true;
    ScrollPosition scroll_;
    bool closed_ = false;
    std::optional<EffectValues> result_;
};

// Whether the effect dialog can preview `op` on `picture`: a 24-bit picture,
// and for the two-picture codes a 24-bit duplicate of the same size.
bool EffectPreviewPossible(const ToolboxOperation& op, const Bitmap& picture,
                           const Bitmap* duplicate);

// The sliders of each command's dialog are remembered, per menu item (a key
// of the item's batch word and effect code), where Apply left them, and
// offered the next time during the run.
std::optional<EffectSliderPlaces> RememberedSliders(const std::string& word);
void RememberSliders(const std::string& word, const EffectSliderPlaces& places);
void ForgetRememberedSliders();

// Shows the effect dialog for `op` through `dialogs`, previewing with a copy
// of `tb`, its sliders where Apply last left them for the same command. The
// values after Apply; nullopt after Cancel, or when the picture (or the
// duplicate a two-picture code needs) cannot be previewed.
std::optional<EffectValues> RunEffectDialog(Dialogs& dialogs, const ToolboxOperation& op,
                                            const Bitmap& picture, const EffectValues& start,
                                            const Bitmap* duplicate = nullptr,
                                            const ToolboxContext& tb = {});

} // namespace zv
