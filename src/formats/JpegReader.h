#pragma once
// TJpegReader: the viewer's JPEG reader over JpegCodec. It holds the bytes
// of the last file whose header it read and decodes them, at full size or
// scaled by libjpeg to 1/2, 1/4 or 1/8, straight into the rows of a Bitmap:
// 24-bit, 8-bit palette or the display format.

#include "formats/DibGraphic.h"
#include "formats/JpegCodec.h"
#include "imaging/Bitmap.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace zv {

class TJpegReader {
public:
    // Reads the file (or takes the bytes) and its header; the reader then
    // holds them. Damaged headers, unsupported colour spaces and pictures
    // larger than their data could hold raise EJpegError and leave the
    // reader holding nothing.
    void ReadHeader(const std::filesystem::path& path);
    void ReadHeader(Bytes data);

    bool HoldsFile() const { return held_; }
    // True when the reader holds the file read from this path.
    bool Holds(const std::filesystem::path& path) const;
    const std::filesystem::path& FileName() const { return path_; }
    void Release();

    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    int Components() const { return components_; }
    // The depth the picture is recorded with: 8 for grey, 24 for colour.
    int ImageBits() const { return components_ == 1 ? 8 : 24; }
    bool Progressive() const { return progressive_; }
    // The orientation the file's EXIF records (1..8; 1 without EXIF). The
    // reader decodes the rows as stored; standing them upright is the caller's.
    int ExifOrientation() const { return exifOrientation_; }
    // Warnings libjpeg raised on the last header read or decode (damaged
    // entropy data and the like); they never stop a decode.
    int Warnings() const { return warnings_; }

    // 1, 2, 4 or 8 for full size, 1/2, 1/4, 1/8; any other throws std::invalid_argument.
    void SetScale(int scale);
    int Scale() const { return scale_; }
    // The size the next decode makes at the current scale, as libjpeg computes it.
    JpegSize ScaledSize() const;

    // Allocates target at the decode size and fills it. On failure target
    // is cleared and EJpegError (or the progress function's exception) is raised.
    void Decode(Bitmap& target, const JpegProgress& progress = {});

    JpegOutput output = JpegOutput::Bits24;
    JpegPerformance performance = JpegPerformance::Speed;
    JpegPalette palette = JpegPalette::FixedOrdered;
    int paletteColours = 256; // colours of an 8-bit colour decode, 8..256
    // A file that ends early fails; otherwise the rows it holds are decoded
    // and the missing ones come out grey (Warnings() then counts it).
    bool failWhenCut = true;

private:
    void ParseHeader();
    JpegDecodeOptions Options() const;

    Bytes data_;
    std::filesystem::path path_;
    bool held_ = false;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    int components_ = 0;
    bool progressive_ = false;
    int exifOrientation_ = 1;
    int scale_ = 1;
    mutable int warnings_ = 0;
};

// The scale for a picture shown in a view: the view doubled both ways is the
// limit, and the scale doubles (up to 8) while the picture divided by it is
// still wider or taller than the limit. halfJpeg fixes the scale at 2.
int ChooseJpegScale(std::int64_t pictureWidth, std::int64_t pictureHeight, std::int64_t viewWidth,
                    std::int64_t viewHeight, bool halfJpeg);

// "Loaded 1.1s": the status text after a decode that took elapsedMs
// milliseconds; times above 200 ms are shown 100 ms shorter.
std::string LoadedText(std::int64_t elapsedMs);
// The status after a damaged or cut-off file was shown as far as it reads.
inline constexpr const char* kDamagedJpegText = "Damaged file: shown as far as it could be read.";

} // namespace zv
