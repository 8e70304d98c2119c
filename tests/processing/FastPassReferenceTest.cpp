// The passes that work on vector lanes give the bytes of plain references
// written from their definitions, byte by byte: on rows whose length is no
// multiple of the vector blocks, and on a picture large enough to run in
// row bands. The single-picture passes ignore the duplicate.

#include "FilterReference.h"

#include "processing/ColourOperations.h"
#include "processing/Masks.h"
#include "processing/PictureArithmetic.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using zv::Bitmap;
using zvtest::ByteOf;
using zvtest::SetByte;

// reference(P, D, y) for every byte of the picture.
Bitmap ByteReference(const Bitmap& picture, const Bitmap& duplicate,
                     const std::function<int(int, int, int)>& rule) {
    Bitmap out = picture;
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x)
            for (int c = 0; c < 3; ++c)
                SetByte(out, x, y, c,
                        rule(ByteOf(picture, x, y, c), ByteOf(duplicate, x, y, c), y));
    return out;
}

int Averaged(int p, int d, int percent) {
    return std::clamp(p * (100 - percent) / 100 + d * percent / 100, 0, 255);
}

Bitmap EdgesReference(const Bitmap& picture, const Bitmap& duplicate, int threshold, int amount) {
    return zvtest::Reference5x5(picture, [&](const Bitmap& s, int x, int y, int* out) {
        int c[3], m[3];
        for (int n = 0; n < 3; ++n) {
            c[n] = ByteOf(s, x, y, n);
            m[n] = zvtest::BoxMean(s, x, y, n);
        }
        const bool blend = std::abs(zvtest::LightnessOf(c) - zvtest::LightnessOf(m)) < threshold;
        for (int n = 0; n < 3; ++n)
            out[n] = blend ? c[n] * (255 - amount) / 255 + ByteOf(duplicate, x, y, n) * amount / 255
                           : c[n];
    });
}

// The mask weight straight from the HLS distance to the selection.
Bitmap MaskReference(const Bitmap& picture, const Bitmap& duplicate,
                     const zv::ColourSelection& selection, bool foreground) {
    Bitmap out = picture;
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x) {
            const zv::Hls c = zv::RGBtoHLS(ByteOf(picture, x, y, 2), ByteOf(picture, x, y, 1),
                                           ByteOf(picture, x, y, 0));
            const std::int64_t h = c.H - selection.centre.H, l = c.L - selection.centre.L,
                               s = c.S - selection.centre.S;
            std::int64_t o =
                selection.Holds(c)
                    ? 255
                    : std::min<std::int64_t>(255, (h * h + l * l + s * s) * 255 / 38'880'000);
            if (foreground) o = 255 - o;
            for (int n = 0; n < 3; ++n)
                SetByte(out, x, y, n,
                        static_cast<int>((255 - o) * ByteOf(picture, x, y, n) / 255 +
                                         o * ByteOf(duplicate, x, y, n) / 255));
        }
    return out;
}

struct Case {
    std::string name;
    std::function<void(Bitmap&, const Bitmap&)> pass;
    std::function<Bitmap(const Bitmap&, const Bitmap&)> reference;
};

Case ByteCase(std::string name, std::function<void(Bitmap&, const Bitmap&)> pass,
              std::function<int(int, int, int)> rule) {
    return {std::move(name), std::move(pass),
            [rule](const Bitmap& p, const Bitmap& d) { return ByteReference(p, d, rule); }};
}

std::vector<Case> Cases() {
    using zv::ByteCombination;
    std::vector<Case> cases = {
        ByteCase(
            "Multiply",
            [](Bitmap& p, const Bitmap& d) { CombineBytes(p, d, ByteCombination::Multiply); },
            [](int p, int d, int) { return p * d / 255; }),
        ByteCase(
            "Minimum",
            [](Bitmap& p, const Bitmap& d) { CombineBytes(p, d, ByteCombination::Minimum); },
            [](int p, int d, int) { return std::min(p, d); }),
        ByteCase(
            "Maximum",
            [](Bitmap& p, const Bitmap& d) { CombineBytes(p, d, ByteCombination::Maximum); },
            [](int p, int d, int) { return std::max(p, d); }),
        ByteCase(
            "Difference",
            [](Bitmap& p, const Bitmap& d) { CombineBytes(p, d, ByteCombination::Difference); },
            [](int p, int d, int) { return std::clamp(127 + p - d, 0, 255); }),
        ByteCase(
            "Subtract",
            [](Bitmap& p, const Bitmap& d) { CombineBytes(p, d, ByteCombination::Subtract); },
            [](int p, int d, int) { return std::max(0, p - d); }),
        ByteCase(
            "InterlaceOdd", [](Bitmap& p, const Bitmap& d) { AverageRows(p, d, 30, false, true); },
            [](int p, int d, int y) { return y % 2 == 0 ? Averaged(p, d, 30) : p; }),
        ByteCase(
            "InterlaceEven",
            [](Bitmap& p, const Bitmap& d) { AverageRows(p, d, 99, false, false); },
            [](int p, int d, int y) { return y % 2 == 1 ? Averaged(p, d, 99) : p; }),
    };
    cases.push_back(ByteCase(
        "Negative", [](Bitmap& p, const Bitmap&) { zv::InvertPicture(p); },
        [](int p, int, int) { return 255 - p; }));
    for (int bits : {2, 6, 7})
        cases.push_back(ByteCase(
            "Posterize" + std::to_string(bits),
            [bits](Bitmap& p, const Bitmap&) { zv::Posterize(p, bits); },
            [bits](int p, int, int) {
                return bits == 7 ? p & 254 : p >> (8 - bits) << (8 - bits);
            }));
    // Below, at and past 100 percent (the picture's share turns negative),
    // up to the batch's 255 and beyond what 16 bits hold.
    for (int percent : {1, 50, 99, 100, 101, 200, 255, 300, -20})
        cases.push_back(ByteCase(
            "Average" + std::to_string(percent),
            [percent](Bitmap& p, const Bitmap& d) { AverageRows(p, d, percent, true, false); },
            [percent](int p, int d, int) { return Averaged(p, d, percent); }));
    for (auto [threshold, amount] : {std::pair{64, 255}, {1, 1}, {256, 128}, {20, 0}})
        cases.push_back({"MaskEdges" + std::to_string(threshold) + "_" + std::to_string(amount),
                         [threshold, amount](Bitmap& p, const Bitmap& d) {
                             MaskEdges(p, d, threshold, amount);
                         },
                         [threshold, amount](const Bitmap& p, const Bitmap& d) {
                             return EdgesReference(p, d, threshold, amount);
                         }});
    const zv::ColourSelection reds{{0, 1800, 2400}, {600, 1200, 1500}};
    for (bool foreground : {false, true})
        cases.push_back(
            {foreground ? "MaskHlsForeground" : "MaskHls",
             [reds, foreground](Bitmap& p, const Bitmap& d) { ColourMask(p, d, reds, foreground); },
             [reds, foreground](const Bitmap& p, const Bitmap& d) {
                 return MaskReference(p, d, reds, foreground);
             }});
    return cases;
}

TEST(FastPassReference, FastPassesGiveTheReferenceBytes) {
    struct Size {
        int width, height;
    };
    for (const Size size : {Size{37, 9}, Size{1100, 1000}}) {
        // Grain round a level, so Mask Edges both blends and keeps.
        const Bitmap picture = zvtest::RandomPicture(size.width, size.height, 3, 128, 40);
        const Bitmap duplicate = zvtest::RandomPicture(size.width, size.height, 4);
        for (const Case& c : Cases()) {
            Bitmap fast = picture;
            c.pass(fast, duplicate);
            EXPECT_EQ(zvtest::FirstDifference(fast, c.reference(picture, duplicate)), "")
                << c.name << " on " << size.width << " x " << size.height;
        }
    }
}

TEST(FastPassReference, APictureCombinedWithItselfReadsItsOwnBytes) {
    Bitmap picture = zvtest::RandomPicture(40, 3, 5);
    zv::CombineBytes(picture, picture, zv::ByteCombination::Difference);
    EXPECT_EQ(zvtest::FirstDifference(picture, zvtest::FlatPicture(40, 3, {127, 127, 127})), "");
}

} // namespace
