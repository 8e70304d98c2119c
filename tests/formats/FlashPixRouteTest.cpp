#include "FlashPixChecks.h"
#include "TempFolderTest.h"
#include "ToolRunner.h"
#include "formats/DecodeFile.h"

#include <gtest/gtest.h>

using namespace zv;

using FlashPixRoutes = zvtest::TempFolderTest;

// The stateless decode and the tool read the largest resolution, or the one
// nearest a fit box.
TEST_F(FlashPixRoutes, OpenThroughTheFormatTableAndTheTool) {
    const auto bytes = zvtest::WriteFlashPix(zvtest::FpxSource(3, false), {});
    const std::string path = Write("sample.fpx", std::string(bytes.begin(), bytes.end()));
    const PictureHeader header = ProbeFile(path);
    EXPECT_EQ(header.width, 150);
    EXPECT_EQ(header.height, 100);
    EXPECT_EQ(header.bits, 24);
    const DecodedPicture full = DecodeFile(path);
    EXPECT_LE(zvtest::FpxCompare(zvtest::FpxSource(3, false), full.pixels).most, 12);
    DecodeOptions fit;
    fit.fitWidth = fit.fitHeight = 60;
    const DecodedPicture small = DecodeFile(path, 1, fit);
    EXPECT_EQ(small.pixels.Width(), 75);
    EXPECT_EQ(small.fullWidth, 150);

    if (!zvtest::ToolProgram()) GTEST_SKIP() << "ZV_TEST_TOOL is not set";
    const zvtest::ToolRun info = zvtest::RunTool("info '" + path + "'");
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.output.find("150 x 100, 24 bits"), std::string::npos) << info.output;
    const std::string out = (folder / "out.bmp").string();
    EXPECT_EQ(zvtest::RunTool("convert '" + path + "' '" + out + "'").status, 0);
    EXPECT_LE(zvtest::FpxCompare(zvtest::FpxSource(3, false), DecodeFile(out).pixels).most, 12);
}
