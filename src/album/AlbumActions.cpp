#include "album/AlbumActions.h"

#include <iterator>
#include <vector>

namespace zv {

namespace {

constexpr int kViewGroup = 1;
constexpr int kColumnsGroup = 2;

constexpr int Arg(AlbumColumnSet set) {
    return static_cast<int>(set);
}

constexpr MenuItem Property(int command, std::string_view caption, int enabled) {
    return Command(command, caption, {}, enabled);
}

// The nine property commands, enabled by the kind of the selected slides.
const MenuItem kProperties[] = {
    Property(kAlBackColor, "&Backcolor", kAlAnyFileProperty),
    Disabled("E&ffect"),
    Property(kAlWait, "&Wait", kAlHasSelection),
    Property(kAlZoom, "&Zoom", kAlAnyFileProperty),
    Property(kAlGamma, "&Gamma", kAlPictureProperty),
    Property(kAlRotate, "&Rotate", kAlPictureProperty),
    Property(kAlPosition, "&Position", kAlAnyFileProperty),
    Property(kAlPanel, "Pan&el", kAlAnyFileProperty),
    Property(kAlComment, "Commen&t", kAlHasSelection),
};

const MenuItem kIndexMenu[] = {
    Menu("&Index", kAlIndexMenu, kAlHasSlides),
    Command(kAlUserIdxSequence, "&User idx with &Sequence"),
    Command(kAlUserIdxComplexity, "User idx with Comple&xity rating"),
    Command(kAlCopyUserToExtra, "Copy &User idx to Extra idx"),
    Command(kAlCopyExtraToUser, "Copy &Extra idx to User idx"),
    Command(kAlSwapUserExtra, "&Swap Extra idx with User idx"),
    Separator(),
    Command(kAlCommentsFilename, "Comments with &Filename"),
    Command(kAlCommentsPathname, "Comments with &Pathname"),
    Separator(),
    Command(kAlCrcIndices, "&CRC indices"),
    Command(kAlImageDimensions, "Image &Dimensions"),
    Separator(),
    Menu("&Clear", kAlClearMenu),
    Command(kAlClearUserIdx, "&User idx"),
    Command(kAlClearComments, "Commen&ts"),
    End(),
    End(),
};

const MenuItem kColumnsMenu[] = {
    Menu("Colum&ns", kAlColumnsMenu),
    Choice(kAlColumns, Arg(AlbumColumnSet::All), "&All properties", kAlColumnsAre, kColumnsGroup),
    Choice(kAlColumns, Arg(AlbumColumnSet::Slide), "&Slide properties only", kAlColumnsAre,
           kColumnsGroup),
    Choice(kAlColumns, Arg(AlbumColumnSet::Image), "&Image properties only", kAlColumnsAre,
           kColumnsGroup),
    End(),
};

template <std::size_t N> void Append(std::vector<MenuItem>& table, const MenuItem (&items)[N]) {
    table.insert(table.end(), std::begin(items), std::end(items));
}

std::vector<MenuItem> BuildMenuBar() {
    std::vector<MenuItem> table = {
        Menu("&File"),
        Command(kAlNew, "&New"),
        Command(kAlOpen, "&Open", "Ctrl+O"),
        Command(kAlSaveAs, "Save &As", "Ctrl+S"),
        Separator(),
        Command(kAlRun, "&Run", {}, kAlTwoSlides),
        Separator(),
        Command(kAlClose, "&Close"),
        End(),

        Menu("&Edit"),
        Command(kAlAdd, "Add &slide(s)"),
        Command(kAlInsert, "I&nsert slide(s)"),
        Command(kAlInsertCdTrack, "Insert CD Trac&k"),
        Separator(),
        Command(kAlCut, "Cu&t slide(s)", "Ctrl+Del", kAlHasSelection),
        Command(kAlRelocate, "&Relocate slide(s)", {}, kAlHasSelection),
        Separator(),
        Command(kAlSelectIndex, "Select inde&x", {}, kAlHasSlides),
        Command(kAlSelectAll, "Select &All", "Ctrl+A", kAlHasSlides),
        Command(kAlInvertSelection, "&Invert selection", {}, kAlHasSlides),
        Separator(),
        Command(kAlFindName, "&File name", {}, kAlHasSlides),
        Command(kAlFindNext, "&Next name", "F3", kAlHasSlides),
        Command(kAlFindComments, "&Comments", {}, kAlHasSlides),
        End(),

        Menu("&Properties"),
    };
    Append(table, kProperties);
    table.push_back(End());
    Append(table, kIndexMenu);
    table.insert(table.end(),
                 {
                     Menu("&Source"),
                     Command(kAlOpenSource, "&Open"),
                     Command(kAlDeleteSource, "&Delete", "Del", kAlHasSelection),
                     Command(kAlMoveTo, "&Move to", {}, kAlHasSelection),
                     Command(kAlCopyTo, "&Copy to", {}, kAlHasSelection),
                     Separator(),
                     Command(kAlValidate, "&Validate", "F5", kAlHasSlides),
                     Command(kAlGetSlides, "&Get slides from ..."),
                     Separator(),
                     Command(kAlAlbumInfo, "&Album info"),
                     End(),

                     Menu("&View"),
                     Choice(kAlDetails, 0, "&Details", kAlDetailsOn, kViewGroup),
                     Choice(kAlThumbnails, 0, "&Thumbnails", kAlThumbnailsOn, kViewGroup),
                     Toggle(kAlTightSpacing, "Tig&ht spacing", kAlTightOn),
                 });
    Append(table, kColumnsMenu);
    table.insert(table.end(), {
                                  Separator(),
                                  Menu("&Arrange by", 0, kRuleNever),
                                  End(),
                                  Disabled("&Match"),
                                  Separator(),
                                  Command(kAlTile, "&Tile"),
                                  Toggle(kAlToolBar, "&Tool bar", kAlToolBarOn),
                                  Toggle(kAlStatusBar, "&Status bar", kAlStatusBarOn),
                                  Toggle(kAlPropertiesBox, "Properties box", kAlPropertiesBoxOn),
                                  Toggle(kAlButtonText, "&ButtonText", kAlButtonTextOn),
                                  Toggle(kAlAlbumMenu, "&Album menu", kAlAlbumMenuOn),
                                  End(),

                                  Menu("T&humbs"),
                                  Command(kAlDoThumbs, "&Do thumbs", {}, kAlNotThumbing),
                                  Command(kAlStopThumbs, "&Stop thumbs", {}, kAlThumbing),
                                  Command(kAlCheckThumbs, "Chec&k thumbs", {}, kAlHasSlides),
                                  Command(kAlRedoThumbs, "Redo thum&bs", {}, kAlHasSelection),
                                  End(),
                              });
    return table;
}

std::vector<MenuItem> BuildCommandsMenu() {
    return {
        Menu("&Arrange by", 0, kRuleNever),
        End(),
        Command(kAlCut, "Cu&t slide(s)", "Ctrl+Del", kAlHasSelection),
        Command(kAlRelocate, "&Relocate slide(s)", {}, kAlHasSelection),
        Disabled("&Match"),
        Separator(),
        Command(kAlOpenSource, "&Open"),
        Command(kAlDeleteSource, "&Delete", "Del", kAlHasSelection),
        Command(kAlCopyTo, "&Copy to", {}, kAlHasSelection),
        Command(kAlMoveTo, "&Move to", {}, kAlHasSelection),
    };
}

std::vector<MenuItem> BuildPropertiesMenu() {
    std::vector<MenuItem> table;
    Append(table, kProperties);
    return table;
}

const MenuItem kToolBar[] = {
    Command(kAlAdd, "Add"),
    Command(kAlInsert, "Insert"),
    Command(kAlRelocate, "Locate", {}, kAlHasSelection),
    Separator(),
    Command(kAlOpen, "Open"),
    Command(kAlSaveAs, "Save"),
    Separator(),
    Command(kAlDeleteSource, "Delete", {}, kAlHasSelection),
    Command(kAlCopyTo, "Move", {}, kAlHasSelection),
    Command(kAlGetSlides, "Get"),
    Separator(),
    Command(kAlRun, "Run", {}, kAlTwoSlides),
    Toggle(kAlAlbumMenu, "Album", kAlAlbumMenuOn),
};

} // namespace

MenuTable AlbumMenuBar() {
    static const std::vector<MenuItem> table = BuildMenuBar();
    return table;
}

MenuTable AlbumCommandsMenu() {
    static const std::vector<MenuItem> table = BuildCommandsMenu();
    return table;
}

MenuTable AlbumPropertiesMenu() {
    static const std::vector<MenuItem> table = BuildPropertiesMenu();
    return table;
}

MenuTable AlbumToolBar() {
    return kToolBar;
}

} // namespace zv
