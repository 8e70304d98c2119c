// The viewer's menu commands and `zelvan-tool apply` with the same word give
// the same picture: for each colour, mask, arithmetic and geometry item of
// the menus, its dialog answered by script, the viewer's picture after the
// command is compared, pixel for pixel and in its colour depth, with the
// tool's output on the same file.

#include "imaging/BitmapFile.h"
#include "platform/ScriptedDialogs.h"
#include "viewer/ViewerSettings.h"
#include "viewer/ui/WebForm.h"

#include "ViewerSession.h"

#include <QAction>
#include <QProcess>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

using namespace zv;
namespace fs = std::filesystem;

namespace {

// Larger than the view, so Auto > Resize shrinks it; gradients, hard edges
// and grain, so the reductions have many colours to choose among.
Bitmap TestPicture() {
    Bitmap picture;
    picture.Create(900, 700, PixelFormat::Bits24);
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x) {
            std::uint8_t* p = picture.ScanLine(y) + 3 * x;
            const int grain = static_cast<int>(((x * 2654435761u) ^ (y * 40503u)) >> 28) - 8;
            const int edge = ((x / 150 + y / 120) % 2) * 60;
            const auto level = [&](int v) {
                return static_cast<std::uint8_t>(std::clamp(v + grain + edge, 0, 255));
            };
            p[0] = level(x * 190 / 900);
            p[1] = level(30 + y * 160 / 700);
            p[2] = level(220 - (x + y) * 200 / 1600);
        }
    return picture;
}

// "" when both pictures have the same size, depth and colours, else the
// first difference.
std::string Difference(Bitmap a, Bitmap b) {
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return "sizes " + std::to_string(a.Width()) + " x " + std::to_string(a.Height()) + " and " +
               std::to_string(b.Width()) + " x " + std::to_string(b.Height());
    if (a.BitsPerPixel() != b.BitsPerPixel())
        return "depths " + std::to_string(a.BitsPerPixel()) + " and " +
               std::to_string(b.BitsPerPixel());
    a.SetPixelFormat(PixelFormat::Bits24);
    b.SetPixelFormat(PixelFormat::Bits24);
    for (int y = 0; y < a.Height(); ++y)
        for (int i = 0; i < 3 * a.Width(); ++i)
            if (a.ScanLine(y)[i] != b.ScanLine(y)[i])
                return "pixel (" + std::to_string(i / 3) + ", " + std::to_string(y) + ") byte " +
                       std::to_string(i % 3) + ": " + std::to_string(a.ScanLine(y)[i]) + " and " +
                       std::to_string(b.ScanLine(y)[i]);
    return "";
}

} // namespace

// One menu command: the items triggered before it (a duplicate made and the
// picture changed after it, for the two-picture commands), the answers to
// its dialog (an effect dialog applies after a preview), and the tool's lines; "*" stands for the
// line the viewer recorded, %1 and %2 for the viewer's width and height afterwards.
struct MenuRow {
    const char* caption;
    std::vector<const char*> before;
    DialogScript script;
    std::string text; // the answer to the text mark's question
    std::vector<const char*> lines;
    bool duplicate = false; // the tool's second picture is the file itself
};

using Step = DialogStep;

const std::vector<MenuRow>& MenuRows() {
    static const std::vector<const char*> kNegated{"&Duplicate", "&Negative"};
    static const std::vector<MenuRow> rows = {
        {"&Negative", {}, {}, "", {"NEGATIVE"}},
        {"Gra&y shades", {}, {}, "", {"GRAYSCALE"}},
        {"RGB &Max", {}, {}, "", {"RGBMAX"}},
        {"&Posterize", {}, {Step::Slider(0, 2), Step::Test(), Step::Ok()}, "", {"POSTERIZE=2"}},
        {"&HLS",
         {},
         {Step::Slider(0, -100), Step::Slider(1, 50), Step::Slider(2, 300), Step::Test(),
          Step::Ok()},
         "",
         {"*"}},
        {"2&56 colors (poster)", {}, {}, "", {"QUANTIZE256"}},
        {"1&6 colors (poster)", {}, {}, "", {"QUANTIZE16"}},
        {"&256 colors (dither)", {}, {Step::Slider(0, 0), Step::Ok()}, "", {"REDUCE_256=0"}},
        {"&16 colors (dither)", {}, {Step::Ok()}, "", {"REDUCE_16=2"}},
        {"256 &grays (dither)", {}, {Step::Slider(0, 1), Step::Ok()}, "", {"REDUCE_GRAY256=1"}},
        {"&B/W", {}, {Step::Slider(0, 1), Step::Ok()}, "", {"REDUCE_BW=1"}},
        {"90 deg.", {}, {}, "", {"ROTATE=90"}},
        {"270 deg.", {}, {}, "", {"ROTATE=270"}},
        {"Mirror Vertical", {}, {}, "", {"MIRROR_VERTICAL"}},
        {"Mirror Horizontal", {}, {}, "", {"MIRROR_HORIZONTAL"}},
        {"&Resize", {}, {}, "", {"RESAMPLE=%1,%2"}},
        {"&Border", {}, {Step::Type(0, "7"), Step::Type(1, "5"), Step::Ok()}, "", {"*"}},
        {"Bottom Right", {}, {}, "Zelvan 21", {"TEXTMARK_BOTTOMRIGHT=Zelvan 21"}},
        {"&Average",
         kNegated,
         {Step::Slider(0, 30), Step::Test(), Step::Ok()},
         "",
         {"NEGATIVE", "AVERAGE=30"},
         true},
        {"Di&fference", kNegated, {}, "", {"NEGATIVE", "DIFFERENCE"}, true},
        {"Mask &Edges",
         kNegated,
         {Step::Slider(0, 64), Step::Slider(1, 200), Step::Test(), Step::Ok()},
         "",
         {"NEGATIVE", "MASK_EDGES=64,200"},
         true},
        {"Mask &Backcolors", kNegated, {Step::Test(), Step::Ok()}, "", {"NEGATIVE", "*"}, true},
        {"&Interlace", kNegated, {Step::Test(), Step::Ok()}, "", {"NEGATIVE", "*"}, true},
        {"M&ultiply", kNegated, {}, "", {"NEGATIVE", "MULTIPLY"}, true},
        {"Mi&nimum", kNegated, {}, "", {"NEGATIVE", "MINIMUM"}, true},
        {"Ma&ximum", kNegated, {}, "", {"NEGATIVE", "MAXIMUM"}, true},
        {"Su&btract", kNegated, {}, "", {"NEGATIVE", "SUBTRACT"}, true},
        {"&Swap", kNegated, {}, "", {"NEGATIVE", "SWAP"}, true},
        {"Mask &Forecolors", kNegated, {Step::Test(), Step::Ok()}, "", {"NEGATIVE", "*"}, true},
        {"Mask S&hadows", kNegated, {Step::Test(), Step::Ok()}, "", {"NEGATIVE", "*"}, true},
        {"Mask Hi&ghlights", kNegated, {Step::Test(), Step::Ok()}, "", {"NEGATIVE", "*"}, true},
        {"Mask &Midtones", kNegated, {Step::Test(), Step::Ok()}, "", {"NEGATIVE", "*"}, true},
        {"Mask &Contrast", kNegated, {Step::Test(), Step::Ok()}, "", {"NEGATIVE", "*"}, true},
        {"Mask G&rayscale", kNegated, {}, "", {"NEGATIVE", "MASK_GRAYSCALE"}, true},
        {"HLS &foreground", {}, {Step::Test(), Step::Ok()}, "", {"*"}},
        {"HLS &background", {}, {Step::Test(), Step::Ok()}, "", {"*"}},
        {"RGB f&oreground", {}, {Step::Test(), Step::Ok()}, "", {"*"}},
        {"RGB b&ackground", {}, {Step::Test(), Step::Ok()}, "", {"*"}},
    };
    return rows;
}

class MenuApplyBytesTest : public QObject {
    Q_OBJECT

private:
    fs::path tool_;

    static QAction* Command(TWebForm& viewer, const QString& caption) {
        for (QAction* action : viewer.findChildren<QAction*>())
            if (action->text() == caption) return action;
        return nullptr;
    }

    // The tool's arguments for the row, its lines filled in.
    static QStringList ToolArguments(const MenuRow& row, const fs::path& in, const fs::path& out,
                                     const std::string& recorded, const Bitmap& result) {
        QStringList arguments{QStringLiteral("apply")};
        if (row.duplicate)
            arguments << QStringLiteral("--second") << QString::fromStdString(in.string());
        arguments << QString::fromStdString(in.string()) << QString::fromStdString(out.string());
        for (const char* line : row.lines) {
            QString text = std::string(line) == "*" ? QString::fromStdString(recorded)
                                                    : QString::fromUtf8(line);
            if (text.contains(QStringLiteral("%1")))
                text = text.arg(result.Width()).arg(result.Height());
            arguments << text;
        }
        return arguments;
    }

    // "" when the menu command and the tool agree, else what differs.
    std::string Compare(const MenuRow& row) {
        zvtest::ViewerSession session;
        const fs::path picture = session.home.Path() / "picture.bmp";
        WriteBitmapFile(picture, TestPicture());
        ViewerSettings settings = DefaultViewerSettings(24);
        settings.autoSize = false;
        TWebForm& viewer = session.StartOn(picture.string(), settings);
        std::vector<std::string> recorded;
        viewer.recorder.recording = [] { return true; };
        viewer.recorder.append = [&](const std::string& line) { recorded.push_back(line); };
        for (const char* caption : row.before)
            Command(viewer, QString::fromUtf8(caption))->trigger();
        QAction* action = Command(viewer, QString::fromUtf8(row.caption));
        if (!action || !action->isEnabled()) return "no enabled menu item";
        if (!row.text.empty()) session.dialogs.textResults.push_back(row.text);
        if (!row.script.empty()) session.dialogs.dialogScripts.push_back(row.script);
        const std::size_t recordedBefore = recorded.size();
        const Bitmap before = session.Program().Imaging().current;
        action->trigger();
        const Bitmap& result = session.Program().Imaging().current;
        if (Difference(result, before).empty()) {
            std::string shown; // the dialogs it showed, which may have been cancelled
            for (const ShownDialog& d : session.dialogs.dialogs) shown += " [" + d.title + "]";
            return "the menu changed nothing" + shown;
        }
        const std::string line = recorded.size() > recordedBefore ? recorded.back() : "";
        for (const char* wanted : row.lines)
            if (std::string(wanted) == "*" && line.empty()) return "the menu recorded no line";

        const fs::path out = session.home.Path() / "out.bmp";
        QProcess run;
        const QStringList arguments = ToolArguments(row, picture, out, line, result);
        run.start(QString::fromStdString(tool_.string()), arguments);
        if (!run.waitForFinished(60000) || run.exitCode() != 0)
            return "the tool failed: " + run.readAllStandardError().toStdString();
        const std::string difference = Difference(result, ReadBitmapFile(out));
        return difference.empty()
                   ? ""
                   : arguments.join(QLatin1Char(' ')).toStdString() + ": " + difference;
    }

private slots:
    void initTestCase() {
        const QByteArray zelvan = qgetenv("ZV_ZELVAN");
        if (!zelvan.isEmpty())
            tool_ = fs::path(zelvan.toStdString()).parent_path() / "tools" / "zelvan-tool" /
                    "zelvan-tool";
    }

    void menuAndToolGiveTheSamePicture() {
        if (tool_.empty() || !fs::exists(tool_)) QSKIP("zelvan-tool not found beside the program");
        std::string failures;
        for (const MenuRow& row : MenuRows())
            if (const std::string difference = Compare(row); !difference.empty())
                failures += std::string("\n") + row.caption + ": " + difference;
        QVERIFY2(failures.empty(), failures.c_str());
    }
};

QTEST_MAIN(MenuApplyBytesTest)
#include "MenuApplyBytesTest.moc"
