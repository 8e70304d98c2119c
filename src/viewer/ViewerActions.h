#pragma once
// The viewer window's menus as data: its commands, the rules that enable,
// check and show them, and the table of its menu bar. The window runs the
// commands and fills a ViewerCommandState for the rules.

#include "platform/Actions.h"

#include <string_view>

namespace zv {

enum ViewerCommand : int {
    kVwOpen = 1,
    kVwReload,
    kVwNew,
    kVwStep, // argument: the HistoryStep
    kVwPage, // argument: the PageTag
    kVwSaveAs,
    kVwExplorer,
    kVwClose,
    kVwUndo,
    kVwPasteImage,
    kVwEmptyClipboard,
    kVwSetting, // argument: the ViewerToggle
    kVwFit,
    kVwFullScreen,
    kVwMouseTool, // argument: the MouseTool
    kVwAspect,    // argument: the AspectMode
    kVwGamma,
    kVwHalfJpeg,
    kVwInfo,
    kVwHistogram,
    kVwAnalyze,
    kVwToolbox, // argument: the index of the batch word (ViewerToolboxWord)
    kVwAutoClean,
    kVwAutoSharpen,
    kVwZoomIn,
    kVwZoomOut,
    kVwZoomTo,
    kVwZoomRegion,
    kVwFitWindow, // argument: n of "1:n"
    kVwAdjustWindow,
    kVwViewport,
    kVwSelectAll,
    kVwMask,
    kVwGrid,
    kVwBookmarksMenu,
    kVwClearHistory,
    kVwLoadList,
    kVwSaveList,
    kVwMoveUp,
    kVwMoveDown,
    kVwUnmark,
    kVwPlayPause,
    kVwStop,
    kVwMemory,
    kVwFolderStep, // argument: +1 the next picture of the folder, -1 the previous
    kVwExifOrientation,
    kVwBatchEditor,
    kVwBatchPerform,
    kVwRotate, // argument: the degrees clockwise
    kVwAutoResize,
    kVwTextMark, // argument: the corner, 0 top left .. 3 bottom right
    kVwTextMarkFont,
    kVwTextMarkOutline,
    kVwBatchConvert, // argument: the target's tag, 0 JPG .. 5 PCX
    kVwEffect,       // argument: the effect code of the registry entry, shown in its dialog
    kVwResize,       // argument: 0 "Interpolate (fast)", 1 "Resample (smooth)"
    kVwRotateAsked,  // argument: the unit in hundredths of a degree, 100 Normal, 1 Fine
    kVwArtifacts,
    kVwBorder,
    kVwReduceDithered, // argument: the ReduceItem
    kVwViewBookmarks,
    kVwSortBookmarks,
    kVwSlideAlbum,
    kVwBookmarksAlbum,
    kVwJpegCompress,
};

// The dithered items of Colors > Reduce to.
enum ReduceItem : int { kReduce256, kReduceGray256, kReduce16, kReduceBlackWhite };

// The on/off settings of the View and Media menus.
enum ViewerToggle : int {
    kToggleMenuBar,
    kToggleToolBar,
    kTogglePathBox,
    kToggleStatusBar,
    kToggleButtonText,
    kToggleUpsampledFit,
    kToggleAutoSize,
    kToggleAutoCenter,
    kToggleMaxFullScreen,
    kToggleFullScreenMenus,
    kTogglePlayerStatusLine,
    kTogglePlayerTrackBar,
    kTogglePlayerControls,
    kTogglePlayerMaxFullScreen,
    kTogglePlayerAutoPlayLoop,
    kToggleCount
};

enum ViewerRule : int {
    kVwTwoEntries = 1, // the history has two entries or more
    kVwOneEntry,
    kVwCanReload,
    kVwPagesShown,
    kVwPictureCommands, // a picture is shown, not a sound or video
    kVwNotMedia,
    kVwMedia,
    kVwUndoAvailable,
    kVwSettingOn, // argument: the ViewerToggle; answered by the window
    kVwFitOn,
    kVwZoomable, // not media: zooming leaves fit
    kVwNotFullScreen,
    kVwToolIs,   // argument: the MouseTool
    kVwAspectIs, // argument: the AspectMode
    kVwHalfJpegOn,
    kVwPictureFile, // a file was opened, so its folder can be stepped through
    kVwExifOrientationOn,
    // The depth rules of the colour items, each with a picture shown.
    kVwNegativeDepth,  // more than 7 bits, or 1
    kVwGrayDepth,      // more than 7 bits
    kVwReduceDepth,    // any depth but 1
    kVwDepthAbove8,    // "&256 colors (dither)", "2&56 colors (poster)"
    kVwDepthAbove4,    // "&16 colors (dither)", "1&6 colors (poster)"
    kVwSelectionShown, // a picture with a selection on it
};

// What the rules are answered from.
struct ViewerCommandState {
    int historyEntries = 0;
    bool reloadEnabled = false;
    bool mediaMode = false;
    bool pageCommandsVisible = false;
    bool pictureReady = false;
    bool undoAvailable = false;
    bool fit = false;
    bool fullScreen = false;
    bool halfJpeg = false;
    bool exifOrientation = true; // "Rotate by EXIF orientation"
    int imageBits = 24;
    bool selection = false;
    int mouseTool = 0;
    int aspectMode = 0;
};

bool ViewerRuleHolds(const ViewerCommandState& state, int rule, int argument);

// File, Edit, View, Image, Colors, Zoom, Bookmarks, Media, Tools, Help.
MenuTable ViewerMenuBar();

// The batch word a kVwToolbox item runs.
std::string_view ViewerToolboxWord(int argument);

} // namespace zv
