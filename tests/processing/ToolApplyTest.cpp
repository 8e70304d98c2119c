// zelvan-tool apply: toolbox lines on a picture file.

#include "TempFolderTest.h"
#include "ToolRunner.h"

#include "formats/PngGraphic.h"
#include "processing/Toolbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace zv;

class ToolApply : public zvtest::TempFolderTest {
protected:
    void SetUp() override {
        if (!zvtest::ToolProgram()) GTEST_SKIP() << "ZV_TEST_TOOL names the tool";
        TempFolderTest::SetUp();
        TPngGraphic picture;
        picture.NewImage(3, 1, ImageFormat::Color24, nullptr, 96, 96);
        picture.SetPixel(0, 0, 0x00404040); // grey 64
        picture.SetPixel(1, 0, 0x00050301); // red 1, green 3, blue 5
        picture.SetPixel(2, 0, 0x00FFFFFF);
        picture.SaveToFile(folder / "in.png");
    }
    std::string Path(const char* name) const { return "'" + (folder / name).string() + "'"; }
    std::uint32_t PixelOf(const char* name, int x) const {
        TPngGraphic back;
        back.LoadFromFile(folder / name);
        return back.GetPixel(x, 0);
    }
};

TEST_F(ToolApply, RunsLinesInOrderWithPersistingParameters) {
    const auto run = zvtest::RunTool("apply " + Path("in.png") + " " + Path("out.png") +
                                         " GAMMA=200,200,200 BRIGHTNESS=64,64,64",
                                     {}, true);
    ASSERT_EQ(run.status, 0) << run.output;
    // 64 -> 128 -> 192; (1, 3, 5) -> gamma (16, 28, 36) -> x 1.5 (24, 42, 54).
    EXPECT_EQ(PixelOf("out.png", 0), 0x00C0C0C0u);
    EXPECT_EQ(PixelOf("out.png", 1), 0x00362A18u);
    EXPECT_EQ(PixelOf("out.png", 2), 0x00FFFFFFu);

    // The bare word takes the numbers of the line before.
    ASSERT_EQ(zvtest::RunTool("apply " + Path("in.png") + " " + Path("bare.png") +
                              " 'shift=0,0,0' 'BRIGHTNESS=64,64,64' BRIGHTNESS")
                  .status,
              0);
    EXPECT_EQ(PixelOf("bare.png", 0), 0x00909090u); // 64 x 1.5 x 1.5 = 144
}

TEST_F(ToolApply, RefusesUnknownAndMalformedLinesBeforeWriting) {
    auto run = zvtest::RunTool(
        "apply " + Path("in.png") + " " + Path("out.png") + " GAMMA=200,200,200 SPARKLE", {}, true);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("unknown command word \"SPARKLE\""), std::string::npos) << run.output;
    run = zvtest::RunTool(
        "apply " + Path("in.png") + " " + Path("out.png") + " BRIGHTNESS=10,10,10,10", {}, true);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("at most three numbers"), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists(folder / "out.png"));
    EXPECT_EQ(zvtest::RunTool("apply " + Path("in.png") + " " + Path("out.png")).status, 2);
    EXPECT_EQ(zvtest::RunTool("apply " + Path("in.png") + " " + Path("out.xyz") + " ZERO").status,
              2);

    // Out of range does nothing, says so, and still saves.
    run = zvtest::RunTool(
        "apply " + Path("in.png") + " " + Path("same.png") + " LIMIT_ALL=50,50,200", {}, true);
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find("does nothing"), std::string::npos) << run.output;
    EXPECT_EQ(PixelOf("same.png", 0), 0x00404040u);
}

} // namespace

namespace {

TEST_F(ToolApply, SecondPictureAndSelectionReachTheirCommands) {
    TPngGraphic black;
    black.NewImage(3, 1, ImageFormat::Color24, nullptr, 96, 96);
    black.SaveToFile(folder / "black.png");
    // Mix 99 on the identity curve: grey 64 keeps 64 x 191/255 of itself, white takes black.
    auto run = zvtest::RunTool("apply --second " + Path("black.png") + " " + Path("in.png") + " " +
                                   Path("out.png") + " MASK_SHADOWS=100,99",
                               {}, true);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(PixelOf("out.png", 0), 0x002F2F2Fu);
    EXPECT_EQ(PixelOf("out.png", 2), 0x00000000u);

    // Without the duplicate the warning is the note.
    run = zvtest::RunTool(
        "apply " + Path("in.png") + " " + Path("none.png") + " MASK_SHADOWS=100,99", {}, true);
    EXPECT_NE(run.output.find("same dimensions and 24-bit color depth"), std::string::npos)
        << run.output;

    TPngGraphic red;
    red.NewImage(3, 1, ImageFormat::Color24, nullptr, 96, 96);
    for (int x = 0; x < 3; ++x) red.SetPixel(x, 0, 0x006464C8); // (200, 100, 100)
    red.SaveToFile(folder / "red.png");
    run = zvtest::RunTool(
        "apply --select 1,0,3,1 " + Path("red.png") + " " + Path("eye.png") + " REDEYE", {}, true);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(PixelOf("eye.png", 0), 0x006464C8u);
    EXPECT_EQ(PixelOf("eye.png", 1), 0x00646464u);
    EXPECT_EQ(zvtest::RunTool("apply --select 3,0,1,1 " + Path("red.png") + " " + Path("eye.png") +
                              " REDEYE")
                  .status,
              2);
}

TEST_F(ToolApply, NoiseRepeatsWithTheSameSeed) {
    const auto noisy = [&](const char* out, const char* seed) {
        const auto run =
            zvtest::RunTool("apply --seed " + std::string(seed) + " " + Path("in.png") + " " +
                                Path(out) + " NOISE=255,255,255",
                            {}, true);
        EXPECT_EQ(run.status, 0) << run.output;
        return std::vector<std::uint32_t>{PixelOf(out, 0), PixelOf(out, 1), PixelOf(out, 2)};
    };
    EXPECT_EQ(noisy("a.png", "9"), noisy("b.png", "9"));
    EXPECT_NE(noisy("a.png", "9"), noisy("c.png", "10"));
    EXPECT_EQ(
        zvtest::RunTool("apply --seed x " + Path("in.png") + " " + Path("d.png") + " NOISE").status,
        2);
}

// Drawn by Qt on its offscreen platform: the letters change pixels inside
// the corner's box (moved by the outline's two pixels) and nowhere else.
TEST_F(ToolApply, TextMarkChangesOnlyItsCorner) {
    TPngGraphic white;
    white.NewImage(80, 40, ImageFormat::Color24, nullptr, 96, 96);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 80; ++x) white.SetPixel(x, y, 0x00FFFFFF);
    white.SaveToFile(folder / "white.png");
    const auto run =
        zvtest::RunTool("apply --font 'DejaVu Sans,9,bold' --outline 0,0,255 " + Path("white.png") +
                            " " + Path("mark.png") + " 'TEXTMARK_BOTTOMLEFT=WWW @@c'",
                        {}, true);
    ASSERT_EQ(run.status, 0) << run.output;
    if (run.output.find("window system's fonts") != std::string::npos)
        GTEST_SKIP() << "the tool was built without Qt";
    TPngGraphic mark;
    mark.LoadFromFile(folder / "mark.png");
    int inside = 0, outside = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 80; ++x) {
            const bool changed = mark.GetPixel(x, y) != 0x00FFFFFFu;
            const bool inBox = y >= 25 && x < 72 + 2;
            (inBox ? inside : outside) += changed ? 1 : 0;
        }
    EXPECT_GT(inside, 20);
    EXPECT_EQ(outside, 0);
}

} // namespace

namespace {

// The help names every word the toolbox knows, so a new command cannot be
// left out of it.
TEST(ToolApplyHelp, NamesEveryToolboxWord) {
    if (!zvtest::ToolProgram()) GTEST_SKIP() << "ZV_TEST_TOOL names the tool";
    const auto help = zvtest::RunTool("apply --help");
    for (const zv::ToolboxOperation* op : zv::TheToolbox().All())
        if (op->word) // menu-only entries have no word
            EXPECT_NE(help.output.find(std::string(op->word)), std::string::npos) << op->word;
}

} // namespace
