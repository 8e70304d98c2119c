#include "formats/DibGraphic.h"

#include "formats/LayerPalettes.h"
#include "platform/WholeFile.h"
#include "platform/linux/AtomicFile.h"

#include <cmath>
#include <cstring>

namespace zv {

namespace {

constexpr std::uint64_t kLargestFile = std::uint64_t{2} << 30;

const char* const kFormatNames[] = {"B/W",        "4bpp gray",  "8bpp gray",
                                    "4bpp color", "8bpp color", "24bpp color"};

void PutLE32(Bytes& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// The layer's image of a viewer pixel format: its own when it has one,
// otherwise 24-bit colour.
ImageFormat ImageFormatOfPixels(PixelFormat format) {
    switch (format) {
    case PixelFormat::Bits1: return ImageFormat::BW;
    case PixelFormat::Bits4: return ImageFormat::Color4;
    case PixelFormat::Bits8: return ImageFormat::Color8;
    default: return ImageFormat::Color24;
    }
}

} // namespace

std::string FormatMessage(const char* templ, const std::string& first, const std::string& second) {
    std::string text;
    int filled = 0;
    for (const char* c = templ; *c; ++c) {
        if (c[0] == '%' && (c[1] == 's' || c[1] == 'd') && filled < 2) {
            text += filled++ == 0 ? first : second;
            ++c;
        } else {
            text += *c;
        }
    }
    return text;
}

ImageFormat ImageFormatOf(int value) {
    if (value < 0 || value > 5) throw EInvalidGraphic("Invalid image format");
    return static_cast<ImageFormat>(value);
}

const char* ImageFormatName(ImageFormat format) {
    return kFormatNames[static_cast<int>(format)];
}

int BitsOf(ImageFormat format) {
    switch (format) {
    case ImageFormat::BW: return 1;
    case ImageFormat::Gray4:
    case ImageFormat::Color4: return 4;
    case ImageFormat::Gray8:
    case ImageFormat::Color8: return 8;
    case ImageFormat::Color24: return 24;
    }
    return 24;
}

bool HasPalette(ImageFormat format) {
    return format != ImageFormat::Color24;
}

bool IsGrey(ImageFormat format) {
    return format == ImageFormat::Gray4 || format == ImageFormat::Gray8;
}

const Palette& DefaultPaletteOf(ImageFormat format) {
    static const Palette none;
    switch (format) {
    case ImageFormat::BW: return BlackWhitePalette();
    case ImageFormat::Gray4: return Grey16Palette();
    case ImageFormat::Gray8: return Grey256Palette();
    case ImageFormat::Color4: return Colour16Palette();
    case ImageFormat::Color8: return Colour256Palette();
    case ImageFormat::Color24: return none;
    }
    return none;
}

PixelFormat PixelFormatOf(ImageFormat format) {
    switch (BitsOf(format)) {
    case 1: return PixelFormat::Bits1;
    case 4: return PixelFormat::Bits4;
    case 8: return PixelFormat::Bits8;
    default: return PixelFormat::Bits24;
    }
}

std::int32_t DpiToPixelsPerMetre(int dpi) {
    return static_cast<std::int32_t>(std::lround(dpi * 39.370078740157480317));
}

int PixelsPerMetreToDpi(std::int32_t pixelsPerMetre) {
    return static_cast<int>(std::lround(pixelsPerMetre * 0.0254));
}

Bytes ReadWholeFile(const std::filesystem::path& path) {
    WholeFile file = ReadEntireFile(path, kLargestFile);
    switch (file.status) {
    case WholeFileStatus::Read: break;
    case WholeFileStatus::CannotOpen: throw EInvalidGraphic("Cannot open " + path.string());
    case WholeFileStatus::TooLarge: throw EInvalidGraphic("File too large: " + path.string());
    case WholeFileStatus::CannotRead: throw EInvalidGraphic("Cannot read " + path.string());
    }
    return std::move(file.bytes);
}

TDibGraphic::TDibGraphic() = default;
TDibGraphic::~TDibGraphic() = default;

std::unique_ptr<TDibGraphic> TDibGraphic::NewOfSameClass() const {
    return std::make_unique<TDibGraphic>();
}

void TDibGraphic::NewImage(std::int32_t width, std::int32_t height, ImageFormat format,
                           const Palette* palette, int xDpi, int yDpi) {
    Clear();
    ImageFormatOf(static_cast<int>(format));
    if (width < 0 || height < 0 || RowStride(width, BitsOf(format)) * height > kMaxLayerImageBytes)
        throw EInvalidGraphic("CreateDibSection failed");
    try {
        pixels_.Create(width, height, PixelFormatOf(format));
    } catch (const EBitmapError&) {
        Clear();
        throw EInvalidGraphic("CreateDibSection failed");
    }
    format_ = format;
    SetPalette(palette ? *palette : DefaultPaletteOf(format));
    SetXDpi(xDpi ? xDpi : screenDpi);
    SetYDpi(yDpi ? yDpi : screenDpi);
}

void TDibGraphic::NewAlphaImage(std::int32_t width, std::int32_t height, int xDpi, int yDpi) {
    NewImage(0, 0, ImageFormat::Color24, nullptr, xDpi, yDpi);
    if (width < 0 || height < 0 || RowStride(width, 32) * height > kMaxLayerImageBytes)
        throw EInvalidGraphic("CreateDibSection failed");
    try {
        pixels_.Create(width, height, PixelFormat::Bits32);
    } catch (const EBitmapError&) {
        Clear();
        throw EInvalidGraphic("CreateDibSection failed");
    }
    pixels_.SetAlpha(true);
}

void TDibGraphic::DropAlpha() {
    if (HasAlpha()) pixels_.SetPixelFormat(PixelFormat::Bits24);
}

void TDibGraphic::DropAlphaIfAllClear() {
    if (!HasAlpha()) return;
    for (std::int32_t y = 0; y < Height(); ++y) {
        const std::uint8_t* pixel = ScanLine(y);
        for (std::int32_t x = 0; x < Width(); ++x, pixel += 4)
            if (pixel[3] != 0) return;
    }
    DropAlpha();
}

void TDibGraphic::Clear() {
    pixels_.Clear();
    palette_.clear();
    mapper_.reset();
    frames_.clear();
    currentFrame_ = -1;
}

void TDibGraphic::SetWidth(std::int32_t) {
    throw EInvalidGraphic("Dimensions must be changed with NewImage");
}

void TDibGraphic::SetHeight(std::int32_t) {
    throw EInvalidGraphic("Dimensions must be changed with NewImage");
}

void TDibGraphic::SetPalette(const Palette& palette) {
    if (!HasPalette(format_)) {
        palette_.clear();
    } else {
        const std::size_t most = std::size_t{1} << Bits();
        palette_.assign(palette.begin(), palette.begin() + static_cast<std::ptrdiff_t>(
                                                               std::min(most, palette.size())));
        pixels_.SetPalette(palette_);
    }
    mapper_.reset();
}

const TRgbToPaletteConverter& TDibGraphic::Mapper() const {
    if (!mapper_) mapper_ = std::make_unique<TRgbToPaletteConverter>(palette_);
    return *mapper_;
}

int TDibGraphic::GetPixelIndex(std::int32_t x, std::int32_t y) const {
    const std::uint8_t* row = ScanLine(y);
    switch (Bits()) {
    case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4: return x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0F;
    case 8: return row[x];
    default: throw EInvalidGraphic("The image does not have a palette");
    }
}

void TDibGraphic::SetPixelIndex(std::int32_t x, std::int32_t y, int index) {
    std::uint8_t* row = ScanLine(y);
    switch (Bits()) {
    case 1: {
        const std::uint8_t bit = static_cast<std::uint8_t>(0x80 >> (x % 8));
        row[x / 8] = static_cast<std::uint8_t>(index & 1 ? row[x / 8] | bit : row[x / 8] & ~bit);
        break;
    }
    case 4:
        row[x / 2] =
            static_cast<std::uint8_t>(x % 2 == 0 ? (row[x / 2] & 0x0F) | (index & 0x0F) << 4
                                                 : (row[x / 2] & 0xF0) | (index & 0x0F));
        break;
    case 8: row[x] = static_cast<std::uint8_t>(index); break;
    default: throw EInvalidGraphic("The image does not have a palette");
    }
}

std::uint32_t TDibGraphic::GetPixel(std::int32_t x, std::int32_t y) const {
    if (format_ == ImageFormat::Color24) {
        const std::uint8_t* pixel = ScanLine(y) + (HasAlpha() ? 4 : 3) * x;
        return pixel[2] | pixel[1] << 8 | std::uint32_t{pixel[0]} << 16;
    }
    const int index = GetPixelIndex(x, y);
    if (index >= static_cast<int>(palette_.size())) return 0;
    const PaletteEntry& entry = palette_[index];
    return entry.red | entry.green << 8 | std::uint32_t{entry.blue} << 16;
}

void TDibGraphic::SetPixel(std::int32_t x, std::int32_t y, std::uint32_t colour) {
    if (format_ == ImageFormat::Color24) {
        std::uint8_t* pixel = ScanLine(y) + (HasAlpha() ? 4 : 3) * x;
        pixel[0] = static_cast<std::uint8_t>(colour >> 16);
        pixel[1] = static_cast<std::uint8_t>(colour >> 8);
        pixel[2] = static_cast<std::uint8_t>(colour);
        return;
    }
    SetPixelIndex(x, y, Mapper().NearestIndex(colour & 0xFFFFFF));
}

Bytes TDibGraphic::InfoHeader() const {
    Bytes header(40, 0);
    PutLE32(header, 0, 40);
    PutLE32(header, 4, static_cast<std::uint32_t>(Width()));
    PutLE32(header, 8, static_cast<std::uint32_t>(Height()));
    header[12] = 1;
    header[14] = static_cast<std::uint8_t>(pixels_.BitsPerPixel());
    PutLE32(header, 20, static_cast<std::uint32_t>(ImageSize()));
    PutLE32(header, 24, static_cast<std::uint32_t>(xPixelsPerMetre_));
    PutLE32(header, 28, static_cast<std::uint32_t>(yPixelsPerMetre_));
    PutLE32(header, 32, static_cast<std::uint32_t>(palette_.size()));
    for (const PaletteEntry& entry : palette_)
        header.insert(header.end(), {entry.blue, entry.green, entry.red, 0});
    return header;
}

void TDibGraphic::CopyImageOf(const TDibGraphic& source) {
    pixels_ = source.pixels_;
    format_ = source.format_;
    palette_ = source.palette_;
    mapper_.reset();
    xPixelsPerMetre_ = source.xPixelsPerMetre_;
    yPixelsPerMetre_ = source.yPixelsPerMetre_;
    frameDelay = source.frameDelay;
}

void TDibGraphic::Assign(const TDibGraphic& source) {
    if (&source == this || source.Empty()) return;
    CopyImageOf(source);
    if (!WritesAlpha()) DropAlpha();
}

void TDibGraphic::Assign(const Bitmap& source, int xDpi, int yDpi) {
    if (source.Empty()) return;
    Assign(Bitmap(source), xDpi, yDpi);
}

void TDibGraphic::Assign(Bitmap&& source, int xDpi, int yDpi) {
    if (source.Empty()) return;
    const ImageFormat format = ImageFormatOfPixels(source.Format());
    Bitmap pixels(std::move(source));
    const bool keepsAlpha = pixels.HasAlpha() && WritesAlpha();
    if (pixels.Format() != PixelFormatOf(format) && !keepsAlpha)
        pixels.SetPixelFormat(PixelFormatOf(format));
    pixels.SetStorage(StorageKind::DIB);
    Clear();
    pixels_ = std::move(pixels);
    format_ = format;
    palette_ = HasPalette(format) ? pixels_.Colours() : Palette{};
    SetXDpi(xDpi ? xDpi : screenDpi);
    SetYDpi(yDpi ? yDpi : screenDpi);
}

void TDibGraphic::AssignTo(Bitmap& destination) const {
    destination = pixels_;
}

Bitmap TDibGraphic::TakePixels() {
    Bitmap taken = std::move(pixels_);
    Clear();
    return taken;
}

void TDibGraphic::LoadFromStream(ByteSpan data) {
    if (!loadAllFrames) {
        ReadImage(data, imageToRead);
        return;
    }
    const int count = ImageCount(data);
    if (count <= 1) {
        ReadImage(data, imageToRead);
        return;
    }
    std::vector<std::unique_ptr<TDibGraphic>> frames;
    for (int i = 1; i <= count; ++i) {
        auto frame = NewOfSameClass();
        frame->ReadImage(data, i);
        frames.push_back(std::move(frame));
    }
    frames_ = std::move(frames);
    ShowFrame(1);
}

void TDibGraphic::LoadFromFile(const std::filesystem::path& path) {
    const Bytes bytes = ReadWholeFile(path);
    LoadFromStream(bytes);
}

void TDibGraphic::ReadImage(ByteSpan, int) {
    throw EInvalidGraphic(FormatMessage("Cannot read a %s", ClassName()));
}

void TDibGraphic::SaveToStream(Bytes&) const {
    throw EInvalidGraphic(FormatMessage("Cannot write a %s", ClassName()));
}

void TDibGraphic::WriteTo(ByteSink& out) const {
    Bytes bytes;
    SaveToStream(bytes);
    out.Write(bytes.data(), bytes.size());
}

void TDibGraphic::SaveToFile(const std::filesystem::path& path) const {
    if (!ReadyToWriteInPieces()) {
        Bytes bytes;
        SaveToStream(bytes);
        WriteFileAtomically(
            path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        return;
    }
    AtomicFileStream file(path);
    WriteTo(file);
    file.Commit();
}

void TDibGraphic::AddImage(Bytes&) const {
    throw EInvalidGraphic(
        FormatMessage("The %s format does not support multiple images", ClassName()));
}

int TDibGraphic::ImageCount(ByteSpan) const {
    return 1;
}

const TDibGraphic& TDibGraphic::Frame(int n) const {
    if (n < 1 || n > FrameCount())
        throw EInvalidGraphic(FormatMessage("Frame %d does not exist", std::to_string(n)));
    return *frames_[n - 1];
}

void TDibGraphic::AddFrame(std::unique_ptr<TDibGraphic> frame) {
    frames_.push_back(std::move(frame));
}

void TDibGraphic::ShowFrame(int n) {
    const TDibGraphic& frame = Frame(n);
    CopyImageOf(frame);
    currentFrame_ = n;
}

void TDibGraphic::NextFrame() {
    if (FrameCount() == 0) return;
    ShowFrame(currentFrame_ >= FrameCount() || currentFrame_ < 1 ? 1 : currentFrame_ + 1);
}

} // namespace zv
