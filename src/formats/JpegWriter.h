#pragma once
// TJpegWriter: the program's JPEG settings over JpegCodec. Quality is a linear
// scale: the quantisation tables are the standard ones scaled by quality
// percent, so 50 halves them and 100 keeps them. Colour pictures are written
// as YCbCr, grey ones as one 8-bit channel; every component is sampled 1 x 1
// unless asked otherwise, the entropy tables are optimised, the transform is
// libjpeg's floating-point one, and no comment is written.

#include "formats/DibGraphic.h"
#include "formats/JpegCodec.h"
#include "imaging/Bitmap.h"

#include <filesystem>
#include <stdexcept>

namespace zv {

// The save dialog's range.
inline constexpr int kMinJpegQuality = 0;
inline constexpr int kMaxJpegQuality = 128;
inline constexpr int kDefaultSaveQuality = 50;
// The writer's own range reaches further, for the coarse tables of JPEG
// artifacts: 255 scales the standard tables by 2.55.
inline constexpr int kMaxWriterQuality = 255;

// The quality a save uses for a value asked for: 0..128 as it is, anything
// else 50.
constexpr int ValidJpegQuality(int quality) {
    return quality >= kMinJpegQuality && quality <= kMaxJpegQuality ? quality : kDefaultSaveQuality;
}
// The quality the writer uses: 0..255 as it is (0 writes as 1, the finest
// step), anything else 50.
constexpr int ValidWriterQuality(int quality) {
    return quality >= kMinJpegQuality && quality <= kMaxWriterQuality ? quality
                                                                      : kDefaultSaveQuality;
}

class TJpegWriter {
public:
    // Any picture format: palette pictures and 15-, 16- and 32-bit ones are
    // expanded row by row. With grey set each pixel becomes its brightness
    // (0.299 red + 0.587 green + 0.114 blue); a grey palette gives its level.
    // Throws EJpegWriteError for an empty picture or when libjpeg fails.
    Bytes Compress(const Bitmap& picture) const;
    // Compresses, then writes the file atomically: a failure leaves an
    // existing file as it was (EJpegWriteError, or EFileWriteError).
    void SaveToFile(const std::filesystem::path& path, const Bitmap& picture) const;

    int quality = kDefaultSaveQuality; // see ValidWriterQuality
    JpegSubsampling subsampling = JpegSubsampling::None;
    int smoothing = 0; // 0..100
    bool grey = false;
    bool progressive = false;
    // Written in the JFIF header when both are 1..65535; otherwise the
    // header says "no unit", aspect 1:1.
    int xDpi = 0;
    int yDpi = 0;
    // Segments written verbatim after the header (the metadata of the file
    // the picture came from).
    std::vector<JpegMarker> keptMarkers;

    // The codec's options these settings make.
    JpegEncodeOptions Options() const;
};

} // namespace zv
