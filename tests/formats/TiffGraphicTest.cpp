#include "formats/TiffGraphic.h"

#include "PnmFiles.h"
#include "TestData.h"

#include <gtest/gtest.h>
#include <tiffio.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>

namespace zv {
namespace {

std::filesystem::path TempPath() {
    static int counter = 0;
    return std::filesystem::temp_directory_path() /
           ("zv-tiff-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".tif");
}

// A reference file made by other tools: tests/data/tiff/<name>.
std::filesystem::path Reference(const std::string& name) {
    return zvtest::TestDataFolder() / "tiff" / name;
}

Bytes ReadBytes(const std::filesystem::path& path) {
    return zvtest::ReadTestFile(path);
}

// A file written by libtiff itself: write sets the tags and the pixels.
Bytes MakeTiff(const std::function<void(TIFF*)>& write) {
    const auto path = TempPath();
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    write(tif);
    TIFFClose(tif);
    Bytes bytes = ReadBytes(path);
    std::filesystem::remove(path);
    return bytes;
}

// Opens bytes with libtiff's own reader for inspect, on directory `page`.
void WithLibtiff(const Bytes& file, const std::function<void(TIFF*)>& inspect, int page = 0) {
    const auto path = TempPath();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    ASSERT_NE(tif, nullptr);
    ASSERT_TRUE(TIFFSetDirectory(tif, tdir_t(page)));
    inspect(tif);
    TIFFClose(tif);
    std::filesystem::remove(path);
}

// Colours 0x00BBGGRR as libtiff's RGBA reader decodes the page.
std::vector<std::uint32_t> LibtiffColours(const Bytes& file, int page = 0) {
    std::vector<std::uint32_t> colours;
    WithLibtiff(
        file,
        [&](TIFF* tif) {
            std::uint32_t w = 0, h = 0;
            TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
            TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
            colours.resize(std::size_t(w) * h);
            ASSERT_TRUE(
                TIFFReadRGBAImageOriented(tif, w, h, colours.data(), ORIENTATION_TOPLEFT, 1));
        },
        page);
    for (std::uint32_t& c : colours) c &= 0xFFFFFF;
    return colours;
}

void Tags(TIFF* tif, std::uint32_t width, std::uint16_t bits, std::uint16_t samples,
          std::uint16_t photometric, std::uint16_t compression = COMPRESSION_NONE) {
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 1u);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
}

// One row of pixels under the given tags.
Bytes OneRow(std::uint32_t width, std::uint16_t bits, std::uint16_t samples,
             std::uint16_t photometric, Bytes row, std::uint16_t compression = COMPRESSION_NONE,
             const std::function<void(TIFF*)>& more = {}) {
    return MakeTiff([&](TIFF* tif) {
        Tags(tif, width, bits, samples, photometric, compression);
        if (more) more(tif);
        TIFFWriteScanline(tif, row.data(), 0, 0);
    });
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

std::string Failure(const Bytes& file, int imageNumber = 1) {
    TTiffGraphic image;
    image.imageToRead = imageNumber;
    try {
        image.LoadFromStream(file);
    } catch (const ETiffError& error) {
        return error.what();
    } catch (const EInvalidGraphic& error) {
        return error.what();
    }
    return "read";
}

TEST(TiffRead, LayoutsBuiltWithLibtiff) {
    TTiffGraphic image;
    image.LoadFromStream(OneRow(4, 8, 1, PHOTOMETRIC_MINISBLACK, {0, 100, 200, 255}, 32946));
    EXPECT_EQ(image.Format(), ImageFormat::Gray8);
    EXPECT_EQ(Values(image), (std::vector<int>{0, 100, 200, 255}));
    EXPECT_STREQ(image.FileCompressionName(), "Deflate");
    EXPECT_EQ(image.Compression(), TiffCompression::ZLib);

    // Rows copied raw from a min-is-white file are inverted: 0 is white.
    image.LoadFromStream(OneRow(2, 4, 1, PHOTOMETRIC_MINISWHITE, {0x0F}, COMPRESSION_PACKBITS));
    EXPECT_EQ(image.Format(), ImageFormat::Gray4);
    EXPECT_EQ(Values(image), (std::vector<int>{15, 0}));
    EXPECT_EQ(image.Compression(), TiffCompression::Packbits);

    // Fax decoders give 1 for black whatever the photometric tag claims.
    image.LoadFromStream(OneRow(8, 1, 1, PHOTOMETRIC_MINISBLACK, {0x80}, COMPRESSION_CCITTFAX4));
    EXPECT_EQ(Values(image), (std::vector<int>{0, 1, 1, 1, 1, 1, 1, 1}));

    // Planes, tiles, 16 bits and CMYK go through libtiff's RGBA reader, which
    // already shows min-is-white the right way round.
    const Bytes planar = MakeTiff([](TIFF* tif) {
        Tags(tif, 2, 8, 3, PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_SEPARATE);
        Bytes planes[3]{{10, 20}, {30, 40}, {50, 60}};
        for (tsample_t s = 0; s < 3; ++s) TIFFWriteScanline(tif, planes[s].data(), 0, s);
    });
    image.LoadFromStream(planar);
    EXPECT_EQ(Colours(image), (std::vector<std::uint32_t>{0x321E0A, 0x3C2814}));

    const Bytes tiled = MakeTiff([](TIFF* tif) {
        Tags(tif, 2, 8, 1, PHOTOMETRIC_MINISWHITE);
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16u);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, 16u);
        Bytes tile(256, 0);
        tile[1] = 255;
        TIFFWriteTile(tif, tile.data(), 0, 0, 0, 0);
    });
    image.LoadFromStream(tiled);
    EXPECT_EQ(image.Format(), ImageFormat::Color24);
    EXPECT_EQ(Colours(image), (std::vector<std::uint32_t>{0xFFFFFF, 0}));

    image.LoadFromStream(OneRow(2, 16, 1, PHOTOMETRIC_MINISBLACK, {0xFF, 0xFF, 0x80, 0x80}));
    EXPECT_EQ(Colours(image), (std::vector<std::uint32_t>{0xFFFFFF, 0x808080}));

    image.LoadFromStream(
        OneRow(3, 8, 4, PHOTOMETRIC_SEPARATED, {0, 0, 0, 0, 0, 0, 0, 255, 255, 0, 0, 0}));
    EXPECT_EQ(Colours(image), (std::vector<std::uint32_t>{0xFFFFFF, 0, 0xFFFF00}));
}

TEST(TiffRead, PalettesComeFromTheColourMap) {
    const auto withMap = [](std::uint16_t scale) {
        return [scale](TIFF* tif) {
            std::vector<std::uint16_t> r(16), g(16), b(16);
            for (int i = 0; i < 16; ++i) {
                r[i] = std::uint16_t(i * 17 * scale);
                g[i] = std::uint16_t(255 * scale);
                b[i] = std::uint16_t((15 - i) * scale);
            }
            TIFFSetField(tif, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
        };
    };
    for (std::uint16_t scale : {257, 1}) { // 16-bit entries, and old 8-bit ones
        TTiffGraphic image;
        image.LoadFromStream(OneRow(3, 4, 1, PHOTOMETRIC_PALETTE, {0xF1, 0x20}, 1, withMap(scale)));
        EXPECT_EQ(image.Format(), ImageFormat::Color4);
        EXPECT_EQ(Values(image), (std::vector<int>{15, 1, 2}));
        ASSERT_EQ(image.Colours().size(), 16u);
        EXPECT_EQ(image.Colours()[15], (PaletteEntry{0, 255, 255, 0}));
        EXPECT_EQ(image.Colours()[1], (PaletteEntry{14, 255, 17, 0}));
    }
}

TEST(TiffRead, ResolutionUnits) {
    const auto resolution = [](std::uint16_t unit, double value) {
        return [=](TIFF* tif) {
            TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, unit);
            TIFFSetField(tif, TIFFTAG_XRESOLUTION, value);
            TIFFSetField(tif, TIFFTAG_YRESOLUTION, value);
        };
    };
    TTiffGraphic image;
    image.LoadFromStream(OneRow(1, 8, 1, 1, {0}, 1, resolution(RESUNIT_INCH, 72)));
    EXPECT_EQ(image.XDpi(), 72);
    image.LoadFromStream(OneRow(1, 8, 1, 1, {0}, 1, resolution(RESUNIT_CENTIMETER, 118.11)));
    EXPECT_EQ(image.YDpi(), 300);
    image.LoadFromStream(OneRow(1, 8, 1, 1, {0}, 1, resolution(RESUNIT_NONE, 2)));
    EXPECT_EQ(image.XDpi(), 0);
}

TEST(TiffRead, FilesFromOtherToolsGiveThePixelsTheyDecode) {
    struct File {
        const char* name;
        ImageFormat format;
        const char* compression;
    };
    const std::vector<File> files{
        {"fax-g4", ImageFormat::BW, "Fax Group 4"},
        {"fax-g3-2d", ImageFormat::BW, "Fax Group 3"},
        {"rgb-packbits", ImageFormat::Color24, "Packbits"},
        {"grey-zip", ImageFormat::Gray8, "ZLib Adobe"},
        {"palette8", ImageFormat::Color8, "None"},
        {"miniswhite", ImageFormat::Gray8, "None"},
        {"rgb16", ImageFormat::Color24, "None"},
        {"tiled", ImageFormat::Color24, "ZLib Adobe"},
        {"jpeg", ImageFormat::Color24, "JPEG"},
    };
    for (const File& file : files) {
        SCOPED_TRACE(file.name);
        TTiffGraphic image;
        image.LoadFromFile(Reference(std::string(file.name) + ".tif"));
        EXPECT_EQ(image.Format(), file.format);
        EXPECT_STREQ(image.FileCompressionName(), file.compression);
        // 16-bit samples come down to 8 as libtiff cuts them.
        EXPECT_EQ(Colours(image), zvtest::ReadPnm(Reference(std::string(file.name) + ".pnm"))
                                      .Colours(zvtest::PnmScale::Truncate));
    }
    // The fax shows black marks on a white page.
    TTiffGraphic fax;
    fax.LoadFromFile(Reference("fax-g4.tif"));
    EXPECT_EQ(fax.Colours()[0], (PaletteEntry{0, 0, 0, 0}));
    const std::vector<int> values = Values(fax);
    EXPECT_EQ(values[0], 1);
    EXPECT_GT(std::count(values.begin(), values.end(), 0), 20);
    EXPECT_GT(std::count(values.begin(), values.end(), 1), int(values.size()) / 2);
    fax.LoadFromFile(Reference("fax-g3-2d.tif"));
    EXPECT_EQ(fax.Compression(), TiffCompression::FaxGroup3_2D);
}

TEST(TiffRead, PagesAndRefusals) {
    const Bytes pages = ReadBytes(Reference("pages.tif"));
    TTiffGraphic image;
    EXPECT_EQ(image.ImageCount(pages), 2);
    image.imageToRead = 2;
    image.LoadFromStream(pages);
    EXPECT_EQ(image.Format(), ImageFormat::Color24);
    image.imageToRead = 1;
    image.loadAllFrames = true;
    image.LoadFromStream(pages);
    EXPECT_EQ(image.FrameCount(), 2);
    EXPECT_EQ(image.Format(), ImageFormat::Gray8);
    EXPECT_EQ(Failure(pages, 3), "ETiffError TIFFSetDirectory");

    TTiffGraphic lzw;
    EXPECT_THROW(lzw.LoadFromFile(Reference("lzw.tif")), EInvalidGraphic);
    EXPECT_STREQ(lzw.FileCompressionName(), "LZW (unsupported)");
    EXPECT_EQ(Failure(ReadBytes(Reference("lzw.tif"))), "Unsupported compression tag, 5");
    EXPECT_EQ(Failure(OneRow(4, 2, 1, 1, {0})), "ETiffError Unsupported bit count: 2");
    EXPECT_EQ(Failure(OneRow(1, 8, 2, 1, {0, 0})), "ETiffError Unsupported bit count: 16");
    EXPECT_EQ(Failure(Bytes{'I', 'I', 42, 0, 1, 2}), "ETiffError TIFFOpen");
    EXPECT_EQ(Failure({}), "ETiffError TIFFOpen");
}

// Sets a SHORT or LONG value of the first directory's tag.
Bytes WithTag(Bytes file, std::uint16_t tag, std::uint32_t value) {
    ByteReader reader(file);
    reader.Skip(4);
    const std::uint32_t ifd = reader.U32LE();
    reader.Seek(ifd);
    const int count = reader.U16LE();
    for (int i = 0; i < count; ++i) {
        const std::size_t at = ifd + 2 + 12 * i;
        if ((file[at] | file[at + 1] << 8) != tag) continue;
        file[at + 2] = 4; // LONG
        file[at + 3] = 0;
        for (int b = 0; b < 4; ++b) file[at + 8 + b] = std::uint8_t(value >> (8 * b));
    }
    return file;
}

TEST(TiffRead, TruncatedAndLyingFilesRaiseTheReadersError) {
    const Bytes good = ReadBytes(Reference("rgb-packbits.tif"));
    EXPECT_EQ(Failure(WithTag(good, TIFFTAG_IMAGEWIDTH, 30000)),
              "ETiffError Image too large for its data");
    EXPECT_EQ(Failure(WithTag(good, TIFFTAG_IMAGELENGTH, 100000)),
              "ETiffError Image too large for its data");
    EXPECT_EQ(Failure(WithTag(good, TIFFTAG_STRIPBYTECOUNTS, 100000)),
              "ETiffError TIFFReadEncodedStrip");
    for (const char* name : {"rgb-packbits", "fax-g4", "jpeg", "tiled", "grey-zip"}) {
        SCOPED_TRACE(name);
        const Bytes file = ReadBytes(Reference(std::string(name) + ".tif"));
        // Strips sit before the directory in these files: cut into the pixels.
        const std::uint32_t ifd = ByteReader(ByteSpan(file).subspan(4)).U32LE();
        Bytes cut(file);
        std::fill(cut.begin() + 8, cut.begin() + (ifd + 8) / 2, std::uint8_t(0xFF));
        const std::string failure = Failure(cut);
        if (failure != "read") {
            EXPECT_EQ(failure.rfind("ETiffError ", 0), 0u) << failure;
        }
        EXPECT_EQ(Failure(Bytes(file.begin(), file.begin() + ifd / 2)).rfind("ETiffError ", 0), 0u);
    }
}

TEST(TiffInfo, ReadsTheImageOrZeroWhenTheFileCannotBeOpened) {
    TTiffGraphic image;
    image.ReadInfo(Reference("pages.tif"), 2);
    EXPECT_EQ(image.infoWidth, 16);
    EXPECT_EQ(image.infoHeight, 12);
    EXPECT_EQ(image.infoBits, 24);
    image.ReadInfo(Reference("no such file.tif"));
    EXPECT_EQ(image.infoWidth, 0);
    image.ReadInfo(Reference("rgb-packbits.pnm"));
    EXPECT_EQ(image.infoHeight, 0);
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

std::string SaveFailure(const TTiffGraphic& image) {
    Bytes file;
    try {
        image.SaveToStream(file);
    } catch (const EInvalidGraphic& error) {
        return error.what();
    }
    return "saved";
}

TEST(TiffWrite, EveryFormatAndAllowedCompressionRoundTrips) {
    for (int f = 0; f <= 5; ++f)
        for (int c = 0; c <= 7; ++c) {
            const auto format = static_cast<ImageFormat>(f);
            const auto compression = static_cast<TiffCompression>(c);
            const bool fax = c >= 2 && c <= 4;
            if (compression == TiffCompression::JPEG || (fax && format != ImageFormat::BW))
                continue;
            SCOPED_TRACE(testing::Message()
                         << ImageFormatName(format) << ", " << TiffCompressionName(compression));
            TTiffGraphic image;
            Fill(image, format);
            image.SetCompression(compression);
            Bytes file;
            image.SaveToStream(file);
            TTiffGraphic back;
            back.LoadFromStream(file);
            EXPECT_EQ(back.Format(), format);
            EXPECT_EQ(back.Colours(), image.Colours());
            EXPECT_EQ(Values(back), Values(image));
            EXPECT_EQ(back.XDpi(), 300);
            EXPECT_EQ(back.YDpi(), 150);
            EXPECT_EQ(LibtiffColours(file), Colours(image));
        }
}

TEST(TiffWrite, TagsAsWritten) {
    TTiffGraphic image;
    Fill(image, ImageFormat::BW);
    EXPECT_EQ(image.Compression(), TiffCompression::FaxGroup4); // new "B/W" image
    Bytes fax;
    image.SaveToStream(fax);
    WithLibtiff(fax, [&](TIFF* tif) {
        std::uint16_t photometric = 9, unit = 0;
        std::uint32_t rows = 0;
        float x = 0;
        char *software = nullptr, *date = nullptr;
        TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
        TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &rows);
        TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
        TIFFGetField(tif, TIFFTAG_XRESOLUTION, &x);
        TIFFGetField(tif, TIFFTAG_SOFTWARE, &software);
        TIFFGetField(tif, TIFFTAG_DATETIME, &date);
        EXPECT_EQ(photometric, PHOTOMETRIC_MINISWHITE);
        EXPECT_EQ(rows, 256u);
        EXPECT_EQ(unit, RESUNIT_INCH);
        EXPECT_EQ(x, 300.0f);
        EXPECT_STREQ(software, "Zelvan 7.04");
        EXPECT_TRUE(std::regex_match(date, std::regex(R"(\d{4}:\d\d:\d\d \d\d:\d\d:\d\d)")));
        // The stored bits are inverted: black pixels (index 0) are 1.
        Bytes row(TIFFScanlineSize(tif));
        TIFFReadScanline(tif, row.data(), 0, 0);
        EXPECT_EQ(row[0] >> 3, (~image.ScanLine(0)[0] & 0xFF) >> 3);
    });

    image.SetCompression(TiffCompression::FaxGroup3_2D);
    Fill(image, ImageFormat::Color8);
    EXPECT_EQ(TTiffGraphic().Compression(), TiffCompression::Packbits);
    EXPECT_EQ(SaveFailure(image),
              "Fax Group 3, 2D compression not supported with 8bpp color images");
    Fill(image, ImageFormat::Color24);
    EXPECT_EQ(SaveFailure(image),
              "Fax Group 3, 2D compression not supported with 24bpp color images");
    image.SetCompression(TiffCompression::JPEG);
    EXPECT_EQ(SaveFailure(image), "JPEG compression not supported with 24bpp color images");

    // Colour maps hold each 8-bit value times 257; G3 2D sets T4 option bit 0.
    Fill(image, ImageFormat::Color4);
    image.SetCompression(TiffCompression::ZLib);
    Bytes file;
    image.SaveToStream(file);
    WithLibtiff(file, [&](TIFF* tif) {
        std::uint16_t *r = nullptr, *g = nullptr, *b = nullptr, compression = 0;
        TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b);
        TIFFGetField(tif, TIFFTAG_COMPRESSION, &compression);
        EXPECT_EQ(compression, 32946);
        for (int i = 0; i < 16; ++i) EXPECT_EQ(r[i], image.Colours()[i].red * 257);
    });
    Fill(image, ImageFormat::BW);
    image.SetCompression(TiffCompression::FaxGroup3_2D);
    file.clear();
    image.SaveToStream(file);
    WithLibtiff(file, [](TIFF* tif) {
        std::uint32_t options = 0;
        TIFFGetField(tif, TIFFTAG_GROUP3OPTIONS, &options);
        EXPECT_EQ(options, std::uint32_t(GROUP3OPT_2DENCODING));
    });
}

TEST(TiffWrite, GreyImagesWithOtherPalettesKeepTheirLook) {
    const Palette whiteToBlack{{255, 255, 255, 0}, {0, 0, 0, 0}};
    Palette falling;
    for (int i = 15; i >= 0; --i)
        falling.push_back({std::uint8_t(i * 17), std::uint8_t(i * 17), std::uint8_t(i * 17), 0});
    struct Case {
        ImageFormat format;
        Palette palette;
        TiffCompression compression;
    };
    for (const Case& c : {Case{ImageFormat::BW, whiteToBlack, TiffCompression::None},
                          Case{ImageFormat::BW, whiteToBlack, TiffCompression::FaxGroup4},
                          Case{ImageFormat::Gray4, falling, TiffCompression::Packbits}}) {
        SCOPED_TRACE(TiffCompressionName(c.compression));
        TTiffGraphic image;
        Fill(image, c.format, &c.palette);
        image.SetCompression(c.compression);
        Bytes file;
        image.SaveToStream(file);
        EXPECT_EQ(LibtiffColours(file), Colours(image));
        TTiffGraphic back;
        back.LoadFromStream(file);
        EXPECT_EQ(Colours(back), Colours(image));
    }
}

TEST(TiffWrite, AddImageAppendsPages) {
    TTiffGraphic first, second;
    Fill(first, ImageFormat::BW);
    Fill(second, ImageFormat::Color24);
    Bytes stream;
    first.AddImage(stream); // an empty stream gets a new file
    second.AddImage(stream);
    TTiffGraphic back;
    EXPECT_EQ(back.ImageCount(stream), 2);
    back.imageToRead = 2;
    back.LoadFromStream(stream);
    EXPECT_EQ(Values(back), Values(second));
    EXPECT_EQ(LibtiffColours(stream, 1), Colours(second));
    EXPECT_EQ(LibtiffColours(stream, 0), Colours(first));

    Bytes notTiff{'n', 'o', 't', ' ', 'a', ' ', 'T', 'I', 'F', 'F'};
    const Bytes before = notTiff;
    EXPECT_THROW(second.AddImage(notTiff), ETiffError);
    EXPECT_EQ(notTiff, before);
}

} // namespace
} // namespace zv
