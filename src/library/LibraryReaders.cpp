#include "library/LibraryReaders.h"

#include "formats/BmpGraphic.h"
#include "formats/DcxFile.h"
#include "formats/FlashPixReader.h"
#include "formats/FormatTable.h"
#include "formats/PcxGraphic.h"
#include "formats/PngGraphic.h"
#include "formats/TgaGraphic.h"
#include "imaging/PackedDib.h"
#include "library/LibraryJpeg.h"
#include "library/LibraryTiff.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <new>

namespace zv {

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The format table's signature check of a format.
bool Sniffs(FormatId id, ByteSpan data) {
    return FormatRowOf(id).sniff(data);
}

// A picture without a file header: an information header of a known size.
bool IsPackedDib(ByteSpan data) {
    if (data.size() < 40) return false;
    ByteReader reader(data);
    const std::uint32_t size = reader.U32LE();
    return size == 12 || (size >= 40 && size <= 124);
}

// Errors of the format layer's readers become the library's own.
template <typename Read> auto Guard(Read&& read) -> decltype(read()) {
    try {
        return read();
    } catch (const ELibraryError&) {
        throw;
    } catch (const EBitmapError& error) {
        throw ELibraryError(kImgNoMemory, error.what());
    } catch (const std::bad_alloc&) {
        throw ELibraryError(kImgNoMemory, "Not enough memory for the picture.");
    } catch (const std::exception& error) {
        throw ELibraryError(kImgCorrupt, std::string("Corrupt image data: ") + error.what());
    }
}

template <typename Graphic> LibraryPage ReadLayer(ByteSpan data) {
    return Guard([data] {
        Graphic graphic;
        graphic.LoadFromStream(data);
        LibraryPage page;
        graphic.AssignTo(page.picture);
        page.xDpi = graphic.XDpi();
        page.yDpi = graphic.YDpi();
        return page;
    });
}

LibraryPage ReadPackedDib(ByteSpan data) {
    return Guard([data] { return LibraryPage{ParsePackedDib(data.data(), data.size()), 0, 0}; });
}

LibraryImage SinglePage(LibraryPage page) {
    LibraryImage image;
    image.pages.push_back(std::move(page.picture));
    image.xDpi = page.xDpi;
    image.yDpi = page.yDpi;
    return image;
}

// Page 0 is read now; the others when they are selected, from the file's
// bytes that the reader keeps.
LibraryImage PagedImage(int count, LibraryPage first, std::function<Bitmap(int)> readPage) {
    LibraryImage image = SinglePage(std::move(first));
    image.pages.resize(static_cast<std::size_t>(count));
    image.readPage = std::move(readPage);
    return image;
}

LibraryImage ReadTiff(Bytes data) {
    auto bytes = std::make_shared<const Bytes>(std::move(data));
    const int count = TiffPageCount(*bytes);
    LibraryPage first = Guard([&] { return ReadTiffPage(*bytes, 0); });
    if (count == 1) return SinglePage(std::move(first));
    return PagedImage(count, std::move(first), [bytes](int page) {
        return Guard([&] { return ReadTiffPage(*bytes, page); }).picture;
    });
}

// The page table's errors are the library's "corrupt" with their own text.
std::vector<ByteSpan> DcxPageTable(ByteSpan data) {
    try {
        return DcxPages(data);
    } catch (const EDcxError& error) {
        throw ELibraryError(kImgCorrupt, error.what());
    }
}

LibraryImage ReadDcx(Bytes data) {
    auto bytes = std::make_shared<const Bytes>(std::move(data));
    auto pages = std::make_shared<const std::vector<ByteSpan>>(DcxPageTable(*bytes));
    LibraryPage first = ReadLayer<TPcxGraphic>((*pages)[0]);
    const int count = static_cast<int>(pages->size());
    if (count == 1) return SinglePage(std::move(first));
    // The spans point into bytes, which the reader holds for them.
    return PagedImage(count, std::move(first), [bytes, pages](int page) {
        return ReadLayer<TPcxGraphic>((*pages)[static_cast<std::size_t>(page)]).picture;
    });
}

// A FlashPix file is one page here: its largest resolution, in 24 bits (an
// opacity channel is dropped, as the library's pictures carry none). The
// smaller resolutions serve the stateless decode's fit boxes.
LibraryPage ReadFlashPix(ByteSpan data) {
    const FlashPixFile file(data);
    LibraryPage page;
    page.picture = file.Decode(0);
    if (page.picture.Format() == PixelFormat::Bits32)
        page.picture.SetPixelFormat(PixelFormat::Bits24);
    return page;
}

LibraryImage ReadKind(FileKind kind, Bytes data, const std::string& name) {
    switch (kind) {
    case FileKind::Bmp: return SinglePage(ReadLayer<TBmpGraphic>(data));
    case FileKind::PackedDib: return SinglePage(ReadPackedDib(data));
    case FileKind::Pcx: return SinglePage(ReadLayer<TPcxGraphic>(data));
    case FileKind::Dcx: return ReadDcx(std::move(data));
    case FileKind::Tga: return SinglePage(ReadLayer<TTgaGraphic>(data));
    case FileKind::Png: return SinglePage(ReadLayer<TPngGraphic>(data));
    case FileKind::Tiff: return ReadTiff(std::move(data));
    case FileKind::Jpeg: return SinglePage(Guard([&] { return DecodeJpeg(data); }));
    case FileKind::FlashPix: return SinglePage(Guard([&] { return ReadFlashPix(data); }));
    case FileKind::Unknown: break;
    }
    throw ELibraryError(kImgUnknownFormat, "Unknown file format: " + name + ".");
}

Bytes ReadFileBytes(const std::string& path) {
    std::error_code error;
    if (path.empty() || !std::filesystem::is_regular_file(path, error))
        throw ELibraryError(kImgCannotOpen, "Cannot open file " + path + ".");
    try {
        return ReadWholeFile(path);
    } catch (const std::bad_alloc&) {
        throw ELibraryError(kImgNoMemory, "Not enough memory to read " + path + ".");
    } catch (const std::exception& failure) {
        throw ELibraryError(kImgCannotOpen,
                            std::string("Cannot open file: ") + failure.what() + ".");
    }
}

} // namespace

FileKind KindOf(ByteSpan data, const std::string& extension) {
    const FormatRow* named = FormatForExtension(extension);
    if (named && named->id == FormatId::FlashPix) return FileKind::FlashPix;
    // The table's strong signatures first, of the kinds the library reads.
    if (const FormatRow* found = FormatForContent(data, false)) {
        switch (found->id) {
        case FormatId::Png: return FileKind::Png;
        case FormatId::Jpeg: return FileKind::Jpeg;
        case FormatId::Tiff: return FileKind::Tiff;
        case FormatId::Dcx: return FileKind::Dcx;
        case FormatId::Bmp: return FileKind::Bmp;
        default: break;
        }
    }
    // Targa files have no signature, so their extension decides before the
    // weaker checks below.
    if (named && named->id == FormatId::Tga) return FileKind::Tga;
    if (Sniffs(FormatId::Pcx, data)) return FileKind::Pcx;
    // A BMP-family file without the file header holds the picture's
    // information header straight away.
    if (named && named->id == FormatId::Bmp && IsPackedDib(data)) return FileKind::PackedDib;
    return FileKind::Unknown;
}

LibraryImage ReadPictureData(Bytes data, const std::string& extension, const std::string& name) {
    const FileKind kind = KindOf(data, extension);
    return ReadKind(kind, std::move(data), name);
}

LibraryImage ReadPictureFile(const std::string& path) {
    const std::string extension = Lower(std::filesystem::path(path).extension().string());
    LibraryImage image = ReadPictureData(ReadFileBytes(path), extension, path);
    image.sourcePath = path;
    return image;
}

LibraryImage ReadPictureMemory(ByteSpan data, const std::string& type) {
    const std::string kind = Lower(type);
    if (kind == "tif" || kind == "tiff") return ReadTiff(Bytes(data.begin(), data.end()));
    if (kind == "pcx") return SinglePage(ReadLayer<TPcxGraphic>(data));
    if (kind == "bmp" || kind == "dib")
        return SinglePage(Sniffs(FormatId::Bmp, data) ? ReadLayer<TBmpGraphic>(data)
                                                      : ReadPackedDib(data));
    throw ELibraryError(kImgBadArgument,
                        "Unknown picture type \"" + type + "\" for a memory block.");
}

} // namespace zv
