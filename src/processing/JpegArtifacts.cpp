#include "processing/JpegArtifacts.h"

#include "formats/JpegCodec.h"
#include "formats/JpegWriter.h"
#include "processing/RowBands.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace zv {

namespace {

constexpr std::int32_t kBlockRows = 8;
// The tallest band a JPEG file holds, in whole block rows.
constexpr std::int32_t kTallestBand = 65496;

// The threads' bands moved to block-row boundaries, none taller than a JPEG
// file allows.
std::vector<RowBand> BlockBands(const Bitmap& picture) {
    std::vector<std::int32_t> starts;
    for (const RowBand& band : BandsFor(picture, 0, picture.Height())) {
        const std::int32_t start = band.first / kBlockRows * kBlockRows;
        if (starts.empty() || start > starts.back()) starts.push_back(start);
    }
    std::vector<RowBand> bands;
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const std::int32_t end = i + 1 < starts.size() ? starts[i + 1] : picture.Height();
        for (std::int32_t first = starts[i]; first < end; first += kTallestBand)
            bands.push_back({first, std::min(end, first + kTallestBand)});
    }
    return bands;
}

// The rows of one band encoded and decoded again, in a picture of its own.
Bitmap RoundTrip(const Bitmap& picture, RowBand band, const TJpegWriter& writer) {
    const Bytes file = JpegEncodeRows(picture, band.first, band.end, writer.Options());
    Bitmap part;
    JpegDecoder decoder(file);
    JpegDecodeOptions options;
    options.performance = JpegPerformance::Quality;
    decoder.Decode(options, part);
    if (part.Width() != picture.Width() || part.Height() != band.end - band.first ||
        part.Format() != PixelFormat::Bits24)
        throw EJpegError("JPEG error: the artifacts came back at another size");
    return part;
}

} // namespace

void AddArtifact(Bitmap& picture, int quality) {
    if (picture.Format() != PixelFormat::Bits24)
        throw std::invalid_argument("JPEG artifacts need a 24-bit picture");
    if (picture.Empty()) return;
    TJpegWriter writer;
    writer.quality = std::clamp(quality, 1, kMaxWriterQuality);
    writer.subsampling = JpegSubsampling::None;
    writer.smoothing = 0;
    const std::vector<RowBand> bands = BlockBands(picture);
    std::vector<Bitmap> parts(bands.size());
    RunBands(bands.size(), [&](std::size_t i) { parts[i] = RoundTrip(picture, bands[i], writer); });
    RunBands(bands.size(), [&](std::size_t i) {
        std::memcpy(picture.ScanLine(bands[i].first), parts[i].ScanLine(0),
                    static_cast<std::size_t>(parts[i].Stride() * parts[i].Height()));
    });
}

} // namespace zv
