#include "formats/DecodeFile.h"

#include "formats/DibGraphic.h"
#include "formats/FaxGrey.h"
#include "formats/Orientation.h"
#include "formats/TiffPages.h"

#include <algorithm>
#include <exception>
#include <fstream>
#include <utility>

namespace zv {

namespace {

[[noreturn]] void NoSuchPage(const std::filesystem::path& path, int pages, int page) {
    throw EInvalidGraphic(path.string() + " has " + std::to_string(pages) + " page(s), not page " +
                          std::to_string(page));
}

// TIFF pages the format layer refuses are read by libtiff; when that fails
// too, the layer's error stands.
DecodedPicture ReadTiffAnyPage(const FormatRow& row, const PageSource& source) {
    std::exception_ptr layerError;
    try {
        return row.readPage(source);
    } catch (const std::exception&) {
        layerError = std::current_exception();
    }
    try {
        const Bytes bytes = ReadWholeFile(source.path);
        const int pages = CountTiffPages(bytes);
        if (source.page < 1 || source.page > pages) NoSuchPage(source.path, pages, source.page);
        TiffPage read = ReadTiffPageThroughLibtiff(bytes, source.page - 1);
        DecodedPicture picture;
        picture.pages = pages;
        picture.page = source.page;
        picture.xDpi = read.xDpi;
        picture.yDpi = read.yDpi;
        picture.pixels = std::move(read.picture);
        SetLibraryRouteFacts(picture, source.path);
        return picture;
    } catch (const std::exception&) {
        std::rethrow_exception(layerError);
    }
}

// Black-and-white pages in grey, scaled down by the fax quality's factor.
void MakeFaxGrey(DecodedPicture& picture, int quality, const std::filesystem::path& path) {
    Bitmap grey = FaxGreyPicture(picture.pixels, quality);
    if (grey.Empty()) return;
    picture.pixels = std::move(grey);
    SetLibraryRouteFacts(picture, path);
}

// The EXIF orientation of a JPEG file when the options stand it upright;
// 1 otherwise. EXIF sits in the first segments, within the first 256 KB.
int OrientationToApply(const FormatRow& row, const std::filesystem::path& path,
                       const DecodeOptions& options) {
    if (row.id != FormatId::Jpeg || !options.exifOrientation) return kUpright;
    constexpr std::size_t kHeadBytes = std::size_t{256} << 10;
    std::ifstream in(path, std::ios::binary);
    Bytes head(kHeadBytes);
    in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return JpegExifOrientation(head);
}

void SwapSides(std::int32_t& width, std::int32_t& height) {
    std::swap(width, height);
}

void StandUpright(DecodedPicture& picture, int orientation) {
    if (orientation == kUpright) return;
    OrientUpright(picture.pixels, orientation);
    if (!SwapsSides(orientation)) return;
    SwapSides(picture.fullWidth, picture.fullHeight);
    std::swap(picture.xDpi, picture.yDpi);
}

const FormatRow& RowFor(const std::filesystem::path& path) {
    const FormatRow* row = FormatForFile(path);
    if (row) return *row;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        throw EInvalidGraphic("Cannot open " + path.string());
    throw EInvalidGraphic("Unknown file format: " + path.string());
}

} // namespace

PictureHeader ProbeFile(const std::filesystem::path& path, const DecodeOptions& options) {
    const FormatRow& row = RowFor(path);
    if (row.id == FormatId::Jpeg) {
        PictureHeader header = row.readHeader(path, options);
        if (SwapsSides(OrientationToApply(row, path, options)))
            SwapSides(header.width, header.height);
        return header;
    }
    if (row.id != FormatId::Tiff) return row.readHeader(path, options);
    try {
        return row.readHeader(path, options);
    } catch (const std::exception&) {
        DecodeOptions whole = options;
        whole.pixelBudget = 0;
        const DecodedPicture picture = DecodeFile(path, 1, whole);
        return {picture.pixels.Width(), picture.pixels.Height(), picture.bits, picture.pages};
    }
}

DecodedPicture DecodeFile(const std::filesystem::path& path, int page,
                          const DecodeOptions& options) {
    const FormatRow& row = RowFor(path);
    // Budgets are kept before the pixels are made; JPEG pictures keep theirs
    // at the decode scale, inside the reader.
    if (options.pixelBudget > 0 && row.id != FormatId::Jpeg) {
        const PictureHeader header = ProbeFile(path, options);
        if (std::int64_t{header.width} * header.height > options.pixelBudget) {
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
    DecodedPicture picture =
        row.id == FormatId::Tiff ? ReadTiffAnyPage(row, source) : row.readPage(source);
    picture.format = &row;
    if (picture.fullWidth == 0 && picture.fullHeight == 0) {
        picture.fullWidth = picture.pixels.Width();
        picture.fullHeight = picture.pixels.Height();
    }
    StandUpright(picture, OrientationToApply(row, path, options));
    if (row.multiPage) MakeFaxGrey(picture, options.faxQuality, path);
    return picture;
}

} // namespace zv
