#include "platform/SizeDialogModel.h"

#include "platform/ParameterDialogModel.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace zv {

namespace {

constexpr std::int64_t kHundredthsLimit = 1'000'000'000;

// num / den rounded half to even; den > 0, num >= 0.
std::int64_t RoundRatio(std::int64_t num, std::int64_t den) {
    std::int64_t q = num / den;
    const std::int64_t twice = 2 * (num % den);
    if (twice > den || (twice == den && q % 2 != 0)) ++q;
    return q;
}

SizeBox SizeBoxOf(int axis) {
    return axis == 0 ? SizeBox::Width : SizeBox::Height;
}
SizeBox ScaleBoxOf(int axis) {
    return axis == 0 ? SizeBox::XScale : SizeBox::YScale;
}

} // namespace

std::optional<std::int64_t> ReadHundredths(const std::string& text) {
    std::size_t i = 0;
    std::size_t end = text.size();
    while (i < end && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    while (end > i && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    bool negative = false;
    if (i < end && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    std::int64_t value = 0;
    int digits = 0;
    for (; i < end && std::isdigit(static_cast<unsigned char>(text[i])); ++i, ++digits)
        value = std::min(value * 10 + (text[i] - '0'), kHundredthsLimit);
    value = std::min(value * 100, kHundredthsLimit);
    if (i < end && text[i] == '.') {
        ++i;
        std::int64_t scale = 10;
        for (; i < end && std::isdigit(static_cast<unsigned char>(text[i])); ++i, ++digits) {
            value = std::min(value + (text[i] - '0') * scale, kHundredthsLimit);
            scale /= 10;
        }
    }
    if (i != end || digits == 0) return std::nullopt;
    return negative ? -value : value;
}

SizeDialogModel::SizeDialogModel(const SizeDialogRequest& request) : request_(request) {
    size0_ = {request.width, request.height};
    size_ = size0_;
    pos_ = {request.x, request.y};
    limit_ = {std::max(request.widthLimit, 1), std::max(request.heightLimit, 1)};
    lock_ = ResizeMode() && request.mode != 999;
    copyOption_ = CopyOptionEnabled() ? 1 : 0;
    if (ResizeMode()) {
        text_[Index(SizeBox::XScale)] = "100.0";
        text_[Index(SizeBox::YScale)] = "100.0";
    } else {
        text_[Index(SizeBox::XScale)] = std::to_string(pos_[0]);
        text_[Index(SizeBox::YScale)] = std::to_string(pos_[1]);
    }
    text_[Index(SizeBox::Width)] = std::to_string(size_[0]);
    text_[Index(SizeBox::Height)] = std::to_string(size_[1]);
}

bool SizeDialogModel::ScaleRowsShown() const {
    return ResizeMode() || (request_.x >= 0 && request_.y >= 0);
}

std::string SizeDialogModel::Label(SizeBox box) const {
    switch (box) {
    case SizeBox::Width: return request_.mode == -10 ? "&X Pos" : "&Width:";
    case SizeBox::Height: return request_.mode == -10 ? "&Y Pos" : "&Height:";
    case SizeBox::XScale: return ResizeMode() ? "&XScale:" : "&X Pos";
    case SizeBox::YScale: return ResizeMode() ? "&YScale:" : "&Y Pos";
    }
    return {};
}

void SizeDialogModel::SetCopyOption(int option) {
    if (CopyOptionEnabled()) copyOption_ = std::clamp(option, 0, 2);
}

bool SizeDialogModel::TakeBeep() {
    const bool beep = beep_;
    beep_ = false;
    return beep;
}

int SizeDialogModel::Percent(int axis) const {
    if (size0_[axis] <= 0) return 100;
    return static_cast<int>(std::int64_t{size_[axis]} * 100 / size0_[axis]);
}

int SizeDialogModel::PositionLimit(int axis) const {
    return std::max(0, limit_[axis] - std::max(pos_[axis], 0));
}

// Sets one side within 1..its limit, beeping when it had to be limited.
void SizeDialogModel::SetSize(int axis, std::int64_t size) {
    const int top = ResizeMode() ? limit_[axis] : PositionLimit(axis);
    if (size > top) {
        beep_ = true;
        size = top;
    } else if (size < 1 && ResizeMode()) {
        beep_ = true;
        size = 1;
    }
    size_[axis] = static_cast<int>(size);
}

// The other side follows `axis` in the proportion the dialog opened with;
// when it would pass its limit it stops there and `axis` follows it.
void SizeDialogModel::KeepAspect(int axis) {
    const int other = 1 - axis;
    if (!lock_ || size0_[0] <= 0 || size0_[1] <= 0) return;
    const auto follow = [this](int to, int from) {
        return RoundRatio(std::int64_t{size_[from]} * size0_[to], size0_[from]);
    };
    std::int64_t followed = follow(other, axis);
    if (followed > limit_[other]) {
        size_[other] = limit_[other];
        std::int64_t back = follow(axis, other);
        if (back > limit_[axis]) {
            size_[axis] = limit_[axis];
            followed = follow(other, axis);
        } else {
            size_[axis] = static_cast<int>(std::max<std::int64_t>(back, 1));
            return;
        }
    }
    size_[other] = static_cast<int>(std::clamp<std::int64_t>(followed, 1, limit_[other]));
}

void SizeDialogModel::Refresh(std::optional<SizeBox> focus) {
    for (int axis = 0; axis < 2; ++axis) {
        if (focus != SizeBoxOf(axis)) text_[Index(SizeBoxOf(axis))] = std::to_string(size_[axis]);
        const SizeBox scale = ScaleBoxOf(axis);
        std::string& text = text_[Index(scale)];
        if (!ResizeMode()) {
            if (focus != scale) text = std::to_string(pos_[axis]);
            continue;
        }
        const int percent = Percent(axis);
        if (focus == scale) {
            // The box being typed in keeps its text while it is about right.
            const std::optional<std::int64_t> typed = ReadHundredths(text);
            if (typed && std::llabs(*typed - std::int64_t{percent} * 100) <= 100) continue;
        }
        text = std::to_string(percent);
    }
}

void SizeDialogModel::TypeSize(int axis, const std::string& text) {
    const SizeBox box = SizeBoxOf(axis);
    const std::optional<std::int64_t> typed = ReadHundredths(text);
    if (!typed || *typed % 100 != 0) {
        Refresh(std::nullopt);
        return;
    }
    text_[Index(box)] = text;
    beep_ = false;
    SetSize(axis, *typed / 100);
    if (ResizeMode()) KeepAspect(axis);
    Refresh(beep_ ? std::nullopt : std::optional<SizeBox>(box));
}

void SizeDialogModel::TypePercent(int axis, const std::string& text) {
    const SizeBox box = ScaleBoxOf(axis);
    const std::optional<std::int64_t> typed = ReadHundredths(text);
    if (!typed) {
        Refresh(std::nullopt);
        return;
    }
    text_[Index(box)] = text;
    beep_ = false;
    // |typed| <= 10^9 and the size below 2^31: the product fits in 64 bits.
    SetSize(axis, (*typed * size0_[axis] + 5000) / 10000);
    KeepAspect(axis);
    Refresh(box);
}

void SizeDialogModel::TypePosition(int axis, const std::string& text) {
    const SizeBox box = ScaleBoxOf(axis);
    const std::optional<int> typed = ReadWholeNumber(text);
    if (!typed) {
        Refresh(std::nullopt);
        return;
    }
    text_[Index(box)] = text;
    beep_ = false;
    const int top = std::max(0, limit_[axis] - size_[axis]);
    pos_[axis] = *typed;
    if (pos_[axis] > top) {
        beep_ = true;
        pos_[axis] = top;
    }
    Refresh(beep_ ? std::nullopt : std::optional<SizeBox>(box));
}

void SizeDialogModel::Type(SizeBox box, const std::string& text) {
    if (closed_) return;
    switch (box) {
    case SizeBox::Width: return TypeSize(0, text);
    case SizeBox::Height: return TypeSize(1, text);
    case SizeBox::XScale: return ResizeMode() ? TypePercent(0, text) : TypePosition(0, text);
    case SizeBox::YScale: return ResizeMode() ? TypePercent(1, text) : TypePosition(1, text);
    }
}

void SizeDialogModel::Spin(SizeBox box, bool up) {
    if (closed_) return;
    const int axis = (box == SizeBox::Width || box == SizeBox::XScale) ? 0 : 1;
    beep_ = false;
    if (box == SizeBox::XScale || box == SizeBox::YScale) {
        if (!ResizeMode()) {
            const int top = std::min(kPositionModeLimit, std::max(0, limit_[axis] - size_[axis]));
            const int next = pos_[axis] + (up ? 1 : -1);
            beep_ = next < 0 || next > top;
            pos_[axis] = std::clamp(next, 0, top);
            Refresh(std::nullopt);
            return;
        }
        // The whole part steps: down to the whole number below, up to the
        // next one and nine tenths.
        const std::int64_t p =
            ReadHundredths(Text(box)).value_or(std::int64_t{Percent(axis)} * 100);
        std::int64_t whole = p / 100;
        if (p < 0 && p % 100 != 0) --whole;
        const std::string next = up ? std::to_string(whole + 1) + ".9"
                                    : std::to_string(p % 100 != 0 ? whole : whole - 1);
        TypePercent(axis, next);
        return;
    }
    const int top = ResizeMode() ? limit_[axis] : std::min(kPositionModeLimit, PositionLimit(axis));
    const int next = size_[axis] + (up ? 1 : -1);
    beep_ = next < 1 || next > top;
    size_[axis] = std::clamp(next, 1, std::max(top, 1));
    if (ResizeMode()) KeepAspect(axis);
    Refresh(std::nullopt);
}

void SizeDialogModel::Reset() {
    size_ = size0_;
    pos_ = {request_.x, request_.y};
    Refresh(std::nullopt);
    if (ResizeMode()) {
        text_[Index(SizeBox::XScale)] = "100.0";
        text_[Index(SizeBox::YScale)] = "100.0";
    }
}

void SizeDialogModel::Ok() {
    if (closed_) return;
    closed_ = true;
    SizeDialogResult result;
    result.x = pos_[0];
    result.y = pos_[1];
    for (int axis = 0; axis < 2; ++axis) {
        int& side = axis == 0 ? result.width : result.height;
        side = std::min(size_[axis], limit_[axis]);
        if (ResizeMode()) side = std::max(side, 1);
    }
    result.copyOption = copyOption_;
    result.colour = colour_;
    result_ = result;
}

void SizeDialogModel::Cancel() {
    if (closed_) return;
    closed_ = true;
    result_.reset();
}

} // namespace zv
