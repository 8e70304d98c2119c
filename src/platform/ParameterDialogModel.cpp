#include "platform/ParameterDialogModel.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdio>

namespace zv {

std::optional<int> ReadWholeNumber(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    if (begin < end && text[begin] == '+') ++begin;
    int value = 0;
    const auto [rest, error] = std::from_chars(text.data() + begin, text.data() + end, value);
    if (error != std::errc() || rest != text.data() + end || begin == end) return std::nullopt;
    return value;
}

ParameterDialogModel::ParameterDialogModel(std::string title, std::string minLabel,
                                           std::string maxLabel,
                                           const ParameterDialogRecord& record)
    : title_(std::move(title)), minLabel_(std::move(minLabel)), maxLabel_(std::move(maxLabel)),
      record_(record), caption_(title_) {
    if (record_.max < record_.min) record_.max = record_.min;
    record_.start = std::clamp(record_.start, record_.min, record_.max);
    position_ = record_.start;
    box_ = std::to_string(position_);
}

std::string ParameterDialogModel::MinLabel() const {
    return minLabel_.empty() ? std::to_string(record_.min) : minLabel_;
}

std::string ParameterDialogModel::MaxLabel() const {
    return maxLabel_.empty() ? std::to_string(record_.max) : maxLabel_;
}

std::string ParameterDialogModel::HexLabel() const {
    if (record_.trackBar || record_.max < 1048576) return {};
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(position_));
    return hex;
}

std::array<std::string, 6> ParameterDialogModel::PresetCaptions() const {
    std::array<std::string, 6> captions;
    if (!record_.showPresets || record_.trackBar) return captions;
    for (int i = 0; i < 6; ++i)
        captions[i] = std::string("&") + char('a' + i) + " = " + std::to_string(record_.presets[i]);
    return captions;
}

void ParameterDialogModel::Show(int position) {
    position_ = std::clamp(position, record_.min, record_.max);
    box_ = std::to_string(position_);
}

void ParameterDialogModel::SetPosition(int position) {
    Show(position);
    if (!record_.trackBar || record_.max <= 7) return;
    // The track bar chooses a size: p x (32 x 24), or the steps of the
    // doubling sizes that start at 64 x 96.
    const int p = position_;
    if (minLabel_ == "64x96") {
        const std::int64_t side = std::int64_t{1} << std::clamp(p + 6, 0, 40);
        caption_ = title_ +
                   (p == 0 ? minLabel_ : std::to_string(side) + "x" + std::to_string(side * 3 / 2));
    } else {
        caption_ = title_ + std::to_string(std::int64_t{p} * 32) + "x" +
                   std::to_string(std::int64_t{p} * 24) + " pixels";
    }
}

void ParameterDialogModel::TypeText(const std::string& text) {
    const std::optional<int> typed = ReadWholeNumber(text);
    if (!typed) {
        Show(record_.start);
        return;
    }
    position_ = std::clamp(*typed, record_.min, record_.max);
    // The box keeps what was typed while it is in range.
    box_ = *typed == position_ ? text : std::to_string(position_);
}

void ParameterDialogModel::ChoosePreset(int index) {
    if (!record_.showPresets || index < 0 || index >= 6) return;
    Show(record_.presets[index]);
    Ok();
}

void ParameterDialogModel::Ok() {
    if (closed_) return;
    closed_ = true;
    result_ = position_;
}

void ParameterDialogModel::Cancel() {
    if (closed_) return;
    closed_ = true;
    result_.reset();
}

} // namespace zv
