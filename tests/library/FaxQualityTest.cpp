#include "library/FaxQuality.h"

#include <gtest/gtest.h>

namespace {

using namespace zv;

TEST(FaxQuality, ShadesScaleTheWholeBytesOfThePage) {
    // 1727 and 2199 rounded down to whole bytes: 1720 x 2192.
    const FaxCopy four = FaxCopyFor(1728, 2200, 1);
    EXPECT_EQ(four.source, (std::array<int, 4>{0, 0, 1720, 2192}));
    EXPECT_EQ(four.width, 860);
    EXPECT_EQ(four.height, 1096);
    const FaxCopy sixteen = FaxCopyFor(1728, 2200, 2);
    EXPECT_EQ(sixteen.width, 573);
    EXPECT_EQ(sixteen.height, 730);
    const FaxCopy sixtyFour = FaxCopyFor(1728, 2200, 3);
    EXPECT_EQ(sixtyFour.width, 430);
    EXPECT_EQ(sixtyFour.height, 548);
}

TEST(FaxQuality, AGreyCopyIsMadeOnlyOfBlackAndWhitePages) {
    ImageLibrary library;
    library.ImgInit();
    Bitmap page;
    page.Create(1728, 2200, PixelFormat::Bits1);
    page.SetPalette({{0, 0, 0, 0}, {255, 255, 255, 0}});
    for (int y = 0; y < 2200; ++y) page.ScanLine(y)[0] = 0xFF; // a white strip on black
    LibraryImage image;
    image.pages.push_back(page);
    const ImgHandle fax = library.Adopt(std::move(image));

    EXPECT_EQ(FaxGreyCopy(library, fax, 0), 0);
    const ImgHandle grey = FaxGreyCopy(library, fax, 1);
    ASSERT_NE(grey, 0);
    const Bitmap& shades = library.Image(grey)->Picture();
    EXPECT_EQ(shades.Width(), 860);
    EXPECT_EQ(shades.Height(), 1096);
    EXPECT_EQ(shades.Format(), PixelFormat::Bits8);

    Bitmap colour;
    colour.Create(64, 64, PixelFormat::Bits24);
    LibraryImage colourImage;
    colourImage.pages.push_back(colour);
    EXPECT_EQ(FaxGreyCopy(library, library.Adopt(std::move(colourImage)), 2), 0);
}

} // namespace
