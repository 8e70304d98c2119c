#pragma once
// The explorer window's menus as data: its commands, the rules that enable,
// check and show them, and the tables of the menu bar and the pop-up menus.
// The window runs the commands; the rules are answered from the document.

#include "platform/Actions.h"

namespace zv {

class ExplorerDocument;

// The "&Tile" layouts, as the window reports them to the application.
enum class TileLayout {
    ViewerLeftExplorerRight = 0,
    ExplorerLeftViewerRight = 1,
    OverlappedRight = 2,
    OverlappedLeft = 3
};

enum ExplorerCommand : int {
    kExOpen = 1,
    kExComment,
    kExViewer,
    kExClose,
    kExSelectAll,
    kExSelectFiles,
    kExSelectImages,
    kExInvertSelection,
    kExFind,
    kExQueryComments,
    kExViewStyle, // argument: the ExplorerViewStyle
    kExSortMenu,
    kExSort, // argument: the SortKind
    kExFolderTree,
    kExToolBar,
    kExStatusBar,
    kExButtonText,
    kExTile, // argument: the TileLayout
    kExRefresh,
    kExUp,
    kExBack,
    kExForward,
    kExGoTo,
    kExNetworks,
    kExSlideAlbum,
    kExUnzipper,
    kExCacheInfo,
    kExCacheKill,
    kExCacheKillAll,
    kExMemory,
    kExViewsMenu,
    kExRedoThumbs,
    kExTreeArrange, // argument: the TreeSort
    kExTreeFirstChild,
    kExTreeLocate,
    kExTreeRefresh,
    kExHistory,
    kExSlidesMenu,       // the tool bar's "Slides" pops it up
    kExMakeSlideshow,    // "Slide &album"
    kExInstantSlideshow, // "&Instant slideshow"
    kExRecursiveListing, // hidden: the tree into the album without the question
};

enum ExplorerRule : int {
    kExHasSelection = 1,
    kExCanComment,
    kExNotDrivesView,
    kExThumbnailsChosen,
    kExCanGoUp,
    kExStyleIs, // argument: the ExplorerViewStyle
    kExTreeOn,
    kExToolBarOn,
    kExStatusBarOn,
    kExButtonTextOn,
    kExNetworksOn,
    kExHiddenItem, // never holds: an item kept out of sight
};

// The menu bar: File, Edit, View, Go, Tools, Help.
MenuTable ExplorerMenuBar();
// The list's pop-up menu.
MenuTable ExplorerListMenu();
// The folder tree's pop-up menu.
MenuTable ExplorerTreeMenu();
// The pop-up menu of the bars: the layout commands.
MenuTable ExplorerLayoutMenu();

bool ExplorerRuleHolds(const ExplorerDocument& document, int rule, int argument);

} // namespace zv
