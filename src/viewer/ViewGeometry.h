#pragma once
// The geometry of the viewer's view: zoom steps, the fitted size, scroll
// positions that land on whole enlarged pixels, the window sized to a
// picture, the selection in picture coordinates, grid cells, zooming to a
// region and the part of the picture a repaint needs. Plain integer
// arithmetic, so the window and the tests agree to the pixel.
//
// Every function takes sizes of any value: an empty picture (0 x 0) is
// nothing to show and gives empty results, never a loop or a division by 0.

#include <optional>
#include <string>

namespace zv {

struct ViewSize {
    int width = 0;
    int height = 0;
    bool Empty() const { return width <= 0 || height <= 0; }
    friend bool operator==(const ViewSize&, const ViewSize&) = default;
};

struct ViewPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const ViewPoint&, const ViewPoint&) = default;
};

// A half-open rectangle: right and bottom are just outside it.
struct ViewRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Empty() const { return right <= left || bottom <= top; }
    friend bool operator==(const ViewRect&, const ViewRect&) = default;
};

// --- Zoom ---

inline constexpr int kMinZoom = 25;
inline constexpr int kMaxZoom = 800;
inline constexpr int kZoomStep = 25;

// One step in or out; at the limits the zoom stays.
int ZoomIn(int percent);
int ZoomOut(int percent);
// "Zoom to": the request kept within 25..800 and rounded down to a multiple of 25.
int ZoomTo(int requested);
// Whole screen pixels per picture pixel: percent div 100, at least 1.
// Every function here reads a zoom outside 25..800 as the nearest limit.
int ZoomFactor(int percent);
// The display control's size: trunc(width x percent / 100) x trunc(height x percent / 100),
// at least 1 x 1 for a picture that is not empty.
ViewSize ZoomedSize(ViewSize picture, int percent);
// The view area at 200 % and more loses its remainder modulo the zoom factor,
// so only whole enlarged pixels show.
ViewSize TrimAreaToZoom(ViewSize area, int percent);

// --- Scrolling ---

// A scroll position restored after a zoom: the fraction of the old range
// applied to the new one; at 200 % and more kept within 0..maximum and rounded
// down to a multiple of the zoom factor.
int RestoreScroll(int oldPosition, int oldMaximum, int newMaximum, int percent);
// A position snapped down to a multiple of the factor (hand tool, rubber band).
int SnapDown(int position, int factor);
// The snapping factor of the hand tool and the rubber band: 8 for pictures
// below 8 bits per pixel (their rows are drawn in whole bytes), otherwise the
// zoom factor.
int SnapFactor(int percent, int bitsPerPixel);

// --- Fit ---

// The largest size with the picture's proportions inside the area. Without
// upsampling a picture smaller than the area in both directions keeps its
// own size. At least 1 x 1 for a picture that is not empty.
ViewSize FitSize(ViewSize picture, ViewSize area, bool upsampled);

// --- Windows ---

// What surrounds the view area in the window.
struct WindowChrome {
    ViewSize frame;       // the window frame's extra width and height
    int rowsHeight = 0;   // menu bar, tool bar, path box and status bar rows shown
    int toolBarWidth = 0; // 16 + the tool bar buttons' widths, 0 when hidden or merged
    bool menuBarShown = true;
    bool fitToEnabled = true; // the "Fit to" commands are available
};

inline constexpr int kMinimumWindowWidth = 360;

// SizeWindowToPicture and "&Window": the window's outer size for a view of
// the given size, limited to the screen, at least as wide as the tool bar
// (or 360 without it, or with the menu bar shown). Empty for an empty view
// (leave the window as it is); an empty screen limits nothing.
ViewSize WindowSizeFor(ViewSize view, const WindowChrome& chrome, ViewSize screen);
// PlaceWindow: Auto Size moves the window left and up to stay on the screen,
// Auto Center centres it; left and top at least 0.
ViewRect PlaceWindow(ViewRect window, ViewSize screen, bool autoSize, bool autoCenter);
// "1:n": the window for the picture at 1/n, limited to the screen; nothing
// when either side would be below 64 or the picture is empty. n below 1 counts as 1.
std::optional<ViewSize> WindowSizeAtFraction(ViewSize picture, int n, const WindowChrome& chrome,
                                             ViewSize screen);

// --- Selection ---

// A rubber band counts as a selection when wider and taller than 3 display pixels.
bool BigEnoughForSelection(ViewRect display);
// The selection in picture coordinates from a rubber band on the display
// control: scaled by picture / control size with fit, divided by the zoom
// otherwise; half-open and limited to the picture. Rounded outwards, so it
// holds every picture pixel the band touches and a band over the whole
// control selects the whole picture. The band may be given in either corner order.
ViewRect SelectionFromDisplay(ViewRect display, ViewSize picture, ViewSize control, bool fit,
                              int percent);
// The selection drawn back onto the display control (for its frame),
// rounded outwards and limited to the control.
ViewRect DisplayFromSelection(ViewRect selection, ViewSize picture, ViewSize control, bool fit,
                              int percent);
inline constexpr int kGridMinimumSide = 64;
inline constexpr const char* kGridTooSmallText =
    "64x64 image (minimum) required to use this feature.";

// Zoom region: from 100 % in steps of 25 while the selection at that zoom
// still fits the area, at most 800 %; the scroll position puts the
// selection's top-left corner at the area's top-left, snapped to the factor.
// "Fits" means wholly visible: from the snapped corner to the selection's far
// edge, within the area trimmed to whole enlarged pixels. A selection that
// does not fit at 100 % stays at 100 %. The caller's scroll bars still limit
// the scroll position to their range.
struct ZoomRegionView {
    int percent = 100;
    ViewPoint scroll;
};
ZoomRegionView ZoomToRegion(ViewRect selection, ViewSize area);

// --- Painting ---

// The part of the picture a repaint of `clip` (control coordinates) needs,
// and where it goes, worked out per side. 1:1: both are the clip (limited to
// the control). Reduced: the target is the clip and the source the clip
// scaled by picture / control size, at least one pixel and never past the
// picture. Enlarged: the source is every picture pixel under the clip and
// the target the clip grown outwards to those pixels' edges (for a whole
// factor f, to multiples of f), so whole picture pixels are drawn exactly
// where a full paint puts them; the target never leaves the control.
// Empty when there is nothing to draw.
struct PaintPlan {
    ViewRect source; // picture coordinates
    ViewRect target; // control coordinates
};
PaintPlan PlanPaint(ViewRect clip, ViewSize picture, ViewSize control);

// --- Aspect modes ---

enum class AspectMode { Monitor, BestFit, Tv, Cinema, Wide };
// The menu captions, in the order of the enum.
const char* AspectCaption(AspectMode mode);
// The question asked before a stretching mode (none for the 1:1 modes).
std::string AspectQuestion(AspectMode mode);
inline constexpr const char* kMultipageAspectText = "Multipage documents cannot use this feature.";
// The width a stretching mode gives a picture of this height (height x 4/3,
// x 7/3, x 16/9); the width itself for the 1:1 modes.
int AspectWidth(AspectMode mode, int width, int height);

} // namespace zv
