// The format table: which row an extension names, which row the first bytes
// of each test picture belong to, and how a name and the content settle a
// disagreement.

#include "formats/FormatTable.h"

#include "TestData.h"
#include "formats/GraphicClasses.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace zv {
namespace {

std::optional<FormatId> IdOf(const FormatRow* row) {
    return row ? std::optional(row->id) : std::nullopt;
}

TEST(FormatTable, ExtensionsNameTheirRowInAnyCaseAndOnlyWhole) {
    const struct {
        const char* name;
        std::optional<FormatId> id;
    } cases[] = {
        {".bmp", FormatId::Bmp},
        {".DIB", FormatId::Bmp},
        {".rle", FormatId::Bmp},
        {".pcx", FormatId::Pcx},
        {".Dcx", FormatId::Dcx},
        {".tga", FormatId::Tga},
        {".png", FormatId::Png},
        {".tif", FormatId::Tiff},
        {".TIFF", FormatId::Tiff},
        {".ico", FormatId::Ico},
        {".psd", FormatId::Psd},
        {".jpg", FormatId::Jpeg},
        {".jpeg", FormatId::Jpeg},
        {".JPE", FormatId::Jpeg},
        {".jfif", FormatId::Jpeg},
        {".pcd", FormatId::PhotoCd},
        {".fpx", FormatId::FlashPix},
        {"/a.png/photo.JPG", FormatId::Jpeg},
        // Parts of an extension, other kinds and no extension name nothing.
        {".TI", std::nullopt},
        {".JP", std::nullopt},
        {".P", std::nullopt},
        {".txt", std::nullopt},
        {".", std::nullopt},
        {"", std::nullopt},
        {"/a.png/photo", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IdOf(FormatForExtension(c.name)), c.id);
    }
}

TEST(FormatTable, EachTestPictureIsKnownByItsFirstBytes) {
    const auto data = zvtest::TestDataFolder();
    const struct {
        const char* file;
        std::optional<FormatId> id;
    } cases[] = {
        {"bmp/im-24.bmp", FormatId::Bmp},    {"bmp/netpbm-os2-8.bmp", FormatId::Bmp},
        {"pcx/im-8.pcx", FormatId::Pcx},     {"pcx/netpbm-1.pcx", FormatId::Pcx},
        {"png/bw.png", FormatId::Png},       {"tiff/lzw.tif", FormatId::Tiff},
        {"tiff/fax-g4.tif", FormatId::Tiff}, {"ico/pal.ico", FormatId::Ico},
        {"psd/rgb8.psd", FormatId::Psd},     {"tga/netpbm-rgb.tga", std::nullopt},
        {"bmp/im-24.pnm", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const auto bytes = zvtest::ReadTestFile(data / c.file);
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ(IdOf(FormatForContent(bytes)), c.id);
    }
    Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0};
    EXPECT_EQ(IdOf(FormatForContent(jpeg)), FormatId::Jpeg);
    Bytes dcx = {0xB1, 0x68, 0xDE, 0x3A, 8, 0, 0, 0};
    EXPECT_EQ(IdOf(FormatForContent(dcx)), FormatId::Dcx);
    Bytes pcd(4096, 0);
    std::copy_n("PCD_IPI", 7, pcd.begin() + 2048);
    EXPECT_EQ(IdOf(FormatForContent(pcd)), FormatId::PhotoCd);
}

TEST(FormatTable, TheNameDecidesUnlessTheContentPlainlyBelongsElsewhere) {
    const auto png = zvtest::ReadTestFile(zvtest::TestDataFolder() / "png/bw.png");
    const auto pcx = zvtest::ReadTestFile(zvtest::TestDataFolder() / "pcx/im-8.pcx");
    const Bytes text = {'h', 'e', 'l', 'l', 'o'};
    const struct {
        const Bytes& head;
        const char* name;
        std::optional<FormatId> id;
    } cases[] = {
        {png, "a.png", FormatId::Png},  {png, "a.bmp", FormatId::Png}, // a PNG named .bmp
        {png, "a.tga", FormatId::Png},  // no targa header starts like a PNG
        {pcx, "a.ico", FormatId::Ico},  // weak sniffs do not overrule a name
        {pcx, "a.dat", FormatId::Pcx},  // but decide without one
        {text, "a.bmp", FormatId::Bmp}, // damaged: the named reader reports it
        {text, "a.dat", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IdOf(FormatForData(c.head, c.name)), c.id);
    }
}

TEST(FormatTable, LayerClassesAndWritableExtensionsComeFromTheRows) {
    EXPECT_EQ(LayerWriteExtensions(), ".BMP.PCX.TGA.PNG.TIF.TIFF.ICO");
    for (const char* extension : {".BMP", ".DIB", ".RLE", ".PCX", ".TGA", ".PNG", ".TIF", ".ICO"})
        EXPECT_NE(NewGraphicForExtension(extension), nullptr) << extension;
    for (const char* extension : {".PSD", ".JPG", ".DCX", ".PCD", ".XYZ", ""})
        EXPECT_EQ(NewGraphicForExtension(extension), nullptr) << extension;
    const std::string readable = ReadableExtensions();
    for (const FormatRow& row : AllFormats())
        EXPECT_NE(readable.find(row.extensions), std::string::npos);
    EXPECT_TRUE(WritesDepth(FormatRowOf(FormatId::Tga), 8));
    EXPECT_FALSE(WritesDepth(FormatRowOf(FormatId::Tga), 1));
    EXPECT_FALSE(WritesDepth(FormatRowOf(FormatId::Jpeg), 24));
}

} // namespace
} // namespace zv
