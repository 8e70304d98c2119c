#include "formats/JpegReader.h"

#include "formats/LayerPalettes.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <jpeglib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace zv {
namespace {

// Samples in libjpeg's order (R, G, B / grey / C, M, Y, K), row after row.
struct Picture {
    int width, height, components;
    std::vector<std::uint8_t> samples;
};

// Smooth ramps with fine texture, as in a photograph.
Picture Photo(int width, int height, int components) {
    Picture p{width, height, components, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < components; ++c)
                p.samples.push_back(std::uint8_t(x * 6 + y * 4 + c * 70 + (x * y + c) % 11 * 3));
    return p;
}

// Four solid 16 x 16 quadrants of the given colours (3 samples each).
Picture Quadrants(const std::vector<std::vector<std::uint8_t>>& colours, int components) {
    Picture p{32, 32, components, {}};
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            for (int c = 0; c < components; ++c)
                p.samples.push_back(colours[y / 16 * 2 + x / 16][c]);
    return p;
}

enum class Kind { Subsampled, Full, Progressive };

// A JPEG made by libjpeg's own compressor.
Bytes MakeJpeg(const Picture& p, Kind kind = Kind::Subsampled, int quality = 90) {
    jpeg_compress_struct c{};
    jpeg_error_mgr errors{};
    c.err = jpeg_std_error(&errors);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = JDIMENSION(p.width);
    c.image_height = JDIMENSION(p.height);
    c.input_components = p.components;
    c.in_color_space = p.components == 1 ? JCS_GRAYSCALE : p.components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    if (kind == Kind::Full) c.comp_info[0].h_samp_factor = c.comp_info[0].v_samp_factor = 1;
    if (kind == Kind::Progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    for (int y = 0; y < p.height; ++y) {
        JSAMPROW row =
            const_cast<std::uint8_t*>(&p.samples[std::size_t(y) * p.width * p.components]);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes file(out, out + size);
    std::free(out);
    return file;
}

struct Settings {
    int scale = 1;
    J_COLOR_SPACE space = JCS_EXT_BGR;
    bool speed = true;
    int colours = 0; // 0: no palette
    bool twoPass = false;
    J_DITHER_MODE dither = JDITHER_NONE;
};

// libjpeg's own decode of the same bytes: packed rows, and its palette.
struct Decoded {
    std::vector<std::uint8_t> rows;
    Palette palette;
};

Decoded LibjpegDecode(const Bytes& file, const Settings& s) {
    jpeg_decompress_struct d{};
    jpeg_error_mgr errors{};
    d.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, file.data(), file.size());
    jpeg_read_header(&d, TRUE);
    d.scale_num = 1;
    d.scale_denom = unsigned(s.scale);
    d.out_color_space = s.space;
    d.dct_method = s.speed ? JDCT_IFAST : JDCT_ISLOW;
    d.do_fancy_upsampling = TRUE;
    d.quantize_colors = s.colours > 0;
    d.desired_number_of_colors = s.colours;
    d.two_pass_quantize = s.twoPass;
    d.dither_mode = s.dither;
    jpeg_start_decompress(&d);
    Decoded out;
    for (int i = 0; s.colours && i < d.actual_number_of_colors; ++i)
        out.palette.push_back({d.colormap[2][i], d.colormap[1][i], d.colormap[0][i], 0});
    const std::size_t rowBytes = std::size_t(d.output_width) * d.output_components;
    out.rows.resize(rowBytes * d.output_height);
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = &out.rows[rowBytes * d.output_scanline];
        jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return out;
}

std::vector<std::uint8_t> Rows(const Bitmap& b) {
    std::vector<std::uint8_t> rows;
    for (int y = 0; y < b.Height(); ++y)
        rows.insert(rows.end(), b.ScanLine(y), b.ScanLine(y) + b.Width() * b.BitsPerPixel() / 8);
    return rows;
}

Bitmap Decode(const Bytes& file, int scale = 1, JpegOutput output = JpegOutput::Bits24,
              JpegPerformance performance = JpegPerformance::Speed) {
    TJpegReader reader;
    reader.ReadHeader(file);
    reader.SetScale(scale);
    reader.output = output;
    reader.performance = performance;
    Bitmap b;
    reader.Decode(b);
    return b;
}

TEST(JpegReader, DecodesEveryKindScaleAndOutputAsLibjpegDoes) {
    // 37 x 23 rounded up at each scale: 19 x 12, 10 x 6, 5 x 3.
    const std::vector<JpegSize> sizes{{37, 23}, {19, 12}, {10, 6}, {5, 3}};
    const std::vector<Bytes> files{
        MakeJpeg(Photo(37, 23, 3), Kind::Subsampled), MakeJpeg(Photo(37, 23, 3), Kind::Full),
        MakeJpeg(Photo(37, 23, 3), Kind::Progressive), MakeJpeg(Photo(37, 23, 1))};
    for (const Bytes& file : files)
        for (int i = 0; i < 4; ++i)
            for (const auto performance : {JpegPerformance::Speed, JpegPerformance::Quality}) {
                const int scale = 1 << i;
                TJpegReader reader;
                reader.ReadHeader(file);
                reader.SetScale(scale);
                EXPECT_EQ(reader.ScaledSize(), sizes[i]);
                const bool speed = performance == JpegPerformance::Speed;
                const Bitmap b = Decode(file, scale, JpegOutput::Bits24, performance);
                EXPECT_EQ((JpegSize{b.Width(), b.Height()}), sizes[i]);
                ASSERT_EQ(b.Format(), PixelFormat::Bits24);
                EXPECT_EQ(Rows(b), LibjpegDecode(file, {scale, JCS_EXT_BGR, speed}).rows)
                    << "scale " << scale << " speed " << speed;
                const Bitmap device = Decode(file, scale, JpegOutput::Device, performance);
                ASSERT_EQ(device.Format(), PixelFormat::Device);
                EXPECT_EQ(device.Storage(), StorageKind::DDB);
                EXPECT_EQ(Rows(device), LibjpegDecode(file, {scale, JCS_EXT_BGRX, speed}).rows);
            }
    EXPECT_THROW(TJpegReader().SetScale(3), std::invalid_argument);
}

TEST(JpegReader, SolidAreasComeBackWithinJpegLoss) {
    const std::vector<std::vector<std::uint8_t>> colours{
        {200, 30, 40}, {20, 180, 60}, {30, 60, 220}, {250, 250, 250}};
    for (const Kind kind : {Kind::Full, Kind::Subsampled}) {
        const Bitmap b = Decode(MakeJpeg(Quadrants(colours, 3), kind, 95));
        // Subsampled colour is blended across the quadrant borders; look inside them.
        const int margin = kind == Kind::Full ? 0 : 2;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                if (std::abs(x % 16 - 7.5) > 7.5 - margin || std::abs(y % 16 - 7.5) > 7.5 - margin)
                    continue;
                const auto& want = colours[y / 16 * 2 + x / 16];
                const std::uint8_t* bgr = b.ScanLine(y) + 3 * x;
                for (int c = 0; c < 3; ++c) EXPECT_NEAR(bgr[2 - c], want[c], 4) << x << "," << y;
            }
    }
}

TEST(JpegReader, GreyFilesGiveGreyPaletteOrGreyColour) {
    const Bytes file = MakeJpeg(Photo(37, 23, 1));
    TJpegReader reader;
    reader.ReadHeader(file);
    EXPECT_EQ(reader.Components(), 1);
    EXPECT_EQ(reader.ImageBits(), 8);
    const Bitmap grey = Decode(file, 1, JpegOutput::Bits8);
    ASSERT_EQ(grey.Format(), PixelFormat::Bits8);
    EXPECT_EQ(grey.Colours(), Grey256Palette());
    EXPECT_EQ(Rows(grey), LibjpegDecode(file, {1, JCS_GRAYSCALE}).rows);
    const Bitmap colour = Decode(file, 1, JpegOutput::Bits24);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) {
            const std::uint8_t* p = colour.ScanLine(y) + 3 * x;
            EXPECT_TRUE(p[0] == grey.ScanLine(y)[x] && p[1] == p[0] && p[2] == p[0]);
        }
}

TEST(JpegReader, ColourAt8BitsFollowsThePaletteOption) {
    const Bytes file = MakeJpeg(Photo(37, 23, 3));
    struct Option {
        JpegPalette palette;
        bool twoPass;
        J_DITHER_MODE dither;
    };
    for (const Option o : {Option{JpegPalette::FixedOrdered, false, JDITHER_ORDERED},
                           Option{JpegPalette::FixedDithered, false, JDITHER_FS},
                           Option{JpegPalette::ColourMatched, true, JDITHER_NONE},
                           Option{JpegPalette::OptimalDithered, true, JDITHER_FS}})
        for (const int colours : {256, 236}) {
            TJpegReader reader;
            reader.ReadHeader(file);
            reader.output = JpegOutput::Bits8;
            reader.palette = o.palette;
            reader.paletteColours = colours;
            Bitmap b;
            reader.Decode(b);
            ASSERT_EQ(b.Format(), PixelFormat::Bits8);
            const Decoded want =
                LibjpegDecode(file, {1, JCS_RGB, true, colours, o.twoPass, o.dither});
            ASSERT_LE(want.palette.size(), std::size_t(colours));
            EXPECT_EQ(Palette(b.Colours().begin(), b.Colours().begin() + want.palette.size()),
                      want.palette);
            EXPECT_EQ(Rows(b), want.rows) << int(o.palette) << " " << colours;
        }
}

TEST(JpegReader, CmykFilesBecomeColour) {
    // Adobe CMYK is stored inverted: 0 is full ink. Full cyan is red 0, green
    // and blue 255; no ink at all is white; full black ink is black.
    const Bytes file = MakeJpeg(
        Quadrants({{0, 255, 255, 255}, {255, 255, 255, 255}, {255, 255, 255, 0}, {0, 0, 0, 0}}, 4),
        Kind::Full, 95);
    TJpegReader reader;
    reader.ReadHeader(file);
    EXPECT_EQ(reader.ImageBits(), 24);
    const Bitmap b = Decode(file);
    const std::vector<std::uint32_t> want{0x00FFFF, 0xFFFFFF, 0, 0};
    for (int q = 0; q < 4; ++q) {
        const std::uint8_t* p = b.ScanLine(q / 2 * 16 + 8) + 3 * (q % 2 * 16 + 8);
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(p[c], want[q] >> (8 * c) & 255, 3) << q;
    }
    EXPECT_EQ(Decode(file, 1, JpegOutput::Bits8).Format(), PixelFormat::Bits8);
    EXPECT_EQ(Decode(file, 1, JpegOutput::Device).ScanLine(8)[8 * 4 + 3], 255);
}

std::vector<int> Steps(const Bytes& file, JpegOutput output) {
    TJpegReader reader;
    reader.ReadHeader(file);
    reader.output = output;
    reader.palette = JpegPalette::OptimalDithered;
    std::vector<int> steps;
    Bitmap b;
    reader.Decode(b, [&](int percent) {
        steps.push_back(percent);
        // Reported while decoding: at half way the bottom row is not there yet.
        const auto bottom = b.Empty() ? nullptr : b.ScanLine(b.Height() - 1);
        if (percent == 50 && bottom) {
            EXPECT_EQ(*std::max_element(bottom, bottom + b.Width()), 0);
        }
    });
    return steps;
}

TEST(JpegReader, ProgressGoesFromZeroToHundredInFivePercentSteps) {
    std::vector<int> all;
    for (int p = 0; p <= 100; p += 5) all.push_back(p);
    const Picture photo = Photo(64, 200, 3);
    EXPECT_EQ(Steps(MakeJpeg(photo), JpegOutput::Bits24), all);
    EXPECT_EQ(Steps(MakeJpeg(photo, Kind::Progressive), JpegOutput::Bits24), all);
    EXPECT_EQ(Steps(MakeJpeg(photo, Kind::Progressive), JpegOutput::Bits8), all);

    // A progress function that throws stops the decode; its exception comes out.
    TJpegReader reader;
    reader.ReadHeader(MakeJpeg(photo, Kind::Progressive));
    Bitmap b;
    const auto stopAtHalf = [](int percent) {
        if (percent == 50) throw std::range_error("stopped");
    };
    EXPECT_THROW(reader.Decode(b, stopAtHalf), std::range_error);
    EXPECT_TRUE(b.Empty());
    reader.Decode(b);
    EXPECT_EQ(b.Width(), 64);
}

std::string Failure(const std::function<void()>& step) {
    try {
        step();
    } catch (const EJpegError& e) {
        return e.what();
    }
    return "no error";
}

// Width and height in the frame header of a libjpeg file.
Bytes WithSize(Bytes file, int width, int height) {
    for (std::size_t i = 0; i + 8 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == 0xC0) {
            file[i + 5] = std::uint8_t(height >> 8), file[i + 6] = std::uint8_t(height);
            file[i + 7] = std::uint8_t(width >> 8), file[i + 8] = std::uint8_t(width);
            break;
        }
    return file;
}

TEST(JpegReader, BrokenFilesRaiseJpegErrors) {
    const Bytes good = MakeJpeg(Photo(64, 64, 3));
    const Bytes cut(good.begin(), good.begin() + good.size() / 2);
    const Bytes garbage(500, 0x47);
    const Bytes lying = WithSize(good, 60000, 60000);
    for (const Bytes& file :
         {cut, garbage, Bytes(), Bytes(good.begin(), good.begin() + 40), lying}) {
        TJpegReader reader;
        Bitmap b;
        const std::string message = Failure([&] {
            reader.ReadHeader(file);
            b.Create(2, 2, PixelFormat::Bits24); // the cut file fails in the decode
            reader.Decode(b);
        });
        EXPECT_EQ(message.rfind("JPEG error: ", 0), 0u) << message;
        EXPECT_TRUE(b.Empty());
    }
    TJpegReader reader;
    EXPECT_EQ(Failure([&] { reader.ReadHeader(WithSize(good, 60000, 60000)); }),
              "JPEG error: the picture is larger than its data could hold");
    EXPECT_FALSE(reader.HoldsFile());
    EXPECT_NE(Failure([&] { reader.ReadHeader("/nonexistent/a.jpg"); }).find("JPEG"),
              std::string::npos);

    // 30000 x 20000 in 24 bits is 1.8 GB: refused at full size before any
    // allocation, while 1/8 (3750 x 2500) is a size it may decode.
    Bytes huge = WithSize(good, 30000, 20000);
    huge.resize(80000);
    reader.ReadHeader(huge);
    Bitmap b;
    EXPECT_EQ(Failure([&] { reader.Decode(b); }),
              "JPEG error: the picture is too large to decode (30000 x 20000)");
    reader.SetScale(8);
    EXPECT_EQ(reader.ScaledSize(), (JpegSize{3750, 2500}));
}

TEST(JpegReader, DamagedEntropyDataDecodesWithWarnings) {
    Bytes file = MakeJpeg(Photo(64, 64, 3));
    for (std::size_t i = file.size() / 2; i < file.size() / 2 + 40; ++i) file[i] ^= 0x5A;
    TJpegReader reader;
    reader.ReadHeader(file);
    Bitmap b;
    reader.Decode(b);
    EXPECT_EQ(b.Width(), 64);
    EXPECT_GT(reader.Warnings(), 0);
}

TEST(JpegReader, HoldsTheBytesOfTheFileItRead) {
    const auto path =
        std::filesystem::temp_directory_path() / ("zv-jpeg-" + std::to_string(getpid()) + ".jpg");
    const Bytes file = MakeJpeg(Photo(20, 10, 3));
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    TJpegReader reader;
    reader.ReadHeader(path);
    std::filesystem::remove(path);
    EXPECT_TRUE(reader.Holds(path));
    EXPECT_FALSE(reader.Holds(path.string() + "x"));
    EXPECT_EQ(reader.FileName(), path);
    Bitmap b;
    reader.Decode(b); // from the held bytes: the file is gone
    EXPECT_EQ(b.Width(), 20);
    reader.Release();
    EXPECT_FALSE(reader.HoldsFile());
    EXPECT_FALSE(reader.Holds(path));
}

TEST(JpegScale, ChosenSoThatAtMostTwiceTheViewIsDecoded) {
    EXPECT_EQ(ChooseJpegScale(4000, 3000, 800, 600, false),
              4); // 2000 x 1500 still exceeds 1600 x 1200
    EXPECT_EQ(ChooseJpegScale(6000, 4000, 1600, 1200, false), 2); // 3000 x 2000 within 3200 x 2400
    EXPECT_EQ(ChooseJpegScale(1600, 1200, 800, 600, false), 1);   // equal to the limit
    EXPECT_EQ(ChooseJpegScale(1601, 1200, 800, 600, false), 2);
    EXPECT_EQ(ChooseJpegScale(3201, 100, 800, 600, false), 4);  // 1600.5 is wider than 1600
    EXPECT_EQ(ChooseJpegScale(1000, 5000, 800, 600, false), 8); // 1250 still taller than 1200
    EXPECT_EQ(ChooseJpegScale(60000, 60000, 100, 100, false), 8);
    EXPECT_EQ(ChooseJpegScale(500, 500, 0, 0, false), 8);
    EXPECT_EQ(ChooseJpegScale(100, 100, 800, 600, true), 2);
    EXPECT_EQ(ChooseJpegScale(60000, 60000, 100, 100, true), 2);
}

TEST(JpegLoadedText, SecondsAndTenthsWithAHundredMillisecondsOffAbove200) {
    EXPECT_EQ(LoadedText(0), "Loaded 0.0s");
    EXPECT_EQ(LoadedText(150), "Loaded 0.1s"); // not above 200: as it is
    EXPECT_EQ(LoadedText(200), "Loaded 0.2s");
    EXPECT_EQ(LoadedText(201), "Loaded 0.1s");  // 101
    EXPECT_EQ(LoadedText(250), "Loaded 0.1s");  // 150
    EXPECT_EQ(LoadedText(1234), "Loaded 1.1s"); // 1134
    EXPECT_EQ(LoadedText(61099), "Loaded 60.9s");
    EXPECT_EQ(LoadedText(-5), "Loaded 0.0s");
}

} // namespace
} // namespace zv
