// The pictures the imaging library and the Photo CD import read before the
// stateless decode took them over (DCX pages, TIFF kinds the format layer
// refuses, fax pages in grey, Photo CD packs): DecodeFile gives their pixels.

#include "formats/DecodeFile.h"

#include "DecodeSamples.h"
#include "imaging/PackedDib.h"
#include "library/FaxQuality.h"
#include "library/ImageLibrary.h"
#include "library/PhotoCd.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

namespace fs = std::filesystem;
using zvtest::ExpectSamePixels;

Bitmap LibraryRoute(const fs::path& path, int page = 1) {
    if (FormatForExtension(path.extension().string())->id == FormatId::PhotoCd) {
        PhotoCdLibrary photoCd;
        const PcdImport imported = ImportPCD(photoCd, path.string(), kPcdDefaultStep, true);
        return ParsePackedDib(imported.packedDib.data(), imported.packedDib.size());
    }
    ImageLibrary library;
    const ImgHandle handle = library.ImgOpenSolo(path.string());
    EXPECT_NE(handle, 0) << library.LastError();
    EXPECT_TRUE(library.ImgSetPage(handle, page - 1));
    return library.Image(handle)->Picture();
}

TEST(DecodeFileRoutes, GivesThePixelsTheLibraryGave) {
    const zvtest::DecodeSamples samples;
    std::size_t compared = 0;
    for (const fs::path& file : samples.files) {
        SCOPED_TRACE(file.string());
        const DecodedPicture picture = DecodeFile(file);
        const FormatId id = picture.format->id;
        const bool library = (id == FormatId::Tiff && picture.className == "ImageLibrary") ||
                             id == FormatId::Dcx || id == FormatId::PhotoCd;
        if (!library) continue;
        ExpectSamePixels(picture.pixels, LibraryRoute(file));
        ++compared;
    }
    EXPECT_GE(compared, 3u); // LZW, DCX, Photo CD
    const fs::path dcx = samples.temp / "fax.dcx";
    ExpectSamePixels(DecodeFile(dcx, 2).pixels, LibraryRoute(dcx, 2));
}

TEST(DecodeFileRoutes, FaxPagesInGreyAsTheLibraryCopiedThem) {
    const fs::path fax = zvtest::TestDataFolder() / "tiff/fax-g4.tif";
    ImageLibrary library;
    const ImgHandle page = library.ImgOpenSolo(fax.string());
    for (int quality = 1; quality <= 3; ++quality) {
        SCOPED_TRACE(quality);
        DecodeOptions options;
        options.faxQuality = quality;
        const DecodedPicture grey = DecodeFile(fax, 1, options);
        const ImgHandle copy = FaxGreyCopy(library, page, quality);
        ASSERT_NE(copy, 0);
        ExpectSamePixels(grey.pixels, library.Image(copy)->Picture());
        EXPECT_EQ(grey.className, "ImageLibrary");
        EXPECT_EQ(grey.formatName, "TIF page 1");
    }
}

} // namespace
} // namespace zv
