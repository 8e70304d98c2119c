// PNG files whose image data was compressed in several bands, plain and
// interlaced: libpng reads every pixel back, and the seams between the bands cost next to nothing
// against libpng's own writer at the same level.

#include "formats/PngGraphic.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <random>
#include <vector>

namespace zv {
namespace {

using Colours = std::vector<std::uint32_t>;

// Soft gradients with grain, as in a photograph, so the data compresses
// somewhat but not to nothing.
void Fill(TPngGraphic& image, ImageFormat format, std::int32_t width, std::int32_t height) {
    image.NewImage(width, height, format);
    std::mt19937 random(5);
    const int levels = 1 << image.Bits();
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x) {
            const int grain = static_cast<int>(random() % 9) - 4;
            const int level = (x * 255 / width + y * 128 / height + grain) & 0xFF;
            if (format == ImageFormat::Color24)
                image.SetPixel(x, y,
                               std::uint32_t(level) | std::uint32_t((level * 3 + y) & 0xFF) << 8 |
                                   std::uint32_t((x + 7 * grain) & 0xFF) << 16);
            else
                image.SetPixelIndex(x, y, level * levels / 256);
        }
}

Colours ImageColours(const TDibGraphic& image) {
    Colours colours;
    for (std::int32_t y = 0; y < image.Height(); ++y)
        for (std::int32_t x = 0; x < image.Width(); ++x) colours.push_back(image.GetPixel(x, y));
    return colours;
}

Colours LibpngColours(const Bytes& file) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    EXPECT_TRUE(png_image_begin_read_from_memory(&image, file.data(), file.size()));
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
    EXPECT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
    Colours colours;
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3)
        colours.push_back(rgb[i] | rgb[i + 1] << 8 | std::uint32_t{rgb[i + 2]} << 16);
    return colours;
}

void Append(png_structp png, png_bytep data, png_size_t size) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + size);
}

// The same picture as libpng itself writes it at zlib level 5, with its
// default filters.
Bytes LibpngFile(const TPngGraphic& image) {
    Bytes out;
    std::vector<Bytes> rows;
    std::vector<png_bytep> pointers;
    for (std::int32_t y = 0; y < image.Height(); ++y) {
        const std::uint8_t* p = image.ScanLine(y);
        rows.emplace_back(p, p + 3 * image.Width());
    }
    for (Bytes& row : rows) pointers.push_back(row.data());
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, Append, nullptr);
    png_set_IHDR(png, info, image.Width(), image.Height(), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 5);
    png_write_info(png, info);
    png_set_bgr(png);
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

TEST(PngBands, ThreadedBandsReadBackThroughLibpngInEveryFormat) {
    struct Case {
        ImageFormat format;
        std::int32_t width, height; // several bands of a megabyte each
    };
    for (const Case c : {Case{ImageFormat::Color24, 900, 1300}, Case{ImageFormat::Gray8, 3000, 800},
                         Case{ImageFormat::Color8, 3001, 700}, Case{ImageFormat::Gray4, 5003, 900},
                         Case{ImageFormat::BW, 10001, 900}}) {
        TPngGraphic image;
        Fill(image, c.format, c.width, c.height);
        for (const bool interlace : {false, true}) {
            SCOPED_TRACE(testing::Message() << ImageFormatName(c.format) << " " << interlace);
            image.interlace = interlace;
            Bytes file;
            image.SaveToStream(file);
            EXPECT_EQ(LibpngColours(file), ImageColours(image));
        }
    }
}

TEST(PngBands, TheSeamsCostLessThanOnePercent) {
    TPngGraphic image;
    Fill(image, ImageFormat::Color24, 1500, 2000);
    image.interlace = false;
    Bytes file;
    image.SaveToStream(file);
    EXPECT_LT(static_cast<double>(file.size()),
              1.01 * static_cast<double>(LibpngFile(image).size()));
}

} // namespace
} // namespace zv
