// zelvan-tool info and convert over the image-format layer.

#include "TempFolderTest.h"
#include "ToolRunner.h"

#include "formats/DibGraphic.h"
#include "formats/PngGraphic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
using namespace zv;

class ToolConvert : public zvtest::TempFolderTest {
protected:
    void SetUp() override {
        if (!zvtest::ToolProgram()) GTEST_SKIP() << "ZV_TEST_TOOL names the tool";
        TempFolderTest::SetUp();
        TPngGraphic picture;
        picture.NewImage(3, 2, ImageFormat::Color24, nullptr, 150, 150);
        picture.SetPixel(2, 1, 0x00336699);
        picture.SaveToFile(folder / "in.png");
    }
    std::string Path(const char* name) const { return "'" + (folder / name).string() + "'"; }
};

TEST_F(ToolConvert, WritesEveryLayerFormatAndReadsItBack) {
    for (const char* name : {"out.bmp", "out.pcx", "out.tga", "out.tif", "out.ico", "out.png"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(zvtest::RunTool("convert " + Path("in.png") + " " + Path(name)).status, 0);
        const auto info = zvtest::RunTool("info " + Path(name));
        EXPECT_EQ(info.status, 0);
        EXPECT_NE(info.output.find("\"24bpp color\" 3 x 2, 24 bits, 1 page"), std::string::npos)
            << info.output;
    }
    TPngGraphic back;
    back.LoadFromFile(folder / "out.png");
    EXPECT_EQ(back.GetPixel(2, 1), 0x00336699u);
}

// PNG to TGA to PNG: both conversions keep every pixel's alpha.
TEST_F(ToolConvert, KeepsAlphaFromPngAndTgaToPngAndTga) {
    Bitmap source;
    source.Create(4, 2, PixelFormat::Bits32);
    source.SetAlpha(true);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
            std::uint8_t* p = source.ScanLine(y) + 4 * x;
            p[0] = static_cast<std::uint8_t>(40 * x);
            p[1] = static_cast<std::uint8_t>(100 * y);
            p[2] = 200;
            p[3] = static_cast<std::uint8_t>(x * 85); // clear to opaque
        }
    TPngGraphic png;
    png.Assign(source);
    png.SaveToFile(folder / "alpha.png");
    EXPECT_EQ(zvtest::RunTool("convert " + Path("alpha.png") + " " + Path("alpha.tga")).status, 0);
    EXPECT_EQ(zvtest::RunTool("convert " + Path("alpha.tga") + " " + Path("back.png")).status, 0);
    TPngGraphic back;
    back.keepAlpha = true;
    back.LoadFromFile(folder / "back.png");
    ASSERT_TRUE(back.HasAlpha());
    for (int y = 0; y < 2; ++y)
        for (int x = 1; x < 4; ++x) { // a clear pixel's colour need not be kept
            const std::uint8_t* want = source.ScanLine(y) + 4 * x;
            const std::uint8_t* have = back.ScanLine(y) + 4 * x;
            EXPECT_TRUE(std::equal(want, want + 4, have)) << x << "," << y;
        }
}

TEST_F(ToolConvert, RefusesWhatTheLayerRefusesAndLeavesNoFile) {
    const auto fax = zvtest::RunTool(
        "convert --compression 'Fax Group 4' " + Path("in.png") + " " + Path("fax.tif"), {}, true);
    EXPECT_NE(fax.status, 0);
    EXPECT_NE(fax.output.find("Fax Group 4 compression not supported with 24bpp color images"),
              std::string::npos)
        << fax.output;
    EXPECT_FALSE(fs::exists(folder / "fax.tif"));
    EXPECT_NE(zvtest::RunTool("convert " + Path("in.png") + " " + Path("out.xyz")).status, 0);
    EXPECT_NE(zvtest::RunTool("info " + Path("missing.png")).status, 0);
}

} // namespace
