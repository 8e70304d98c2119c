#include "platform/Progress.h"

#include <algorithm>

namespace zv {

void Progress::SetText(const std::string& text) {
    text_ = text;
    Update();
}

void Progress::SetBar(int bar, std::int64_t position, std::int64_t maximum) {
    bars_[Index(bar)] = {std::max<std::int64_t>(position, 0), std::max<std::int64_t>(maximum, 0)};
    Update();
}

int Progress::Percent(int bar) const {
    const Bar& b = bars_[Index(bar)];
    if (b.maximum <= 0) return 0;
    return static_cast<int>(std::clamp<std::int64_t>(b.position, 0, b.maximum) * 100 / b.maximum);
}

} // namespace zv
