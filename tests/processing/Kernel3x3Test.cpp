#include "processing/Kernel3x3.h"

#include "FilterReference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace zv {
namespace {

using zvtest::RandomPicture;

Bitmap Flat(std::int32_t width, std::int32_t height, std::uint8_t value) {
    Bitmap picture;
    picture.Create(width, height, PixelFormat::Bits24);
    for (std::int32_t y = 0; y < height; ++y) std::fill_n(picture.ScanLine(y), 3 * width, value);
    return picture;
}

bool SamePixels(const Bitmap& a, const Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (std::int32_t y = 0; y < a.Height(); ++y)
        if (!std::equal(a.ScanLine(y), a.ScanLine(y) + 3 * a.Width(), b.ScanLine(y))) return false;
    return true;
}

// The filters as described, one byte at a time, reading a whole copy of the
// picture: rows 1 .. height-3, columns 1 .. width-2.
template <typename ByteRule> Bitmap Reference(const Bitmap& source, ByteRule rule) {
    Bitmap out = source;
    for (int y = 1; y <= source.Height() - 3; ++y)
        for (int x = 1; x <= source.Width() - 2; ++x)
            for (int c = 0; c < 3; ++c) {
                int cell[3][3];
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        cell[dy + 1][dx + 1] = source.ScanLine(y + dy)[3 * (x + dx) + c];
                out.ScanLine(y)[3 * x + c] = static_cast<std::uint8_t>(rule(cell));
            }
    return out;
}

Bitmap ReferenceSpatial(const Bitmap& source, const Kernel3x3& k) {
    return Reference(source, [&](const int(&cell)[3][3]) {
        long long s = 0;
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) s += k.weights[3 * r + c] * cell[r][c];
        const long long value = std::clamp<long long>(s / k.divisor + k.bias, 0, 255);
        return std::abs(cell[1][1] - value) > k.threshold ? value : cell[1][1];
    });
}

Bitmap ReferenceGaussian(const Bitmap& source, int threshold, bool leaveOneOut, int divisor) {
    return Reference(source, [&](const int(&cell)[3][3]) {
        int m = 0;
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) m += cell[r][c];
        if (leaveOneOut) m -= cell[2][1];
        m = std::min(255, m / divisor);
        return std::abs(cell[1][1] - m) > threshold ? m : cell[1][1];
    });
}

// Sizes around the window's limits and around the 16-byte steps of the pass.
const std::pair<int, int> kSizes[] = {{1, 1}, {2, 6}, {6, 3},  {3, 4}, {4, 5},
                                      {7, 4}, {8, 6}, {13, 5}, {40, 7}};

TEST(Kernel3x3, MeanRemovalMatchesTheDefinition) {
    for (const auto& [width, height] : kSizes)
        for (int strength = 0; strength <= 8; ++strength) {
            const Bitmap source = RandomPicture(width, height, width * 31u + strength);
            Bitmap picture = source;
            MeanRemoval(picture, strength);
            EXPECT_TRUE(SamePixels(picture, ReferenceSpatial(source, MeanRemovalKernel(strength))))
                << width << "x" << height << " strength " << strength;
        }
}

TEST(Kernel3x3, GaussianMatchesTheDefinition) {
    for (const auto& [width, height] : kSizes)
        for (const auto& [threshold, leaveOneOut, divisor] :
             {std::tuple{0, false, 9}, std::tuple{0, true, 8}, std::tuple{1, false, 9},
              std::tuple{63, true, 8}, std::tuple{200, false, 9}, std::tuple{254, false, 9},
              std::tuple{0, false, 3}}) {
            const Bitmap source = RandomPicture(width, height, width * 7u + threshold);
            Bitmap picture = source;
            GaussianBlur3x3(picture, threshold, leaveOneOut, divisor);
            EXPECT_TRUE(
                SamePixels(picture, ReferenceGaussian(source, threshold, leaveOneOut, divisor)))
                << width << "x" << height << " threshold " << threshold;
        }
}

// Kernels whose sums leave 16 bits, or even exact floats, and odd divisors
// and biases, take other paths through the pass.
TEST(Kernel3x3, EveryKindOfKernelMatchesTheDefinition) {
    const Kernel3x3 kernels[] = {
        {{1, 10, 1, 10, 102, 10, 1, 10, 1}, 146, 0, -1},
        {{1, 2, 1, 2, 3, 2, 1, 2, 1}, 15, 0, 10},
        {{30000, -30000, 30000, 1, 1, 1, -5, 0, 5}, 30003, 0, -1},
        {{0, -1, 0, -1, 4, -1, 0, -1, 0}, 1, 128, -1},
        {{0, -1, 0, -1, 4, -1, 0, -1, 0}, 1, 300, -1},
        {{1, 1, 1, 1, 1, 1, 1, 1, 1}, -3, 255, -1},
    };
    for (const Kernel3x3& kernel : kernels)
        for (const auto& [width, height] : kSizes) {
            const Bitmap source = RandomPicture(width, height, width * 13u + kernel.divisor);
            Bitmap picture = source;
            Spatial3x3(picture, kernel);
            EXPECT_TRUE(SamePixels(picture, ReferenceSpatial(source, kernel)))
                << width << "x" << height << " divisor " << kernel.divisor;
        }
}

Kernel3x3 KernelOf(std::array<std::int16_t, 9> weights, int divisor) {
    Kernel3x3 kernel;
    kernel.weights = weights;
    kernel.divisor = divisor;
    return kernel;
}

// The kernel families as tabled: centre weight, side and corner weights,
// divisor.
TEST(Kernel3x3, FamiliesBuildTheirKernels) {
    for (int a = 1; a <= 4; ++a) {
        const auto c = static_cast<std::int16_t>(9 - a);
        EXPECT_EQ(HighPassMediumKernel(a).weights,
                  (std::array<std::int16_t, 9>{0, -1, 0, -1, c, -1, 0, -1, 0}));
        EXPECT_EQ(HighPassMediumKernel(a).divisor, 5 - a);
        EXPECT_EQ(HighPassLightKernel(a).weights,
                  (std::array<std::int16_t, 9>{1, -2, 1, -2, c, -2, 1, -2, 1}));
        EXPECT_EQ(HighPassLightKernel(a).divisor, 5 - a);
    }
    const std::int16_t centres[] = {32, 16, 8, 6, 5, 4, 3};
    for (int t = 1; t <= 7; ++t) {
        const std::int16_t c = centres[t - 1];
        EXPECT_EQ(SoftenKernel(t).weights,
                  (std::array<std::int16_t, 9>{1, 2, 1, 2, c, 2, 1, 2, 1}));
        EXPECT_EQ(SoftenKernel(t).divisor, 12 + c);
    }
    EXPECT_EQ(SoftenKernel(8).weights,
              (std::array<std::int16_t, 9>{10, 15, 10, 15, 20, 15, 10, 15, 10}));
    EXPECT_EQ(SoftenKernel(8).divisor, 120);
    EXPECT_EQ(SoftenKernel(9).divisor, 120);
    EXPECT_EQ(SoftenKernel(10).weights,
              (std::array<std::int16_t, 9>{13, 14, 13, 14, 15, 14, 13, 14, 13}));
    EXPECT_EQ(SoftenKernel(10).divisor, 123);

    // The dialog's strongest, middle and weakest settings (a = 255 - v).
    EXPECT_EQ(DeFocusKernel(0).weights, (std::array<std::int16_t, 9>{1, 1, 1, 1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(DeFocusKernel(0).divisor, 9);
    EXPECT_EQ(DeFocusKernel(143).weights,
              (std::array<std::int16_t, 9>{1, 5, 1, 5, 29, 5, 1, 5, 1}));
    EXPECT_EQ(DeFocusKernel(143).divisor, 53);
    EXPECT_EQ(DeFocusKernel(254).weights,
              (std::array<std::int16_t, 9>{1, 10, 1, 10, 102, 10, 1, 10, 1}));
    EXPECT_EQ(DeFocusKernel(254).divisor, 146);
}

// The passes of the families, against the kernels written out here.
TEST(Kernel3x3, FamilyPassesMatchTheDefinition) {
    struct Case {
        void (*pass)(Bitmap&, int);
        int value;
        Kernel3x3 kernel;
    };
    const Case cases[] = {
        {HighPassMedium, 1, KernelOf({0, -1, 0, -1, 8, -1, 0, -1, 0}, 4)},
        {HighPassMedium, 4, KernelOf({0, -1, 0, -1, 5, -1, 0, -1, 0}, 1)},
        {HighPassLight, 3, KernelOf({1, -2, 1, -2, 6, -2, 1, -2, 1}, 2)},
        {Soften, 1, KernelOf({1, 2, 1, 2, 32, 2, 1, 2, 1}, 44)},
        {Soften, 7, KernelOf({1, 2, 1, 2, 3, 2, 1, 2, 1}, 15)},
        {Soften, 9, KernelOf({12, 14, 12, 14, 16, 14, 12, 14, 12}, 120)},
        {DeFocus, 254, KernelOf({1, 10, 1, 10, 102, 10, 1, 10, 1}, 146)},
        {DeFocus, 100, KernelOf({1, 4, 1, 4, 16, 4, 1, 4, 1}, 36)},
    };
    for (const Case& c : cases)
        for (const auto& [width, height] : kSizes) {
            const Bitmap source = RandomPicture(width, height, width * 17u + c.value);
            Bitmap picture = source;
            c.pass(picture, c.value);
            EXPECT_TRUE(SamePixels(picture, ReferenceSpatial(source, c.kernel)))
                << width << "x" << height << " value " << c.value;
        }
    // Values outside each family's range leave the picture as it was.
    const Bitmap source = RandomPicture(9, 9, 8);
    Bitmap picture = source;
    HighPassMedium(picture, 0);
    HighPassMedium(picture, 5);
    HighPassLight(picture, 5);
    Soften(picture, 0);
    Soften(picture, 11);
    DeFocus(picture, -1);
    DeFocus(picture, 255);
    EXPECT_TRUE(SamePixels(picture, source));
}

TEST(Kernel3x3, HandWorkedCentrePixel) {
    // 3 x 4: only pixel (1, 1) is inside the window's reach.
    Bitmap source = Flat(3, 4, 10);
    std::fill_n(source.ScanLine(1) + 3, 3, 20);
    const auto centre = [](const Bitmap& picture) { return int{picture.ScanLine(1)[3]}; };

    Bitmap picture = source;
    MeanRemoval(picture, 8); // 9 x 20 - 8 x 10, divisor 1
    EXPECT_EQ(centre(picture), 100);
    picture = source;
    MeanRemoval(picture, 0); // (17 x 20 - 80) div 9
    EXPECT_EQ(centre(picture), 28);
    picture = source;
    MeanRemoval(picture, 2); // (15 x 20 - 80) div 7
    EXPECT_EQ(centre(picture), 31);
    picture = source;
    GaussianBlur3x3(picture, 0, false, 9); // 100 div 9
    EXPECT_EQ(centre(picture), 11);
    picture = source;
    GaussianBlur3x3(picture, 9, false, 9); // differs by 9, not more
    EXPECT_EQ(centre(picture), 20);
}

TEST(Kernel3x3, PicturesSmallerThanTheWindowAndBadArgumentsChangeNothing) {
    for (const auto& [width, height] : {std::pair{2, 10}, std::pair{10, 3}}) {
        const Bitmap source = RandomPicture(width, height, 5);
        Bitmap picture = source;
        MeanRemoval(picture, 4);
        GaussianBlur3x3(picture, 0, false, 9);
        EXPECT_TRUE(SamePixels(picture, source));
    }
    const Bitmap source = RandomPicture(9, 9, 6);
    Bitmap picture = source;
    MeanRemoval(picture, 9);
    MeanRemoval(picture, -1);
    GaussianBlur3x3(picture, 0, false, 0);
    GaussianBlur3x3(picture, 255, false, 9);
    EXPECT_TRUE(SamePixels(picture, source));

    Bitmap indexed;
    indexed.Create(8, 8, PixelFormat::Bits8);
    EXPECT_THROW(MeanRemoval(indexed, 2), std::invalid_argument);
}

} // namespace
} // namespace zv
