#pragma once
// A window's stored bounds, as the settings records keep them.

#include <cstdint>

namespace zv {

struct WindowBounds {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    std::int32_t Width() const { return right - left; }
    std::int32_t Height() const { return bottom - top; }
    friend bool operator==(const WindowBounds&, const WindowBounds&) = default;
};

} // namespace zv
