// zelvan-tool convert opens pictures as the viewer does: JPEG files decode,
// scaled when asked.

#include "TempFolderTest.h"
#include "ToolRunner.h"

#include "formats/PngGraphic.h"
#include "library/ImageLibrary.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using namespace zv;

TEST(ToolJpegConvert, ScalesJpegInputAndRefusesOtherScales) {
    if (!zvtest::ToolProgram()) GTEST_SKIP() << "ZV_TEST_TOOL names the tool";
    const zvtest::TempFolder temp;
    const fs::path& folder = temp.Path();
    ImageLibrary library;
    library.ImgInit();
    LibraryImage image;
    image.pages.emplace_back();
    image.pages[0].Create(64, 48, PixelFormat::Bits24);
    const ImgHandle handle = library.Adopt(std::move(image));
    const std::string jpeg = (folder / "in.jpg").string();
    ASSERT_EQ(library.ImgXWriteImage(jpeg, "jpg", handle, 0, 0, 0), 1);

    const std::string out = (folder / "out.png").string();
    EXPECT_EQ(zvtest::RunTool("convert --scale 2 '" + jpeg + "' '" + out + "'").status, 0);
    TPngGraphic back;
    back.LoadFromFile(out);
    EXPECT_EQ(back.Width(), 32);
    EXPECT_EQ(back.Height(), 24);
    EXPECT_EQ(zvtest::RunTool("convert --scale 3 '" + jpeg + "' '" + out + "'").status, 2);
}

} // namespace
