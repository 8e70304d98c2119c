#pragma once
// The size dialog's state. Resize mode (mode > 0) chooses a width and height
// by number or by percentage of the size it opened with, optionally keeping
// the aspect ratio, with a copy option for one-bit pictures. Position modes
// (mode 0 or less) choose a width and height, and a position when one is
// given, inside the limits. Sizes are worked out in 64 bits and never leave
// the limits; a value the dialog had to limit sets the beep.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace zv {

enum class SizeBox { Width, Height, XScale, YScale };

struct SizeDialogRequest {
    int x = -1; // either negative: no position fields
    int y = -1;
    int width = 0;
    int height = 0;
    std::string title;
    int mode = 24; // the picture's bits per pixel or 999: resize; 0 or less: position
    int widthLimit = 16384;
    int heightLimit = 16384;
};

struct SizeDialogResult {
    int x = -1;
    int y = -1;
    int width = 0;
    int height = 0;
    int copyOption = 0;       // 0 "Normal", 1 "Preserve Black", 2 "Preserve White"
    std::uint32_t colour = 0; // the colour panel, a window-system colour value
};

inline constexpr int kPositionModeLimit = 32760; // what the position spins reach at most
inline constexpr std::uint32_t kSilver = 0xC0C0C0;

class SizeDialogModel {
public:
    explicit SizeDialogModel(const SizeDialogRequest& request);

    const std::string& Title() const { return request_.title; }
    bool ResizeMode() const { return request_.mode > 0; }
    // Whether the third and fourth rows are shown: the percentages, or the
    // position when one was given.
    bool ScaleRowsShown() const;
    std::string Label(SizeBox box) const;
    const std::string& Text(SizeBox box) const { return text_[Index(box)]; }

    bool AspectShown() const { return ResizeMode(); }
    bool AspectLock() const { return lock_; }
    void SetAspectLock(bool lock) { lock_ = lock && ResizeMode(); }
    bool CopyOptionEnabled() const { return request_.mode == 1; }
    int CopyOption() const { return copyOption_; }
    void SetCopyOption(int option);
    bool ColourPanelShown() const { return request_.mode == -2; }
    std::uint32_t Colour() const { return colour_; }
    void SetColour(std::uint32_t colour) { colour_ = colour; }

    int Width() const { return size_[0]; }
    int Height() const { return size_[1]; }
    int X() const { return pos_[0]; }
    int Y() const { return pos_[1]; }

    // Text typed into a box; text that is not a number puts the value back.
    void Type(SizeBox box, const std::string& text);
    // A spin button of a box.
    void Spin(SizeBox box, bool up);
    // "&Reset": the size the dialog opened with.
    void Reset();
    // Whether the last change had to be limited (the window beeps); cleared
    // by reading it.
    bool TakeBeep();

    void Ok();
    void Cancel();
    bool Closed() const { return closed_; }
    // The values after OK; nullopt after Cancel or while open.
    std::optional<SizeDialogResult> Result() const { return result_; }

private:
    static int Index(SizeBox box) { return static_cast<int>(box); }
    void TypeSize(int axis, const std::string& text);
    void TypePercent(int axis, const std::string& text);
    void TypePosition(int axis, const std::string& text);
    void SetSize(int axis, std::int64_t size);
    void KeepAspect(int axis);
    int Percent(int axis) const;
    void Refresh(std::optional<SizeBox> focus);
    int PositionLimit(int axis) const;

    SizeDialogRequest request_;
    std::array<int, 2> size0_{};
    std::array<int, 2> size_{};
    std::array<int, 2> pos_{};
    std::array<int, 2> limit_{};
    std::array<std::string, 4> text_;
    bool lock_ = true;
    int copyOption_ = 0;
    std::uint32_t colour_ = kSilver;
    bool beep_ = false;
    bool closed_ = false;
    std::optional<SizeDialogResult> result_;
};

// A decimal number in hundredths, read exactly ("51.9" is 5190), with "."
// as the point in every locale; digits past the hundredths are dropped and
// the value is limited to +-10^9. nullopt for text that is not a number.
std::optional<std::int64_t> ReadHundredths(const std::string& text);

} // namespace zv
