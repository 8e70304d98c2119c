#include "viewer/ViewGeometry.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace zv {

namespace {

using Wide = std::int64_t;

int ToInt(Wide value) {
    return static_cast<int>(std::clamp<Wide>(value, INT_MIN, INT_MAX));
}

// Divisions rounding towards minus and plus infinity; `d` is above 0.
Wide FloorDiv(Wide n, Wide d) {
    return n >= 0 ? n / d : -((-n + d - 1) / d);
}
Wide CeilDiv(Wide n, Wide d) {
    return n >= 0 ? (n + d - 1) / d : -(-n / d);
}

// A zoom outside 25..800 (never set by the commands) is read as the nearest limit.
int ValidZoom(int percent) {
    return std::clamp(percent, kMinZoom, kMaxZoom);
}

ViewRect Normalised(ViewRect r) {
    return {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
            std::max(r.top, r.bottom)};
}

// The rectangle limited to 0..size; an empty result is the empty rectangle.
ViewRect LimitedTo(ViewRect r, ViewSize size) {
    const ViewRect limited{std::clamp(r.left, 0, size.width), std::clamp(r.top, 0, size.height),
                           std::clamp(r.right, 0, size.width),
                           std::clamp(r.bottom, 0, size.height)};
    return limited.Empty() ? ViewRect{} : limited;
}

// A linear map num/den on each axis (den above 0), rounded outwards so that
// the result covers every pixel the rectangle touches.
struct Scale {
    Wide numX, denX, numY, denY;
};

ViewRect ScaledOutwards(ViewRect r, const Scale& s) {
    return {ToInt(FloorDiv(Wide{r.left} * s.numX, s.denX)),
            ToInt(FloorDiv(Wide{r.top} * s.numY, s.denY)),
            ToInt(CeilDiv(Wide{r.right} * s.numX, s.denX)),
            ToInt(CeilDiv(Wide{r.bottom} * s.numY, s.denY))};
}

// Display coordinates to picture coordinates: picture / control with fit,
// 100 / zoom otherwise. Nothing for an empty control with fit.
std::optional<Scale> DisplayToPicture(ViewSize picture, ViewSize control, bool fit, int percent) {
    if (!fit) return Scale{100, ValidZoom(percent), 100, ValidZoom(percent)};
    if (control.Empty()) return std::nullopt;
    return Scale{picture.width, control.width, picture.height, control.height};
}

// One axis of a paint plan: the clip span [c0, c1) of a control side of
// `shown` pixels showing a picture side of `size` pixels.
struct Span {
    int source0, source1, target0, target1;
};

Span PlanAxis(int c0, int c1, int size, int shown) {
    if (size == shown) return {c0, c1, c0, c1};
    if (size > shown) {
        // Reduced: the clip scaled down; at least one picture pixel, never past the picture.
        Wide s0 = Wide{c0} * size / shown;
        Wide s1 = std::max<Wide>(Wide{c1} * size / shown, s0 + 1);
        if (s1 > size) {
            s1 = size;
            s0 = size - 1;
        }
        return {ToInt(s0), ToInt(s1), c0, c1};
    }
    // Enlarged: the picture pixels under the clip, and the clip grown outwards
    // to their edges, so that only whole enlarged pixels are drawn and a
    // repaint lands exactly where the first paint put them.
    const Wide s0 = FloorDiv(Wide{c0} * size, shown);
    const Wide s1 = std::min<Wide>(CeilDiv(Wide{c1} * size, shown), size);
    return {ToInt(s0), ToInt(s1), ToInt(FloorDiv(s0 * shown, size)),
            ToInt(CeilDiv(s1 * shown, size))};
}

// Zoom region: where the view scrolls to at `percent`, and whether the
// selection then lies wholly inside the visible (trimmed) area.
ViewPoint RegionScroll(ViewRect selection, int percent) {
    const int factor = ZoomFactor(percent);
    return {std::max(0, SnapDown(ToInt(Wide{selection.left} * percent / 100), factor)),
            std::max(0, SnapDown(ToInt(Wide{selection.top} * percent / 100), factor))};
}

bool RegionFits(ViewRect selection, ViewSize area, int percent) {
    const ViewSize visible = TrimAreaToZoom(area, percent);
    if (visible.Empty()) return false;
    const ViewPoint scroll = RegionScroll(selection, percent);
    const Wide right = CeilDiv(Wide{selection.right} * percent, 100);
    const Wide bottom = CeilDiv(Wide{selection.bottom} * percent, 100);
    return right - scroll.x <= visible.width && bottom - scroll.y <= visible.height;
}

} // namespace

// --- Zoom ---

int ZoomIn(int percent) {
    return std::min(ValidZoom(percent) + kZoomStep, kMaxZoom);
}

int ZoomOut(int percent) {
    return std::max(ValidZoom(percent) - kZoomStep, kMinZoom);
}

int ZoomTo(int requested) {
    const int zoom = ValidZoom(requested);
    return zoom - zoom % kZoomStep;
}

int ZoomFactor(int percent) {
    return std::max(1, ValidZoom(percent) / 100);
}

ViewSize ZoomedSize(ViewSize picture, int percent) {
    if (picture.Empty()) return {};
    const int zoom = ValidZoom(percent);
    return {std::max(1, ToInt(Wide{picture.width} * zoom / 100)),
            std::max(1, ToInt(Wide{picture.height} * zoom / 100))};
}

ViewSize TrimAreaToZoom(ViewSize area, int percent) {
    if (area.Empty()) return {};
    if (percent < 200) return area;
    const int factor = ZoomFactor(percent);
    return {area.width - area.width % factor, area.height - area.height % factor};
}

// --- Scrolling ---

int RestoreScroll(int oldPosition, int oldMaximum, int newMaximum, int percent) {
    if (oldMaximum <= 0 || newMaximum <= 0) return 0;
    const Wide fraction = std::clamp(oldPosition, 0, oldMaximum);
    const int position = ToInt(fraction * newMaximum / oldMaximum);
    if (percent < 200) return position;
    return SnapDown(std::min(position, newMaximum), ZoomFactor(percent));
}

int SnapDown(int position, int factor) {
    if (factor <= 1) return position;
    return ToInt(FloorDiv(position, factor) * factor);
}

int SnapFactor(int percent, int bitsPerPixel) {
    return bitsPerPixel < 8 ? 8 : ZoomFactor(percent);
}

// --- Fit ---

// The side that limits is found by cross-multiplying, and the other side
// follows by one multiply-divide; in 64 bits neither can overflow, so no
// scaling up of the picture beforehand is needed.
ViewSize FitSize(ViewSize picture, ViewSize area, bool upsampled) {
    if (picture.Empty() || area.Empty()) return {};
    if (!upsampled && picture.width < area.width && picture.height < area.height) return picture;
    const Wide w = picture.width, h = picture.height;
    if (w * area.height >= h * area.width) {
        return {area.width, std::max(1, ToInt(h * area.width / w))};
    }
    return {std::max(1, ToInt(w * area.height / h)), area.height};
}

// --- Windows ---

ViewSize WindowSizeFor(ViewSize view, const WindowChrome& chrome, ViewSize screen) {
    if (view.Empty()) return {};
    Wide width = Wide{view.width} + chrome.frame.width;
    Wide height = Wide{view.height} + chrome.frame.height + chrome.rowsHeight;
    if (chrome.fitToEnabled) {
        const int toolBar = chrome.toolBarWidth > 0 ? chrome.toolBarWidth : kMinimumWindowWidth;
        width = std::max<Wide>(width, toolBar);
    }
    if (chrome.menuBarShown) width = std::max<Wide>(width, kMinimumWindowWidth);
    if (!screen.Empty()) {
        width = std::min<Wide>(width, screen.width);
        height = std::min<Wide>(height, screen.height);
    }
    return {ToInt(width), ToInt(height)};
}

ViewRect PlaceWindow(ViewRect window, ViewSize screen, bool autoSize, bool autoCenter) {
    const ViewRect r = Normalised(window);
    const Wide width = Wide{r.right} - r.left, height = Wide{r.bottom} - r.top;
    Wide left = r.left, top = r.top;
    if (!screen.Empty()) {
        if (autoSize) {
            left = std::min(left, screen.width - width);
            top = std::min(top, screen.height - height);
        }
        if (autoCenter) {
            left = (screen.width - width) / 2;
            top = (screen.height - height) / 2;
        }
    }
    left = std::max<Wide>(left, 0);
    top = std::max<Wide>(top, 0);
    return {ToInt(left), ToInt(top), ToInt(left + width), ToInt(top + height)};
}

std::optional<ViewSize> WindowSizeAtFraction(ViewSize picture, int n, const WindowChrome& chrome,
                                             ViewSize screen) {
    if (picture.Empty()) return std::nullopt;
    const int divisor = std::max(1, n);
    Wide width = Wide{picture.width / divisor} + chrome.frame.width;
    Wide height = Wide{picture.height / divisor} + chrome.frame.height + chrome.rowsHeight;
    if (!screen.Empty()) {
        width = std::min<Wide>(width, screen.width);
        height = std::min<Wide>(height, screen.height);
    }
    constexpr int kSmallestWindow = 64;
    if (width < kSmallestWindow || height < kSmallestWindow) return std::nullopt;
    return ViewSize{ToInt(width), ToInt(height)};
}

// --- Selection ---

bool BigEnoughForSelection(ViewRect display) {
    const ViewRect r = Normalised(display);
    return Wide{r.right} - r.left > 3 && Wide{r.bottom} - r.top > 3;
}

ViewRect SelectionFromDisplay(ViewRect display, ViewSize picture, ViewSize control, bool fit,
                              int percent) {
    if (picture.Empty()) return {};
    const std::optional<Scale> scale = DisplayToPicture(picture, control, fit, percent);
    if (!scale) return {};
    return LimitedTo(ScaledOutwards(Normalised(display), *scale), picture);
}

ViewRect DisplayFromSelection(ViewRect selection, ViewSize picture, ViewSize control, bool fit,
                              int percent) {
    if (picture.Empty() || control.Empty()) return {};
    const std::optional<Scale> scale = DisplayToPicture(picture, control, fit, percent);
    if (!scale) return {};
    const Scale inverse{scale->denX, scale->numX, scale->denY, scale->numY};
    return LimitedTo(ScaledOutwards(Normalised(selection), inverse), control);
}

ZoomRegionView ZoomToRegion(ViewRect selection, ViewSize area) {
    const ViewRect region = Normalised(selection);
    ZoomRegionView view;
    if (region.Empty()) return view;
    view.scroll = RegionScroll(region, view.percent);
    for (int percent = 100 + kZoomStep; percent <= kMaxZoom; percent += kZoomStep) {
        if (!RegionFits(region, area, percent)) break;
        view = {percent, RegionScroll(region, percent)};
    }
    return view;
}

// --- Painting ---

PaintPlan PlanPaint(ViewRect clip, ViewSize picture, ViewSize control) {
    if (picture.Empty() || control.Empty()) return {};
    const ViewRect c = LimitedTo(Normalised(clip), control);
    if (c.Empty()) return {};
    const Span x = PlanAxis(c.left, c.right, picture.width, control.width);
    const Span y = PlanAxis(c.top, c.bottom, picture.height, control.height);
    return {{x.source0, y.source0, x.source1, y.source1},
            {x.target0, y.target0, x.target1, y.target1}};
}

// --- Aspect modes ---

const char* AspectCaption(AspectMode mode) {
    switch (mode) {
    case AspectMode::Monitor: return " &1:1 Monitor";
    case AspectMode::BestFit: return " 1:1 &Best fit";
    case AspectMode::Tv: return " &4:3 TV";
    case AspectMode::Cinema: return " &7:3 Cinema";
    case AspectMode::Wide: return "16:&9 Wide";
    }
    return "";
}

std::string AspectQuestion(AspectMode mode) {
    const char* resized = nullptr;
    switch (mode) {
    case AspectMode::Tv: resized = "resized to 4:3 TV aspect."; break;
    case AspectMode::Cinema: resized = "resized to 2.35:1 cinema (anamorphic) aspect."; break;
    case AspectMode::Wide: resized = "resized to 16:9 widescreen aspect."; break;
    case AspectMode::Monitor:
    case AspectMode::BestFit: return {};
    }
    if (!resized) return {};
    return std::string("All images will be ") + resized +
           "\nThis fixes raw, fullscreen DVD image captures (landscape).\nNormal 1:1 images will "
           "be distorted; video is not modified.";
}

int AspectWidth(AspectMode mode, int width, int height) {
    const Wide h = std::max(0, height);
    switch (mode) {
    case AspectMode::Tv: return ToInt(h * 4 / 3);
    case AspectMode::Cinema: return ToInt(h * 7 / 3);
    case AspectMode::Wide: return ToInt(h * 16 / 9);
    case AspectMode::Monitor:
    case AspectMode::BestFit: break;
    }
    return width;
}

} // namespace zv
