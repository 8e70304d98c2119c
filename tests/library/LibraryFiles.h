#pragma once
// Small picture files for the imaging library's tests, made by libtiff,
// libjpeg and the format layer's writers, and pixel access for checking them.

#include "formats/PcxGraphic.h"
#include "imaging/Bitmap.h"
#include "imaging/PixelConvert.h"

#include "TestData.h"

#include <gtest/gtest.h>
#include <jpeglib.h>
#include <tiffio.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace zv::test {

using FileBytes = std::vector<std::uint8_t>;

inline std::filesystem::path UniqueTempPath(const std::string& suffix) {
    static int counter = 0;
    return std::filesystem::temp_directory_path() /
           ("zv-library-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + suffix);
}

inline FileBytes ReadBytes(const std::filesystem::path& path) {
    return zvtest::ReadTestFile(path);
}

inline void WriteBytes(const std::filesystem::path& path, const FileBytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// --- TIFF through libtiff --------------------------------------------------

struct TiffPage {
    std::uint32_t width = 1;
    std::uint32_t height = 1;
    std::uint16_t bitsPerSample = 8;
    std::uint16_t samples = 1;
    std::uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    std::uint16_t compression = COMPRESSION_NONE;
    std::vector<FileBytes> rows;                 // raw rows as the file stores them
    std::vector<std::uint16_t> red, green, blue; // colour map for palette pages
};

// A file of the given pages, one directory each.
inline FileBytes TiffFile(const std::vector<TiffPage>& pages) {
    const auto path = UniqueTempPath(".tif");
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    for (const TiffPage& page : pages) {
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, page.width);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, page.height);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, page.bitsPerSample);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, page.samples);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, page.photometric);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, page.compression);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, page.height);
        if (!page.red.empty())
            TIFFSetField(tif, TIFFTAG_COLORMAP, page.red.data(), page.green.data(),
                         page.blue.data());
        for (std::uint32_t y = 0; y < page.height; ++y) {
            FileBytes row = page.rows[y];
            TIFFWriteScanline(tif, row.data(), y, 0);
        }
        TIFFWriteDirectory(tif);
    }
    TIFFClose(tif);
    FileBytes bytes = ReadBytes(path);
    std::filesystem::remove(path);
    return bytes;
}

// --- JPEG through libjpeg --------------------------------------------------

// A components x width x height JPEG of one flat colour (grey for one
// component, red, green, blue for three).
inline FileBytes JpegFile(int width, int height, int components, std::array<std::uint8_t, 3> colour,
                          int quality = 95) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    FileBytes row(static_cast<std::size_t>(width * components));
    for (int x = 0; x < width; ++x)
        for (int c = 0; c < components; ++c)
            row[static_cast<std::size_t>(x * components + c)] = colour[c];
    for (int y = 0; y < height; ++y) {
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&info, &pointer, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    FileBytes bytes(out, out + size);
    std::free(out);
    return bytes;
}

// --- PCX pages and DCX files -----------------------------------------------

inline FileBytes PcxFile(const Bitmap& picture) {
    TPcxGraphic pcx;
    pcx.Assign(picture);
    Bytes out;
    pcx.SaveToStream(out);
    return out;
}

inline void PutU32(FileBytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

// The magic number, a table of page offsets ended by 0, then the pages.
inline FileBytes DcxFile(const std::vector<FileBytes>& pages) {
    FileBytes file(4 + 4 * (pages.size() + 1), 0);
    PutU32(file, 0, 0x3ADE68B1);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        PutU32(file, 4 + 4 * i, static_cast<std::uint32_t>(file.size()));
        file.insert(file.end(), pages[i].begin(), pages[i].end());
    }
    return file;
}

// --- Pixels ------------------------------------------------------------------

// The colour of pixel (x, y) of any format, as blue, green, red.
inline std::array<std::uint8_t, 3> ColourAt(const Bitmap& picture, int x, int y) {
    std::vector<std::uint8_t> row(static_cast<std::size_t>(picture.Width()) * 3);
    DecodeRow(picture, y, row.data());
    const auto at = static_cast<std::size_t>(3 * x);
    return {row[at], row[at + 1], row[at + 2]};
}

inline int IndexAt(const Bitmap& picture, int x, int y) {
    const std::uint8_t* row = picture.ScanLine(y);
    switch (picture.Format()) {
    case PixelFormat::Bits1: return (row[x / 8] >> (7 - x % 8)) & 1;
    case PixelFormat::Bits4: return (row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F;
    default: return row[x];
    }
}

// Every pixel of two pictures shows the same colour.
inline void ExpectSameColours(const Bitmap& expected, const Bitmap& actual) {
    ASSERT_EQ(expected.Width(), actual.Width());
    ASSERT_EQ(expected.Height(), actual.Height());
    for (int y = 0; y < expected.Height(); ++y)
        for (int x = 0; x < expected.Width(); ++x)
            ASSERT_EQ(ColourAt(expected, x, y), ColourAt(actual, x, y)) << "at " << x << ", " << y;
}

} // namespace zv::test
