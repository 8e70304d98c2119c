// Rotation, mirroring and scaled copies work in row bands on every core:
// their bytes are those of one thread, and the halving shortcut of the
// scaled copies gives the bytes of the general area average.

#include "formats/Scaling.h"
#include "library/PictureEdits.h"
#include "library/PictureOps.h"
#include "platform/RowThreads.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

namespace zv {
namespace {

// Random indices over a random palette, 1.1 megapixels, so the work is split.
Bitmap RandomIndexed(std::int32_t width, std::int32_t height) {
    std::mt19937 random(17);
    Bitmap picture;
    picture.Create(width, height, PixelFormat::Bits8);
    Palette palette(256);
    for (PaletteEntry& entry : palette)
        entry = {static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                 static_cast<std::uint8_t>(random()), 0};
    picture.SetPalette(palette);
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x)
            picture.ScanLine(y)[x] = static_cast<std::uint8_t>(random());
    return picture;
}

Bitmap TrueColour(Bitmap picture) {
    picture.SetPixelFormat(PixelFormat::Bits24);
    return picture;
}

bool SameBytes(const Bitmap& a, const Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.Format() != b.Format())
        return false;
    const auto bytes =
        static_cast<std::size_t>((std::int64_t{a.Width()} * a.BitsPerPixel() + 7) / 8);
    for (std::int32_t y = 0; y < a.Height(); ++y)
        if (!std::equal(a.ScanLine(y), a.ScanLine(y) + bytes, b.ScanLine(y))) return false;
    return true;
}

TEST(PictureBands, OneThreadAndFourGiveTheSameBytes) {
    const Bitmap colour = TrueColour(RandomIndexed(1100, 1000));
    const Bitmap indexed = RandomIndexed(1100, 1000);
    const std::pair<const char*, std::function<Bitmap()>> cases[] = {
        {"rotate 3", [&] { return RotatePicture(colour, 35700, 0x00336699); }},
        {"rotate 30 indexed", [&] { return RotatePicture(indexed, 3000, 0); }},
        {"rotate 90", [&] { return RotatePicture(colour, 9000, 0); }},
        {"rotate 270 indexed", [&] { return RotatePicture(indexed, 27000, 0); }},
        {"mirror",
         [&] {
             Bitmap copy = colour;
             MirrorPicture(copy, true, true);
             return copy;
         }},
        {"resample",
         [&] {
             return ScalePicture(colour, 700, 333, {0, 0, 1100, 1000}, kCopySmooth);
         }},
        {"halve",
         [&] {
             return ScalePicture(colour, 550, 500, {0, 0, 1100, 1000}, kCopySmooth);
         }},
        {"enlarge indexed",
         [&] {
             return ScalePicture(indexed, 1500, 1200, {0, 0, 1100, 1000}, kCopySmooth);
         }},
    };
    for (const auto& [name, work] : cases) {
        Bitmap one, four;
        {
            const RowThreadLimit limit(1);
            one = work();
        }
        {
            const RowThreadLimit limit(4);
            four = work();
        }
        EXPECT_TRUE(SameBytes(one, four)) << name;
    }
}

// The palette picture takes the general pass, its true-colour twin the
// halving shortcut; a rectangle off the corner checks the offsets.
TEST(PictureBands, HalvingEqualsTheGeneralAreaAverage) {
    const Bitmap indexed = RandomIndexed(301, 203);
    const Bitmap colour = TrueColour(indexed);
    for (const SourceRect rect : {SourceRect{0, 0, 300, 200}, SourceRect{1, 3, 301, 203}}) {
        const Bitmap general = ScalePicture(indexed, 150, 100, rect, kCopySmooth);
        const Bitmap halved = ScalePicture(colour, 150, 100, rect, kCopySmooth);
        EXPECT_TRUE(SameBytes(general, halved)) << rect.left << "," << rect.top;
    }
    // Hand-worked: (10 + 20 + 30 + 41 + 2) div 4 = 25.
    Bitmap block;
    block.Create(2, 2, PixelFormat::Bits24);
    const int levels[2][2] = {{10, 20}, {30, 41}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) std::fill_n(block.ScanLine(y) + 3 * x, 3, levels[y][x]);
    EXPECT_EQ(ScalePicture(block, 1, 1, {0, 0, 2, 2}, kCopySmooth).ScanLine(0)[0], 25);
}

} // namespace
} // namespace zv
