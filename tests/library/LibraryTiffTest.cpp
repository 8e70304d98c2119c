#include "library/LibraryTiff.h"

#include "LibraryFiles.h"
#include "formats/TiffCodec.h"
#include "formats/TiffGraphic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace zv {
namespace {

TEST(TiffResolution, OneRuleUpToAMillionDotsPerInch) {
    struct Case {
        double resolution;
        std::uint16_t unit;
        int dpi;
    };
    const Case cases[] = {
        {300, RESUNIT_INCH, 300},
        {1e6, RESUNIT_INCH, 1000000}, // the largest kept
        {1000001, RESUNIT_INCH, 0},
        {100, RESUNIT_CENTIMETER, 254},
        {393700, RESUNIT_CENTIMETER, 999998},
        {393701, RESUNIT_CENTIMETER, 0},
        {72, RESUNIT_NONE, 0}, // an aspect ratio only
        {0, RESUNIT_INCH, 0},
        {-5, RESUNIT_INCH, 0},
        {std::nan(""), RESUNIT_INCH, 0},
        {std::numeric_limits<double>::infinity(), RESUNIT_INCH, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TiffDpiOf(c.resolution, c.unit), c.dpi) << c.resolution << " unit " << c.unit;
}

// Both roads into a TIFF page, the format layer's and the libtiff one the
// library falls back on, read the same resolution at the edge.
TEST(TiffResolution, BothReadersKeepAMillionDotsPerInch) {
    const auto path = test::UniqueTempPath(".tif");
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 2u);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 1u);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, 1e6);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, 1000001.0);
    std::uint8_t row[2] = {10, 20};
    TIFFWriteScanline(tif, row, 0, 0);
    TIFFClose(tif);
    const test::FileBytes file = test::ReadBytes(path);
    std::filesystem::remove(path);

    TTiffGraphic layer;
    layer.LoadFromStream(file);
    EXPECT_EQ(layer.XDpi(), 1000000);
    EXPECT_EQ(layer.YDpi(), 0);
    const LibraryPage libtiff = ReadTiffPageWithLibtiff(file, 0);
    EXPECT_EQ(libtiff.xDpi, 1000000);
    EXPECT_EQ(libtiff.yDpi, 0);
}

} // namespace
} // namespace zv
