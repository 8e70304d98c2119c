#pragma once
// The slide album window's menus and tool bar as data: its command numbers,
// the rules that enable and check them, and the tables of the menu bar and
// of the list's two pop-up menus (album commands in Album menu mode,
// property commands otherwise).

#include "platform/Actions.h"

#include <string_view>

namespace zv {

enum AlbumCommand : int {
    kAlNew = 1,
    kAlOpen,
    kAlSaveAs,
    kAlRun,
    kAlClose,
    kAlAdd,
    kAlInsert,
    kAlInsertCdTrack,
    kAlCut,
    kAlRelocate,
    kAlSelectIndex,
    kAlSelectAll,
    kAlInvertSelection,
    kAlFindName,
    kAlFindNext,
    kAlFindComments,
    kAlBackColor,
    kAlEffect,
    kAlWait,
    kAlZoom,
    kAlGamma,
    kAlRotate,
    kAlPosition,
    kAlPanel,
    kAlComment,
    kAlUserIdxSequence,
    kAlCopyUserToExtra,
    kAlCopyExtraToUser,
    kAlSwapUserExtra,
    kAlUserIdxComplexity,
    kAlCommentsFilename,
    kAlCommentsPathname,
    kAlCrcIndices,
    kAlImageDimensions,
    kAlClearUserIdx,
    kAlClearComments,
    kAlOpenSource,
    kAlDeleteSource,
    kAlMoveTo,
    kAlCopyTo,
    kAlValidate,
    kAlAlbumInfo,
    kAlDetails,
    kAlThumbnails,
    kAlTightSpacing,
    kAlColumns, // argument: AlbumColumnSet
    kAlTile,
    kAlToolBar,
    kAlStatusBar,
    kAlPropertiesBox,
    kAlButtonText,
    kAlAlbumMenu,
    kAlDoThumbs,
    kAlStopThumbs,
    kAlCheckThumbs,
    kAlRedoThumbs,
    kAlGetSlides,
    kAlCommandCount
};

// Menus shown in more than one place.
inline constexpr int kAlIndexMenu = 200;
inline constexpr int kAlClearMenu = 201;
inline constexpr int kAlColumnsMenu = 202;

enum AlbumRule : int {
    kAlHasSlides = 1,
    kAlHasSelection,
    kAlTwoSlides,
    kAlNotThumbing,
    kAlThumbing,
    kAlDetailsOn,
    kAlThumbnailsOn,
    kAlTightOn,
    kAlColumnsAre, // argument: AlbumColumnSet
    kAlToolBarOn,
    kAlStatusBarOn,
    kAlPropertiesBoxOn,
    kAlButtonTextOn,
    kAlAlbumMenuOn,
    kAlAlbumMenuOff,
    // The property commands by the kind of the single selected slide: all
    // for pictures, these four also for video and text files.
    kAlPictureProperty,
    kAlAnyFileProperty,
};

enum class AlbumColumnSet : int { All = 0, Slide = 1, Image = 2 };

MenuTable AlbumMenuBar();
// The list's pop-up menu in Album menu mode, and otherwise.
MenuTable AlbumCommandsMenu();
MenuTable AlbumPropertiesMenu();

// The tool bar's buttons as commands with their captions ("Move" copies,
// or moves with Shift held).
MenuTable AlbumToolBar();

} // namespace zv
