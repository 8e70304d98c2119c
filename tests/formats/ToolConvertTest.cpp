// zelvan-tool info and convert over the image-format layer.

#include "TempFolderTest.h"
#include "ToolRunner.h"

#include "formats/DibGraphic.h"
#include "formats/PngGraphic.h"

#include <gtest/gtest.h>

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
