// Image > Compute and the buffer commands, rotation and mirroring, through
// batch lines, with hand-worked values.

#include "CorrectionHost.h"
#include "TinyPicture.h"

#include <gtest/gtest.h>

namespace {

using namespace zv;
using zvtest::GreyRow;
using zvtest::PairHost;
using zvtest::RowColours;
using zvtest::RowReds;
using zvtest::RunLine;

// A picture of one column of grey rows, top first.
Bitmap GreyColumn(const std::vector<int>& levels) {
    Bitmap picture;
    picture.Create(1, static_cast<std::int32_t>(levels.size()), PixelFormat::Bits24);
    for (std::size_t y = 0; y < levels.size(); ++y)
        std::fill_n(picture.ScanLine(static_cast<std::int32_t>(y)), 3, levels[y]);
    return picture;
}
std::vector<int> ColumnReds(const Bitmap& picture) {
    std::vector<int> reds;
    for (std::int32_t y = 0; y < picture.Height(); ++y) reds.push_back(picture.ScanLine(y)[2]);
    return reds;
}

TEST(ArithmeticLines, BytesWithTheDuplicate) {
    struct Case {
        const char* line;
        std::vector<int> picture, duplicate, out;
    } const cases[] = {
        {"AVERAGE=50", {255, 100}, {0, 200}, {127, 150}},
        {"AVERAGE=99", {255}, {0}, {2}},
        // Past 100 the picture's share turns negative: clamped at 0.
        {"AVERAGE=200", {255, 0}, {0, 255}, {0, 255}},
        {"AVERAGE=256", {255}, {0}, {255}}, // out of range
        {"DIFFERENCE", {0, 200, 255}, {0, 200, 255}, {127, 127, 127}},
        {"DIFFERENCE", {255, 0}, {0, 255}, {255, 0}},
        {"SUBTRACT", {10, 200}, {20, 50}, {0, 150}},
        {"MULTIPLY", {10, 200}, {255, 128}, {10, 100}},
        {"MINIMUM", {10, 200}, {20, 50}, {10, 50}},
        {"MAXIMUM", {10, 200}, {20, 50}, {20, 200}},
        {"MAXIMUM", {10, 200}, {20}, {10, 200}}, // another size: nothing
    };
    for (const auto& c : cases) {
        PairHost host;
        host.picture = GreyRow(c.picture);
        host.duplicate = GreyRow(c.duplicate);
        RunLine(host, c.line);
        EXPECT_EQ(RowReds(host.picture), c.out) << c.line;
    }
}

TEST(ArithmeticLines, InterlaceBlendsOneField) {
    for (const auto& [line, out] : {std::pair{"INTERLACE=50,0", std::vector<int>{200, 100, 200}},
                                    std::pair{"INTERLACE=50,1", std::vector<int>{100, 200, 100}}}) {
        PairHost host;
        host.picture = GreyColumn({200, 200, 200});
        host.duplicate = GreyColumn({0, 0, 0});
        RunLine(host, line);
        EXPECT_EQ(ColumnReds(host.picture), out) << line;
    }
}

TEST(ArithmeticLines, BufferCommandsMoveWholePictures) {
    PairHost host;
    host.picture = GreyRow({10});
    host.picture.SetPixelFormat(PixelFormat::Bits8);
    RunLine(host, "DUPLICATE");
    EXPECT_EQ(host.duplicate.Format(), PixelFormat::Bits24); // kept true colour
    host.picture = GreyRow({20});
    host.duplicate = GreyRow({30});
    RunLine(host, "SWAP");
    EXPECT_EQ(RowReds(host.picture), std::vector<int>{30});
    EXPECT_EQ(RowReds(host.duplicate), std::vector<int>{20});

    // The backup restores; an empty backup leaves the picture.
    RunLine(host, "COPYTOBACKUP");
    host.picture = GreyRow({40});
    RunLine(host, "COPYFROMBACKUP");
    EXPECT_EQ(RowReds(host.picture), std::vector<int>{30});
    RunLine(host, "CLEARBUFFERS");
    EXPECT_TRUE(host.duplicate.Empty());
    EXPECT_TRUE(host.working.BackupBitmap.Empty());
    RunLine(host, "COPYFROMBACKUP");
    EXPECT_EQ(RowReds(host.picture), std::vector<int>{30});
    EXPECT_EQ(RunLine(host, "SWAP").run, RunOutcome::NoDuplicate);
}

TEST(ArithmeticProtocol, BlendsWarnAndTakeTheUndoCopyAfterTheCheck) {
    PairHost host;
    host.picture = GreyRow({255});
    host.dialogAnswer = EffectValues{50, 0, 0};
    ToolboxContext tb;
    const ToolboxOperation& average = *TheToolbox().FindWord("AVERAGE");
    EXPECT_EQ(RunToolboxOperation(average, host, tb, RunMode::Interactive),
              RunOutcome::NoDuplicate);
    EXPECT_EQ(host.warnings.size(), 1u);
    EXPECT_TRUE(host.calls.empty());
    host.duplicate = GreyRow({0});
    EXPECT_EQ(RunToolboxOperation(average, host, tb, RunMode::Interactive), RunOutcome::Done);
    EXPECT_EQ(host.calls.front(), "undo copy");
    EXPECT_EQ(host.lines, std::vector<std::string>{"AVERAGE=50"});
    EXPECT_EQ(RowReds(host.picture), std::vector<int>{127});
}

TEST(GeometryLines, RotateClockwiseAndMirrorForTheToolOnly) {
    PairHost host;
    host.picture = GreyRow({10, 20, 30});
    RunLine(host, "ROTATE=90"); // clockwise: the left pixel goes to the top
    EXPECT_EQ(ColumnReds(host.picture), (std::vector<int>{10, 20, 30}));
    RunLine(host, "ROTATE=270");
    EXPECT_EQ(RowReds(host.picture), (std::vector<int>{10, 20, 30}));
    EXPECT_EQ(RunLine(host, "ROTATE=360").run, RunOutcome::OutOfRange);

    EXPECT_EQ(RunLine(host, "MIRROR_HORIZONTAL").outcome, LineOutcome::ToolOnly);
    RunLine(host, "MIRROR_HORIZONTAL", LineScope::Tool);
    EXPECT_EQ(RowReds(host.picture), (std::vector<int>{30, 20, 10}));
    host.picture = GreyColumn({1, 2});
    RunLine(host, "MIRROR_VERTICAL", LineScope::Tool);
    EXPECT_EQ(ColumnReds(host.picture), (std::vector<int>{2, 1}));
}

} // namespace

namespace {

// Pixel (x, y) of a grey picture whose level is 10 y + x.
Bitmap CountingPicture(int width, int height) {
    Bitmap picture;
    picture.Create(width, height, PixelFormat::Bits24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            std::fill_n(picture.ScanLine(y) + 3 * x, 3, static_cast<std::uint8_t>(10 * y + x));
    return picture;
}
int Level(const Bitmap& picture, int x, int y) {
    return picture.ScanLine(y)[3 * x];
}

TEST(MosaicLines, TilesTakeTheMeanOfTheRowBelowTheirFirst) {
    PairHost host;
    host.picture = CountingPicture(10, 10);
    RunLine(host, "MOSAIC=3");
    // Tile rows at 0, 3, 6 read rows 1, 4, 7; tiles at columns 0, 3, 6.
    for (const auto& [x, y, level] : {std::tuple{0, 0, 11},
                                      {2, 2, 11},
                                      {3, 1, 14},
                                      {6, 0, 17},
                                      {0, 3, 41},
                                      {8, 8, 77},
                                      {9, 0, 9},
                                      {9, 2, 9},
                                      {9, 7, 69},
                                      {0, 9, 90},
                                      {5, 9, 95}})
        EXPECT_EQ(Level(host.picture, x, y), level) << x << "," << y;

    // A tile wider than the picture reads its pixels mirrored back, never
    // before the row: 4 pixels of row 1 and pixel 0 twelve more times.
    host.picture = CountingPicture(4, 4);
    RunLine(host, "MOSAIC=16");
    const int mean = (10 + 11 + 12 + 13 + 12 * 10) / 16;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(Level(host.picture, x, y), mean) << x << "," << y;
}

} // namespace
