#include "formats/JpegCodec.h"

#include "PnmFiles.h"
#include "TempFolderTest.h"
#include "formats/LayerPalettes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <thread>

namespace zv {
namespace {

Bitmap Ramp(int width, int height) {
    Bitmap picture;
    picture.Create(width, height, PixelFormat::Bits24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = picture.ScanLine(y) + 3 * x;
            p[0] = std::uint8_t(x * 6), p[1] = std::uint8_t(y * 5), p[2] = std::uint8_t(200 - x);
        }
    return picture;
}

Bitmap Decode(const Bytes& file, const JpegDecodeOptions& options = {}) {
    JpegDecoder decoder(file);
    Bitmap picture;
    decoder.Decode(options, picture);
    return picture;
}

bool SameRows(const Bitmap& a, const Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.Format() != b.Format())
        return false;
    const auto bytes = static_cast<std::size_t>((a.Width() * a.BitsPerPixel() + 7) / 8);
    for (int y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.ScanLine(y), b.ScanLine(y), bytes) != 0) return false;
    return true;
}

Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

TEST(JpegCodec, KeptSegmentsAndTheCommentAreWrittenVerbatimAfterTheHeader) {
    JpegEncodeOptions options;
    options.markers = {{0xE1, Text(std::string("Exif\0\0MM", 8))},
                       {kJpegApp0, Text(std::string("JFIF\0\1\2", 7))}, // the encoder's own wins
                       {0xED, Text("Photoshop 3.0")},
                       {kJpegComment, Text("kept")}};
    options.comment = "made here";
    const Bytes file = JpegEncode(Ramp(24, 16), options);

    JpegDecoder decoder(file, true);
    const std::vector<JpegMarker>& markers = decoder.Header().markers;
    ASSERT_EQ(markers.size(), 5u);
    EXPECT_EQ(markers[0].code, kJpegApp0); // libjpeg's JFIF header, once
    EXPECT_EQ(markers[0].data[5], 1);      // version 1.x, not the kept segment's
    EXPECT_EQ(markers[1], options.markers[0]);
    EXPECT_EQ(markers[2], options.markers[2]);
    EXPECT_EQ(markers[3], options.markers[3]);
    EXPECT_EQ(markers[4], (JpegMarker{kJpegComment, Text("made here")}));
    // Without asking, nothing is kept, and the pixels are the same either way.
    EXPECT_TRUE(JpegDecoder(file).Header().markers.empty());
    EXPECT_TRUE(SameRows(Decode(file), Decode(JpegEncode(Ramp(24, 16), {}))));
}

TEST(JpegCodec, SegmentsThatCannotBeWrittenAreRefusedBeforeAnyOutput) {
    const std::vector<JpegMarker> bad = {
        {0xD9, Text("end")}, {0xDB, Text("tables")}, {0xE2, Bytes(65534, 'x')}};
    for (const JpegMarker& marker : bad) {
        JpegEncodeOptions options;
        options.markers = {marker};
        EXPECT_THROW(JpegEncode(Ramp(8, 8), options), EJpegWriteError) << int(marker.code);
    }
    JpegEncodeOptions longest;
    longest.markers = {{0xE2, Bytes(65533, 'x')}};
    EXPECT_NO_THROW(JpegEncode(Ramp(8, 8), longest));
    longest.comment = std::string(65534, 'c');
    EXPECT_THROW(JpegEncode(Ramp(8, 8), longest), EJpegWriteError);
}

TEST(JpegCodec, ProgressiveFilesDecodeToTheSamePixelsAsBaselineOnes) {
    JpegEncodeOptions baseline;
    JpegEncodeOptions progressive;
    progressive.progressive = true;
    const Bytes a = JpegEncode(Ramp(40, 30), baseline);
    const Bytes b = JpegEncode(Ramp(40, 30), progressive);
    EXPECT_FALSE(JpegDecoder(a).Header().progressive);
    EXPECT_TRUE(JpegDecoder(b).Header().progressive);
    EXPECT_NE(a, b);
    for (const int scale : {1, 8}) {
        JpegDecodeOptions options;
        options.scale = scale;
        EXPECT_TRUE(SameRows(Decode(a, options), Decode(b, options))) << scale;
    }
}

TEST(JpegCodec, GreyIsOneChannelWrittenAndBrightnessRead) {
    JpegEncodeOptions grey;
    grey.grey = true;
    const Bytes file = JpegEncode(Ramp(16, 16), grey);
    EXPECT_EQ(JpegDecoder(file).Header().components, 1);

    // A colour file decoded as grey shows the brightness of its colours.
    const Bytes colour = JpegEncode(Ramp(16, 16), {});
    JpegDecodeOptions asGrey;
    asGrey.grey = true;
    asGrey.performance = JpegPerformance::Quality;
    JpegDecodeOptions asColour;
    asColour.performance = JpegPerformance::Quality;
    const Bitmap g = Decode(colour, asGrey);
    const Bitmap c = Decode(colour, asColour);
    ASSERT_EQ(g.Format(), PixelFormat::Bits8);
    EXPECT_EQ(g.Colours(), Grey256Palette());
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const std::uint8_t* p = c.ScanLine(y) + 3 * x;
            const int brightness = (114 * p[0] + 587 * p[1] + 299 * p[2] + 500) / 1000;
            EXPECT_LE(std::abs(g.ScanLine(y)[x] - brightness), 2) << x << "," << y;
        }
}

TEST(JpegCodec, FailuresOnSeveralThreadsAtOnceStayWithTheirOwnCall) {
    const Bytes good = JpegEncode(Ramp(64, 48), {});
    const Bitmap expected = Decode(good);
    Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2));
    std::vector<int> wrong(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 25; ++i) {
                try {
                    Decode(cut);
                    ++wrong[t];
                } catch (const EJpegError&) {
                }
                if (!SameRows(Decode(good), expected)) ++wrong[t];
            }
        });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

// Hard colour edges at odd places, where repeated colour planes show most.
zvtest::PnmPicture ColourEdges(int width, int height) {
    zvtest::PnmPicture picture{width, height, 3, 255, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool a = (x / 3 + y / 5) % 2 == 0;
            picture.samples.push_back(a ? 230 : 20);
            picture.samples.push_back(std::uint16_t(x * 255 / width));
            picture.samples.push_back(a ? 30 : 210);
        }
    return picture;
}

// Subsampled files made by libjpeg's own cjpeg decode within a few levels of
// its own djpeg: fast transform for speed, the accurate one for quality.
TEST(JpegCodec, SubsampledColourDecodesAsDjpegDoes) {
    if (std::system("command -v djpeg >/dev/null && command -v cjpeg >/dev/null") != 0)
        GTEST_SKIP() << "libjpeg-turbo's cjpeg and djpeg are not installed";
    const zvtest::TempFolder temp;
    const zvtest::PnmPicture source = ColourEdges(61, 37);
    ASSERT_TRUE(zvtest::WritePnm(temp / "source.ppm", source));
    struct Case {
        const char* sampling;
        JpegPerformance performance;
        const char* djpegOptions;
    };
    for (const Case c : {Case{"2x2", JpegPerformance::Speed, "-dct fast"},
                         Case{"2x1", JpegPerformance::Speed, "-dct fast"},
                         Case{"2x2", JpegPerformance::Quality, "-dct int"},
                         Case{"2x1", JpegPerformance::Quality, "-dct int"}}) {
        SCOPED_TRACE(std::string(c.sampling) + " " + c.djpegOptions);
        const std::string jpeg = (temp / "edges.jpg").string();
        const std::string reference = (temp / "reference.ppm").string();
        const std::string command = std::string("cjpeg -quality 90 -sample ") + c.sampling + " '" +
                                    (temp / "source.ppm").string() + "' > '" + jpeg +
                                    "' && djpeg -ppm " + c.djpegOptions + " '" + jpeg + "' > '" +
                                    reference + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
        const zvtest::PnmPicture want = zvtest::ReadPnm(reference);
        ASSERT_TRUE(want.Complete());
        JpegDecodeOptions options;
        options.performance = c.performance;
        const Bitmap got = Decode(zvtest::ReadTestFile(jpeg), options);
        ASSERT_EQ(got.Width(), want.width);
        ASSERT_EQ(got.Height(), want.height);
        int worst = 0;
        for (int y = 0; y < want.height; ++y)
            for (int x = 0; x < want.width; ++x)
                for (int k = 0; k < 3; ++k)
                    worst = std::max(
                        worst, std::abs(got.ScanLine(y)[3 * x + 2 - k] - want.Sample(x, y, k)));
        EXPECT_LE(worst, 8);
    }
}

} // namespace
} // namespace zv
