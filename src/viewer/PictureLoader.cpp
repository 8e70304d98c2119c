#include "viewer/PictureLoader.h"

#include "formats/BmpGraphic.h"
#include "formats/PSDGraphic.h"
#include "formats/PcxGraphic.h"
#include "formats/PictureLists.h"
#include "formats/PngGraphic.h"
#include "formats/TgaGraphic.h"
#include "imaging/MemoryCheck.h"
#include "imaging/PackedDib.h"
#include "library/FaxQuality.h"
#include "platform/Extensions.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

namespace zv {

namespace {

int TrueColourDepth(int depth) {
    return depth > 15 ? 24 : depth;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool Exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

std::uint32_t LittleEndian(const std::uint8_t* at, int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= std::uint32_t{at[i]} << (8 * i);
    return value;
}

} // namespace

std::optional<FormatId> RouteFormatOf(const std::string& path) {
    if (IsJpegExtension(UpperExtension(path))) return FormatId::Jpeg;
    if (const FormatRow* row = FormatForExtension(path)) return row->id;
    return std::nullopt;
}

bool GetBMPinfo(const std::string& path, int& width, int& height, int& depth) {
    std::ifstream in(path, std::ios::binary);
    std::uint8_t headers[54] = {};
    if (!in.read(reinterpret_cast<char*>(headers), sizeof headers)) return true;
    if (headers[0] != 'B' || headers[1] != 'M') return true;
    if (LittleEndian(headers + 14, 4) == 12) { // the OS/2 header: 16-bit fields
        width = static_cast<int>(LittleEndian(headers + 18, 2));
        height = static_cast<int>(LittleEndian(headers + 20, 2));
        const int planes = static_cast<int>(LittleEndian(headers + 22, 2));
        const int bits = static_cast<int>(LittleEndian(headers + 24, 2));
        depth = planes > 1 ? bits * planes : bits;
        return false;
    }
    width = static_cast<std::int32_t>(LittleEndian(headers + 18, 4));
    height = std::abs(static_cast<std::int32_t>(LittleEndian(headers + 22, 4)));
    const int planes = static_cast<int>(LittleEndian(headers + 26, 2));
    const int bits = static_cast<int>(LittleEndian(headers + 28, 2));
    depth = planes > 1 ? bits * planes : bits;
    return false;
}

PictureLoader::PictureLoader(LoadServices services)
    : services_(services), exchange_{services.imaging, services.library, services.tempNames,
                                     services.dialogs},
      jpeg_(std::make_unique<TJpegReader>()) {}

PictureLoader::~PictureLoader() = default;

void PictureLoader::SetDescriptor(std::int32_t width, std::int32_t height, int depth) {
    ImageDescriptor& descriptor = services_.imaging.descriptor;
    descriptor.ImageWidth = width;
    descriptor.ImageHeight = height;
    descriptor.ImageBits = static_cast<std::int16_t>(TrueColourDepth(depth));
}

bool PictureLoader::PaletteDisplayWithReduce() const {
    const ImagingContext& imaging = services_.imaging;
    return imaging.descriptor.ScreenBits == 8 && imaging.descriptor.ImageBits > 8 &&
           services_.settings.autoReduce;
}

void PictureLoader::CloseLibraryImage() {
    ImagingContext& imaging = services_.imaging;
    if (imaging.LibraryHandle) services_.library.ImgClose(imaging.LibraryHandle);
    imaging.LibraryHandle = 0;
}

// --- The probe ---

int PictureLoader::ProbePicture(PictureState& state) {
    const std::string extension = UpperExtension(state.path);
    if (!ExtensionIn(extension, kAcceptedExtensions) && !IsJpegExtension(extension)) {
        if (ExtensionIn(extension, kTextExtensions)) return kProbeText;
        if (ExtensionIn(extension, kVectorExtensions)) return kProbeVector;
        state.path = state.fallbackPath;
        return kProbeFailed;
    }
    if (ExtensionIn(extension, kMediaExtensions)) return kProbeMedia;
    if (!libraryStarted_) {
        services_.library.ImgInit();
        libraryStarted_ = true;
    }
    if (!Exists(state.path)) return kProbeFailed;
    state.pageCount = 1;
    previousImageBits_ = services_.imaging.descriptor.ImageBits;
    tiffNeedsLibrary_ = false;
    probedTiff_.reset();

    const std::optional<FormatId> format = RouteFormatOf(state.path);
    if (!format) return kProbeNoRoute;
    switch (*format) {
    case FormatId::PhotoCd: return ProbePhotoCd(state) ? kProbePicture : kProbeFailed;
    case FormatId::Jpeg: {
        if (ProbeJpeg(state)) return kProbePicture;
        const LoadHost& host = services_.host;
        return !host.Activated() && !host.DeferredStartOpenPending() ? kProbeFailed : kProbeNoRoute;
    }
    case FormatId::Bmp: return ProbeBmp(state) ? kProbePicture : kProbeFailed;
    case FormatId::Tga:
    case FormatId::Png:
    case FormatId::Pcx: return ProbeHeaderOf(state, *format) ? kProbePicture : kProbeFailed;
    case FormatId::Psd: return ProbePsd(state) ? kProbePicture : kProbeFailed;
    case FormatId::Ico: return ProbeIcon(state) ? kProbePicture : kProbeFailed;
    case FormatId::Tiff:
        ProbeTiff(state);
        if (tiffNeedsLibrary_) return ProbeThroughLibrary(state) ? kProbePicture : kProbeFailed;
        return kProbePicture;
    case FormatId::Dcx:
    case FormatId::FlashPix: return ProbeThroughLibrary(state) ? kProbePicture : kProbeFailed;
    default: return kProbeNoRoute;
    }
}

bool PictureLoader::ProbePhotoCd(PictureState& state) {
    if (Lower(state.path).find("img") == std::string::npos) return false;
    const auto size = ProbePCD(services_.photoCd, state.path, services_.settings.photoCdStep);
    if (!size) return false;
    SetDescriptor(size->width, size->height, 24);
    return true;
}

// An uncompressed BMP must hold its rows: a header's numbers are not
// believed past what the file could fill.
static bool RowsFitFile(const std::string& path, int width, int height, int depth) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const auto fileSize = static_cast<std::int64_t>(in.tellg());
    std::uint8_t compression[4] = {};
    in.seekg(30);
    in.read(reinterpret_cast<char*>(compression), 4);
    if (LittleEndian(compression, 4) != 0) return true;
    return RowStride(width, depth) * height <= fileSize;
}

bool PictureLoader::ProbeBmp(PictureState& state) {
    int width = 0, height = 0, depth = 0;
    if (GetBMPinfo(state.path, width, height, depth)) return false;
    if (width < 2 || height < 2 || width > 65535 || height > 65535 || depth % 4 != 0 ||
        depth > 32 || !RowsFitFile(state.path, width, height, depth)) {
        try {
            TBmpGraphic reader;
            reader.ReadInfo(state.path);
            width = reader.infoWidth;
            height = reader.infoHeight;
            depth = reader.infoBits;
        } catch (const std::exception&) {
            return false;
        }
        if (!RowsFitFile(state.path, width, height, depth)) return false;
    }
    SetDescriptor(width, height, depth);
    return true;
}

bool PictureLoader::ProbeHeaderOf(PictureState& state, FormatId format) {
    try {
        if (format == FormatId::Png) {
            TPngGraphic reader;
            reader.ReadInfo(std::filesystem::path(state.path));
            SetDescriptor(reader.infoWidth, reader.infoHeight, reader.infoBits);
        } else if (format == FormatId::Tga) {
            TTgaGraphic reader;
            reader.ReadInfo(std::filesystem::path(state.path));
            SetDescriptor(reader.infoWidth, reader.infoHeight, reader.infoBits);
        } else {
            TPcxGraphic reader;
            reader.ReadInfo(std::filesystem::path(state.path));
            SetDescriptor(reader.infoWidth, reader.infoHeight, reader.infoBits);
        }
    } catch (const std::exception&) {
        return false;
    }
    return services_.imaging.descriptor.ImageWidth > 0 &&
           services_.imaging.descriptor.ImageHeight > 0;
}

bool PictureLoader::ProbeIcon(PictureState& state) {
    try {
        const PictureHeader header = FormatRowOf(FormatId::Ico).readHeader(state.path, {});
        SetDescriptor(header.width, header.height, header.bits);
        state.pageCount = header.pages;
        return header.width > 0 && header.height > 0;
    } catch (const std::exception&) {
        return false;
    }
}

bool PictureLoader::ProbePsd(PictureState& state) {
    try {
        const Bytes bytes = ReadWholeFile(state.path);
        if (!TPSDGraphic::CanRead(bytes)) return false;
        TPSDGraphic reader;
        reader.ReadInfo(bytes, true);
        const PSDHeader& header = reader.Header();
        SetDescriptor(header.width, header.height, header.bitsPerPixel);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

void PictureLoader::ProbeTiff(PictureState& state) {
    auto reader = std::make_unique<TTiffGraphic>();
    bool failed = false;
    try {
        std::lock_guard surface(services_.imaging.current.Surface());
        reader->ReadInfo(std::filesystem::path(state.path), -1);
    } catch (const std::exception&) {
        failed = true;
    }
    SetDescriptor(reader->infoWidth, reader->infoHeight, reader->infoBits);
    const int tag = reader->FileCompressionTag();
    const bool deflateRead = !failed && (tag == 8 || tag == 32946);
    const ImageDescriptor& descriptor = services_.imaging.descriptor;
    tiffNeedsLibrary_ =
        !deflateRead && (failed || descriptor.ImageWidth == 0 || descriptor.ImageHeight == 0 ||
                         descriptor.ImageBits == 0 || descriptor.ImageBits == 1);
    if (!failed && !tiffNeedsLibrary_) {
        probedTiff_ = std::move(reader);
        probedTiffPath_ = state.path;
    }
}

bool PictureLoader::ProbeThroughLibrary(PictureState& state) {
    CloseLibraryImage();
    ImageLibrary& library = services_.library;
    const ImgHandle handle = library.ImgOpenSolo(state.path, 0);
    if (!handle) return false;
    state.pageCount = std::max(1, library.ImgPageCount(handle));
    std::array<std::uint8_t, 40> header{};
    library.ImgGetInfoStruct(handle, header);
    SetDescriptor(static_cast<std::int32_t>(LittleEndian(header.data() + 4, 4)),
                  static_cast<std::int32_t>(LittleEndian(header.data() + 8, 4)),
                  static_cast<int>(LittleEndian(header.data() + 12, 2) *
                                   LittleEndian(header.data() + 14, 2)));
    library.ImgClose(handle);
    return true;
}

bool PictureLoader::ImagemanInfo(PictureState& state, bool reopen) {
    ImageLibrary& library = services_.library;
    ImagingContext& imaging = services_.imaging;
    if (reopen) {
        CloseLibraryImage();
        imaging.LibraryHandle = library.ImgOpenSolo(state.path, 0);
        if (imaging.LibraryHandle)
            state.pageCount = std::max(1, library.ImgPageCount(imaging.LibraryHandle));
    }
    std::array<std::uint8_t, 40> header{};
    const bool known =
        imaging.LibraryHandle && library.ImgGetInfoStruct(imaging.LibraryHandle, header);
    if (known)
        SetDescriptor(static_cast<std::int32_t>(LittleEndian(header.data() + 4, 4)),
                      static_cast<std::int32_t>(LittleEndian(header.data() + 8, 4)),
                      static_cast<int>(LittleEndian(header.data() + 12, 2) *
                                       LittleEndian(header.data() + 14, 2)));
    if (reopen) CloseLibraryImage();
    return known;
}

} // namespace zv
