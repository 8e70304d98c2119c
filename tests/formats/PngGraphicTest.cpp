#include "formats/PngGraphic.h"

#include "PnmFiles.h"
#include "TempFolderTest.h"
#include "TestData.h"

#include <gtest/gtest.h>
#include <png.h>

#include <csetjmp>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

namespace zv {
namespace {

struct PngLayout {
    std::uint32_t width = 4;
    std::uint32_t height = 1;
    int depth = 8;
    int colourType = PNG_COLOR_TYPE_GRAY;
    bool interlace = false;
    std::vector<png_color> palette;
    std::vector<png_byte> paletteAlpha;
    std::optional<png_color_16> transparent;           // tRNS colour of grey and RGB files
    std::optional<png_color_16> background;            // bKGD
    std::optional<std::pair<std::uint32_t, int>> phys; // pixels per unit, unit
};

void Append(png_structp png, png_bytep bytes, png_size_t count) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), bytes, bytes + count);
}

bool WriteWithLibpng(png_structp png, png_infop info, const PngLayout& s, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_IHDR(png, info, s.width, s.height, s.depth, s.colourType,
                 s.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, 0, 0);
    if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), int(s.palette.size()));
    if (!s.paletteAlpha.empty())
        png_set_tRNS(png, info, s.paletteAlpha.data(), int(s.paletteAlpha.size()), nullptr);
    if (s.transparent) png_set_tRNS(png, info, nullptr, 0, &*s.transparent);
    if (s.background) png_set_bKGD(png, info, &*s.background);
    if (s.phys) png_set_pHYs(png, info, s.phys->first, s.phys->first, s.phys->second);
    png_write_info(png, info);
    png_set_interlace_handling(png);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

// A PNG made by libpng itself from packed file rows (big-endian 16-bit samples).
Bytes MakePng(const PngLayout& layout, std::vector<Bytes> rows) {
    Bytes out;
    std::vector<png_bytep> pointers;
    for (Bytes& row : rows) pointers.push_back(row.data());
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, Append, nullptr);
    const bool written = WriteWithLibpng(png, info, layout, pointers.data());
    png_destroy_write_struct(&png, &info);
    EXPECT_TRUE(written);
    return out;
}

// Colours 0x00BBGGRR as libpng's own simplified reader decodes the file.
std::vector<std::uint32_t> LibpngColours(const Bytes& file) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    EXPECT_TRUE(png_image_begin_read_from_memory(&image, file.data(), file.size()));
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
    EXPECT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
    std::vector<std::uint32_t> colours;
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3)
        colours.push_back(rgb[i] | rgb[i + 1] << 8 | std::uint32_t{rgb[i + 2]} << 16);
    return colours;
}

std::vector<std::uint32_t> Colours(const TDibGraphic& image) {
    std::vector<std::uint32_t> colours;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) colours.push_back(image.GetPixel(x, y));
    return colours;
}

std::vector<int> Values(const TDibGraphic& image) {
    std::vector<int> values;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            values.push_back(image.Bits() == 24 ? int(image.GetPixel(x, y))
                                                : image.GetPixelIndex(x, y));
    return values;
}

std::string Failure(const Bytes& file) {
    TPngGraphic image;
    try {
        image.LoadFromStream(file);
    } catch (const EPNGError& error) {
        return error.what();
    }
    return "read";
}

TEST(PngRead, EveryColourTypeAndDepth) {
    const std::vector<png_color> four{{255, 0, 0}, {0, 0, 255}, {0, 255, 0}, {9, 9, 9}};
    struct Case {
        int depth, colourType;
        Bytes row;
        ImageFormat format;
        std::vector<int> values; // indices, or 0x00BBGGRR colours for 24 bits
    };
    const std::vector<Case> cases{
        {1, PNG_COLOR_TYPE_GRAY, {0xA0}, ImageFormat::BW, {1, 0, 1, 0}},
        {2, PNG_COLOR_TYPE_GRAY, {0xE4}, ImageFormat::Gray4, {15, 10, 5, 0}},
        {4, PNG_COLOR_TYPE_GRAY, {0xF0, 0x7A}, ImageFormat::Gray4, {15, 0, 7, 10}},
        {8, PNG_COLOR_TYPE_GRAY, {0, 128, 255, 7}, ImageFormat::Gray8, {0, 128, 255, 7}},
        {16,
         PNG_COLOR_TYPE_GRAY,
         {0x01, 0xFF, 0x80, 0x00, 0xFF, 0xFF, 0, 0},
         ImageFormat::Gray8,
         {2, 128, 255, 0}},
        {1, PNG_COLOR_TYPE_PALETTE, {0x40}, ImageFormat::BW, {0, 1, 0, 0}},
        {2, PNG_COLOR_TYPE_PALETTE, {0xE4}, ImageFormat::Color4, {3, 2, 1, 0}},
        {4, PNG_COLOR_TYPE_PALETTE, {0x21, 0x03}, ImageFormat::Color4, {2, 1, 0, 3}},
        {8, PNG_COLOR_TYPE_PALETTE, {3, 1, 2, 0}, ImageFormat::Color8, {3, 1, 2, 0}},
        {8,
         PNG_COLOR_TYPE_GRAY_ALPHA,
         {10, 255, 200, 255, 0, 255, 99, 255},
         ImageFormat::Gray8,
         {10, 200, 0, 99}},
        {8,
         PNG_COLOR_TYPE_RGB,
         {1, 2, 3, 250, 128, 0, 0, 0, 0, 9, 8, 7},
         ImageFormat::Color24,
         {0x030201, 0x0080FA, 0, 0x070809}},
        {16,
         PNG_COLOR_TYPE_RGB,
         {1, 0xFF, 0x80, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         ImageFormat::Color24,
         {0xFF8002, 0, 0, 0}},
        {8,
         PNG_COLOR_TYPE_RGB_ALPHA,
         {1, 2, 3, 255, 4, 5, 6, 255, 0, 0, 0, 255, 7, 8, 9, 255},
         ImageFormat::Color24,
         {0x030201, 0x060504, 0, 0x090807}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "depth " << c.depth << " colour type " << c.colourType);
        PngLayout layout;
        layout.depth = c.depth;
        layout.colourType = c.colourType;
        if (c.colourType == PNG_COLOR_TYPE_PALETTE)
            layout.palette.assign(four.begin(), four.begin() + (c.depth == 1 ? 2 : 4));
        TPngGraphic image;
        image.LoadFromStream(MakePng(layout, {c.row}));
        EXPECT_EQ(image.Format(), c.format);
        EXPECT_EQ(Values(image), c.values);
        if (c.colourType == PNG_COLOR_TYPE_PALETTE) {
            ASSERT_EQ(image.Colours().size(), layout.palette.size());
            EXPECT_EQ(image.Colours()[1], (PaletteEntry{255, 0, 0, 0})); // file's blue
        }
    }
}

TEST(PngRead, InterlacedFilesReadAllPasses) {
    PngLayout layout;
    layout.width = 9;
    layout.height = 9;
    std::vector<Bytes> rows;
    for (int y = 0; y < 9; ++y) {
        rows.emplace_back();
        for (int x = 0; x < 9; ++x) rows.back().push_back(static_cast<std::uint8_t>(y * 9 + x));
    }
    TPngGraphic plain, interlaced;
    plain.LoadFromStream(MakePng(layout, rows));
    layout.interlace = true;
    interlaced.LoadFromStream(MakePng(layout, rows));
    EXPECT_EQ(Values(interlaced), Values(plain));
    EXPECT_EQ(interlaced.GetPixelIndex(8, 8), 80);
}

TEST(PngRead, TransparencyIsLaidOntoTheFileOrObjectBackground) {
    PngLayout rgba;
    rgba.width = 2;
    rgba.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    const Bytes row{200, 100, 0, 128, 50, 60, 70, 0};
    TPngGraphic image;
    image.LoadFromStream(MakePng(rgba, {row}));
    // 200 x 128 / 255 = 100.4, 100 x 128 / 255 = 50.2 over the default black.
    EXPECT_EQ(Colours(image), (std::vector<std::uint32_t>{0x003264, 0}));

    image.backgroundColour = 0xFFFFFF; // (200 x 128 + 255 x 127) / 255 = 227.4, ...
    image.LoadFromStream(MakePng(rgba, {row}));
    EXPECT_EQ(Colours(image), (std::vector<std::uint32_t>{0x7FB1E3, 0xFFFFFF}));

    rgba.background = png_color_16{0, 0, 0, 255, 0}; // bKGD blue wins over the object's colour
    image.LoadFromStream(MakePng(rgba, {row}));
    EXPECT_EQ(image.GetPixel(1, 0), 0xFF0000u);
    image.ignoreFileBackground = true;
    image.LoadFromStream(MakePng(rgba, {row}));
    EXPECT_EQ(image.GetPixel(1, 0), 0xFFFFFFu);

    PngLayout indexed;
    indexed.width = 2;
    indexed.depth = 1;
    indexed.colourType = PNG_COLOR_TYPE_PALETTE;
    indexed.palette = {{255, 0, 0}, {0, 255, 0}};
    indexed.paletteAlpha = {0, 255};
    TPngGraphic palette;
    palette.backgroundColour = 0x00FF00FF; // magenta
    palette.LoadFromStream(MakePng(indexed, {{0x40}}));
    EXPECT_EQ(Colours(palette), (std::vector<std::uint32_t>{0xFF00FF, 0x00FF00}));

    PngLayout grey;
    grey.width = 2;
    grey.transparent = png_color_16{0, 0, 0, 0, 7};
    TPngGraphic greys;
    greys.backgroundColour = 0x1EC80A; // (10, 200, 30): grey 124
    greys.LoadFromStream(MakePng(grey, {{7, 8}}));
    EXPECT_EQ(Values(greys), (std::vector<int>{124, 8}));
    grey.depth = 1; // black is transparent; white shows through as index 1
    grey.transparent = png_color_16{0, 0, 0, 0, 0};
    greys.backgroundColour = 0xFFFFFF;
    greys.LoadFromStream(MakePng(grey, {{0x40}}));
    EXPECT_EQ(Values(greys), (std::vector<int>{1, 1}));
    grey.depth = 2; // levels 1 and 0; 0 is transparent, white over it is level 3
    greys.LoadFromStream(MakePng(grey, {{0x40}}));
    EXPECT_EQ(Values(greys), (std::vector<int>{5, 15}));
    grey.background = png_color_16{0, 0, 0, 0, 2}; // the file's bKGD at the file's depth
    greys.LoadFromStream(MakePng(grey, {{0x40}}));
    EXPECT_EQ(Values(greys), (std::vector<int>{5, 10}));
    grey.depth = 1;
    grey.background = png_color_16{0, 0, 0, 0, 1};
    greys.LoadFromStream(MakePng(grey, {{0x40}}));
    EXPECT_EQ(Values(greys), (std::vector<int>{1, 1}));

    PngLayout wide;
    wide.width = 1;
    wide.depth = 16;
    wide.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    TPngGraphic deep;
    deep.backgroundColour = 0xFFFFFF;
    deep.LoadFromStream(MakePng(wide, {{0xFF, 0xFF, 0, 0, 0, 0, 0, 0}}));
    EXPECT_EQ(deep.GetPixel(0, 0), 0xFFFFFFu);
}

// The picture's rows, blue, green, red, alpha, without the padding.
Bytes AlphaRows(const TDibGraphic& image) {
    Bytes bytes;
    for (int y = 0; y < image.Height(); ++y)
        bytes.insert(bytes.end(), image.ScanLine(y), image.ScanLine(y) + 4 * image.Width());
    return bytes;
}

// Blue, green, red, alpha as libpng's own simplified reader decodes the file.
Bytes LibpngBgra(const Bytes& file) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    EXPECT_TRUE(png_image_begin_read_from_memory(&image, file.data(), file.size()));
    image.format = PNG_FORMAT_BGRA;
    Bytes bgra(PNG_IMAGE_SIZE(image));
    EXPECT_TRUE(png_image_finish_read(&image, nullptr, bgra.data(), 0, nullptr));
    return bgra;
}

TEST(PngRead, AlphaIsKeptWhenAskedAndWrittenBack) {
    auto layout = [](std::uint32_t width, int depth, int colourType) {
        PngLayout l;
        l.width = width, l.depth = depth, l.colourType = colourType;
        return l;
    };
    const PngLayout rgba = layout(2, 8, PNG_COLOR_TYPE_RGB_ALPHA);
    const PngLayout rgba16 = layout(1, 16, PNG_COLOR_TYPE_RGB_ALPHA);
    const PngLayout greyAlpha = layout(2, 8, PNG_COLOR_TYPE_GRAY_ALPHA);
    PngLayout indexed = layout(2, 1, PNG_COLOR_TYPE_PALETTE);
    indexed.palette = {{255, 0, 0}, {0, 255, 0}};
    indexed.paletteAlpha = {0, 255};
    PngLayout keyed = layout(2, 8, PNG_COLOR_TYPE_RGB);
    keyed.transparent = png_color_16{0, 1, 2, 3, 0};
    struct Case {
        const char* name;
        Bytes file;
        Bytes bgra;
    } cases[] = {
        {"rgba",
         MakePng(rgba, {{200, 100, 0, 128, 50, 60, 70, 0}}),
         {0, 100, 200, 128, 70, 60, 50, 0}},
        {"rgba 16",
         MakePng(rgba16, {{0xFF, 0xFF, 0, 0, 0x12, 0x34, 0xFF, 0xFF}}),
         {0x12, 0, 255, 255}},
        {"grey and alpha",
         MakePng(greyAlpha, {{90, 200, 10, 0}}),
         {90, 90, 90, 200, 10, 10, 10, 0}},
        {"palette with tRNS", MakePng(indexed, {{0x40}}), {0, 0, 255, 0, 0, 255, 0, 255}},
        {"colour key", MakePng(keyed, {{1, 2, 3, 4, 5, 6}}), {3, 2, 1, 0, 6, 5, 4, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TPngGraphic image;
        image.keepAlpha = true;
        image.LoadFromStream(c.file);
        ASSERT_TRUE(image.HasAlpha());
        EXPECT_EQ(image.Format(), ImageFormat::Color24);
        EXPECT_EQ(AlphaRows(image), c.bgra);

        Bytes written;
        image.SaveToStream(written);
        EXPECT_EQ(LibpngBgra(written), c.bgra);
        TPngGraphic back;
        back.keepAlpha = true;
        back.LoadFromStream(written);
        EXPECT_EQ(AlphaRows(back), c.bgra);
    }
    // Opaque files are read as before.
    TPngGraphic opaque;
    opaque.keepAlpha = true;
    opaque.LoadFromStream(MakePng(layout(1, 8, PNG_COLOR_TYPE_RGB), {{1, 2, 3}}));
    EXPECT_FALSE(opaque.HasAlpha());
    EXPECT_EQ(opaque.GetPixel(0, 0), 0x030201u);
}

TEST(PngRead, ResolutionComesFromPhysInMetresOnly) {
    PngLayout layout;
    TPngGraphic image;
    layout.phys = std::make_pair(11811u, int(PNG_RESOLUTION_METER));
    image.LoadFromStream(MakePng(layout, {{0, 0, 0, 0}}));
    EXPECT_EQ(image.XDpi(), 300);
    layout.phys = std::make_pair(2u, int(PNG_RESOLUTION_UNKNOWN));
    image.LoadFromStream(MakePng(layout, {{0, 0, 0, 0}}));
    EXPECT_EQ(image.XDpi(), 0);
    EXPECT_EQ(image.YDpi(), 0);
}

Bytes Patched(Bytes file, std::size_t offset, std::uint8_t value) {
    file[offset] = value;
    return file;
}

TEST(PngRead, DamagedAndLyingFilesRaiseEPNGError) {
    const Bytes good = MakePng(PngLayout{}, {{1, 2, 3, 4}});
    // IHDR data starts at 16: width, height, depth (24), colour type (25), ..., interlace (28).
    EXPECT_EQ(Failure(Patched(good, 1, 'Q')), "Invalid PNG file");
    EXPECT_EQ(Failure(Bytes(good.begin(), good.begin() + 20)), "Invalid PNG file");
    EXPECT_EQ(Failure(Patched(good, 24, 3)), "Invalid bit depth");
    EXPECT_EQ(Failure(Patched(Patched(good, 24, 4), 25, PNG_COLOR_TYPE_RGB)),
              "Invalid color type for bit depth");
    EXPECT_EQ(Failure(Patched(good, 25, 5)), "Invalid color type for bit depth");
    EXPECT_EQ(Failure(Patched(good, 28, 2)), "Interlace type not valid");
    EXPECT_EQ(Failure(Patched(Patched(good, 16, 0x7F), 20, 0x7F)), "Image too large for its data");
    EXPECT_EQ(Failure(Bytes(good.begin(), good.end() - 20)), "Unexpected end of PNG data");
    EXPECT_NE(Failure(Patched(good, 29, good[29] ^ 1)), "read"); // IHDR CRC
}

TEST(PngInfo, ReadsTheHeaderOnly) {
    const zvtest::TempFolder temp;
    const auto path = temp / "info.png";
    PngLayout layout;
    layout.width = 70000;
    layout.height = 3;
    layout.depth = 2;
    Bytes file = MakePng(layout, std::vector<Bytes>(3, Bytes(17500, 0)));
    file.resize(60); // no pixel data needed
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), 60);
    TPngGraphic image;
    image.ReadInfo(path);
    EXPECT_EQ(image.infoWidth, 70000);
    EXPECT_EQ(image.infoHeight, 3);
    EXPECT_EQ(image.infoBits, 4);
    std::filesystem::remove(path);
    image.ReadInfo(path);
    EXPECT_EQ(image.infoWidth, 0);
}

// A 5 x 3 image of the format whose pixels run through its palette.
void Fill(TDibGraphic& image, ImageFormat format, const Palette* palette = nullptr) {
    image.NewImage(5, 3, format, palette, 300, 150);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            if (format == ImageFormat::Color24)
                image.SetPixel(x, y, std::uint32_t(x * 50 + y * 0x1100 + 0x30000 * (x + y)));
            else
                image.SetPixelIndex(x, y, (x * 7 + y * 3) % (1 << image.Bits()));
        }
}

TEST(PngWrite, EveryFormatRoundTripsAndLibpngSeesTheSameColours) {
    for (int f = 0; f <= 5; ++f)
        for (bool interlace : {false, true})
            for (int compression : {0, 2}) {
                const auto format = static_cast<ImageFormat>(f);
                SCOPED_TRACE(testing::Message() << ImageFormatName(format) << " " << interlace);
                TPngGraphic image;
                Fill(image, format);
                image.interlace = interlace;
                image.compression = compression;
                Bytes file;
                image.SaveToStream(file);
                TPngGraphic back;
                back.LoadFromStream(file);
                EXPECT_EQ(back.Format(), format);
                EXPECT_EQ(back.Colours(), image.Colours());
                EXPECT_EQ(Values(back), Values(image));
                EXPECT_EQ(back.XDpi(), 300);
                EXPECT_EQ(back.YDpi(), 150);
                EXPECT_EQ(LibpngColours(file), Colours(image));
            }
}

TEST(PngWrite, ChunksAndColourTypes) {
    TPngGraphic image;
    Fill(image, ImageFormat::Gray4);
    Bytes file;
    image.SaveToStream(file);
    // IHDR: depth 4, grey, interlaced; gAMA 0.5 is stored as 50000.
    EXPECT_EQ(file[24], 4);
    EXPECT_EQ(file[25], PNG_COLOR_TYPE_GRAY);
    EXPECT_EQ(file[28], 1);
    const std::string text(file.begin(), file.end());
    const auto gama = text.find("gAMA");
    ASSERT_NE(gama, std::string::npos);
    EXPECT_EQ(ByteReader(ByteSpan(file).subspan(gama + 4)).U32BE(),
              45455u); // 1/2.2, the sRGB gamma
    const auto phys = text.find("pHYs");
    ASSERT_NE(phys, std::string::npos);
    EXPECT_EQ(ByteReader(ByteSpan(file).subspan(phys + 4)).U32BE(), 11811u);

    Fill(image, ImageFormat::Color8);
    file.clear();
    image.SaveToStream(file);
    EXPECT_EQ(file[24], 8);
    EXPECT_EQ(file[25], PNG_COLOR_TYPE_PALETTE);
}

TEST(PngWrite, GreyImagesWithOtherPalettesKeepTheirLook) {
    const Palette whiteToBlack{{255, 255, 255, 0}, {0, 0, 0, 0}};
    Palette falling;
    for (int i = 15; i >= 0; --i)
        falling.push_back({std::uint8_t(i * 17), std::uint8_t(i * 17), std::uint8_t(i * 17), 0});
    for (const auto& [format, palette] :
         {std::pair{ImageFormat::BW, whiteToBlack}, std::pair{ImageFormat::Gray4, falling}}) {
        TPngGraphic image;
        Fill(image, format, &palette);
        image.gamma = 1 / 2.2;
        Bytes file;
        image.SaveToStream(file);
        EXPECT_EQ(file[25], PNG_COLOR_TYPE_PALETTE);
        EXPECT_EQ(LibpngColours(file), Colours(image));
        TPngGraphic back;
        back.LoadFromStream(file);
        EXPECT_EQ(back.Colours(), palette);
        EXPECT_EQ(Values(back), Values(image));
    }
}

TEST(PngRead, FilesFromOtherToolsGiveThePixelsTheyDecode) {
    const std::vector<std::pair<const char*, ImageFormat>> files{
        {"bw", ImageFormat::BW},
        {"grey2", ImageFormat::Gray4},
        {"palette-interlaced", ImageFormat::Color4},
        {"rgb16", ImageFormat::Color24},
        {"rgba-bkgd", ImageFormat::Color8},
        {"rgba-magick", ImageFormat::Color24},
    };
    for (const auto& [name, format] : files) {
        SCOPED_TRACE(name);
        TPngGraphic image;
        image.LoadFromFile(zvtest::TestDataFolder() / "png" / (std::string(name) + ".png"));
        EXPECT_EQ(image.Format(), format);
        EXPECT_EQ(
            Colours(image),
            zvtest::ReadPnm(zvtest::TestDataFile("png", std::string(name) + ".pnm")).Colours());
    }
}

} // namespace
} // namespace zv
