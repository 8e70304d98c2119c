#pragma once
// Checks of FlashPix decodes for tests: the source picture the tests write
// and the comparison of a decode with it.

#include "FlashPixFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace zvtest {

// 150 x 100 (tiles cut at the right and bottom edges), smooth colours with
// one flat tile in the top left corner; alpha, when asked for, opaque on the
// left and fading to clear at the top on the right.
inline PnmPicture FpxSource(int colours, bool alpha, int width = 150, int height = 100) {
    PnmPicture p;
    p.width = width;
    p.height = height;
    p.channels = colours + (alpha ? 1 : 0);
    p.maxValue = 255;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const bool flat = x < 64 && y < 64;
            if (colours == 1) {
                p.samples.push_back(flat ? 128 : 50 + (x + y) / 2);
            } else {
                p.samples.push_back(flat ? 120 : 60 + x / 2);
                p.samples.push_back(flat ? 90 : 80 + y);
                p.samples.push_back(flat ? 70 : 100 + (x + y) / 4);
            }
            if (alpha) p.samples.push_back(x < width / 2 ? 255 : y * 255 / (height - 1));
        }
    return p;
}

struct FpxDifference {
    int most = 0;
    double mean = 0;
};

// Colours compared as premultiplied by the expected opacity, which the file
// keeps them as; opacity itself within its own tolerance (JPEG tiles code it
// as they code colour).
inline FpxDifference FpxCompare(const PnmPicture& expected, const zv::Bitmap& got,
                                int alphaTolerance = 0) {
    FpxDifference d;
    EXPECT_EQ(got.Width(), expected.width);
    EXPECT_EQ(got.Height(), expected.height);
    if (got.Width() != expected.width || got.Height() != expected.height) return {999, 999};
    const bool alpha = expected.channels == 2 || expected.channels == 4;
    const int colours = expected.channels - (alpha ? 1 : 0);
    const int bytes = got.BitsPerPixel() / 8;
    long total = 0, count = 0;
    for (int y = 0; y < expected.height; ++y)
        for (int x = 0; x < expected.width; ++x) {
            const std::uint8_t* pixel = got.ScanLine(y) + x * bytes;
            const int a = alpha ? expected.Sample(x, y, expected.channels - 1) : 255;
            if (alpha) {
                EXPECT_LE(std::abs(pixel[3] - a), alphaTolerance) << x << "," << y;
            }
            for (int c = 0; c < 3; ++c) {
                const int want = expected.Sample(x, y, colours == 1 ? 0 : c);
                const int have = pixel[bytes == 1 ? 0 : 2 - c];
                const int diff = std::abs(want * a / 255 - have * a / 255);
                d.most = std::max(d.most, diff);
                total += diff;
                ++count;
            }
        }
    d.mean = double(total) / double(count);
    return d;
}

} // namespace zvtest
