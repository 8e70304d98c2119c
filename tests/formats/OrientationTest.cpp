// Pictures stored turned or mirrored stand upright once read: TIFF files by
// their orientation tag, whatever route reads them, and JPEG files by their
// EXIF orientation unless the caller keeps the stored one.

#include "ExifJpeg.h"
#include "TempFolderTest.h"
#include "TestData.h"
#include "ToolRunner.h"

#include "formats/DecodeFile.h"
#include "formats/JpegCodec.h"
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

// --- JPEG ---

// 8 x 8 blocks of flat colour, which JPEG keeps within a level or two.
std::uint32_t BlockColour(int block) {
    return std::uint32_t(block * 60 % 256) | std::uint32_t(200 - block * 20) << 8 |
           std::uint32_t(block * 35 % 256) << 16;
}

Bitmap BlockPicture(const Values& blocks) {
    Bitmap picture;
    const int width = int(blocks[0].size()) * 8, height = int(blocks.size()) * 8;
    picture.Create(width, height, PixelFormat::Bits24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = BlockColour(blocks[y / 8][x / 8]);
            std::uint8_t* p = picture.ScanLine(y) + 3 * x;
            p[0] = std::uint8_t(c >> 16), p[1] = std::uint8_t(c >> 8), p[2] = std::uint8_t(c);
        }
    return picture;
}

int WorstDifference(const Bitmap& a, const Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return 256;
    int worst = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < 3 * a.Width(); ++x)
            worst = std::max(worst, std::abs(a.ScanLine(y)[x] - b.ScanLine(y)[x]));
    return worst;
}

// A 4 x 2 block picture (32 x 16) stored in the orientation, with EXIF saying so.
std::string WriteOrientedJpeg(const zvtest::TempFolder& temp, int orientation) {
    const Bytes file =
        zvtest::JpegWithOrientation(BlockPicture(Stored(Upright(4, 2), orientation)), orientation);
    return temp.Write("o" + std::to_string(orientation) + ".jpg",
                      std::string(file.begin(), file.end()));
}

TEST(Orientation, EveryJpegExifOrientationDecodesUprightUnlessKeptAsStored) {
    const zvtest::TempFolder temp;
    const Bitmap upright = BlockPicture(Upright(4, 2));
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE("orientation " + std::to_string(orientation));
        const std::string path = WriteOrientedJpeg(temp, orientation);
        EXPECT_EQ(JpegExifOrientation(zvtest::ReadTestFile(path)), orientation);
        EXPECT_EQ(ProbeFile(path).width, 32);
        EXPECT_LE(WorstDifference(DecodeFile(path).pixels, upright), 6);

        DecodeOptions stored;
        stored.exifOrientation = false;
        const DecodedPicture kept = DecodeFile(path, 1, stored);
        EXPECT_LE(WorstDifference(kept.pixels, BlockPicture(Stored(Upright(4, 2), orientation))),
                  6);
        EXPECT_EQ(ProbeFile(path, stored).width, orientation >= 5 ? 16 : 32);
    }
}

TEST(Orientation, ConvertStandsJpegsUprightAndNoOrientKeepsThemAsStored) {
    if (!zvtest::ToolProgram()) GTEST_SKIP() << "ZV_TEST_TOOL names the tool";
    const zvtest::TempFolder temp;
    const std::string in = WriteOrientedJpeg(temp, 6);
    const auto convert = [&](const std::string& options, const char* out) {
        const std::string path = (temp / out).string();
        EXPECT_EQ(zvtest::RunTool("convert " + options + " '" + in + "' '" + path + "'").status, 0);
        return path;
    };
    EXPECT_EQ(DecodeFile(convert("", "upright.bmp")).pixels.Width(), 32);
    EXPECT_EQ(DecodeFile(convert("--no-orient", "stored.bmp")).pixels.Width(), 16);
    // A JPEG saved upright says so; one kept as stored keeps its orientation.
    const std::string upright = convert("", "upright.jpg");
    EXPECT_EQ(JpegExifOrientation(zvtest::ReadTestFile(upright)), 1);
    EXPECT_EQ(DecodeFile(upright).pixels.Width(), 32);
    const std::string stored = convert("--no-orient", "stored.jpg");
    EXPECT_EQ(JpegExifOrientation(zvtest::ReadTestFile(stored)), 6);
    EXPECT_EQ(DecodeFile(stored).pixels.Width(), 32);
    EXPECT_NE(zvtest::RunTool("convert --help", {}, true).output.find("--no-orient"),
              std::string::npos);
}

} // namespace
} // namespace zv
