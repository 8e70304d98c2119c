#include "processing/Histogram.h"

#include "processing/Hls.h"

#include "FilterReference.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace zv {
namespace {

struct Colour {
    int R, G, B;
};

// One row of the given colours.
Bitmap RowOf(const std::vector<Colour>& colours) {
    Bitmap picture;
    picture.Create(static_cast<std::int32_t>(colours.size()), 1, PixelFormat::Bits24);
    std::uint8_t* row = picture.ScanLine(0);
    for (const Colour& c : colours) {
        *row++ = static_cast<std::uint8_t>(c.B);
        *row++ = static_cast<std::uint8_t>(c.G);
        *row++ = static_cast<std::uint8_t>(c.R);
    }
    return picture;
}

using zvtest::RandomPicture;

TEST(Histogram, GreyLevelsOfSinglePixels) {
    const Bitmap picture = RowOf({{255, 255, 255}, {1, 1, 1}, {0, 0, 255}, {255, 0, 0}});
    auto h = std::make_unique<ImageHistogram>();
    DoCalcHistogram(picture, *h, false, false, false);
    EXPECT_EQ(h->gray[255], 1);
    EXPECT_EQ(h->gray[1], 1);
    EXPECT_EQ(h->gray[25], 1); // 10 x 255 div 100
    EXPECT_EQ(h->gray[76], 1); // 30 x 255 div 100
    EXPECT_EQ(h->red[255], 2);
    EXPECT_EQ(h->blue[255], 2);
    EXPECT_EQ(h->blue[0], 1);
    EXPECT_EQ(h->highest, 2);
}

TEST(Histogram, SaturationAndHueLevelsOfPrimariesAndGrey) {
    EXPECT_EQ(SaturationHueLevels(255, 0, 0), (SaturationHue{255, 0}));
    EXPECT_EQ(SaturationHueLevels(0, 0, 255), (SaturationHue{255, 170})); // hue 2400
    EXPECT_EQ(SaturationHueLevels(128, 128, 128), (SaturationHue{0, 170}));
}

TEST(Histogram, SaturationAndHueLevelsMatchRgbToHlsForEveryColour) {
    int failures = 0;
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; ++b) {
                const Hls hls = RGBtoHLS(r, g, b);
                const SaturationHue expected{std::min(255, hls.S * 255 / 3600),
                                             std::min(255, hls.H * 255 / 3600)};
                if (SaturationHueLevels(r, g, b) != expected && ++failures < 5)
                    ADD_FAILURE() << r << "," << g << "," << b;
            }
    EXPECT_EQ(failures, 0);
}

// Every count and sum of a pass against the definitions, one pixel at a time.
TEST(Histogram, RandomPicturesMatchTheDefinitions) {
    for (const auto& [width, height] : {std::pair{7, 5}, std::pair{64, 3}, std::pair{1, 9}}) {
        const Bitmap picture = RandomPicture(width, height, 7u + width);
        auto expected = std::make_unique<ImageHistogram>();
        ImageHistogram& e = *expected;
        for (std::int32_t y = 0; y < height; ++y)
            for (std::int32_t x = 0; x < width; ++x) {
                const std::uint8_t* p = picture.ScanLine(y) + 3 * x;
                const int B = p[0], G = p[1], R = p[2];
                const int Y = std::min(255, (R * 30 + G * 60 + B * 10) / 100);
                const Hls hls = RGBtoHLS(R, G, B);
                const int s = std::min(255, hls.S * 255 / 3600);
                const int h = std::min(255, hls.H * 255 / 3600);
                ++e.red[R], ++e.green[G], ++e.blue[B], ++e.gray[Y], ++e.saturation[s], ++e.hue[h];
                for (auto [stats, v] :
                     {std::pair{&e.redStats, R}, std::pair{&e.greenStats, G},
                      std::pair{&e.blueStats, B}, std::pair{&e.grayStats, Y},
                      std::pair{&e.saturationStats, s}, std::pair{&e.hueStats, h}}) {
                    stats->sum += v;
                    stats->sumOfSquares += v * v;
                }
            }
        auto actual = std::make_unique<ImageHistogram>();
        DoCalcHistogram(picture, *actual, true, true, true);
        const ImageHistogram& a = *actual;
        EXPECT_EQ(a.red, e.red);
        EXPECT_EQ(a.green, e.green);
        EXPECT_EQ(a.blue, e.blue);
        EXPECT_EQ(a.gray, e.gray);
        EXPECT_EQ(a.saturation, e.saturation);
        EXPECT_EQ(a.hue, e.hue);
        EXPECT_EQ(a.pixels, width * height);
        EXPECT_EQ(a.redStats, e.redStats);
        EXPECT_EQ(a.greenStats, e.greenStats);
        EXPECT_EQ(a.blueStats, e.blueStats);
        EXPECT_EQ(a.grayStats, e.grayStats);
        EXPECT_EQ(a.saturationStats, e.saturationStats);
        EXPECT_EQ(a.hueStats, e.hueStats);
    }
}

TEST(Histogram, StatisticsAndTheBrightestChannel) {
    const Bitmap picture = RowOf({{10, 100, 0}, {20, 100, 0}});
    auto h = std::make_unique<ImageHistogram>();
    DoCalcHistogram(picture, *h, false, false, true);
    EXPECT_EQ(h->pixels, 2);
    EXPECT_EQ(ChannelMean(h->redStats, h->pixels), 15);
    EXPECT_EQ(ChannelSd(h->redStats, h->pixels), 5);
    EXPECT_EQ(ChannelSd(h->greenStats, h->pixels), 0);
    // Grey levels 63 and 66.
    EXPECT_EQ(ChannelMean(h->grayStats, h->pixels), 64.5);
    EXPECT_EQ(ChannelSd(h->grayStats, h->pixels), 1.5);
    // Green has the largest sum, 200.
    EXPECT_EQ(h->brightest, (ChannelStats{200, 20000}));
    // Without statistics the sums are cleared, not kept.
    DoCalcHistogram(picture, *h, false, false, false);
    EXPECT_EQ(h->pixels, 0);
    EXPECT_EQ(h->redStats, ChannelStats{});
}

TEST(Histogram, HistogramsNotAskedForKeepTheirCounts) {
    auto h = std::make_unique<ImageHistogram>();
    h->hue[3] = 77;
    h->saturation[4] = 88;
    DoCalcHistogram(RowOf({{255, 0, 0}}), *h, true, false, false);
    EXPECT_EQ(h->hue[3], 77);
    EXPECT_EQ(h->saturation[4], 0);
    EXPECT_EQ(h->saturation[255], 1);
    for (std::size_t level = 256; level < 360; ++level) EXPECT_EQ(h->red[level], 0);
}

TEST(Histogram, MidtonesCountEveryPixelButSumOnlyMidtones) {
    auto h = std::make_unique<ImageHistogram>();
    h->red[9] = 5;
    DoCalcMidtones(RowOf({{10, 10, 10}, {100, 100, 100}, {200, 200, 200}, {250, 250, 250}}), *h);
    EXPECT_EQ(h->gray[10], 1);
    EXPECT_EQ(h->gray[250], 1);
    EXPECT_EQ(h->pixels, 2);
    EXPECT_EQ(h->grayStats, (ChannelStats{300, 50000}));
    EXPECT_EQ(h->brightest, h->grayStats);
    EXPECT_EQ(h->highest, 1);
    EXPECT_EQ(h->red[9], 5);
}

TEST(Histogram, ToneMapsShownAsCurves) {
    std::array<std::uint8_t, 256> up{}, down{}, flat{};
    for (int i = 0; i < 256; ++i) {
        up[i] = static_cast<std::uint8_t>(i);
        down[i] = static_cast<std::uint8_t>(255 - i);
        flat[i] = 9;
    }
    auto h = std::make_unique<ImageHistogram>();
    h->saturation[7] = 1000;
    LUT2Histogram(down, up, flat, *h);
    EXPECT_EQ(h->highest, 255);
    EXPECT_EQ(h->red[0], 255);
    EXPECT_EQ(h->green[200], 200);
    EXPECT_EQ(h->blue[100], 9);
    EXPECT_EQ(h->gray[42], 42);
    EXPECT_EQ(h->saturation[7], 0);
}

TEST(Histogram, CountsStopAtTheLimitAndNothingIsNotANumber) {
    EXPECT_EQ(SaturatedCount(kHistogramCountLimit - 1), kHistogramCountLimit - 1);
    EXPECT_EQ(SaturatedCount(std::int64_t{3} << 31), kHistogramCountLimit);
    // N = 0 is taken as 1.
    EXPECT_EQ(ChannelMean({10, 100}, 0), 10);
    // A variance below 0 (rounding of huge sums) gives 0, not the root of a negative.
    EXPECT_EQ(ChannelSd({3, 4}, 2), 0);
}

TEST(Histogram, OnlyTrueColourPictures) {
    Bitmap picture;
    picture.Create(2, 2, PixelFormat::Bits8);
    ImageHistogram h;
    EXPECT_THROW(DoCalcHistogram(picture, h, false, false, false), std::invalid_argument);
}

} // namespace
} // namespace zv
