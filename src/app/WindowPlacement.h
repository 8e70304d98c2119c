#pragma once
// Where the viewer window goes when it is restored from its stored bounds.

#include "viewer/ViewerSettings.h"
#include "platform/Display.h"

namespace zv {

struct WindowRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

WindowRect FromBounds(const WindowBounds& bounds);
WindowBounds ToBounds(const WindowRect& rect);

// A stored window, made to fit the available screen: no larger than it, and
// moved inside it. One smaller than 64 pixels either way gets half the
// screen's width and height, centred. Bounds keep their sign, so a window on
// a monitor left of or above the primary one comes back where it was.
WindowRect RestoreWindow(const WindowRect& stored, const DisplayInfo& display);

// The two halves of the available screen for "Viewer left - &Explorer right".
struct SideBySide {
    WindowRect viewer;
    WindowRect explorer;
};
SideBySide ViewerLeftExplorerRight(const DisplayInfo& display);

// The explorer's "&Tile" layouts.
enum class TileMode {
    ViewerLeftExplorerRight,
    ExplorerLeftViewerRight,
    OverlappedRight,
    OverlappedLeft
};
// The explorer takes half the area at the right (or left) edge, or keeps its
// width there (keepWidth); side by side the viewer takes the rest, overlapped
// it gets the explorer's rectangle.
SideBySide TileWindows(TileMode mode, const WindowRect& area, int explorerWidth, bool keepWidth);

} // namespace zv
