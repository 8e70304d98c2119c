// JPEG pictures for the imaging library through the format layer's
// JpegCodec: a full-size decode with the accurate transform, tolerant of a
// file cut short, and libjpeg's own quality scale with its default sampling
// when writing. The codec's failures come back as ELibraryError.

#include "library/LibraryJpeg.h"

#include "formats/JpegCodec.h"
#include "formats/LayerPalettes.h"
#include "imaging/PixelTraits.h"
#include "library/LibraryError.h"

#include <string>

namespace zv {

namespace {

// Every 8 x 8 block costs at least one bit of coded data.
constexpr std::int64_t kMaxPixelsPerByte = 1024;

[[noreturn]] void Corrupt(const EJpegError& error) {
    throw ELibraryError(kImgCorrupt,
                        "Corrupt image data: " + std::string(JpegErrorReason(error)) + ".");
}

void CheckDecodable(const JpegHeader& header, std::size_t dataSize, bool grey) {
    CheckPictureSize(static_cast<std::uint32_t>(header.width),
                     static_cast<std::uint32_t>(header.height), grey ? 8 : 24);
    const std::int64_t pixels = std::int64_t{header.width} * header.height;
    if (pixels / kMaxPixelsPerByte > static_cast<std::int64_t>(dataSize))
        throw ELibraryError(kImgCorrupt,
                            "Corrupt image data: the JPEG picture is larger than its data.");
}

} // namespace

bool IsJpeg(ByteSpan data) {
    return data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

LibraryPage DecodeJpeg(ByteSpan data) {
    LibraryPage page;
    try {
        JpegDecoder decoder(data);
        const JpegHeader& header = decoder.Header();
        const bool grey = header.components == 1;
        CheckDecodable(header, data.size(), grey);
        JpegDecodeOptions options;
        options.output = grey ? JpegOutput::Bits8 : JpegOutput::Bits24;
        options.performance = JpegPerformance::Quality;
        // Warnings (a file cut short, a damaged entropy segment) are not
        // shown: the decoder goes on with what it has, as viewers do.
        options.failWhenCut = false;
        options.maxBytes = kMaxLibraryPictureBytes;
        decoder.Decode(options, page.picture);
        page.xDpi = header.xDpi;
        page.yDpi = header.yDpi;
    } catch (const EJpegError& error) {
        Corrupt(error);
    }
    return page;
}

Bytes EncodeJpeg(const Bitmap& picture, int quality, int xDpi, int yDpi) {
    if (picture.Empty()) throw ELibraryError(kImgBadArgument, "There is no picture to write.");
    JpegEncodeOptions options;
    options.quality = quality;
    options.scale = JpegQualityScale::Library;
    options.subsampling = JpegSubsampling::Both;
    options.optimiseTables = false;
    options.dct = JpegDct::IntegerSlow;
    options.grey = HasGreyPalette(picture);
    options.xDpi = xDpi;
    options.yDpi = yDpi;
    try {
        return JpegEncode(picture, options);
    } catch (const EJpegWriteError& error) {
        throw ELibraryError(kImgCannotWrite, "The JPEG picture cannot be made: " +
                                                 std::string(JpegErrorReason(error)) + ".");
    }
}

} // namespace zv
