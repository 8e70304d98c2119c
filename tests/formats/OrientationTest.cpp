// Pictures stored turned or mirrored stand upright once read: TIFF files by
// their orientation tag, whatever route reads them, and JPEG files by their
// EXIF orientation unless the caller keeps the stored one.

#include "TempFolderTest.h"

#include "formats/DecodeFile.h"
#include "formats/Orientation.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstring>
#include <functional>

namespace zv {
namespace {

// A picture as values, row by row.
using Values = std::vector<std::vector<int>>;

Values Transposed(const Values& v) {
    Values t(v[0].size(), std::vector<int>(v.size()));
    for (std::size_t y = 0; y < v.size(); ++y)
        for (std::size_t x = 0; x < v[0].size(); ++x) t[x][y] = v[y][x];
    return t;
}

// How each orientation stores an upright picture: first the sides swapped
// (5 to 8), then mirrored left to right and top to bottom as the tag says.
Values Stored(Values v, int orientation) {
    static const bool kMirrors[9][2] = {{},
                                        {false, false},
                                        {true, false},
                                        {true, true},
                                        {false, true},
                                        {false, false},
                                        {false, true},
                                        {true, true},
                                        {true, false}};
    if (orientation >= 5) v = Transposed(v);
    if (kMirrors[orientation][0])
        for (auto& row : v) std::reverse(row.begin(), row.end());
    if (kMirrors[orientation][1]) std::reverse(v.begin(), v.end());
    return v;
}

// 5 x 3, every value different.
Values Upright(int width = 5, int height = 3) {
    Values v(height, std::vector<int>(width));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) v[y][x] = y * width + x;
    return v;
}

bool SameRows(const Bitmap& a, const Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.Format() != b.Format() ||
        a.Colours() != b.Colours())
        return false;
    const auto bytes = static_cast<std::size_t>((a.Width() * a.BitsPerPixel() + 7) / 8);
    for (int y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.ScanLine(y), b.ScanLine(y), bytes) != 0) return false;
    return true;
}

// --- TIFF ---

struct TiffKind {
    const char* name;
    std::uint16_t bits, samples, photometric, compression;
};

// Each kind takes another route: the layer's strips (8-bit colour, 1-bit),
// libtiff's RGBA reader inside the layer (16 bits) and libtiff's own pages
// (LZW colour, LZW 4-bit grey).
constexpr TiffKind kTiffKinds[] = {
    {"rgb8", 8, 3, PHOTOMETRIC_RGB, COMPRESSION_NONE},
    {"bw", 1, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_NONE},
    {"rgb16", 16, 3, PHOTOMETRIC_RGB, COMPRESSION_NONE},
    {"rgb8-lzw", 8, 3, PHOTOMETRIC_RGB, COMPRESSION_LZW},
    {"grey4-lzw", 4, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_LZW},
};

// One stored row of the kind's samples for the values.
std::vector<std::uint8_t> TiffRow(const TiffKind& kind, const std::vector<int>& values) {
    std::vector<std::uint8_t> row;
    if (kind.bits < 8) {
        const int perByte = 8 / kind.bits;
        row.assign((values.size() + perByte - 1) / perByte, 0);
        for (std::size_t x = 0; x < values.size(); ++x) {
            const int sample = kind.bits == 1 ? values[x] % 3 == 0 : values[x];
            row[x / perByte] |= std::uint8_t(sample << (8 - kind.bits * (x % perByte + 1)));
        }
        return row;
    }
    for (const int v : values)
        for (const int sample : {v * 17, 255 - v * 17, v * 7 + 40}) {
            if (kind.bits == 16) {
                const std::uint16_t wide = std::uint16_t(sample * 257);
                const auto* bytes = reinterpret_cast<const std::uint8_t*>(&wide);
                row.insert(row.end(), bytes, bytes + 2);
            } else {
                row.push_back(std::uint8_t(sample));
            }
        }
    return row;
}

void WriteTiff(const std::string& path, const TiffKind& kind, const Values& stored,
               int orientation) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, std::uint32_t(stored[0].size()));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, std::uint32_t(stored.size()));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, kind.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, kind.samples);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, kind.photometric);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, kind.compression);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, std::uint16_t(orientation));
    for (std::size_t y = 0; y < stored.size(); ++y) {
        std::vector<std::uint8_t> row = TiffRow(kind, stored[y]);
        TIFFWriteScanline(tif, row.data(), std::uint32_t(y), 0);
    }
    TIFFClose(tif);
}

TEST(Orientation, EveryTiffOrientationOfEveryKindReadsUpright) {
    const zvtest::TempFolder temp;
    for (const TiffKind& kind : kTiffKinds) {
        Bitmap upright;
        for (int orientation = 1; orientation <= 8; ++orientation) {
            SCOPED_TRACE(std::string(kind.name) + " orientation " + std::to_string(orientation));
            const std::string path = (temp / "page.tif").string();
            WriteTiff(path, kind, Stored(Upright(), orientation), orientation);
            const PictureHeader header = ProbeFile(path);
            EXPECT_EQ(header.width, 5);
            EXPECT_EQ(header.height, 3);
            const DecodedPicture picture = DecodeFile(path);
            if (orientation == 1)
                upright = picture.pixels;
            else
                EXPECT_TRUE(SameRows(picture.pixels, upright));
        }
    }
}

} // namespace
} // namespace zv
