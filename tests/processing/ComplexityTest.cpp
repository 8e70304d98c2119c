#include "processing/Complexity.h"

#include "processing/Kernel3x3.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace zv {
namespace {

// Soft gradients with some noise: a picture with texture.
Bitmap Textured(std::int32_t width, std::int32_t height) {
    Bitmap picture;
    picture.Create(width, height, PixelFormat::Bits24);
    std::mt19937 random(3);
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t i = 0; i < 3 * width; ++i)
            picture.ScanLine(y)[i] = static_cast<std::uint8_t>((i + 2 * y) % 200 + random() % 40);
    return picture;
}

bool SamePixels(const Bitmap& a, const Bitmap& b) {
    for (std::int32_t y = 0; y < a.Height(); ++y)
        if (!std::equal(a.ScanLine(y), a.ScanLine(y) + 3 * a.Width(), b.ScanLine(y))) return false;
    return true;
}

TEST(Complexity, SizesOfThePictureBeforeAndAfterSharpening) {
    const Bitmap original = Textured(64, 48);
    const std::int64_t divisor = 64 * 48 * 3 / 4096 * 4096;
    Bitmap picture = original;
    const std::int64_t index = ComplexityIndex(picture, kComplexityQuality, divisor);

    Bitmap sharpened = original;
    MeanRemoval(sharpened, 0);
    EXPECT_TRUE(SamePixels(picture, sharpened)); // left sharpened, as documented
    const std::int64_t a1 = JpegByteSize(original, 66);
    const std::int64_t a2 = JpegByteSize(sharpened, 66);
    EXPECT_GT(a2, a1);
    EXPECT_EQ(index, a1 * 1000000000 / divisor + a2 * 1000000000 / divisor);

    // Only the low 7 bits of the quality count.
    Bitmap again = original;
    EXPECT_EQ(ComplexityIndex(again, kComplexityQuality + 128, divisor), index);
}

TEST(Complexity, TextureRatesHigherThanAFlatPicture) {
    Bitmap flat;
    flat.Create(64, 48, PixelFormat::Bits24);
    FillTrueColour(flat, PaletteEntry{90, 120, 150, 0});
    Bitmap textured = Textured(64, 48);
    EXPECT_LT(ComplexityIndex(flat, 66, 8192), ComplexityIndex(textured, 66, 8192));
}

TEST(Complexity, NoDivisorOrNoPictureGivesZero) {
    const Bitmap original = Textured(20, 20); // 1200 bytes: rounds down to 0
    Bitmap picture = original;
    EXPECT_EQ(ComplexityIndex(picture, 66, 0), 0);
    EXPECT_TRUE(SamePixels(picture, original));
    Bitmap empty;
    EXPECT_EQ(ComplexityIndex(empty, 66, 4096), 0);
    EXPECT_EQ(JpegByteSize(empty, 66), 0);
}

} // namespace
} // namespace zv
