// The library's in-place changes, new-handle conversions, picture
// information, writing, and how every operation treats a handle with no
// picture behind it.

#include "library/ImageLibrary.h"

#include "LibraryFiles.h"
#include "platform/ScratchFolder.h"
#include "platform/ScriptedDialogs.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

using test::ColourAt;
using test::IndexAt;
using Bgr = std::array<std::uint8_t, 3>;

class LibraryEdit : public ::testing::Test {
protected:
    ImgHandle Hold(Bitmap picture, int dpi = 0) {
        LibraryImage image;
        image.pages.push_back(std::move(picture));
        image.xDpi = image.yDpi = dpi;
        return library.Adopt(std::move(image));
    }
    const Bitmap& Picture(ImgHandle handle) { return library.Image(handle)->Picture(); }

    ImageLibrary library;
};

// 3 x 2, each pixel's blue byte its number 1..6 (row by row).
Bitmap Numbered() {
    Bitmap picture;
    picture.Create(3, 2, PixelFormat::Bits24);
    for (int i = 0; i < 6; ++i)
        picture.ScanLine(i / 3)[3 * (i % 3)] = static_cast<std::uint8_t>(i + 1);
    return picture;
}

std::vector<std::vector<int>> Blues(const Bitmap& picture) {
    std::vector<std::vector<int>> rows;
    for (int y = 0; y < picture.Height(); ++y) {
        rows.emplace_back();
        for (int x = 0; x < picture.Width(); ++x) rows.back().push_back(ColourAt(picture, x, y)[0]);
    }
    return rows;
}

using Grid = std::vector<std::vector<int>>;

TEST_F(LibraryEdit, MirrorFlipsRowsForHorizontalAndColumnsForVertical) {
    const ImgHandle handle = Hold(Numbered());
    EXPECT_EQ(library.ImgMirror(handle, true, false), 1); // "Mirror Vertical"
    EXPECT_EQ(Blues(Picture(handle)), (Grid{{4, 5, 6}, {1, 2, 3}}));
    EXPECT_EQ(library.ImgMirror(handle, false, true), 1); // "Mirror Horizontal"
    EXPECT_EQ(Blues(Picture(handle)), (Grid{{6, 5, 4}, {3, 2, 1}}));
    EXPECT_EQ(library.ImgMirror(handle, true, true), 1);
    EXPECT_EQ(Blues(Picture(handle)), (Grid{{1, 2, 3}, {4, 5, 6}}));
}

TEST_F(LibraryEdit, MirrorMovesPackedPixelsExactly) {
    Bitmap bits;
    bits.Create(10, 1, PixelFormat::Bits1);
    bits.ScanLine(0)[0] = 0xC0; // pixels 0 and 1
    bits.ScanLine(0)[1] = 0x40; // pixel 9
    const ImgHandle oneBit = Hold(bits);
    library.ImgMirror(oneBit, false, true);
    EXPECT_EQ(Picture(oneBit).ScanLine(0)[0], 0x80); // pixel 0 (from 9)
    EXPECT_EQ(Picture(oneBit).ScanLine(0)[1], 0xC0); // pixels 8 and 9

    Bitmap nibbles;
    nibbles.Create(3, 1, PixelFormat::Bits4);
    nibbles.ScanLine(0)[0] = 0x12;
    nibbles.ScanLine(0)[1] = 0x30;
    const ImgHandle fourBit = Hold(nibbles);
    library.ImgMirror(fourBit, false, true);
    EXPECT_EQ(Picture(fourBit).ScanLine(0)[0], 0x32);
    EXPECT_EQ(Picture(fourBit).ScanLine(0)[1], 0x10);
}

TEST_F(LibraryEdit, IncreaseColoursGivesANewExactTrueColourHandle) {
    Bitmap picture;
    picture.Create(2, 1, PixelFormat::Bits4);
    Palette palette(16);
    palette[5] = {11, 22, 33, 0};
    picture.SetPalette(palette);
    picture.ScanLine(0)[0] = 0x05;
    const ImgHandle handle = Hold(picture);
    const ImgHandle wide = library.ImgIncreaseColors(handle, 24);
    ASSERT_NE(wide, 0);
    EXPECT_NE(wide, handle);
    EXPECT_EQ(Picture(wide).Format(), PixelFormat::Bits24);
    EXPECT_EQ(ColourAt(Picture(wide), 1, 0), (Bgr{11, 22, 33}));
    EXPECT_EQ(Picture(handle).Format(), PixelFormat::Bits4);
    EXPECT_EQ(library.ImgIncreaseColors(handle, 16), 0);
    EXPECT_EQ(library.ImgGetStatus(), kImgBadArgument);
}

TEST_F(LibraryEdit, GammaTenChangesNothingAndPalettesTakeTheCurve) {
    Bitmap picture = Numbered();
    picture.ScanLine(1)[8] = 64;
    const ImgHandle handle = Hold(picture);
    EXPECT_EQ(library.ImgGamma(handle, 10), 1);
    test::ExpectSameColours(picture, Picture(handle));
    // 255 x (64 / 255) ^ (10 / 20) = 127.75
    EXPECT_EQ(library.ImgGamma(handle, 20), 1);
    EXPECT_EQ(Picture(handle).ScanLine(1)[8], 128);
    EXPECT_EQ(Picture(handle).ScanLine(0)[1], 0);

    Bitmap indexed;
    indexed.Create(1, 1, PixelFormat::Bits8);
    Palette palette(256);
    palette[3] = {64, 255, 0, 0};
    indexed.SetPalette(palette);
    indexed.ScanLine(0)[0] = 3;
    const ImgHandle paletted = Hold(indexed);
    EXPECT_EQ(library.ImgGamma(paletted, 20), 1);
    EXPECT_EQ(IndexAt(Picture(paletted), 0, 0), 3);
    EXPECT_EQ(Picture(paletted).Colours()[3], (PaletteEntry{128, 255, 0, 0}));
    EXPECT_EQ(library.ImgGamma(paletted, 0), 0);
    EXPECT_EQ(library.ImgGetStatus(), kImgBadArgument);
}

TEST_F(LibraryEdit, InformationHeaderAndPaletteDescribeTheSelectedPage) {
    Bitmap picture;
    picture.Create(300, 7, PixelFormat::Bits8);
    const ImgHandle handle = Hold(picture, 254);
    std::array<std::uint8_t, 40> header{};
    ASSERT_TRUE(library.ImgGetInfoStruct(handle, header));
    EXPECT_EQ(header[0], 40);
    EXPECT_EQ(header[4] | header[5] << 8, 300);
    EXPECT_EQ(header[8], 7);
    EXPECT_EQ(header[12], 1); // planes
    EXPECT_EQ(header[14], 8); // bits
    EXPECT_EQ(header[20] | header[21] << 8, 300 * 7);
    EXPECT_EQ(header[24] | header[25] << 8, 10000); // 254 dpi in pixels per metre
    ASSERT_TRUE(library.ImgGetPalette(handle).has_value());
    EXPECT_EQ(library.ImgGetPalette(handle)->size(), 256u);
    EXPECT_FALSE(library.ImgGetPalette(Hold(Numbered())).has_value());
}

TEST_F(LibraryEdit, EveryOperationRefusesAnUnknownHandle) {
    const ImgHandle none = 4711;
    std::array<std::uint8_t, 40> header{};
    const std::array<int, 4> rect{0, 0, 1, 1};
    EXPECT_EQ(library.ImgCopy(none, 1, 1, &rect, kCopyPlain), 0);
    EXPECT_FALSE(library.ImgGetInfoStruct(none, header));
    EXPECT_EQ(library.ImgPageCount(none), 0);
    EXPECT_FALSE(library.ImgSetPage(none, 0));
    EXPECT_EQ(library.ImgGetPage(none), -1);
    EXPECT_EQ(library.ImgReduceColors(none, 236, kReduceOptimal), 0);
    EXPECT_EQ(library.ImgReduceColorsPal(none, kReduceDiffuse, Palette(16)), 0);
    EXPECT_EQ(library.ImgIncreaseColors(none, 24), 0);
    EXPECT_EQ(library.ImgRotate(none, 9000, 0), 0);
    EXPECT_EQ(library.ImgMirror(none, true, false), 0);
    EXPECT_EQ(library.ImgGamma(none, 15), 0);
    EXPECT_FALSE(library.ImgGetPalette(none).has_value());
    EXPECT_EQ(library.ImgXWriteImage("/tmp/never.bmp", "bmp", none, 0, 0, 0), 0);
    EXPECT_EQ(library.Image(none), nullptr);
    EXPECT_EQ(library.ImgGetStatus(), kImgBadHandle);
    library.ImgClose(none); // nothing happens

    ScriptedDialogs dialogs;
    library.ImgErrBox(dialogs);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].kind, BoxKind::Error);
    EXPECT_EQ(dialogs.boxes[0].text, "Invalid image handle 4711.");
}

TEST_F(LibraryEdit, ArgumentsOfTheColourAndRotationOperationsAreChecked) {
    const ImgHandle handle = Hold(Numbered());
    EXPECT_EQ(library.ImgReduceColors(handle, 1, kReduceOptimal), 0);
    EXPECT_EQ(library.ImgReduceColors(handle, 257, kReduceOptimal), 0);
    EXPECT_EQ(library.ImgGetStatus(), kImgBadArgument);
    EXPECT_EQ(library.ImgReduceColorsPal(handle, kReduceDiffuse, {}), 0);
    EXPECT_EQ(library.ImgGetStatus(), kImgBadArgument);
    const ImgHandle turned = library.ImgRotate(handle, 9000, 0);
    ASSERT_NE(turned, 0) << library.LastError();
    EXPECT_EQ(Picture(turned).Width(), 2);
    EXPECT_EQ(Picture(turned).Height(), 3);
}

// --- Writing ----------------------------------------------------------------

class LibraryWrite : public LibraryEdit {
protected:
    std::string Path(const std::string& name) { return (folder / name).string(); }
    test::ScratchFolder folder;
};

Bitmap PalettePicture(PixelFormat format) {
    Bitmap picture;
    picture.Create(11, 3, format);
    Palette palette(static_cast<std::size_t>(PaletteSizeOf(format)));
    palette[0] = {200, 100, 0, 0};
    palette[1] = {0, 50, 250, 0};
    picture.SetPalette(palette);
    for (int y = 0; y < 3; ++y)
        for (int x = (y % 2); x < 11; x += 2) {
            if (format == PixelFormat::Bits1)
                picture.ScanLine(y)[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            if (format == PixelFormat::Bits4)
                picture.ScanLine(y)[x / 2] |= static_cast<std::uint8_t>(x % 2 ? 1 : 0x10);
            if (format == PixelFormat::Bits8) picture.ScanLine(y)[x] = 1;
        }
    return picture;
}

TEST_F(LibraryWrite, EachTypeWritesWhatItReadsBack) {
    Bitmap colour = Numbered();
    colour.ScanLine(1)[5] = 250;
    const Bitmap pictures[] = {PalettePicture(PixelFormat::Bits1),
                               PalettePicture(PixelFormat::Bits4),
                               PalettePicture(PixelFormat::Bits8), colour};
    for (const Bitmap& picture : pictures) {
        const ImgHandle handle = Hold(picture);
        for (const std::string type : {"bmp", "PCX", "tga", "png", "tif"}) {
            SCOPED_TRACE(type + " of " + std::to_string(picture.BitsPerPixel()) + " bits");
            const std::string path = Path("out." + type);
            ASSERT_EQ(library.ImgXWriteImage(path, type, handle, 0, 0, 0), 1)
                << library.LastError();
            const ImgHandle back = library.ImgOpenSolo(path);
            ASSERT_NE(back, 0) << library.LastError();
            test::ExpectSameColours(picture, Picture(back));
        }
    }
}

TEST_F(LibraryWrite, JpegIsWrittenAtQualitySeventyFive) {
    Bitmap flat;
    flat.Create(16, 16, PixelFormat::Bits24);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) std::memcpy(flat.ScanLine(y) + 3 * x, "\x28\x50\xC8", 3);
    ASSERT_EQ(library.ImgXWriteImage(Path("a.jpg"), "jpg", Hold(flat), 0, 0, 0), 1)
        << library.LastError();
    const ImgHandle back = library.ImgOpenSolo(Path("a.jpg"));
    ASSERT_NE(back, 0);
    const Bgr pixel = ColourAt(Picture(back), 7, 7);
    EXPECT_NEAR(pixel[0], 0x28, 4);
    EXPECT_NEAR(pixel[1], 0x50, 4);
    EXPECT_NEAR(pixel[2], 0xC8, 4);

    // A grey-palette picture is written as a grey JPEG.
    Bitmap grey;
    grey.Create(8, 8, PixelFormat::Bits8);
    Palette ramp(256);
    for (int i = 0; i < 256; ++i)
        ramp[static_cast<std::size_t>(i)] = {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0};
    grey.SetPalette(ramp);
    for (int y = 0; y < 8; ++y) std::memset(grey.ScanLine(y), 90, 8);
    ASSERT_EQ(library.ImgXWriteImage(Path("g.jpg"), "JPG", Hold(grey), 0, 0, 0), 1);
    const ImgHandle greyBack = library.ImgOpenSolo(Path("g.jpg"));
    ASSERT_NE(greyBack, 0);
    EXPECT_EQ(Picture(greyBack).Format(), PixelFormat::Bits8);
    EXPECT_NEAR(IndexAt(Picture(greyBack), 4, 4), 90, 1);
}

TEST_F(LibraryWrite, AFailedWriteLeavesTheOldFileAndReportsWhy) {
    const std::string path = Path("keep.bmp");
    test::WriteFile(path, "old");
    const ImgHandle handle = Hold(Numbered());
    EXPECT_EQ(library.ImgXWriteImage(path, "gif", handle, 0, 0, 0), 0);
    EXPECT_EQ(library.ImgGetStatus(), kImgUnsupported);
    EXPECT_EQ(test::ReadFile(path), "old");

    EXPECT_EQ(library.ImgXWriteImage(Path("no/such/folder.bmp"), "bmp", handle, 0, 0, 0), 0);
    EXPECT_EQ(library.ImgGetStatus(), kImgCannotWrite);
    EXPECT_EQ(library.ImgXWriteImage("", "bmp", handle, 0, 0, 0), 0);
    EXPECT_EQ(library.ImgGetStatus(), kImgCannotWrite);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
}

} // namespace
} // namespace zv
