#include "explorer/ExplorerActions.h"

#include "explorer/ExplorerDocument.h"
#include "explorer/FileList.h"
#include "explorer/FolderTree.h"

#include <vector>

namespace zv {

namespace {

constexpr int kStyleGroup = 1;

constexpr int Arg(auto value) {
    return static_cast<int>(value);
}

MenuItem Style(ExplorerViewStyle style, std::string_view caption) {
    return Choice(kExViewStyle, Arg(style), caption, kExStyleIs, kStyleGroup,
                  style == ExplorerViewStyle::Thumbnails ? kExNotDrivesView : kRuleAlways);
}

// "&Arrange by": the eight orders of the list.
void AddSortMenu(std::vector<MenuItem>& table) {
    table.push_back(Menu("&Arrange by", kExSortMenu));
    for (SortKind kind :
         {SortKind::NameAscending, SortKind::NameDescending, SortKind::SizeAscending,
          SortKind::SizeDescending, SortKind::DateAscending, SortKind::DateDescending,
          SortKind::Type, SortKind::Family})
        table.push_back(Command(kExSort, SortCaption(kind), {}, kRuleAlways, Arg(kind)));
    table.push_back(End());
}

void AddStyles(std::vector<MenuItem>& table) {
    table.push_back(Style(ExplorerViewStyle::Thumbnails, "&Thumbnails"));
    table.push_back(Style(ExplorerViewStyle::LargeIcons, "Lar&ge icons"));
    table.push_back(Style(ExplorerViewStyle::SmallIcons, "&Small icons"));
    table.push_back(Style(ExplorerViewStyle::List, "&List"));
    table.push_back(Style(ExplorerViewStyle::Details, "&Details"));
}

const MenuItem kLayout[] = {
    Toggle(kExFolderTree, "&Folder tree", kExTreeOn),
    Toggle(kExToolBar, "&Tool bar", kExToolBarOn),
    Toggle(kExStatusBar, "&Status bar", kExStatusBarOn),
    Toggle(kExButtonText, "&Button text", kExButtonTextOn, kExToolBarOn),
};

std::vector<MenuItem> BuildMenuBar() {
    std::vector<MenuItem> table = {
        Menu("&File"),
        Command(kExOpen, "&Open", "Ctrl+O", kExHasSelection),
        Command(kExComment, "Commen&t", {}, kExCanComment),
        Separator(),
        Command(kExViewer, "&Viewer"),
        Separator(),
        Command(kExClose, "&Close"),
        End(),

        Menu("&Edit"),
        Command(kExSelectAll, "Select &All", "Ctrl+A"),
        Command(kExSelectFiles, "Select All &Files", "Ctrl+Shift+A"),
        Command(kExSelectImages, "Select All Imag&es", "Ctrl+Alt+A"),
        Command(kExInvertSelection, "&Invert selection"),
        Separator(),
        Command(kExFind, "&Find filename", "Ctrl+F"),
        Command(kExQueryComments, "&Query comments"),
        End(),

        Menu("&View"),
    };
    AddStyles(table);
    table.push_back(Separator());
    AddSortMenu(table);
    table.push_back(Separator());
    table.insert(table.end(), std::begin(kLayout), std::end(kLayout));
    table.insert(
        table.end(),
        {
            Menu("&Tile"),
            Command(kExTile, "Viewer left - &Explorer right", {}, kRuleAlways,
                    Arg(TileLayout::ViewerLeftExplorerRight)),
            Command(kExTile, "Explorer left - &Viewer right", {}, kRuleAlways,
                    Arg(TileLayout::ExplorerLeftViewerRight)),
            Command(kExTile, "Overlapped &right", {}, kRuleAlways,
                    Arg(TileLayout::OverlappedRight)),
            Command(kExTile, "Overlapped &left", {}, kRuleAlways, Arg(TileLayout::OverlappedLeft)),
            End(),
            Separator(),
            Command(kExRefresh, "Refres&h", "F5"),
            End(),

            Menu("&Go"),
            Command(kExUp, "Up one &level", {}, kExCanGoUp),
            Command(kExBack, "&Back", "Alt+Left"),
            Command(kExForward, "&Forward", "Alt+Right"),
            Command(kExHistory, "&History"),
            Command(kExGoTo, "&Go to"),
            End(),

            Menu("&Tools"),
            Toggle(kExNetworks, "&Networks", kExNetworksOn),
            Disabled("&Options..."),
            Command(kExSlideAlbum, "&Slide Album"),
            Menu("Sli&des", kExSlidesMenu, kExNotDrivesView),
            Command(kExMakeSlideshow, "Slide &album", {}, kExNotDrivesView),
            Command(kExInstantSlideshow, "&Instant slideshow", {}, kExNotDrivesView),
            ShownWhen(Command(kExRecursiveListing, "&Recursive listing", {}, kExNotDrivesView),
                      kExHiddenItem),
            End(),
            Command(kExUnzipper, "&Unzipper"),
            Menu("&Cache"),
            Command(kExCacheInfo, "I&nfo"),
            Command(kExCacheKill, "&Kill"),
            Command(kExCacheKillAll, "Kill &all"),
            End(),
            Command(kExMemory, "Memo&ry"),
            End(),

            Menu("&Help"),
            Disabled("&Contents"),
            End(),
        });
    return table;
}

std::vector<MenuItem> BuildListMenu() {
    std::vector<MenuItem> table = {
        Command(kExOpen, "&Open", "Ctrl+O", kExHasSelection),
        Menu("&View", kExViewsMenu),
    };
    AddStyles(table);
    table.push_back(End());
    AddSortMenu(table);
    table.insert(table.end(),
                 {
                     Menu("Se&lect"),
                     Command(kExSelectAll, "&All"),
                     Command(kExSelectFiles, "&Files"),
                     Command(kExSelectImages, "&Images"),
                     Command(kExInvertSelection, "&Invert selection"),
                     End(),
                     Command(kExComment, "Commen&t", {}, kExCanComment),
                     ShownWhen(Command(kExRedoThumbs, "Redo thum&bs"), kExThumbnailsChosen),
                     Separator(),
                     Command(kExRefresh, "Refres&h"),
                 });
    return table;
}

std::vector<MenuItem> BuildTreeMenu() {
    std::vector<MenuItem> table = {Menu("&Arrange by")};
    const TreeSort sorts[] = {TreeSort::NameAscending, TreeSort::NameDescending,
                              TreeSort::DateAscending, TreeSort::DateDescending, TreeSort::Family};
    for (std::size_t i = 0; i < std::size(sorts); ++i)
        table.push_back(
            Command(kExTreeArrange, kTreeSortCaptions[i], {}, kRuleAlways, Arg(sorts[i])));
    table.insert(table.end(), {
                                  End(),
                                  Command(kExTreeFirstChild, "&First child"),
                                  Command(kExTreeLocate, "&Locate"),
                                  Command(kExTreeRefresh, "Refres&h"),
                                  Disabled("&Properties"),
                              });
    return table;
}

} // namespace

MenuTable ExplorerMenuBar() {
    static const std::vector<MenuItem> table = BuildMenuBar();
    return table;
}

MenuTable ExplorerListMenu() {
    static const std::vector<MenuItem> table = BuildListMenu();
    return table;
}

MenuTable ExplorerTreeMenu() {
    static const std::vector<MenuItem> table = BuildTreeMenu();
    return table;
}

MenuTable ExplorerLayoutMenu() {
    return kLayout;
}

bool ExplorerRuleHolds(const ExplorerDocument& document, int rule, int argument) {
    const ExplorerSettings& settings = document.Settings();
    switch (rule) {
    case kExHasSelection: return !document.Selection().empty();
    case kExCanComment: return document.CommentEnabled();
    case kExNotDrivesView: return !document.InDrivesView();
    case kExThumbnailsChosen: return document.ViewStyle() == ExplorerViewStyle::Thumbnails;
    case kExCanGoUp: return document.UpEnabled();
    case kExStyleIs: return document.ViewStyle() == static_cast<ExplorerViewStyle>(argument);
    case kExTreeOn: return settings.folderTree;
    case kExToolBarOn: return settings.toolBar;
    case kExStatusBarOn: return settings.statusBar;
    case kExButtonTextOn: return settings.buttonText;
    case kExNetworksOn: return settings.networkSupport;
    case kExHiddenItem: return false;
    default: return true;
    }
}

} // namespace zv
