#include "viewer/ViewerActions.h"

#include "viewer/ViewGeometry.h"
#include "viewer/ViewerDocument.h"

#include <vector>

namespace zv {

namespace {

constexpr int kToolGroup = 1;
constexpr int kAspectGroup = 2;

// The batch words of the toolbox items, by their argument.
constexpr std::string_view kToolboxWords[] = {
    "ENRICH",          "DELACE",         "DESCREEN_LIGHT",  "DESCREEN_MEDIUM",
    "DESCREEN_STRONG", "DESCREEN_HIGH",  "UNWASH",          "UNCOOK",
    "ATTENUATE",       "ZEROMAP",        "CENTER",          "AUTO_WHITE",
    "AUTO_BALANCE",    "AUTO_CONTRAST",  "AUTO_LIGHTING",   "AUTO_SATURATE",
    "AUTO_GAMMA",      "AUTO_FLASH",     "NORMALIZE",       "EQUALIZE",
    "OPTIMIZE",        "NEGATIVE",       "MIRROR_VERTICAL", "MIRROR_HORIZONTAL",
    "QUANTIZE256",     "QUANTIZE16",     "GRAYSCALE",       "RGBMAX",
    "REDEYE",          "ZERO",           "DUPLICATE",       "SWAP",
    "MULTIPLY",        "MINIMUM",        "MAXIMUM",         "DIFFERENCE",
    "SUBTRACT",        "MASK_GRAYSCALE",
};

constexpr int Word(std::string_view word) {
    for (std::size_t i = 0; i < std::size(kToolboxWords); ++i)
        if (kToolboxWords[i] == word) return static_cast<int>(i);
    throw "not a toolbox word of the menus";
}

constexpr MenuItem Setting(ViewerToggle toggle, std::string_view caption) {
    MenuItem item = Toggle(kVwSetting, caption, kVwSettingOn);
    item.argument = toggle;
    return item;
}

// Evaluated while compiling, so a word missing from the list fails the build.
consteval MenuItem Tool(std::string_view caption, std::string_view word,
                        int enabled = kVwPictureCommands, std::string_view keys = {}) {
    return Command(kVwToolbox, caption, keys, enabled, Word(word));
}

// An operation asked in the effect dialog, by its effect code.
constexpr MenuItem Effect(std::string_view caption, int code) {
    return Command(kVwEffect, caption, {}, kVwPictureCommands, code);
}

MenuItem Step(std::string_view caption, std::string_view keys, HistoryStep step, int enabled) {
    return Command(kVwStep, caption, keys, enabled, static_cast<int>(step));
}

std::vector<MenuItem> BuildMenuBar() {
    std::vector<MenuItem> table = {
        Menu("&File"),
        Command(kVwOpen, "&Open", "Ctrl+O"),
        Command(kVwReload, "&Reload", "F5", kVwCanReload),
        Command(kVwNew, "&New"),
        Separator(),
        Step("&Next", "PgDown", HistoryStep::Next, kVwTwoEntries),
        Step("&Previous", "PgUp", HistoryStep::Previous, kVwTwoEntries),
        Step("&First", "Home", HistoryStep::First, kVwOneEntry),
        Step("&Last", "End", HistoryStep::Last, kVwOneEntry),
        Menu("Pa&ge", 0, kRuleAlways, kVwPagesShown),
        Command(kVwPage, "&Next", "Alt+PgDown", kRuleAlways, kPageNext),
        Command(kVwPage, "&Previous", "Alt+PgUp", kRuleAlways, kPagePrevious),
        Command(kVwPage, "&First", "Alt+Home", kRuleAlways, kPageFirst),
        Command(kVwPage, "&Last", "Alt+End", kRuleAlways, kPageLast),
        End(),
        Separator(),
        Command(kVwSaveAs, "&Save as", "Ctrl+S", kVwPictureCommands),
        Separator(),
        Command(kVwExplorer, "&Explorer", "Ctrl+E"),
        Command(kVwSlideAlbum, "&Slide Album"),
        Separator(),
        Command(kVwClose, "&Close"),
        End(),

        Menu("&Edit", 0, kVwNotMedia),
        Command(kVwUndo, "&Undo", "Ctrl+Z", kVwUndoAvailable),
        Menu("&Paste"),
        Command(kVwPasteImage, "&Image", "Ctrl+V"),
        End(),
        Command(kVwEmptyClipboard, "&Empty"),
        End(),

        Menu("&View"),
        Setting(kToggleMenuBar, "&Menu bar"),
        Setting(kToggleToolBar, "&Tool bar"),
        Setting(kTogglePathBox, "&Path box"),
        Setting(kToggleStatusBar, "&Status bar"),
        Setting(kToggleButtonText, "&Button text"),
        Separator(),
        Toggle(kVwFit, "Fit to &window", kVwFitOn, kRuleAlways, "Ctrl+F; F"),
        Setting(kToggleUpsampledFit, "&Upsampled fit"),
        Setting(kToggleAutoSize, "Auto Si&ze"),
        Setting(kToggleAutoCenter, "Auto Ce&nter"),
        Separator(),
        Command(kVwFolderStep, "Ne&xt in folder", "Shift+PgDown", kVwPictureFile, 1),
        Command(kVwFolderStep, "Pre&vious in folder", "Shift+PgUp", kVwPictureFile, -1),
        Separator(),
        Command(kVwFullScreen, "Full screen", "Alt+Return; W; Ctrl+W"),
        Setting(kToggleMaxFullScreen, "Max &Full screen"),
        Setting(kToggleFullScreenMenus, "with Men&us"),
        Separator(),
        Choice(kVwMouseTool, 0, "&Hand tool", kVwToolIs, kToolGroup, kVwNotMedia),
        Choice(kVwMouseTool, 1, "&Select tool", kVwToolIs, kToolGroup, kVwNotMedia),
        Separator(),
    };
    for (AspectMode mode : {AspectMode::Monitor, AspectMode::BestFit, AspectMode::Tv,
                            AspectMode::Cinema, AspectMode::Wide})
        table.push_back(Choice(kVwAspect, static_cast<int>(mode), AspectCaption(mode), kVwAspectIs,
                               kAspectGroup));
    table.insert(
        table.end(),
        {
            Separator(),
            Command(kVwGamma, "&Gamma", "Ctrl+G; G"),
            Toggle(kVwHalfJpeg, "&Half JPEG ", kVwHalfJpegOn),
            Toggle(kVwExifOrientation, "Rotate by EXIF orientation", kVwExifOrientationOn),
            Command(kVwInfo, "I&nfo", {}, kVwPictureCommands),
            Disabled("&Options..."),
            End(),

            Menu("&Image"),
            Disabled("&Promote to"),
            Command(kVwHistogram, "&Histogram", "Ctrl+H", kVwPictureCommands),
            Command(kVwAnalyze, "Anal&yze", {}, kVwPictureCommands),
            // The commands that need no effect dialog; the others come with it.
            Menu("S&mooth"),
            Effect("&Gaussian", 30),
            Effect("De&Focus", 31),
            Effect("&Soften", 3),
            Effect("&Outlier", 1),
            Effect("&Despeckle", 4),
            Effect("Un&Spot", 36),
            Effect("&Clean", 231),
            Effect("Air&brush", 155),
            Separator(),
            Tool("En&rich", "ENRICH"),
            Tool("De&Lace", "DELACE"),
            End(),
            Menu("S&harpen"),
            Effect("&Unsharp mask", 230),
            Effect("&Mean removal", 32),
            Effect("High pass - &medium", 33),
            Effect("High pass - &light", 34),
            End(),
            Menu("&Descreen"),
            Tool("&Light", "DESCREEN_LIGHT"),
            Tool("&Medium", "DESCREEN_MEDIUM"),
            Tool("&Strong", "DESCREEN_STRONG"),
            Tool("&High res", "DESCREEN_HIGH"),
            End(),
            Menu("&Auto"),
            Command(kVwAutoClean, "&Clean", {}, kVwPictureCommands),
            Command(kVwAutoSharpen, "&Sharpen", {}, kVwPictureCommands),
            Command(kVwAutoResize, "&Resize", "Z", kVwPictureCommands),
            End(),
            Menu("Resi&ze"),
            Command(kVwResize, "Interpolate (fast)", {}, kVwPictureCommands, 0),
            Command(kVwResize, "Resample (smooth)", {}, kVwPictureCommands, 1),
            Effect("Mosaic (tile)", 250),
            End(),
            Menu("R&otate"),
            Command(kVwRotate, "90 deg.", {}, kVwPictureCommands, 90),
            Command(kVwRotate, "270 deg.", {}, kVwPictureCommands, 270),
            Command(kVwRotateAsked, "Normal", {}, kVwPictureCommands, 100),
            Command(kVwRotateAsked, "Fine", {}, kVwPictureCommands, 1),
            Separator(),
            Tool("Mirror Vertical", "MIRROR_VERTICAL"),
            Tool("Mirror Horizontal", "MIRROR_HORIZONTAL"),
            End(),
            Menu("Add &noise"),
            Effect("&Random", 114),
            Command(kVwArtifacts, "&Artifacts", {}, kVwPictureCommands),
            End(),
            Menu("&Compute"),
            Tool("&Duplicate", "DUPLICATE", kVwPictureCommands, "Ctrl+D"),
            Tool("&Swap", "SWAP"),
            Separator(),
            Effect("&Average", 500),
            Effect("&Interlace", 510),
            Tool("M&ultiply", "MULTIPLY"),
            Tool("Mi&nimum", "MINIMUM"),
            Tool("Ma&ximum", "MAXIMUM"),
            Tool("Di&fference", "DIFFERENCE"),
            Tool("Su&btract", "SUBTRACT"),
            Separator(),
            Effect("Mask &Backcolors", 151),
            Effect("Mask &Forecolors", 152),
            Effect("Mask S&hadows", 502),
            Effect("Mask Hi&ghlights", 503),
            Effect("Mask &Midtones", 501),
            Effect("Mask &Contrast", 531),
            Tool("Mask G&rayscale", "MASK_GRAYSCALE"),
            Effect("Mask &Edges", 520),
            End(),
            Command(kVwBorder, "&Border", {}, kVwPictureCommands),
            Menu("&Text Mark"),
            Command(kVwTextMark, "Top Left", {}, kVwPictureCommands, 0),
            Command(kVwTextMark, "Top Right", {}, kVwPictureCommands, 1),
            Command(kVwTextMark, "Bottom Left", {}, kVwPictureCommands, 2),
            Command(kVwTextMark, "Bottom Right", {}, kVwPictureCommands, 3),
            Separator(),
            Command(kVwTextMarkFont, "Properties"),
            Command(kVwTextMarkOutline, "Outline color"),
            End(),
            End(),

            Menu("&Colors"),
            Tool("&Negative", "NEGATIVE", kVwNegativeDepth),
            Tool("Gra&y shades", "GRAYSCALE", kVwGrayDepth),
            Tool("RGB &Max", "RGBMAX"),
            Effect("&Posterize", 251),
            Tool("&Red Eye", "REDEYE", kVwSelectionShown),
            Menu("Re&duce to", 0, kVwReduceDepth),
            Command(kVwReduceDithered, "&256 colors (dither)", {}, kVwDepthAbove8, kReduce256),
            Command(kVwReduceDithered, "256 &grays (dither)", {}, kVwReduceDepth, kReduceGray256),
            Command(kVwReduceDithered, "&16 colors (dither)", {}, kVwDepthAbove4, kReduce16),
            Command(kVwReduceDithered, "&B/W", {}, kVwReduceDepth, kReduceBlackWhite),
            Separator(),
            Tool("2&56 colors (poster)", "QUANTIZE256", kVwDepthAbove8),
            Tool("1&6 colors (poster)", "QUANTIZE16", kVwDepthAbove4),
            End(),
            Separator(),
            Menu("&Gamma"),
            Effect("&Global", 101),
            Effect("&RGB", 100),
            Effect("S&uppress", 102),
            Effect("&Saturation", 103),
            End(),
            Menu("&Brightness"),
            Effect("&Global", 111),
            Effect("&RGB", 110),
            Effect("S&hift", 112),
            Effect("&Zero", 113),
            Effect("&Balance", 160),
            End(),
            Menu("C&ontrast"),
            Effect("&Global", 121),
            Effect("&RGB", 120),
            Effect("&Suppress", 134),
            Effect("De&Fog", 241),
            Separator(),
            Tool("Un&Wash", "UNWASH"),
            Tool("Un&Cook", "UNCOOK"),
            Tool("&Attenuate", "ATTENUATE"),
            End(),
            Menu("&Enhance"),
            Effect("&Global", 130),
            Effect("&Lighting", 133),
            Effect("&Saturation", 135),
            Effect("S&hadows", 131),
            Effect("&Highlights", 132),
            End(),
            Menu("&Limit"),
            Effect("&All", 400),
            Effect("&Red", 401),
            Effect("&Green", 402),
            Effect("&Blue", 403),
            End(),
            Menu("E&qualizer"),
            Effect("&All channels", 140),
            Effect("&Red channel", 141),
            Effect("&Green channel", 142),
            Effect("&Blue channel", 143),
            End(),
            Menu("&Map"),
            Effect("&Equalize", 410),
            Effect("&Red", 411),
            Effect("&Green", 412),
            Effect("&Blue", 413),
            Effect("&Lighting", 415),
            Effect("&Saturation", 414),
            Separator(),
            Tool("&Zero", "ZEROMAP"),
            Tool("&Center", "CENTER"),
            End(),
            Menu("&Tune"),
            Effect("&HLS", 150),
            Effect("&RGB", 416),
            Separator(),
            Tool("Auto &White", "AUTO_WHITE"),
            Tool("Auto &Balance", "AUTO_BALANCE"),
            Tool("Auto &Contrast", "AUTO_CONTRAST"),
            Tool("Auto &Lighting", "AUTO_LIGHTING"),
            Tool("Auto &Saturate", "AUTO_SATURATE"),
            Tool("Auto &Gamma", "AUTO_GAMMA"),
            Tool("Auto &Flash", "AUTO_FLASH"),
            Tool("&Normalize", "NORMALIZE"),
            Tool("E&Qualize", "EQUALIZE"),
            Tool("&Optimize", "OPTIMIZE"),
            End(),
            Menu("&Threshold"),
            Effect("HLS &foreground", 154),
            Effect("HLS &background", 153),
            Effect("RGB f&oreground", 156),
            Effect("RGB b&ackground", 157),
            End(),
            End(),

            Menu("&Zoom"),
            Command(kVwZoomIn, "Zoom &in", "+; Num++; Ctrl++; Ctrl+=", kVwZoomable),
            Command(kVwZoomOut, "Zoom &out", "-; Num+-; Ctrl+-", kVwZoomable),
            Command(kVwZoomTo, "&Zoom to", "Alt+Z", kVwZoomable),
            Command(kVwZoomRegion, "Zoom &region", "Alt+R"),
            Separator(),
            Menu("Fit to"),
            Command(kVwFitWindow, "1:&1", "Alt+1", kVwNotFullScreen, 1),
            Command(kVwFitWindow, "1:&2", "Alt+2", kVwNotFullScreen, 2),
            Command(kVwFitWindow, "1:&3", "Alt+3", kVwNotFullScreen, 3),
            Command(kVwFitWindow, "1:&4", "Alt+4", kVwNotFullScreen, 4),
            End(),
            Command(kVwAdjustWindow, "&Window", "Alt+A", kVwNotFullScreen),
            Command(kVwViewport, "&Viewport", "Shift+Alt+V"),
            Separator(),
            Command(kVwSelectAll, "Select &all"),
            Command(kVwMask, "&Mask"),
            Command(kVwGrid, "&Grid"),
            End(),

            Menu("&Bookmarks", kVwBookmarksMenu),
            Command(kVwViewBookmarks, "&View", "Ctrl+B; B", kVwOneEntry),
            Disabled("&Run", "Ctrl+R"), // needs the slideshow
            Command(kVwClearHistory, "&Clear", {}, kVwOneEntry),
            Command(kVwSortBookmarks, "&Sort", {}, kVwTwoEntries),
            Separator(),
            Command(kVwLoadList, "&Load"),
            Command(kVwSaveList, "S&ave", {}, kVwOneEntry),
            Command(kVwBookmarksAlbum, "Albu&m", {}, kVwTwoEntries),
            Separator(),
            Command(kVwMoveUp, "Move &Up", "Ctrl+PgUp", kVwTwoEntries),
            Command(kVwMoveDown, "Move &Dn", "Ctrl+PgDown", kVwTwoEntries),
            Command(kVwUnmark, "&Unmark", "Ctrl+Del", kVwOneEntry),
            End(),

            Menu("&Media"),
            Command(kVwPlayPause, "&Play/pause", {}, kVwMedia),
            Command(kVwStop, "&Stop", {}, kVwMedia),
            Separator(),
            Setting(kTogglePlayerStatusLine, "&Status line"),
            Setting(kTogglePlayerTrackBar, "&Track bar"),
            Setting(kTogglePlayerControls, "Player &controls"),
            Setting(kTogglePlayerMaxFullScreen, "Max &Full screen"),
            Setting(kTogglePlayerAutoPlayLoop, "Auto &Play + Loop"),
            End(),

            Menu("&Tools"),
            Menu("&Batch"),
            Command(kVwBatchEditor, "&Editor", "Alt+B"),
            Command(kVwBatchPerform, "&Perform", "F9"),
            Separator(),
            Command(kVwBatchConvert, "to &JPG", {}, kVwTwoEntries, 0),
            Command(kVwBatchConvert, "to &BMP", {}, kVwTwoEntries, 1),
            Command(kVwBatchConvert, "to PN&G", {}, kVwTwoEntries, 2),
            Command(kVwBatchConvert, "to &TIF", {}, kVwTwoEntries, 3),
            Command(kVwBatchConvert, "to TG&A", {}, kVwTwoEntries, 4),
            Command(kVwBatchConvert, "to PC&X", {}, kVwTwoEntries, 5),
            End(),
            Menu("&JPEG"),
            Command(kVwJpegCompress, "&Compress", {}, kVwPictureCommands),
            End(),
            Command(kVwMemory, "Memo&ry"),
            End(),

            Menu("&Help"),
            Disabled("&Contents"),
            End(),
        });
    return table;
}

bool PictureShown(const ViewerCommandState& state) {
    return state.pictureReady && !state.mediaMode;
}

} // namespace

bool ViewerRuleHolds(const ViewerCommandState& state, int rule, int argument) {
    switch (rule) {
    case kVwTwoEntries: return state.historyEntries > 1;
    case kVwOneEntry: return state.historyEntries > 0;
    case kVwCanReload: return state.reloadEnabled || state.mediaMode;
    case kVwPagesShown: return state.pageCommandsVisible;
    case kVwPictureCommands: return PictureShown(state);
    case kVwNotMedia: return !state.mediaMode;
    case kVwMedia: return state.mediaMode;
    case kVwUndoAvailable: return state.undoAvailable;
    case kVwFitOn: return state.fit;
    case kVwZoomable: return !state.mediaMode;
    case kVwPictureFile: return state.historyEntries > 0;
    case kVwNotFullScreen: return !state.fullScreen;
    case kVwToolIs: return state.mouseTool == argument;
    case kVwAspectIs: return state.aspectMode == argument;
    case kVwHalfJpegOn: return state.halfJpeg;
    case kVwExifOrientationOn: return state.exifOrientation;
    case kVwNegativeDepth:
        return PictureShown(state) && (state.imageBits > 7 || state.imageBits == 1);
    case kVwGrayDepth: return PictureShown(state) && state.imageBits > 7;
    case kVwReduceDepth: return PictureShown(state) && state.imageBits != 1;
    case kVwDepthAbove8: return PictureShown(state) && state.imageBits > 8;
    case kVwDepthAbove4: return PictureShown(state) && state.imageBits > 4;
    case kVwSelectionShown: return PictureShown(state) && state.selection;
    default: return true;
    }
}

MenuTable ViewerMenuBar() {
    static const std::vector<MenuItem> table = BuildMenuBar();
    return table;
}

std::string_view ViewerToolboxWord(int argument) {
    if (argument < 0 || argument >= static_cast<int>(std::size(kToolboxWords))) return {};
    return kToolboxWords[argument];
}

} // namespace zv
