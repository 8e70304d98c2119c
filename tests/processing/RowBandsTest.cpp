// Every pass that runs in row bands gives one thread's bytes on four
// threads, on a square picture and on a flat one whose bands are thinner
// than the filters' reach.

#include "FilterReference.h"

#include "processing/Defog.h"
#include "processing/Descreen.h"
#include "processing/Filter5x5.h"
#include "processing/Histogram.h"
#include "processing/Kernel3x3.h"
#include "processing/Median.h"
#include "processing/RowBands.h"
#include "processing/ToneMaps.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <stdexcept>

namespace {

using zv::Bitmap;

struct BandedPass {
    const char* name;
    std::function<void(Bitmap&)> run;
};

void PrintTo(const BandedPass& pass, std::ostream* out) {
    *out << pass.name;
}

zv::ToolboxContext GammaMaps() {
    zv::ToolboxContext tb;
    zv::ResetMaps(tb);
    for (int ch = 0; ch < 3; ++ch) zv::SetGammaLUT(tb, 150 + 20 * ch, ch);
    for (int ch = 0; ch < 3; ++ch) zv::SetBrightLUTex(tb, 10 * ch, ch);
    return tb;
}

const BandedPass kPasses[] = {
    {"MeanRemoval", [](Bitmap& p) { zv::MeanRemoval(p, 8); }},
    {"ThresholdedMean", [](Bitmap& p) { zv::GaussianBlur3x3(p, 40, true, 8); }},
    {"DeFocus", [](Bitmap& p) { zv::DeFocus(p, 200); }},
    {"Clean", [](Bitmap& p) { zv::SharpGaussianBlur5x5(p, 95, 240); }},
    {"Unsharp", [](Bitmap& p) { zv::UnSharpGaussianBlur5x5(p, 20, 48); }},
    {"Descreen", [](Bitmap& p) { zv::DeScreen5x5(p, 2); }},
    {"MedianPlus", [](Bitmap& p) { zv::Median(p, 1, -3); }},
    {"Median7x7", [](Bitmap& p) { zv::Median(p, 9, 0); }},
    {"Tables", [](Bitmap& p) { zv::ColorFilter(p, GammaMaps()); }},
    {"Lightness", [](Bitmap& p) { zv::LuminanceFilter(p, GammaMaps()); }},
    {"Balance", [](Bitmap& p) { zv::BalanceFilter(p, GammaMaps()); }},
    {"Defog", [](Bitmap& p) { zv::DoDefog(p, 60, 20); }},
};

class RowBandsTest : public ::testing::TestWithParam<BandedPass> {};

TEST_P(RowBandsTest, FourThreadsGiveOneThreadsBytes) {
    struct Size {
        std::int32_t width, height;
    };
    for (const Size size : {Size{1100, 1000}, Size{125'003, 9}}) {
        const Bitmap source = zvtest::RandomPicture(size.width, size.height, 7);
        Bitmap one = source;
        Bitmap four = source;
        {
            const zv::RowThreadLimit limit(1);
            GetParam().run(one);
        }
        {
            const zv::RowThreadLimit limit(4);
            GetParam().run(four);
        }
        EXPECT_NE(zvtest::FirstDifference(one, source), "") << size.width << " wide";
        EXPECT_EQ(zvtest::FirstDifference(four, one), "") << size.width << " wide";
    }
}

INSTANTIATE_TEST_SUITE_P(Passes, RowBandsTest, ::testing::ValuesIn(kPasses),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RowBands, TheHistogramCountsOnFourThreadsAsOnOne) {
    const Bitmap picture = zvtest::RandomPicture(1100, 1000, 11);
    auto one = std::make_unique<zv::ImageHistogram>();
    auto four = std::make_unique<zv::ImageHistogram>();
    {
        const zv::RowThreadLimit limit(1);
        zv::DoCalcHistogram(picture, *one, true, true, true);
    }
    {
        const zv::RowThreadLimit limit(4);
        zv::DoCalcHistogram(picture, *four, true, true, true);
    }
    EXPECT_EQ(four->red, one->red);
    EXPECT_EQ(four->gray, one->gray);
    EXPECT_EQ(four->saturation, one->saturation);
    EXPECT_EQ(four->hue, one->hue);
    EXPECT_EQ(four->grayStats.sum, one->grayStats.sum);
    EXPECT_EQ(four->hueStats.sumOfSquares, one->hueStats.sumOfSquares);
}

TEST(RowBands, ABandsFailureReachesTheCallerAfterEveryBandEnds) {
    const zv::RowThreadLimit limit(4);
    Bitmap picture;
    picture.Create(1000, 1000, zv::PixelFormat::Bits24);
    int finished = 0;
    std::mutex lock;
    EXPECT_THROW(zv::ParallelRows(picture, 0, 1000,
                                  [&](std::int32_t first, std::int32_t) {
                                      if (first > 0) throw std::runtime_error("band");
                                      const std::lock_guard<std::mutex> hold(lock);
                                      ++finished;
                                  }),
                 std::runtime_error);
    EXPECT_EQ(finished, 1);
}

} // namespace
