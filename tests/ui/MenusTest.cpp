// The menu bars of both windows, built from their action tables: every
// caption with its mnemonic, its keys and its place, as the program has
// always shown them.

#include "explorer/ui/FileForm.h"
#include "imaging/ImagingContext.h"
#include "platform/ScriptedDialogs.h"
#include "viewer/ViewerSettings.h"
#include "viewer/ui/WebForm.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>

using namespace zv;

namespace {

// One line per item, indented by depth: the caption, then its keys in [].
void Dump(const QList<QAction*>& actions, int depth, QString& out) {
    for (QAction* action : actions) {
        out += QString(depth * 2, QLatin1Char(' '));
        if (action->isSeparator()) {
            out += QStringLiteral("-\n");
            continue;
        }
        out += action->text();
        QStringList keys;
        for (const QKeySequence& key : action->shortcuts())
            keys << key.toString(QKeySequence::PortableText);
        if (!keys.isEmpty()) out += QStringLiteral(" [") + keys.join(QStringLiteral("; ")) + ']';
        out += '\n';
        if (action->menu()) Dump(action->menu()->actions(), depth + 1, out);
    }
}

QString MenuBarText(QMainWindow& window) {
    QString out;
    Dump(window.menuBar()->actions(), 0, out);
    return out;
}

} // namespace

class MenusTest : public QObject {
    Q_OBJECT

private slots:
    void explorerMenus() {
        QTemporaryDir home;
        ExplorerSettings settings = DefaultExplorerSettings(1024, 768);
        ScriptedDialogs dialogs;
        const auto drives = [] {
            return std::vector<KnownDrive>{{"/", "File System", kDriveFixed}};
        };
        TFileForm form(
            ExplorerServices{settings, home.path().toStdString(), dialogs, {}, drives, {}, 24});
        QCOMPARE(MenuBarText(form), QStringLiteral(R"(&File
  &Open [Ctrl+O]
  Commen&t
  -
  &Viewer
  -
  &Close
&Edit
  Select &All [Ctrl+A]
  Select All &Files [Ctrl+Shift+A]
  Select All Imag&es [Ctrl+Alt+A]
  &Invert selection
  -
  &Find filename [Ctrl+F]
  &Query comments
&View
  &Thumbnails
  Lar&ge icons
  &Small icons
  &List
  &Details
  -
  &Arrange by
    &Name +
    Na&me -
    &Size   +
    Si&ze   -
    &Date  +
    D&ate  -
    &Type
    &Family
  -
  &Folder tree
  &Tool bar
  &Status bar
  &Button text
  &Tile
    Viewer left - &Explorer right
    Explorer left - &Viewer right
    Overlapped &right
    Overlapped &left
  -
  Refres&h [F5]
&Go
  Up one &level
  &Back [Alt+Left]
  &Forward [Alt+Right]
  &History
  &Go to
&Tools
  &Networks
  &Options...
  &Slide Album
  Sli&des
    Slide &album
    &Instant slideshow
    &Recursive listing
  &Unzipper
  &Cache
    I&nfo
    &Kill
    Kill &all
  Memo&ry
&Help
  &Contents
)"));
    }

    void viewerMenus() {
        ImagingContext imaging;
        ViewerSettings settings = DefaultViewerSettings(24);
        TWebForm viewer(imaging, settings);
        QCOMPARE(MenuBarText(viewer), QStringLiteral(R"(&File
  &Open [Ctrl+O]
  &Reload [F5]
  &New
  -
  &Next [PgDown]
  &Previous [PgUp]
  &First [Home]
  &Last [End]
  Pa&ge
    &Next [Alt+PgDown]
    &Previous [Alt+PgUp]
    &First [Alt+Home]
    &Last [Alt+End]
  -
  &Save as [Ctrl+S]
  -
  &Explorer [Ctrl+E]
  &Slide Album
  -
  &Close
&Edit
  &Undo [Ctrl+Z]
  &Paste
    &Image [Ctrl+V]
  &Empty
&View
  &Menu bar
  &Tool bar
  &Path box
  &Status bar
  &Button text
  -
  Fit to &window [Ctrl+F; F]
  &Upsampled fit
  Auto Si&ze
  Auto Ce&nter
  -
  Ne&xt in folder [Shift+PgDown]
  Pre&vious in folder [Shift+PgUp]
  -
  Full screen [Alt+Return; W; Ctrl+W]
  Max &Full screen
  with Men&us
  -
  &Hand tool
  &Select tool
  -
   &1:1 Monitor
   1:1 &Best fit
   &4:3 TV
   &7:3 Cinema
  16:&9 Wide
  -
  &Gamma [Ctrl+G; G]
  &Half JPEG 
  Rotate by EXIF orientation
  I&nfo
  &Options...
&Image
  &Promote to
  &Histogram [Ctrl+H]
  Anal&yze
  S&mooth
    &Gaussian
    De&Focus
    &Soften
    &Outlier
    &Despeckle
    Un&Spot
    &Clean
    Air&brush
    -
    En&rich
    De&Lace
  S&harpen
    &Unsharp mask
    &Mean removal
    High pass - &medium
    High pass - &light
  &Descreen
    &Light
    &Medium
    &Strong
    &High res
  &Auto
    &Clean
    &Sharpen
    &Resize [Z]
  Resi&ze
    Interpolate (fast)
    Resample (smooth)
    Mosaic (tile)
  R&otate
    90 deg.
    270 deg.
    Normal
    Fine
    -
    Mirror Vertical
    Mirror Horizontal
  Add &noise
    &Random
    &Artifacts
  &Compute
    &Duplicate [Ctrl+D]
    &Swap
    -
    &Average
    &Interlace
    M&ultiply
    Mi&nimum
    Ma&ximum
    Di&fference
    Su&btract
    -
    Mask &Backcolors
    Mask &Forecolors
    Mask S&hadows
    Mask Hi&ghlights
    Mask &Midtones
    Mask &Contrast
    Mask G&rayscale
    Mask &Edges
  &Border
  &Text Mark
    Top Left
    Top Right
    Bottom Left
    Bottom Right
    -
    Properties
    Outline color
&Colors
  &Negative
  Gra&y shades
  RGB &Max
  &Posterize
  &Red Eye
  Re&duce to
    &256 colors (dither)
    256 &grays (dither)
    &16 colors (dither)
    &B/W
    -
    2&56 colors (poster)
    1&6 colors (poster)
  -
  &Gamma
    &Global
    &RGB
    S&uppress
    &Saturation
  &Brightness
    &Global
    &RGB
    S&hift
    &Zero
    &Balance
  C&ontrast
    &Global
    &RGB
    &Suppress
    De&Fog
    -
    Un&Wash
    Un&Cook
    &Attenuate
  &Enhance
    &Global
    &Lighting
    &Saturation
    S&hadows
    &Highlights
  &Limit
    &All
    &Red
    &Green
    &Blue
  E&qualizer
    &All channels
    &Red channel
    &Green channel
    &Blue channel
  &Map
    &Equalize
    &Red
    &Green
    &Blue
    &Lighting
    &Saturation
    -
    &Zero
    &Center
  &Tune
    &HLS
    &RGB
    -
    Auto &White
    Auto &Balance
    Auto &Contrast
    Auto &Lighting
    Auto &Saturate
    Auto &Gamma
    Auto &Flash
    &Normalize
    E&Qualize
    &Optimize
  &Threshold
    HLS &foreground
    HLS &background
    RGB f&oreground
    RGB b&ackground
&Zoom
  Zoom &in [+; Num++; Ctrl++; Ctrl+=]
  Zoom &out [-; Num+-; Ctrl+-]
  &Zoom to [Alt+Z]
  Zoom &region [Alt+R]
  -
  Fit to
    1:&1 [Alt+1]
    1:&2 [Alt+2]
    1:&3 [Alt+3]
    1:&4 [Alt+4]
  &Window [Alt+A]
  &Viewport [Alt+Shift+V]
  -
  Select &all
  &Mask
  &Grid
&Bookmarks
  &View [Ctrl+B; B]
  &Run [Ctrl+R]
  &Clear
  &Sort
  -
  &Load
  S&ave
  Albu&m
  -
  Move &Up [Ctrl+PgUp]
  Move &Dn [Ctrl+PgDown]
  &Unmark [Ctrl+Del]
&Media
  &Play/pause
  &Stop
  -
  &Status line
  &Track bar
  Player &controls
  Max &Full screen
  Auto &Play + Loop
&Tools
  &Batch
    &Editor [Alt+B]
    &Perform [F9]
    -
    to &JPG
    to &BMP
    to PN&G
    to &TIF
    to TG&A
    to PC&X
  &JPEG
    &Compress
  Memo&ry
&Help
  &Contents
)"));
        // The choices start where the settings and the view are.
        const auto checked = [&](const QString& caption) {
            for (QAction* action : viewer.findChildren<QAction*>())
                if (action->text() == caption) return action->isChecked();
            return false;
        };
        QVERIFY(checked(QStringLiteral("&Hand tool")));
        QVERIFY(checked(QStringLiteral(" &1:1 Monitor")));
        QCOMPARE(checked(QStringLiteral("&Tool bar")), settings.toolBar);
    }
};

QTEST_MAIN(MenusTest)
#include "MenusTest.moc"
