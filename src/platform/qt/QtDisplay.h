#pragma once
// The display as Qt sees it: the primary screen's size, depth and density.

#include "platform/Display.h"

#include <optional>

namespace zv {

class QtDisplay : public Display {
public:
    DisplayInfo Info() const override;
    // Fixes the colour depth reported, to exercise the palette-display paths.
    void OverrideScreenBits(int bits) { screenBits_ = bits; }

private:
    std::optional<int> screenBits_;
};

} // namespace zv
