#include "processing/Hls.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

TEST(Hls, PrimaryAndGreyExamples) {
    EXPECT_EQ(RGBtoHLS(255, 0, 0), (Hls{0, 1800, 3600}));
    EXPECT_EQ(RGBtoHLS(0, 0, 255), (Hls{2400, 1800, 3600}));
    EXPECT_EQ(RGBtoHLS(128, 128, 128), (Hls{2400, 1807, 0}));
    EXPECT_EQ(HLStoRGB(0, 1800, 3600), (Rgb{255, 0, 0}));
    EXPECT_EQ(HLStoRGB(2400, 1800, 3600), (Rgb{0, 0, 255}));
    EXPECT_EQ(HLStoRGB(2400, 1807, 0), (Rgb{128, 128, 128}));
}

TEST(Hls, NegativeHueWrapsIntoTheCircle) {
    // Red at the top with more blue than green gives a hue just below 3600.
    const Hls hls = RGBtoHLS(255, 0, 10);
    EXPECT_GT(hls.H, 3500);
    EXPECT_LE(hls.H, 3600);
}

TEST(Hls, TheScaleOf240) {
    EXPECT_EQ(RGBtoHLS240(255, 0, 0), (Hls{0, 120, 240}));
    EXPECT_EQ(RGBtoHLS240(10, 10, 10).H, 160);
}

TEST(Hls, EveryColourSurvivesTheRoundTrip) {
    int failures = 0;
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; ++b) {
                const Hls hls = RGBtoHLS(r, g, b);
                if (ClampHlsRgb(HLStoRGB(hls.H, hls.L, hls.S)) != Rgb{r, g, b} && ++failures < 5)
                    ADD_FAILURE() << r << "," << g << "," << b;
            }
    EXPECT_EQ(failures, 0);
}

} // namespace
} // namespace zv
