#include "library/DecodeFile.h"

#include "formats/PcxGraphic.h"
#include "library/DcxFile.h"
#include "library/FaxQuality.h"
#include "library/ImageLibrary.h"
#include "library/LibraryError.h"
#include "library/LibraryTiff.h"
#include "library/PhotoCd.h"
#include "library/PhotoCdDecode.h"
#include "library/Scaling.h"

#include <algorithm>
#include <exception>
#include <fstream>

namespace zv {

namespace {

std::string UpperExtensionOf(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return extension;
}

[[noreturn]] void NoSuchPage(const std::filesystem::path& path, int pages, int page) {
    throw EInvalidGraphic(path.string() + " has " + std::to_string(pages) + " page(s), not page " +
                          std::to_string(page));
}

// The facts of a page the imaging library's code read: "TIF page 2".
void LibraryFacts(DecodedPicture& picture, const std::filesystem::path& path) {
    picture.className = "ImageLibrary";
    const std::string extension = UpperExtensionOf(path);
    picture.formatName =
        (extension.empty() ? "" : extension.substr(1)) + " page " + std::to_string(picture.page);
    picture.bits = picture.pixels.BitsPerPixel();
}

DecodedPicture ReadDcxPage(const std::filesystem::path& path, int page) {
    const Bytes bytes = ReadWholeFile(path);
    const std::vector<ByteSpan> pages = DcxPages(bytes);
    const int count = static_cast<int>(pages.size());
    if (page < 1 || page > count) NoSuchPage(path, count, page);
    TPcxGraphic pcx;
    pcx.LoadFromStream(pages[static_cast<std::size_t>(page - 1)]);
    DecodedPicture picture;
    picture.pages = count;
    picture.page = page;
    picture.xDpi = pcx.XDpi();
    picture.yDpi = pcx.YDpi();
    picture.pixels = pcx.TakePixels();
    LibraryFacts(picture, path);
    return picture;
}

Bytes ReadPack(const std::filesystem::path& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    std::ifstream file(path, std::ios::binary);
    if (error || !file) throw EPhotoCdError("Cannot open Photo CD file " + path.string());
    Bytes bytes(static_cast<std::size_t>(
        std::min<std::uintmax_t>(size, static_cast<std::uintmax_t>(kPcdReadLimit))));
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (file.gcount() != static_cast<std::streamsize>(bytes.size()))
        throw EPhotoCdError("Cannot read Photo CD file " + path.string());
    return bytes;
}

int PhotoCdStep(const PcdLayout& layout, int wanted) {
    const auto mask = static_cast<std::uint16_t>((1u << layout.stepCount) - 1);
    return ChoosePcdStep(wanted, layout.stepCount, mask, 0);
}

DecodedPicture ReadPhotoCdPage(const std::filesystem::path& path, int page,
                               const DecodeOptions& options) {
    if (page != 1) NoSuchPage(path, 1, page);
    const Bytes bytes = ReadPack(path);
    const PcdLayout layout = ReadPcdLayout(bytes);
    const int step = PhotoCdStep(layout, options.photoCdStep);
    DecodedPicture picture;
    picture.pixels = DecodePcdStep(bytes, layout, step);
    picture.bits = 24;
    picture.className = "PhotoCd";
    picture.formatName = "Photo CD step " + std::to_string(step);
    return picture;
}

// TIFF pages the format layer refuses are read by libtiff; when that fails
// too, the layer's error stands.
DecodedPicture ReadTiffAnyPage(const FormatRow& row, const PageSource& source) {
    std::exception_ptr layerError;
    try {
        return row.readPage(source);
    } catch (const EInvalidGraphic&) {
        // A page the file lacks, or a kind the layer does not know.
        layerError = std::current_exception();
    } catch (const std::exception&) {
        layerError = std::current_exception();
    }
    try {
        const Bytes bytes = ReadWholeFile(source.path);
        const int pages = TiffPageCount(bytes);
        if (source.page < 1 || source.page > pages) NoSuchPage(source.path, pages, source.page);
        LibraryPage read = ReadTiffPage(bytes, source.page - 1);
        DecodedPicture picture;
        picture.pages = pages;
        picture.page = source.page;
        picture.xDpi = read.xDpi;
        picture.yDpi = read.yDpi;
        picture.pixels = std::move(read.picture);
        LibraryFacts(picture, source.path);
        return picture;
    } catch (const std::exception&) {
        std::rethrow_exception(layerError);
    }
}

// Black-and-white pages in grey, scaled down by the fax quality's factor.
void MakeFaxGrey(DecodedPicture& picture, int quality, const std::filesystem::path& path) {
    if (quality < 1 || quality > 3 || picture.pixels.Format() != PixelFormat::Bits1) return;
    const FaxCopy copy = FaxCopyFor(picture.pixels.Width(), picture.pixels.Height(), quality);
    if (copy.width < 1 || copy.height < 1) return;
    const SourceRect rect{copy.source[0], copy.source[1], copy.source[2], copy.source[3]};
    CheckPictureSize(copy.width, copy.height, 24);
    picture.pixels = ScalePicture(picture.pixels, copy.width, copy.height, rect, kCopyGreyAverage);
    LibraryFacts(picture, path);
}

const FormatRow& RowFor(const std::filesystem::path& path) {
    const FormatRow* row = FormatForFile(path);
    if (row) return *row;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        throw EInvalidGraphic("Cannot open " + path.string());
    throw EInvalidGraphic("Unknown file format: " + path.string());
}

[[noreturn]] void FlashPixRefused(const std::filesystem::path& path) {
    throw ELibraryError(kImgUnsupported,
                        "FlashPix pictures are not supported: " + path.string() + ".");
}

bool OverBudget(const PictureHeader& header, const DecodeOptions& options) {
    return options.pixelBudget > 0 &&
           std::int64_t{header.width} * header.height > options.pixelBudget;
}

} // namespace

PictureHeader ProbeFile(const std::filesystem::path& path, const DecodeOptions& options) {
    const FormatRow& row = RowFor(path);
    switch (row.id) {
    case FormatId::FlashPix: FlashPixRefused(path);
    case FormatId::PhotoCd: {
        const Bytes bytes = ReadPack(path);
        const PcdLayout layout = ReadPcdLayout(bytes);
        const PcdDimensions size =
            PcdStepDimensions(PhotoCdStep(layout, options.photoCdStep), layout.rotation);
        return {size.width, size.height, 24, 1};
    }
    case FormatId::Dcx: {
        const Bytes bytes = ReadWholeFile(path);
        const std::vector<ByteSpan> pages = DcxPages(bytes);
        TPcxGraphic pcx;
        pcx.ReadInfo(pages.front());
        return {pcx.infoWidth, pcx.infoHeight, pcx.infoBits, static_cast<int>(pages.size())};
    }
    case FormatId::Tiff: try { return row.readHeader(path);
        } catch (const std::exception&) {
            DecodeOptions whole = options;
            whole.pixelBudget = 0;
            const DecodedPicture picture = DecodeFile(path, 1, whole);
            return {picture.pixels.Width(), picture.pixels.Height(), picture.bits, picture.pages};
        }
    default: return row.readHeader(path);
    }
}

DecodedPicture DecodeFile(const std::filesystem::path& path, int page,
                          const DecodeOptions& options) {
    const FormatRow& row = RowFor(path);
    // Budgets are kept before the pixels are made; JPEG pictures keep theirs
    // at the decode scale, inside the reader.
    if (options.pixelBudget > 0 && row.id != FormatId::Jpeg && row.id != FormatId::PhotoCd) {
        const PictureHeader header = ProbeFile(path, options);
        if (OverBudget(header, options)) {
            DecodedPicture picture;
            picture.tooLarge = true;
            picture.format = &row;
            picture.fullWidth = header.width;
            picture.fullHeight = header.height;
            picture.bits = header.bits;
            picture.pages = header.pages;
            return picture;
        }
    }
    const PageSource source{path, page, options};
    DecodedPicture picture;
    switch (row.id) {
    case FormatId::FlashPix: FlashPixRefused(path);
    case FormatId::PhotoCd: picture = ReadPhotoCdPage(path, page, options); break;
    case FormatId::Dcx: picture = ReadDcxPage(path, page); break;
    case FormatId::Tiff: picture = ReadTiffAnyPage(row, source); break;
    default: picture = row.readPage(source); break;
    }
    picture.format = &row;
    if (picture.fullWidth == 0 && picture.fullHeight == 0) {
        picture.fullWidth = picture.pixels.Width();
        picture.fullHeight = picture.pixels.Height();
    }
    if (row.id == FormatId::Tiff || row.id == FormatId::Dcx)
        MakeFaxGrey(picture, options.faxQuality, path);
    return picture;
}

} // namespace zv
