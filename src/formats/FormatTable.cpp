#include "formats/FormatTable.h"

#include "formats/BmpGraphic.h"
#include "formats/DcxFile.h"
#include "formats/FlashPixReader.h"
#include "formats/IconGraphic.h"
#include "formats/JpegReader.h"
#include "formats/Orientation.h"
#include "formats/PSDGraphic.h"
#include "formats/PcxGraphic.h"
#include "formats/PhotoCdDecode.h"
#include "formats/PngGraphic.h"
#include "formats/TgaGraphic.h"
#include "formats/TiffCodec.h"
#include "formats/TiffGraphic.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <tuple>

namespace zv {

namespace {

// --- Sniffs ---

bool StartsWith(ByteSpan head, std::string_view bytes) {
    return head.size() >= bytes.size() && std::memcmp(head.data(), bytes.data(), bytes.size()) == 0;
}

bool SniffBmp(ByteSpan head) {
    return head.size() >= 2 && head[0] == 'B' && (head[1] == 'M' || head[1] == 'A');
}

bool SniffPcx(ByteSpan head) {
    if (head.size() < 128 || head[0] != 0x0A || head[2] != 1) return false;
    const bool knownVersion = head[1] == 0 || (head[1] >= 2 && head[1] <= 5);
    const int bits = head[3];
    return knownVersion && (bits == 1 || bits == 2 || bits == 4 || bits == 8);
}

bool SniffDcx(ByteSpan head) {
    return StartsWith(head, "\xB1\x68\xDE\x3A");
}

bool SniffPng(ByteSpan head) {
    return StartsWith(head, "\x89PNG\r\n\x1A\n");
}

bool SniffTiff(ByteSpan head) {
    if (head.size() < 4) return false;
    const bool intel =
        head[0] == 'I' && head[1] == 'I' && (head[2] == 42 || head[2] == 43) && head[3] == 0;
    const bool motorola =
        head[0] == 'M' && head[1] == 'M' && head[2] == 0 && (head[3] == 42 || head[3] == 43);
    return intel || motorola;
}

// Reserved 0, type 1 (icon) or 2 (cursor), at least one image.
bool SniffIco(ByteSpan head) {
    return head.size() >= 6 && head[0] == 0 && head[1] == 0 && (head[2] == 1 || head[2] == 2) &&
           head[3] == 0 && (head[4] | head[5]) != 0;
}

bool SniffPsd(ByteSpan head) {
    return TPSDGraphic::CanRead(head);
}

bool SniffJpeg(ByteSpan head) {
    return StartsWith(head, "\xFF\xD8\xFF");
}

bool SniffPhotoCd(ByteSpan head) {
    return head.size() >= 2048 + 7 && std::memcmp(head.data() + 2048, "PCD_IPI", 7) == 0;
}

// --- Header readers ---

PictureHeader Known(std::int32_t width, std::int32_t height, int bits, int pages,
                    const std::filesystem::path& path) {
    if (width <= 0 || height <= 0) throw EInvalidGraphic("Cannot read " + path.string());
    return {width, height, bits, pages};
}

template <typename Graphic>
PictureHeader HeaderOf(const std::filesystem::path& path, const DecodeOptions&) {
    Graphic graphic;
    graphic.ReadInfo(path);
    return Known(graphic.infoWidth, graphic.infoHeight, graphic.infoBits, 1, path);
}

// The first directory's tags, without decoding: kinds the layer refuses
// (LZW and the like) have a header too.
PictureHeader TiffHeader(const std::filesystem::path& path, const DecodeOptions&) {
    const Bytes bytes = ReadWholeFile(path);
    const TiffFile file(bytes);
    file.RequireOpen();
    const int pages = file.PageCount();
    if (pages < 1 || !file.SelectPage(0)) throw ETiffError("TIFFSetDirectory");
    const TiffTags tags = ReadTiffTags(file.get());
    if (tags.width > INT32_MAX || tags.height > INT32_MAX) throw ETiffError("Invalid image size");
    const auto width = static_cast<std::int32_t>(tags.width);
    const auto height = static_cast<std::int32_t>(tags.height);
    const bool swapped = SwapsSides(tags.orientation);
    return Known(swapped ? height : width, swapped ? width : height,
                 tags.bitsPerSample * tags.samples, pages, path);
}

// The first page, the largest and deepest image, and every image a page.
PictureHeader IcoHeader(const std::filesystem::path& path, const DecodeOptions&) {
    const Bytes bytes = ReadWholeFile(path);
    TIconGraphic graphic;
    const int pages = graphic.ImageCount(bytes);
    graphic.LoadFromStream(bytes);
    return Known(graphic.Width(), graphic.Height(), graphic.Bits(), pages, path);
}

PictureHeader PsdHeader(const std::filesystem::path& path, const DecodeOptions&) {
    const Bytes bytes = ReadWholeFile(path);
    TPSDGraphic graphic;
    graphic.ReadInfo(bytes, true);
    const PSDHeader& header = graphic.Header();
    return Known(header.width, header.height, header.bitsPerPixel, 1, path);
}

PictureHeader JpegHeader(const std::filesystem::path& path, const DecodeOptions&) {
    TJpegReader reader;
    reader.ReadHeader(path);
    return Known(reader.Width(), reader.Height(), reader.ImageBits(), 1, path);
}

// --- Page readers ---

[[noreturn]] void NoSuchPage(const std::filesystem::path& path, int pages, int page) {
    throw EInvalidGraphic(path.string() + " has " + std::to_string(pages) + " page(s), not page " +
                          std::to_string(page));
}

DecodedPicture FromGraphic(TDibGraphic& graphic, int pages, int page) {
    DecodedPicture picture;
    picture.className = graphic.ClassName();
    picture.formatName = ImageFormatName(graphic.Format());
    picture.bits = graphic.Bits();
    picture.xDpi = graphic.XDpi();
    picture.yDpi = graphic.YDpi();
    picture.pages = pages;
    picture.page = page;
    picture.pixels = graphic.TakePixels();
    return picture;
}

template <typename Graphic> DecodedPicture LayerPage(const PageSource& source, Graphic& graphic) {
    const Bytes bytes = ReadWholeFile(source.path);
    const int pages = graphic.ImageCount(bytes);
    if (source.page < 1 || source.page > pages) NoSuchPage(source.path, pages, source.page);
    graphic.imageToRead = source.page;
    graphic.keepAlpha = source.options.keepAlpha;
    graphic.LoadFromStream(bytes);
    return FromGraphic(graphic, pages, source.page);
}

template <typename Graphic> DecodedPicture ReadLayerPage(const PageSource& source) {
    Graphic graphic;
    return LayerPage(source, graphic);
}

DecodedPicture ReadIcoPage(const PageSource& source) {
    TIconGraphic graphic;
    DecodedPicture picture = LayerPage(source, graphic);
    picture.damaged = graphic.Damaged();
    return picture;
}

DecodedPicture ReadPngPage(const PageSource& source) {
    TPngGraphic graphic;
    graphic.backgroundColour = source.options.background;
    return LayerPage(source, graphic);
}

ImageFormat BmpFormatOf(int bits) {
    switch (bits) {
    case 1: return ImageFormat::BW;
    case 4: return ImageFormat::Color4;
    case 8: return ImageFormat::Color8;
    default: return ImageFormat::Color24;
    }
}

DecodedPicture ReadBmpPage(const PageSource& source) {
    if (source.page != 1) NoSuchPage(source.path, 1, source.page);
    BmpPicture read = ReadBmpFile(source.path, source.options.keepAlpha);
    DecodedPicture picture;
    picture.className = "TBmpGraphic";
    picture.bits = read.pixels.BitsPerPixel();
    picture.formatName = ImageFormatName(BmpFormatOf(picture.bits));
    picture.xDpi = read.xDpi;
    picture.yDpi = read.yDpi;
    picture.pixels = std::move(read.pixels);
    return picture;
}

DecodedPicture ReadPsdPage(const PageSource& source) {
    if (source.page != 1) NoSuchPage(source.path, 1, source.page);
    TPSDGraphic psd;
    psd.LoadFromFile(source.path);
    DecodedPicture picture;
    picture.className = psd.ClassName();
    picture.formatName = "Photoshop " + std::to_string(psd.Header().bitsPerSample) + "-bit";
    picture.xDpi = PixelsPerMetreToDpi(psd.Info().xPixelsPerMetre);
    picture.yDpi = PixelsPerMetreToDpi(psd.Info().yPixelsPerMetre);
    picture.pixels = std::move(psd.Pixels());
    picture.bits = picture.pixels.BitsPerPixel();
    return picture;
}

std::uint32_t Big16(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0] << 8 | p[1]);
}

// The resolution a JFIF segment records, in dots per inch (0 when none);
// the last JFIF segment before the scan counts.
std::pair<int, int> JfifDpi(ByteSpan data) {
    std::pair<int, int> dpi{0, 0};
    std::size_t at = 2;
    while (at + 4 <= data.size() && data[at] == 0xFF) {
        const std::uint8_t marker = data[at + 1];
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) break;
        const std::size_t length = Big16(&data[at + 2]);
        if (length < 2 || at + 2 + length > data.size()) break;
        const std::uint8_t* body = &data[at + 4];
        if (marker == 0xE0 && length >= 16 && std::memcmp(body, "JFIF\0", 5) == 0) {
            const int unit = body[7];
            const auto x = static_cast<int>(Big16(body + 8));
            const auto y = static_cast<int>(Big16(body + 10));
            const auto toDpi = [unit](int density) {
                return unit == 1 ? density : unit == 2 ? (density * 254 + 50) / 100 : 0;
            };
            dpi = {toDpi(x), toDpi(y)};
        }
        at += 2 + length;
    }
    return dpi;
}

std::string UpperExtensionOf(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return extension;
}

DecodedPicture ReadJpegPage(const PageSource& source) {
    if (source.page != 1) NoSuchPage(source.path, 1, source.page);
    const DecodeOptions& options = source.options;
    Bytes bytes = ReadWholeFile(source.path);
    DecodedPicture picture;
    std::tie(picture.xDpi, picture.yDpi) = JfifDpi(bytes);
    TJpegReader reader;
    reader.ReadHeader(std::move(bytes));
    int scale = options.jpegScale;
    if (scale == 0)
        scale = options.fitWidth > 0 && options.fitHeight > 0
                    ? ChooseJpegScale(reader.Width(), reader.Height(), options.fitWidth,
                                      options.fitHeight, false)
                    : 1;
    reader.SetScale(scale);
    picture.fullWidth = reader.Width();
    picture.fullHeight = reader.Height();
    picture.scale = scale;
    picture.className = "ImageLibrary";
    const std::string extension = UpperExtensionOf(source.path);
    picture.formatName = (extension.empty() ? "JPEG" : extension.substr(1)) + " page 1";
    const JpegSize size = reader.ScaledSize();
    if (options.pixelBudget > 0 && std::int64_t{size.width} * size.height > options.pixelBudget) {
        picture.tooLarge = true;
        picture.bits = reader.ImageBits();
        return picture;
    }
    reader.output = options.greyJpegAs8Bits && reader.Components() == 1 ? JpegOutput::Bits8
                                                                        : JpegOutput::Bits24;
    reader.Decode(picture.pixels);
    picture.bits = picture.pixels.BitsPerPixel();
    return picture;
}

// --- DCX: PCX pages behind a page table ---

PictureHeader DcxHeader(const std::filesystem::path& path, const DecodeOptions&) {
    const Bytes bytes = ReadWholeFile(path);
    const std::vector<ByteSpan> pages = DcxPages(bytes);
    TPcxGraphic pcx;
    pcx.ReadInfo(pages.front());
    return Known(pcx.infoWidth, pcx.infoHeight, pcx.infoBits, static_cast<int>(pages.size()), path);
}

DecodedPicture ReadDcxPage(const PageSource& source) {
    const Bytes bytes = ReadWholeFile(source.path);
    const std::vector<ByteSpan> pages = DcxPages(bytes);
    const int count = static_cast<int>(pages.size());
    if (source.page < 1 || source.page > count) NoSuchPage(source.path, count, source.page);
    TPcxGraphic pcx;
    pcx.LoadFromStream(pages[static_cast<std::size_t>(source.page - 1)]);
    DecodedPicture picture;
    picture.pages = count;
    picture.page = source.page;
    picture.xDpi = pcx.XDpi();
    picture.yDpi = pcx.YDpi();
    picture.pixels = pcx.TakePixels();
    SetLibraryRouteFacts(picture, source.path);
    return picture;
}

// --- Photo CD: the uncompressed steps of an image pack ---

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

// The step wanted, or the pack's largest when it holds fewer.
int PhotoCdStep(const PcdLayout& layout, int wanted) {
    return std::clamp(wanted, 0, std::max(layout.stepCount - 1, 0));
}

PictureHeader PhotoCdHeader(const std::filesystem::path& path, const DecodeOptions& options) {
    const Bytes bytes = ReadPack(path);
    const PcdLayout layout = ReadPcdLayout(bytes);
    const PcdDimensions size =
        PcdStepDimensions(PhotoCdStep(layout, options.photoCdStep), layout.rotation);
    return {size.width, size.height, 24, 1};
}

DecodedPicture ReadPhotoCdPage(const PageSource& source) {
    if (source.page != 1) NoSuchPage(source.path, 1, source.page);
    const Bytes bytes = ReadPack(source.path);
    const PcdLayout layout = ReadPcdLayout(bytes);
    const int step = PhotoCdStep(layout, source.options.photoCdStep);
    DecodedPicture picture;
    picture.pixels = DecodePcdStep(bytes, layout, step);
    picture.bits = 24;
    picture.className = "PhotoCd";
    picture.formatName = "Photo CD step " + std::to_string(step);
    return picture;
}

template <typename Graphic> std::unique_ptr<TDibGraphic> New() {
    return std::make_unique<Graphic>();
}

constexpr std::uint32_t Depths(std::initializer_list<int> bits) {
    std::uint32_t mask = 0;
    for (int b : bits) mask |= std::uint32_t{1} << b;
    return mask;
}

// Strong sniffs come first: FormatForContent takes the first row that
// matches. Targa files have no signature, so they are known by extension.
constexpr FormatRow kRows[] = {
    {FormatId::Png, "PNG", ".PNG", SniffPng, false, HeaderOf<TPngGraphic>, ReadPngPage,
     New<TPngGraphic>, false, Depths({1, 4, 8, 24}), false, ".PNG"},
    {FormatId::Jpeg, "JPEG", ".JPG.JPEG.JPE.JFIF", SniffJpeg, false, JpegHeader, ReadJpegPage,
     nullptr, false, 0, false, ""},
    {FormatId::Tiff, "TIFF", ".TIF.TIFF", SniffTiff, false, TiffHeader, ReadLayerPage<TTiffGraphic>,
     New<TTiffGraphic>, true, Depths({1, 4, 8, 24}), true, ".TIF.TIFF"},
    {FormatId::Dcx, "DCX", ".DCX", SniffDcx, false, DcxHeader, ReadDcxPage, nullptr, true, 0, false,
     ""},
    {FormatId::Bmp, "BMP", ".BMP.DIB.RLE", SniffBmp, false, HeaderOf<TBmpGraphic>, ReadBmpPage,
     New<TBmpGraphic>, false, Depths({1, 4, 8, 24}), false, ".BMP"},
    {FormatId::Psd, "PSD", ".PSD", SniffPsd, false, PsdHeader, ReadPsdPage, nullptr, false, 0,
     false, ""},
    {FormatId::PhotoCd, "Photo CD", ".PCD", SniffPhotoCd, false, PhotoCdHeader, ReadPhotoCdPage,
     nullptr, false, 0, false, ""},
    {FormatId::Tga, "TGA", ".TGA.VDA.ICB.VST", nullptr, false, HeaderOf<TTgaGraphic>,
     ReadLayerPage<TTgaGraphic>, New<TTgaGraphic>, false, Depths({8, 24}), false, ".TGA"},
    {FormatId::Pcx, "PCX", ".PCX", SniffPcx, true, HeaderOf<TPcxGraphic>,
     ReadLayerPage<TPcxGraphic>, New<TPcxGraphic>, false, Depths({1, 4, 8, 24}), false, ".PCX"},
    {FormatId::Ico, "ICO", ".ICO.CUR", SniffIco, true, IcoHeader, ReadIcoPage, New<TIconGraphic>,
     false, Depths({24}), false, ".ICO"},
    {FormatId::FlashPix, "FlashPix", ".FPX", nullptr, false, ReadFlashPixHeader, ReadFlashPixPage,
     nullptr, false, 0, false, ""},
};

// The dialogs list the formats in this order.
constexpr FormatId kListOrder[] = {FormatId::Bmp,     FormatId::Pcx,     FormatId::Dcx,
                                   FormatId::Tga,     FormatId::Png,     FormatId::Tiff,
                                   FormatId::Ico,     FormatId::Psd,     FormatId::Jpeg,
                                   FormatId::PhotoCd, FormatId::FlashPix};

std::string_view ExtensionPart(std::string_view extensionOrPath) {
    const auto slash = extensionOrPath.find_last_of('/');
    if (slash != std::string_view::npos) extensionOrPath.remove_prefix(slash + 1);
    const auto dot = extensionOrPath.find_last_of('.');
    if (dot == std::string_view::npos) return {};
    return extensionOrPath.substr(dot);
}

// Whether the dot-separated list holds the extension as a whole entry.
bool ListHolds(std::string_view list, std::string_view upperExtension) {
    std::size_t at = 0;
    while (at < list.size()) {
        const std::size_t next = list.find('.', at + 1);
        const std::string_view entry =
            list.substr(at, next == std::string_view::npos ? list.size() - at : next - at);
        if (entry == upperExtension) return true;
        if (next == std::string_view::npos) break;
        at = next;
    }
    return false;
}

Bytes ReadHeadOf(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    Bytes head(kSniffBytes);
    if (!in) return {};
    in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    return head;
}

} // namespace

void SetLibraryRouteFacts(DecodedPicture& picture, const std::filesystem::path& path) {
    picture.className = "ImageLibrary";
    const std::string extension = UpperExtensionOf(path);
    picture.formatName =
        (extension.empty() ? "" : extension.substr(1)) + " page " + std::to_string(picture.page);
    picture.bits = picture.pixels.BitsPerPixel();
}

std::span<const FormatRow> AllFormats() {
    return kRows;
}

const FormatRow& FormatRowOf(FormatId id) {
    for (const FormatRow& row : kRows)
        if (row.id == id) return row;
    throw std::logic_error("format row missing");
}

const FormatRow* FormatForExtension(std::string_view extensionOrPath) {
    std::string extension(ExtensionPart(extensionOrPath));
    if (extension.size() < 2) return nullptr;
    for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const FormatRow& row : kRows)
        if (ListHolds(row.extensions, extension)) return &row;
    return nullptr;
}

const FormatRow* FormatForContent(ByteSpan head, bool allowWeak) {
    for (const FormatRow& row : kRows)
        if (row.sniff && (allowWeak || !row.weakSniff) && row.sniff(head)) return &row;
    return nullptr;
}

const FormatRow* FormatForData(ByteSpan head, std::string_view extensionOrPath) {
    const FormatRow* named = FormatForExtension(extensionOrPath);
    if (!named) return FormatForContent(head, true);
    if (named->sniff && named->sniff(head)) return named;
    // No valid targa header looks like a strong signature, so a targa name
    // gives way to one as a refused sniff does.
    const FormatRow* found = FormatForContent(head, false);
    return found ? found : named;
}

const FormatRow* FormatForFile(const std::filesystem::path& path) {
    const Bytes head = ReadHeadOf(path);
    return FormatForData(head, path.string());
}

std::string ReadableExtensions() {
    std::string list;
    for (FormatId id : kListOrder) list += FormatRowOf(id).extensions;
    return list;
}

std::string WritableExtensions() {
    std::string list;
    for (FormatId id : kListOrder) list += FormatRowOf(id).writeExtensions;
    return list;
}

bool WritesDepth(const FormatRow& row, int bits) {
    return bits >= 0 && bits < 32 && (row.depthsWritten >> bits & 1) != 0;
}

} // namespace zv
