#include "formats/PixelConverter.h"

#include "formats/GraphicErrors.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zv {
namespace {

using Bytes = std::vector<std::uint8_t>;

template <typename F> std::string MessageOf(F&& f) {
    try {
        f();
    } catch (const EColorConversionError& e) {
        return e.what();
    }
    return "(no error)";
}

TPixelConverter Make(ColorModel source, ColorModel target, int sourceBits, int targetBits,
                     int sourceSamples, int targetSamples) {
    TPixelConverter c;
    c.SetSourceColorModel(source);
    c.SetTargetColorModel(target);
    c.SetSourceBitsPerSample(sourceBits);
    c.SetTargetBitsPerSample(targetBits);
    c.SetSourceSamplesPerPixel(sourceSamples);
    c.SetTargetSamplesPerPixel(targetSamples);
    return c;
}

TPixelConverter Grey(int sourceBits, int targetBits) {
    return Make(ColorModel::Grey, ColorModel::Grey, sourceBits, targetBits, 1, 1);
}

Bytes ConvertRow(TPixelConverter& c, const Bytes& source, std::size_t pixels,
                 std::size_t targetBytes, std::uint8_t mask = 0xFF, std::uint8_t fill = 0) {
    Bytes target(targetBytes, fill);
    c.Convert(source.data(), pixels, target.data(), mask);
    return target;
}

TEST(PixelConverterSettings, OutOfRangeValuesAreRefusedWithTheirMessages) {
    TPixelConverter c;
    EXPECT_EQ(MessageOf([&] { c.SetSourceBitsPerSample(0); }), "Invalid color depth.");
    EXPECT_EQ(MessageOf([&] { c.SetTargetBitsPerSample(17); }), "Invalid color depth.");
    EXPECT_EQ(MessageOf([&] { c.SetSourceSamplesPerPixel(0); }),
              "Invalid pixel depth and target samples.");
    EXPECT_EQ(MessageOf([&] { c.SetTargetSamplesPerPixel(5); }),
              "Invalid pixel depth and target samples.");
    EXPECT_EQ(c.SourceBitsPerSample(), 8);
    EXPECT_EQ(c.TargetSamplesPerPixel(), 3);
}

TEST(PixelConverterSettings, PreparationRefusesMixedAndUnknownCombinations) {
    auto greyToBgr = Make(ColorModel::Grey, ColorModel::BGR, 8, 8, 1, 3);
    EXPECT_EQ(MessageOf([&] { greyToBgr.Prepare(); }),
              "Indexed and non-indexed conversion not supported.");
    auto rgbToGrey = Make(ColorModel::RGB, ColorModel::Grey, 8, 8, 3, 1);
    EXPECT_EQ(MessageOf([&] { rgbToGrey.Prepare(); }),
              "Indexed and non-indexed conversion not supported.");

    auto greyToIndex = Make(ColorModel::Grey, ColorModel::Indexed, 8, 8, 1, 1);
    EXPECT_EQ(MessageOf([&] { greyToIndex.Prepare(); }), "Color conversion failed.");
    auto cmyk4 = Make(ColorModel::CMYK, ColorModel::BGR, 4, 8, 4, 3);
    EXPECT_EQ(MessageOf([&] { cmyk4.Prepare(); }), "Color conversion failed.");
    auto model8 = Make(static_cast<ColorModel>(8), ColorModel::BGR, 8, 8, 3, 3);
    EXPECT_EQ(MessageOf([&] { model8.Prepare(); }), "Color conversion failed.");
    // Target samples that disagree with the target model would leave rows half written.
    auto bgrIn4 = Make(ColorModel::RGB, ColorModel::BGR, 8, 8, 3, 4);
    EXPECT_EQ(MessageOf([&] { bgrIn4.Prepare(); }), "Color conversion failed.");
    auto rgbFrom2 = Make(ColorModel::RGB, ColorModel::BGR, 8, 8, 2, 3);
    EXPECT_EQ(MessageOf([&] { rgbFrom2.Prepare(); }), "Color conversion failed.");

    // Convert prepares on its own and raises the same way.
    Bytes row(3);
    EXPECT_EQ(MessageOf([&] { greyToBgr.Convert(row.data(), 1, row.data()); }),
              "Indexed and non-indexed conversion not supported.");
}

TEST(PixelConverterSettings, TargetPixelFormatOnlyForRowsOfTheSameLayout) {
    EXPECT_EQ(Grey(8, 1).TargetPixelFormat(), PixelFormat::Bits1);
    EXPECT_EQ(Grey(8, 4).TargetPixelFormat(), PixelFormat::Bits4);
    EXPECT_EQ(Grey(8, 8).TargetPixelFormat(), PixelFormat::Bits8);
    EXPECT_EQ(Grey(8, 16).TargetPixelFormat(), std::nullopt); // two bytes a pixel
    EXPECT_EQ(Grey(8, 2).TargetPixelFormat(), std::nullopt);
    EXPECT_EQ(Make(ColorModel::RGB, ColorModel::BGR, 8, 8, 3, 3).TargetPixelFormat(),
              PixelFormat::Bits24);
    EXPECT_EQ(Make(ColorModel::RGBA, ColorModel::BGRA, 8, 8, 4, 4).TargetPixelFormat(),
              PixelFormat::Bits32);
    EXPECT_EQ(Make(ColorModel::BGR, ColorModel::RGB, 8, 8, 3, 3).TargetPixelFormat(), std::nullopt);
    EXPECT_EQ(Make(ColorModel::RGB, ColorModel::BGR, 8, 5, 3, 3).TargetPixelFormat(), std::nullopt);
}

TEST(PixelConverterScaling, GreyDepthChangesFollowTheIntegerRule) {
    auto four = Grey(4, 8); // 15, 0, 1, 8 packed high nibble first
    EXPECT_EQ(ConvertRow(four, {0xF0, 0x18}, 4, 4), (Bytes{255, 0, 17, 136}));

    auto widen = Grey(8, 16);
    EXPECT_EQ(ConvertRow(widen, {128, 255, 1}, 3, 6), (Bytes{0x80, 0x80, 0xFF, 0xFF, 0x01, 0x01}));

    auto narrow = Grey(16, 8); // 65535, 32896, 257, 256
    EXPECT_EQ(ConvertRow(narrow, {0xFF, 0xFF, 0x80, 0x80, 0x01, 0x01, 0x01, 0x00}, 4, 4),
              (Bytes{255, 128, 1, 0}));

    auto oneBit = Grey(1, 8);
    EXPECT_EQ(ConvertRow(oneBit, {0xA0}, 4, 4), (Bytes{255, 0, 255, 0}));

    // Only 255 reaches 1 at one bit; the ninth pixel spills into a second byte.
    auto toOneBit = Grey(8, 1);
    EXPECT_EQ(ConvertRow(toOneBit, {255, 0, 127, 255, 255, 0, 128, 0, 255}, 9, 2),
              (Bytes{0b10011000, 0b10000000}));

    auto twelve = Grey(12, 8); // 4095, 2048 packed as a 24-bit stream
    EXPECT_EQ(ConvertRow(twelve, {0xFF, 0xF8, 0x00}, 2, 2), (Bytes{255, 127}));
}

TEST(PixelConverterScaling, SixteenBitByteOrderIsASetting) {
    auto big = Grey(16, 8);
    EXPECT_EQ(ConvertRow(big, {0x12, 0x34}, 1, 1), Bytes{18}); // 4660 x 255 div 65535
    auto little = Grey(16, 8);
    little.SetBigEndian16(false);
    EXPECT_EQ(ConvertRow(little, {0x12, 0x34}, 1, 1), Bytes{51}); // 13330 x 255 div 65535
    auto out = Grey(8, 16);
    out.SetBigEndian16(false);
    EXPECT_EQ(ConvertRow(out, {2}, 1, 2), (Bytes{0x02, 0x02}));
}

TEST(PixelConverterScaling, IndicesKeepTheirValue) {
    auto widen = Make(ColorModel::Indexed, ColorModel::Indexed, 4, 8, 1, 1);
    EXPECT_EQ(ConvertRow(widen, {0xF3}, 2, 2), (Bytes{15, 3}));
    auto narrow = Make(ColorModel::Indexed, ColorModel::Indexed, 8, 4, 1, 1);
    EXPECT_EQ(ConvertRow(narrow, {5, 200}, 2, 1),
              Bytes{0x5F}); // 200 does not fit: the largest index
    auto toGrey = Make(ColorModel::Indexed, ColorModel::Grey, 8, 8, 1, 1);
    EXPECT_EQ(ConvertRow(toGrey, {7, 9}, 2, 2), (Bytes{7, 9}));
}

TEST(PixelConverterRgb, OrderAlphaAndLayouts) {
    auto toBgr = Make(ColorModel::RGB, ColorModel::BGR, 8, 8, 3, 3);
    EXPECT_EQ(ConvertRow(toBgr, {10, 20, 30, 40, 50, 60}, 2, 6), (Bytes{30, 20, 10, 60, 50, 40}));

    const Bytes r{10, 40}, g{20, 50}, b{30, 60};
    const std::uint8_t* planes[] = {r.data(), g.data(), b.data()};
    Bytes planar(6);
    toBgr.ConvertPlanar(planes, 2, planar.data());
    EXPECT_EQ(planar, (Bytes{30, 20, 10, 60, 50, 40}));

    // The source's alpha is skipped; the target's is opaque.
    auto withAlpha = Make(ColorModel::RGBA, ColorModel::BGRA, 8, 8, 4, 4);
    EXPECT_EQ(ConvertRow(withAlpha, {1, 2, 3, 0, 4, 5, 6, 77}, 2, 8),
              (Bytes{3, 2, 1, 255, 6, 5, 4, 255}));
    auto dropAlpha = Make(ColorModel::BGRA, ColorModel::RGB, 8, 8, 4, 3);
    EXPECT_EQ(ConvertRow(dropAlpha, {1, 2, 3, 9}, 1, 3), (Bytes{3, 2, 1}));
    auto addAlpha = Make(ColorModel::BGR, ColorModel::BGRA, 8, 16, 3, 4);
    EXPECT_EQ(ConvertRow(addAlpha, {1, 0, 255}, 1, 8), (Bytes{1, 1, 0, 0, 255, 255, 255, 255}));

    auto same = Make(ColorModel::RGB, ColorModel::RGB, 8, 8, 4, 3); // fourth sample skipped
    EXPECT_EQ(ConvertRow(same, {1, 2, 3, 4, 5, 6, 7, 8}, 2, 6), (Bytes{1, 2, 3, 5, 6, 7}));

    const std::uint8_t* twoPlanes[] = {r.data(), g.data()};
    EXPECT_EQ(MessageOf([&] { toBgr.ConvertPlanar(twoPlanes, 2, planar.data()); }),
              "Color conversion failed.");
}

TEST(PixelConverterMask, SelectsPixelsRepeatingEveryEight) {
    // 0xA0 selects pixels 0 and 2 of every eight; the rest keep what was there.
    auto copy = Grey(8, 8);
    const Bytes source{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    EXPECT_EQ(ConvertRow(copy, source, 10, 10, 0xA0, 0xEE),
              (Bytes{1, 0xEE, 3, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 9, 0xEE}));
    auto packed = Grey(8, 4);
    EXPECT_EQ(ConvertRow(packed, {255, 255, 255, 255}, 4, 2, 0x50, 0x00), (Bytes{0x0F, 0x0F}));
    auto bgr = Make(ColorModel::RGB, ColorModel::BGR, 8, 8, 3, 3);
    EXPECT_EQ(ConvertRow(bgr, {1, 2, 3, 4, 5, 6}, 2, 6, 0x40, 0), (Bytes{0, 0, 0, 6, 5, 4}));
}

TEST(PixelConverterCmyk, EightAndSixteenBitFormulas) {
    auto c8 = Make(ColorModel::CMYK, ColorModel::BGR, 8, 8, 4, 3);
    // No ink: white; full black ink: black whatever else; full cyan; 128 cyan and black.
    EXPECT_EQ(ConvertRow(c8, {0, 0, 0, 0, 10, 200, 30, 255, 255, 0, 0, 0, 128, 0, 0, 128}, 4, 12),
              (Bytes{255, 255, 255, 0, 0, 0, 255, 255, 0, 127, 127, 63}));
    auto rgb = Make(ColorModel::CMYK, ColorModel::RGB, 8, 8, 4, 3);
    EXPECT_EQ(ConvertRow(rgb, {255, 0, 0, 0}, 1, 3), (Bytes{0, 255, 255}));

    auto c16 = Make(ColorModel::CMYK, ColorModel::BGR, 16, 16, 4, 3);
    const Bytes source{0x80, 0x00, 0, 0, 0, 0, 0,    0,    // half cyan
                       0,    0,    0, 0, 0, 0, 0xFF, 0xFF, // full black
                       0,    0,    0, 0, 0, 0, 0,    0};   // no ink
    EXPECT_EQ(ConvertRow(c16, source, 3, 18), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0x80, 0, 0, 0, 0,
                                                     0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(PixelConverterLab, FormulasWithAndWithoutTheStorageFlags) {
    auto lab = Make(ColorModel::Lab, ColorModel::RGB, 8, 8, 3, 3);
    lab.SetFlags(TPixelConverter::kLabScaledL | TPixelConverter::kLabOffsetAB);
    // White, black, mid grey, then two below the linear threshold and two saturated ones.
    const Bytes source{255, 128, 128, 0,  128, 128, 128, 128, 128, 10, 178,
                       128, 10,  128, 78, 200, 200, 60,  128, 100, 180};
    EXPECT_EQ(ConvertRow(lab, source, 7, 21), (Bytes{255, 255, 255, 0,  0,   0,  47,  47, 47, 11, 0,
                                                     1,   0,   2,   10, 255, 70, 255, 31, 57, 2}));

    auto raw = Make(ColorModel::Lab, ColorModel::BGR, 8, 8, 3, 3);
    EXPECT_EQ(ConvertRow(raw, {60, 236, 30, 100, 0, 0}, 2, 6), (Bytes{28, 81, 56, 255, 255, 255}));

    auto lab16 = Make(ColorModel::Lab, ColorModel::BGR, 16, 8, 3, 3);
    lab16.SetFlags(TPixelConverter::kLabScaledL | TPixelConverter::kLabOffsetAB);
    // The 16-bit forms of white, black, mid grey and the low red above.
    const Bytes deep{0xFF, 0xFF, 0x80, 0x00, 0x80, 0x00, 0x00, 0x00, 0x80, 0x00, 0x80, 0x00,
                     0x80, 0x80, 0x80, 0x00, 0x80, 0x00, 0x0A, 0x0A, 0xB2, 0x00, 0x80, 0x00};
    EXPECT_EQ(ConvertRow(lab16, deep, 4, 12),
              (Bytes{255, 255, 255, 0, 0, 0, 47, 47, 47, 1, 0, 11}));
}

TEST(PixelConverterSettings, ASettingChangeChoosesTheRoutineAgain) {
    auto c = Grey(8, 8);
    EXPECT_EQ(ConvertRow(c, {255}, 1, 1), Bytes{255});
    c.SetTargetBitsPerSample(4);
    EXPECT_EQ(ConvertRow(c, {255}, 1, 1), Bytes{0xF0});
    c.SetSourceColorModel(ColorModel::RGB);
    EXPECT_EQ(MessageOf([&] { ConvertRow(c, {255}, 1, 1); }),
              "Indexed and non-indexed conversion not supported.");
}

TEST(PixelConverterPalettes, GreyPaletteAndPaletteFromPlanes) {
    auto c = Grey(8, 4);
    const Palette grey = c.GreyPalette(false);
    ASSERT_EQ(grey.size(), 16u);
    EXPECT_EQ(grey[1], (PaletteEntry{17, 17, 17, 0}));
    EXPECT_EQ(grey[15], (PaletteEntry{255, 255, 255, 0}));
    const Palette inverted = c.GreyPalette(true);
    EXPECT_EQ(inverted[0], (PaletteEntry{255, 255, 255, 0}));
    EXPECT_EQ(inverted[15], (PaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ(Grey(8, 16).GreyPalette(false).size(), 256u);

    const std::uint8_t r[] = {255, 1}, g[] = {0, 2}, b[] = {7, 3};
    const Palette p = PaletteFromPlanes(r, g, b, 2);
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0], (PaletteEntry{7, 0, 255, 0}));
    EXPECT_EQ(p[1], (PaletteEntry{3, 2, 1, 0}));
}

} // namespace
} // namespace zv
