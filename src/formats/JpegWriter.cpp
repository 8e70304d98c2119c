// The program's JPEG settings over JpegCodec's one encoder.

#include "formats/JpegWriter.h"

#include "platform/linux/AtomicFile.h"

#include <string>
#include <string_view>

namespace zv {

JpegEncodeOptions TJpegWriter::Options() const {
    JpegEncodeOptions options;
    options.quality = ValidWriterQuality(quality);
    options.scale = JpegQualityScale::Linear;
    options.subsampling = subsampling;
    options.smoothing = smoothing;
    options.optimiseTables = true;
    options.dct = JpegDct::Float;
    options.grey = grey;
    options.progressive = progressive;
    options.xDpi = xDpi;
    options.yDpi = yDpi;
    options.markers = keptMarkers;
    return options;
}

Bytes TJpegWriter::Compress(const Bitmap& picture) const {
    return JpegEncode(picture, Options());
}

void TJpegWriter::SaveToFile(const std::filesystem::path& path, const Bitmap& picture) const {
    const Bytes bytes = Compress(picture);
    WriteFileAtomically(
        path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

} // namespace zv
