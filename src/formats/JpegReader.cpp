// The reader's own rules over JpegCodec: which files it takes, and the
// options the viewer's settings give a decode.

#include "formats/JpegReader.h"

#include "formats/Orientation.h"

#include <algorithm>
#include <cstdio>

namespace zv {

namespace {

// Huffman-coded data spends at least one bit per 8 x 8 block in the pass
// that carries the average colours, even at the coarsest sampling (one block
// per 32 x 32 pixels): no real file holds more than 8192 pixels a byte.
// Arithmetic coding has no such floor, so those pictures are held only by
// the output limit.
constexpr std::int64_t kMaxPixelsPerByte = 8192;

} // namespace

void TJpegReader::ReadHeader(const std::filesystem::path& path) {
    Release();
    Bytes bytes;
    try {
        bytes = ReadWholeFile(path);
    } catch (const EInvalidGraphic& e) {
        throw EJpegError(std::string("JPEG error: ") + e.what());
    }
    ReadHeader(std::move(bytes));
    path_ = path;
}

void TJpegReader::ReadHeader(Bytes data) {
    Release();
    data_ = std::move(data);
    try {
        ParseHeader();
    } catch (...) {
        Release();
        throw;
    }
    held_ = true;
}

void TJpegReader::ParseHeader() {
    const JpegDecoder decoder(data_);
    const JpegHeader& header = decoder.Header();
    warnings_ = decoder.Warnings();
    if (!header.knownColourSpace)
        throw EJpegError("JPEG error: unsupported colour space (" +
                         std::to_string(header.components) + " components)");
    const std::int64_t pixels = std::int64_t{header.width} * header.height;
    if (!header.arithmetic && pixels / kMaxPixelsPerByte > static_cast<std::int64_t>(data_.size()))
        throw EJpegError("JPEG error: the picture is larger than its data could hold");
    width_ = header.width;
    height_ = header.height;
    components_ = header.components;
    progressive_ = header.progressive;
    exifOrientation_ = JpegExifOrientation(data_);
}

JpegDecodeOptions TJpegReader::Options() const {
    JpegDecodeOptions options;
    options.scale = scale_;
    options.output = output;
    options.performance = performance;
    options.palette = palette;
    options.paletteColours = paletteColours;
    options.failWhenCut = failWhenCut;
    return options;
}

bool TJpegReader::Holds(const std::filesystem::path& path) const {
    return held_ && !path_.empty() && path_ == path;
}

void TJpegReader::Release() {
    Bytes().swap(data_);
    path_.clear();
    held_ = false;
    width_ = height_ = 0;
    components_ = 0;
    progressive_ = false;
    exifOrientation_ = 1;
    warnings_ = 0;
}

void TJpegReader::SetScale(int scale) {
    if (scale != 1 && scale != 2 && scale != 4 && scale != 8)
        throw std::invalid_argument("JPEG scale must be 1, 2, 4 or 8");
    scale_ = scale;
}

JpegSize TJpegReader::ScaledSize() const {
    if (!held_) return {};
    JpegDecoder decoder(data_);
    return decoder.OutputSize(Options());
}

void TJpegReader::Decode(Bitmap& target, const JpegProgress& progress) {
    target.Clear();
    if (!held_) throw EJpegError("JPEG error: no JPEG file has been read");
    std::unique_ptr<JpegDecoder> decoder;
    try {
        decoder = std::make_unique<JpegDecoder>(data_);
        decoder->Decode(Options(), target, progress);
    } catch (...) {
        if (decoder) warnings_ = decoder->Warnings();
        throw;
    }
    warnings_ = decoder->Warnings();
}

int ChooseJpegScale(std::int64_t pictureWidth, std::int64_t pictureHeight, std::int64_t viewWidth,
                    std::int64_t viewHeight, bool halfJpeg) {
    if (halfJpeg) return 2;
    // Views are far smaller than this; the clamp keeps the products in range.
    constexpr std::int64_t kLargestView = std::int64_t{1} << 40;
    const std::int64_t limitWidth = 2 * std::clamp<std::int64_t>(viewWidth, 0, kLargestView);
    const std::int64_t limitHeight = 2 * std::clamp<std::int64_t>(viewHeight, 0, kLargestView);
    // Compared exactly, so the decoded size (rounded up) never exceeds the limit.
    int scale = 1;
    while (scale < 8 && (pictureWidth > limitWidth * scale || pictureHeight > limitHeight * scale))
        scale *= 2;
    return scale;
}

std::string LoadedText(std::int64_t elapsedMs) {
    std::int64_t shown = std::max<std::int64_t>(elapsedMs, 0);
    if (shown > 200) shown -= 100;
    char text[48];
    std::snprintf(text, sizeof text, "Loaded %lld.%llds", static_cast<long long>(shown / 1000),
                  static_cast<long long>(shown % 1000 / 100));
    return text;
}

} // namespace zv
