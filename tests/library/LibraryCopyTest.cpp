// Scaled copies (ImgCopy) checked against values worked out by hand.

#include "library/ImageLibrary.h"

#include "LibraryFiles.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

using test::ColourAt;
using test::IndexAt;
using Bgr = std::array<std::uint8_t, 3>;

const PaletteEntry kBlack{0, 0, 0, 0};
const PaletteEntry kWhite{255, 255, 255, 0};

class LibraryCopy : public ::testing::Test {
protected:
    ImgHandle Hold(Bitmap picture) {
        LibraryImage image;
        image.pages.push_back(std::move(picture));
        return library.Adopt(std::move(image));
    }
    const Bitmap& Picture(ImgHandle handle) { return library.Image(handle)->Picture(); }

    ImageLibrary library;
};

// A 1-bit picture on black and white, all white but for the black pixels given.
Bitmap OneBit(int width, int height, std::initializer_list<std::pair<int, int>> black,
              Palette palette = {kBlack, kWhite}) {
    Bitmap picture;
    picture.Create(width, height, PixelFormat::Bits1);
    picture.SetPalette(palette);
    const int whiteIndex = palette[0] == kWhite ? 0 : 1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool isBlack =
                std::find(black.begin(), black.end(), std::pair{x, y}) != black.end();
            if ((isBlack ? 1 - whiteIndex : whiteIndex) == 1)
                picture.ScanLine(y)[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
    return picture;
}

TEST_F(LibraryCopy, GreyAveragingTakesTheMeanOfEachCoveredBlock) {
    // One black pixel in four: 3 x 255 / 4 = 191.25, rounded to 191.
    const ImgHandle quarter =
        library.ImgCopy(Hold(OneBit(2, 2, {{0, 0}})), 1, 1, nullptr, kCopyGreyAverage);
    ASSERT_NE(quarter, 0) << library.LastError();
    const Bitmap& grey = Picture(quarter);
    EXPECT_EQ(grey.Format(), PixelFormat::Bits8);
    EXPECT_EQ(grey.Colours()[191], (PaletteEntry{191, 191, 191, 0}));
    EXPECT_EQ(IndexAt(grey, 0, 0), 191);

    // Left block all black, right block half black: 0 and 127.5, halves rounding up.
    const ImgHandle halves =
        library.ImgCopy(Hold(OneBit(4, 2, {{0, 0}, {1, 0}, {0, 1}, {1, 1}, {2, 0}, {3, 1}})), 2, 1,
                        nullptr, kCopyGreyAverage);
    ASSERT_NE(halves, 0);
    EXPECT_EQ(IndexAt(Picture(halves), 0, 0), 0);
    EXPECT_EQ(IndexAt(Picture(halves), 1, 0), 128);
}

TEST_F(LibraryCopy, AFaxPageScalesToTheSizesOfItsQualities) {
    // A 1728 x 2200 group 4 page, the left 864 columns black (1 is black
    // in a min-is-white page). The viewer copies (0, 0) to (1720, 2192),
    // the sizes less one rounded down to a multiple of 8.
    test::TiffPage fax{1728, 2200, 1,  1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX4,
                       {},   {},   {}, {}};
    test::FileBytes row(216, 0);
    std::fill(row.begin(), row.begin() + 108, 0xFF);
    fax.rows.assign(2200, row);
    const ImgHandle handle = library.ImgOpenMem(test::TiffFile({fax}), "TIF");
    ASSERT_NE(handle, 0) << library.LastError();
    ASSERT_EQ(Picture(handle).Format(), PixelFormat::Bits1);
    const std::array<int, 4> rect{0, 0, 1720, 2192};

    const ImgHandle half = library.ImgCopy(handle, 860, 1096, &rect, kCopyGreyAverage);
    ASSERT_NE(half, 0) << library.LastError();
    EXPECT_EQ(Picture(half).Width(), 860);
    EXPECT_EQ(Picture(half).Height(), 1096);
    EXPECT_EQ(IndexAt(Picture(half), 431, 500), 0);
    EXPECT_EQ(IndexAt(Picture(half), 432, 500), 255);

    // 1720 x 3333 / 10000 = 573: target column 287 covers source
    // 861.5..864.5, a sixth of it white: 255 x 288 / 1720 = 42.7, so 43.
    const ImgHandle third = library.ImgCopy(handle, 573, 730, &rect, kCopyGreyAverage);
    ASSERT_NE(third, 0) << library.LastError();
    EXPECT_EQ(Picture(third).Width(), 573);
    EXPECT_EQ(Picture(third).Height(), 730);
    EXPECT_EQ(IndexAt(Picture(third), 286, 729), 0);
    EXPECT_EQ(IndexAt(Picture(third), 287, 729), 43);
    EXPECT_EQ(IndexAt(Picture(third), 288, 729), 255);
}

TEST_F(LibraryCopy, PreservingCopiesKeepALonePixelThatAPlainCopyLoses) {
    const ImgHandle lone = Hold(OneBit(4, 4, {{0, 0}}));
    const ImgHandle plain = library.ImgCopy(lone, 2, 2, nullptr, kCopyPlain);
    const ImgHandle kept = library.ImgCopy(lone, 2, 2, nullptr, kCopyPreserveBlack);
    ASSERT_NE(plain, 0);
    ASSERT_NE(kept, 0);
    EXPECT_EQ(ColourAt(Picture(plain), 0, 0), (Bgr{255, 255, 255}));
    EXPECT_EQ(Picture(kept).Format(), PixelFormat::Bits1);
    EXPECT_EQ(ColourAt(Picture(kept), 0, 0), (Bgr{0, 0, 0}));
    EXPECT_EQ(ColourAt(Picture(kept), 1, 0), (Bgr{255, 255, 255}));
    EXPECT_EQ(ColourAt(Picture(kept), 1, 1), (Bgr{255, 255, 255}));

    // White kept on a black page, with white first in the palette.
    const ImgHandle dark = Hold(OneBit(4, 4,
                                       {{0, 0},
                                        {1, 0},
                                        {2, 0},
                                        {3, 0},
                                        {0, 1},
                                        {1, 1},
                                        {2, 1},
                                        {3, 1},
                                        {0, 2},
                                        {1, 2},
                                        {2, 2},
                                        {0, 3},
                                        {1, 3},
                                        {2, 3},
                                        {3, 3}},
                                       {kWhite, kBlack}));
    const ImgHandle white = library.ImgCopy(dark, 2, 2, nullptr, kCopyPreserveWhite);
    ASSERT_NE(white, 0);
    EXPECT_EQ(ColourAt(Picture(white), 1, 1), (Bgr{255, 255, 255}));
    EXPECT_EQ(ColourAt(Picture(white), 0, 1), (Bgr{0, 0, 0}));
    EXPECT_EQ(ColourAt(Picture(white), 1, 0), (Bgr{0, 0, 0}));
}

TEST_F(LibraryCopy, SmoothCopiesAverageByCoveredArea) {
    Bitmap pair;
    pair.Create(2, 1, PixelFormat::Bits24);
    const std::uint8_t bytes[6] = {10, 20, 30, 20, 40, 61};
    std::memcpy(pair.ScanLine(0), bytes, 6);
    const ImgHandle one = library.ImgCopy(Hold(pair), 1, 1, nullptr, kCopySmooth);
    ASSERT_NE(one, 0);
    EXPECT_EQ(ColourAt(Picture(one), 0, 0), (Bgr{15, 30, 46})); // 45.5 rounds up

    // Three greys 0, 90, 180 onto two pixels of 1.5 source pixels each:
    // (0 + 45) / 1.5 = 30 and (45 + 180) / 1.5 = 150.
    Bitmap three;
    three.Create(3, 1, PixelFormat::Bits24);
    const std::uint8_t greys[9] = {0, 0, 0, 90, 90, 90, 180, 180, 180};
    std::memcpy(three.ScanLine(0), greys, 9);
    const ImgHandle two = library.ImgCopy(Hold(three), 2, 1, nullptr, kCopySmooth);
    ASSERT_NE(two, 0);
    EXPECT_EQ(ColourAt(Picture(two), 0, 0), (Bgr{30, 30, 30}));
    EXPECT_EQ(ColourAt(Picture(two), 1, 0), (Bgr{150, 150, 150}));
}

TEST_F(LibraryCopy, SmoothCopiesOfPalettePicturesChooseGreyOrTrueColour) {
    Bitmap grey;
    grey.Create(2, 1, PixelFormat::Bits8);
    Palette greys(256);
    greys[0] = {50, 50, 50, 0};
    greys[1] = {151, 151, 151, 0};
    grey.SetPalette(greys);
    grey.ScanLine(0)[1] = 1;
    const ImgHandle fromGrey = library.ImgCopy(Hold(grey), 1, 1, nullptr, kCopySmooth);
    ASSERT_NE(fromGrey, 0);
    EXPECT_EQ(Picture(fromGrey).Format(), PixelFormat::Bits8);
    EXPECT_EQ(IndexAt(Picture(fromGrey), 0, 0), 101); // 100.5 rounds up

    Bitmap colour = grey;
    Palette colours = greys;
    colours[1] = {0, 0, 200, 0};
    colour.SetPalette(colours);
    const ImgHandle fromColour = library.ImgCopy(Hold(colour), 1, 1, nullptr, kCopySmooth);
    ASSERT_NE(fromColour, 0);
    EXPECT_EQ(Picture(fromColour).Format(), PixelFormat::Bits24);
    EXPECT_EQ(ColourAt(Picture(fromColour), 0, 0), (Bgr{25, 25, 125}));
}

TEST_F(LibraryCopy, PlainCopiesKeepFormatAndReadTheRectangle) {
    Bitmap nibbles;
    nibbles.Create(2, 1, PixelFormat::Bits4);
    nibbles.ScanLine(0)[0] = 0x3C;
    const ImgHandle wide = library.ImgCopy(Hold(nibbles), 4, 2, nullptr, kCopyPlain);
    ASSERT_NE(wide, 0);
    EXPECT_EQ(Picture(wide).Format(), PixelFormat::Bits4);
    EXPECT_EQ(Picture(wide).Colours(), nibbles.Colours());
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(Picture(wide).ScanLine(y)[0], 0x33);
        EXPECT_EQ(Picture(wide).ScanLine(y)[1], 0xCC);
    }

    Bitmap grid;
    grid.Create(4, 4, PixelFormat::Bits8);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) grid.ScanLine(y)[x] = static_cast<std::uint8_t>(10 * y + x);
    const ImgHandle source = Hold(grid);
    const std::array<int, 4> middle{1, 1, 3, 3};
    const ImgHandle part = library.ImgCopy(source, 2, 2, &middle, kCopyPlain);
    ASSERT_NE(part, 0);
    EXPECT_EQ(IndexAt(Picture(part), 0, 0), 11);
    EXPECT_EQ(IndexAt(Picture(part), 1, 1), 22);
    // A rectangle reaching outside is clipped to the picture.
    const std::array<int, 4> overhanging{-5, -5, 2, 2};
    const ImgHandle clipped = library.ImgCopy(source, 2, 2, &overhanging, kCopyPlain);
    ASSERT_NE(clipped, 0);
    EXPECT_EQ(IndexAt(Picture(clipped), 1, 1), 11);
}

TEST_F(LibraryCopy, BadRequestsFailWithTheirStatus) {
    const ImgHandle handle = Hold(OneBit(4, 4, {}));
    const std::array<int, 4> outside{10, 10, 20, 20};
    const struct {
        ImgHandle handle;
        int width, height;
        const std::array<int, 4>* rect;
        int mode;
        int status;
    } cases[] = {
        {999, 2, 2, nullptr, kCopyPlain, kImgBadHandle},
        {handle, 0, 2, nullptr, kCopyPlain, kImgBadArgument},
        {handle, 2, -1, nullptr, kCopyPlain, kImgBadArgument},
        {handle, 2, 2, nullptr, 7, kImgBadArgument},
        {handle, 2, 2, &outside, kCopyPlain, kImgBadArgument},
        {handle, 100000, 100000, nullptr, kCopySmooth, kImgNoMemory},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(library.ImgCopy(c.handle, c.width, c.height, c.rect, c.mode), 0);
        EXPECT_EQ(library.ImgGetStatus(), c.status) << library.LastError();
    }
}

} // namespace
} // namespace zv
