#include "app/WindowPlacement.h"

#include <algorithm>

namespace zv {

namespace {
constexpr int kSmallestWindow = 64;
}

WindowRect FromBounds(const WindowBounds& bounds) {
    return {bounds.left, bounds.top, bounds.Width(), bounds.Height()};
}

WindowBounds ToBounds(const WindowRect& rect) {
    return {rect.left, rect.top, rect.left + rect.width, rect.top + rect.height};
}

WindowRect RestoreWindow(const WindowRect& stored, const DisplayInfo& display) {
    const int areaLeft = display.availableLeft;
    const int areaTop = display.availableTop;
    const int areaWidth = std::max(display.availableWidth, 1);
    const int areaHeight = std::max(display.availableHeight, 1);

    WindowRect rect = stored;
    rect.width = std::min(rect.width, areaWidth);
    rect.height = std::min(rect.height, areaHeight);
    if (rect.width < kSmallestWindow || rect.height < kSmallestWindow) {
        rect.width = areaWidth / 2;
        rect.height = areaHeight / 2;
        rect.left = areaLeft + (areaWidth - rect.width) / 2;
        rect.top = areaTop + (areaHeight - rect.height) / 2;
        return rect;
    }
    rect.left = std::clamp(rect.left, areaLeft, areaLeft + areaWidth - rect.width);
    rect.top = std::clamp(rect.top, areaTop, areaTop + areaHeight - rect.height);
    return rect;
}

SideBySide TileWindows(TileMode mode, const WindowRect& area, int explorerWidth, bool keepWidth) {
    const int width =
        std::clamp(keepWidth ? explorerWidth : area.width / 2, 1, std::max(1, area.width));
    const bool explorerRight =
        mode == TileMode::ViewerLeftExplorerRight || mode == TileMode::OverlappedRight;
    const WindowRect explorer{explorerRight ? area.left + area.width - width : area.left, area.top,
                              width, area.height};
    if (mode == TileMode::OverlappedRight || mode == TileMode::OverlappedLeft)
        return {explorer, explorer};
    const WindowRect viewer{explorerRight ? area.left : area.left + width, area.top,
                            std::max(1, area.width - width), area.height};
    return {viewer, explorer};
}

SideBySide ViewerLeftExplorerRight(const DisplayInfo& display) {
    const int half = display.availableWidth / 2;
    WindowRect viewer{display.availableLeft, display.availableTop, half, display.availableHeight};
    WindowRect explorer{display.availableLeft + half, display.availableTop,
                        display.availableWidth - half, display.availableHeight};
    return {viewer, explorer};
}

} // namespace zv
