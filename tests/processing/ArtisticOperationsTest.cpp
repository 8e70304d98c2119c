// Noise, JPEG artifacts, text marks and borders: through their toolbox lines
// where the line is what users write, and the layout of text marks with a
// painter that records what it is asked to draw.

#include "TinyPicture.h"

#include "imaging/Palettes.h"
#include "platform/RowThreads.h"
#include "processing/JpegArtifacts.h"
#include "processing/QuietToolboxHost.h"
#include "processing/RandomNoise.h"
#include "processing/TextMarkLayout.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace zv;

// A picture of w x h whose pixels are all different, for round trips.
Bitmap Gradient(std::int32_t w, std::int32_t h) {
    Bitmap picture;
    picture.Create(w, h, PixelFormat::Bits24);
    for (std::int32_t y = 0; y < h; ++y)
        for (std::int32_t x = 0; x < w; ++x) {
            std::uint8_t* p = picture.ScanLine(y) + 3 * x;
            p[0] = static_cast<std::uint8_t>(x * 7 + y);
            p[1] = static_cast<std::uint8_t>(y * 3);
            p[2] = static_cast<std::uint8_t>((x ^ y) * 5);
        }
    return picture;
}

Bitmap White(std::int32_t w, std::int32_t h) {
    Bitmap picture;
    picture.Create(w, h, PixelFormat::Bits24);
    FillTrueColour(picture, 0xFFFFFFu);
    return picture;
}

bool SameBytes(const Bitmap& a, const Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.Stride() != b.Stride())
        return false;
    return std::memcmp(a.ScanLine(0), b.ScanLine(0),
                       static_cast<std::size_t>(a.Stride() * a.Height())) == 0;
}

// Runs lines on the picture as the tool does, and returns the notes.
struct LineRun {
    ImagingContext imaging;
    QuietToolboxHost host{imaging};
    ToolboxContext tb;
    EffectValues kept;
    explicit LineRun(Bitmap picture) {
        imaging.current = std::move(picture);
        imaging.descriptor.ImageBits = ImageBitsOf(imaging.current.Format());
    }
    LineResult Run(const std::string& line, LineScope scope = LineScope::Tool) {
        return RunToolboxLine(line, TheToolbox(), kept, host, tb, scope);
    }
};

TEST(Border, PaintsTheGivenBandsAndKeepsTheInside) {
    struct Case {
        const char* line;
        bool (*red)(int x, int y);
    } const cases[] = {
        {"BORDER=255,2,3", [](int x, int y) { return y < 3 || y > 6 || x < 2 || x > 7; }},
        {"BORDER_TOPBOT=255,1,4", [](int, int y) { return y < 1 || y > 5; }},
        {"BORDER=255,127,1", [](int, int) { return true; }},
    };
    for (const Case& c : cases) {
        LineRun run(White(10, 10));
        const LineResult result = run.Run(c.line);
        ASSERT_EQ(result.run, RunOutcome::Done) << c.line << result.message;
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x) {
                const Rgb expected = c.red(x, y) ? Rgb{255, 0, 0} : Rgb{255, 255, 255};
                EXPECT_EQ(zvtest::RowColours(run.imaging.current, y)[x], expected)
                    << c.line << " at " << x << "," << y;
            }
    }
}

TEST(Border, OutOfRangeLinesDoNothing) {
    for (const char* line : {"BORDER=255,0,3", "BORDER=255,2,240", "BORDER=-1,2,2",
                             "BORDER=16777216,2,2", "BORDER_TOPBOT=255,0,0"}) {
        LineRun run(White(4, 4));
        const LineResult result = run.Run(line);
        EXPECT_EQ(result.run, RunOutcome::OutOfRange) << line;
        EXPECT_NE(result.message.find("does nothing"), std::string::npos) << line;
        EXPECT_TRUE(SameBytes(run.imaging.current, White(4, 4))) << line;
    }
}

TEST(Border, PalettePicturesKeepTheirDepthAndTakeTheNearestEntry) {
    Bitmap picture;
    picture.Create(6, 6, PixelFormat::Bits8);
    picture.SetPalette(HalftonePalette());
    std::memset(picture.ScanLine(0), 0, static_cast<std::size_t>(picture.Stride() * 6));
    LineRun run(std::move(picture));
    ASSERT_EQ(run.Run("BORDER=255,1,1").run, RunOutcome::Done);
    const Bitmap& out = run.imaging.current;
    ASSERT_EQ(out.Format(), PixelFormat::Bits8);
    const int red = NearestIndex(HalftonePalette(), {0, 0, 255, 0});
    EXPECT_EQ(out.ScanLine(0)[3], red);
    EXPECT_EQ(out.ScanLine(3)[0], red);
    EXPECT_EQ(out.ScanLine(3)[5], red);
    EXPECT_EQ(out.ScanLine(3)[3], 0);
}

TEST(Artifacts, QualityIsLimitedToTheEncodersRange) {
    const Bitmap source = Gradient(24, 16);
    const auto through = [&](const std::string& line) {
        LineRun run(source);
        EXPECT_EQ(run.Run(line).run, RunOutcome::Done) << line;
        return run.imaging.current;
    };
    EXPECT_TRUE(SameBytes(through("ARTIFACT=0"), through("ARTIFACT=1")));
    EXPECT_TRUE(SameBytes(through("ARTIFACT=-7"), through("ARTIFACT=1")));
    EXPECT_TRUE(SameBytes(through("ARTIFACT=999"), through("ARTIFACT=255")));
    EXPECT_FALSE(SameBytes(through("ARTIFACT=255"), through("ARTIFACT=100")));
    EXPECT_FALSE(SameBytes(through("ARTIFACT=255"), source));
}

// Bands on block rows give one encode's bytes, whatever the number of threads.
TEST(Artifacts, OneThreadAndFourGiveTheSameBytes) {
    Bitmap one = Gradient(1000, 1203), four = one;
    {
        RowThreadLimit limit(1);
        AddArtifact(one, 200);
    }
    {
        RowThreadLimit limit(4);
        AddArtifact(four, 200);
    }
    EXPECT_TRUE(SameBytes(one, four));
}

TEST(Noise, RepeatsWithASeedAndDoesNotDependOnThreads) {
    const Bitmap source = White(1000, 1001);
    Bitmap one = source, four = source, again = source, other = source;
    {
        RowThreadLimit limit(1);
        RandomNoise(one, 255, 128, 7, 42);
    }
    {
        RowThreadLimit limit(4);
        RandomNoise(four, 255, 128, 7, 42);
        RandomNoise(again, 255, 128, 7, 42);
        RandomNoise(other, 255, 128, 7, 43);
    }
    EXPECT_TRUE(SameBytes(one, four));
    EXPECT_TRUE(SameBytes(four, again));
    EXPECT_FALSE(SameBytes(four, other));
    // Level 255: every pixel replaced, each channel below its level.
    for (std::int32_t y = 0; y < one.Height(); y += 97)
        for (const Rgb& c : zvtest::RowColours(one, y)) {
            EXPECT_LT(c.R, 255);
            EXPECT_LT(c.G, 128);
            EXPECT_LT(c.B, 7);
        }
}

TEST(Noise, ChanceFollowsTheLargestLevel) {
    Bitmap none = White(300, 300), half = White(300, 300);
    RandomNoise(none, 0, 0, 0, 1);
    EXPECT_TRUE(SameBytes(none, White(300, 300)));
    RandomNoise(half, 0, 128, 0, 1);
    int replaced = 0;
    for (std::int32_t y = 0; y < 300; ++y)
        for (const Rgb& c : zvtest::RowColours(half, y)) replaced += c.R == 0 ? 1 : 0;
    EXPECT_NEAR(replaced, 90000 * 128 / 255, 1000); // about 128 in 255
}

TEST(Noise, IsAWordOfTheToolOnly) {
    LineRun run(White(2, 2));
    EXPECT_EQ(run.Run("NOISE=255,255,255", LineScope::Script).outcome, LineOutcome::ToolOnly);
    EXPECT_EQ(run.Run("NOISE=256,0,0").run, RunOutcome::OutOfRange);
    EXPECT_EQ(run.Run("NOISE=255,255,255").run, RunOutcome::Done);
}

TEST(TextMark, CodesAreReplacedOnceInAnyCase) {
    struct Case {
        const char* text;
        const char* file;
        const char* expected;
    } const cases[] = {
        {"@@D and @@d", "", "1.2.26 and @@d"},
        {"x @@d", "", "x 1.2.26"},
        {"@@C Ann", "", "\xC2\xA9 Ann"},
        {"@@f, @@F", "/pics/Beach Day.jpeg", "Beach Day, @@F"},
        {"shot @@F", "", ""},
        {"plain", "", "plain"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExpandTextMarkCodes(c.text, "1.2.26", c.file), c.expected) << c.text;
}

// Records what it is asked and paints the first pixel of the moved box of
// the last stroke in that stroke's colour.
class RecordingPainter : public TextMarkPainter {
public:
    void Draw(const TextCanvas& canvas, std::string_view text, const TextBox& box, bool right,
              std::span<const TextStroke> strokes) override {
        drawn = std::string(text);
        this->box = box;
        alignRight = right;
        this->strokes.assign(strokes.begin(), strokes.end());
        canvasHeight = canvas.height;
        const TextStroke& last = strokes.back();
        std::uint8_t* p = canvas.pixels + (box.top + last.dy) * canvas.stride + 3 * last.dx;
        p[0] = static_cast<std::uint8_t>(last.colour >> 16);
        p[1] = static_cast<std::uint8_t>(last.colour >> 8);
        p[2] = static_cast<std::uint8_t>(last.colour);
    }
    std::string drawn;
    TextBox box;
    bool alignRight = false;
    std::vector<TextStroke> strokes;
    int canvasHeight = 0;
};

TEST(TextMark, OutlineThenLettersInTheCornersBox) {
    RecordingPainter painter;
    painter.style.outline = 0x0000FF;
    painter.style.font.colour = 0x00FF00;
    Bitmap picture = White(40, 30);
    TextMark(picture, "Hi", TextCorner::BottomRight, painter);
    EXPECT_EQ(painter.drawn, "Hi");
    EXPECT_TRUE(painter.alignRight);
    // Rows 15..28 of the picture; the canvas reaches 2 rows further, to its end.
    EXPECT_EQ(painter.canvasHeight, 15);
    EXPECT_EQ(painter.box.top, 0);
    EXPECT_EQ(painter.box.bottom, 14);
    EXPECT_EQ(painter.box.right, 32);
    ASSERT_EQ(painter.strokes.size(), 10u);
    EXPECT_EQ(painter.strokes[0].dx, 0);
    EXPECT_EQ(painter.strokes[5].dx, 1);
    EXPECT_EQ(painter.strokes[5].dy, 2);
    EXPECT_EQ(painter.strokes[8].colour, 0x0000FFu);
    EXPECT_EQ(painter.strokes[9].dx, 1);
    EXPECT_EQ(painter.strokes[9].colour, 0x00FF00u);
    EXPECT_EQ(zvtest::RowColours(picture, 16)[1], (Rgb{0, 255, 0}));

    TextMark(picture, "Hi", TextCorner::TopLeft, painter);
    EXPECT_FALSE(painter.alignRight);
    EXPECT_EQ(painter.box.top, 0);
    EXPECT_EQ(painter.canvasHeight, 16);
}

TEST(TextMark, PalettePicturesTakeOnlyTheDrawnPixels) {
    Bitmap picture;
    picture.Create(20, 20, PixelFormat::Bits4);
    picture.SetPalette(StandardPalette16());
    std::memset(picture.ScanLine(0), 0xFF, static_cast<std::size_t>(picture.Stride() * 20));
    const Bitmap before = picture;
    RecordingPainter painter;
    painter.style.font.colour = 0x0000FF; // red
    TextMark(picture, "x", TextCorner::TopLeft, painter);
    ASSERT_EQ(picture.Format(), PixelFormat::Bits4);
    EXPECT_EQ(picture.ScanLine(1)[0], 0xF9); // pixel (1, 1) red (9), its neighbour white
    for (std::int32_t y = 0; y < 20; ++y)
        if (y != 1) {
            EXPECT_EQ(std::memcmp(picture.ScanLine(y), before.ScanLine(y), 10), 0) << y;
        }
}

TEST(TextMark, WithoutFontsTheLineFailsAndKeepsThePicture) {
    LineRun run(White(30, 20));
    const LineResult result = run.Run("TEXTMARK_TOPLEFT=Hello");
    EXPECT_EQ(result.run, RunOutcome::Failed);
    EXPECT_TRUE(SameBytes(run.imaging.current, White(30, 20)));
    // "@@F" without a file name draws nothing, so it needs no fonts.
    EXPECT_EQ(run.Run("TEXTMARK_TOPLEFT=@@F").run, RunOutcome::Done);
}

} // namespace
