#pragma once
// The one place libtiff is driven. A TIFF file is seen through client
// procedures over memory: a span when reading, a growing buffer when writing
// or appending. libtiff's error and warning texts go to per-handle handlers
// that keep the first of each instead of printing, so several files may be
// read on several threads at once. Above the client sit the tag readers with
// the one resolution rule, page count and selection, the size check made
// before any pixel is allocated, and the row readers (strips, scanlines for
// fax and indexed pages, and libtiff's RGBA reader for tiles, planes and
// everything else). Failures throw ETiffError naming the failing call.

#include "formats/ByteReader.h"
#include "formats/DibGraphic.h"
#include "formats/GraphicErrors.h"
#include "formats/LayerPalettes.h"

#include <tiffio.h>

#include <cstdint>
#include <functional>
#include <string>

namespace zv {

// The old deflate tag that libtiff still reads and writes ("ZLib").
inline constexpr std::uint16_t kTiffDeflateTag = 32946;

// A TIFF file open through libtiff over memory. Not copyable, not movable:
// libtiff keeps a pointer to it.
class TiffFile {
public:
    // Opens data for reading. When libtiff cannot read the header, IsOpen()
    // is false and FirstError() holds libtiff's reason.
    explicit TiffFile(ByteSpan data);
    // Opens buffer for writing ("w", the buffer is replaced) or appending
    // ("a", new directories go after those it holds).
    TiffFile(Bytes& buffer, const char* mode);
    ~TiffFile();
    TiffFile(const TiffFile&) = delete;
    TiffFile& operator=(const TiffFile&) = delete;

    bool IsOpen() const { return tif_ != nullptr; }
    // Throws ETiffError("TIFFOpen") unless the file is open.
    void RequireOpen() const;
    TIFF* get() const { return tif_; }
    // Closes the file early, flushing what libtiff still holds; its
    // messages stay readable.
    void Close();
    ByteSpan Data() const;

    // libtiff's first error text ("module: reason"), or empty.
    const std::string& FirstError() const { return error_; }
    // The first error, else the first warning, for diagnostics.
    const std::string& FirstMessage() const { return error_.empty() ? warning_ : error_; }

    // The number of directories (pages), at most 65535.
    int PageCount() const;
    // Makes page (0-based) current; false when the file has no such page.
    bool SelectPage(int page) const;

    // Internal to the client procedures.
    struct Client;

private:
    void Open(const char* mode);

    ByteSpan source_;
    Bytes* buffer_ = nullptr;
    std::uint64_t position_ = 0;
    std::string error_;
    std::string warning_;
    TIFF* tif_ = nullptr;
};

// What a directory says about its page.
struct TiffTags {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t photometric = PHOTOMETRIC_MINISWHITE;
    std::uint16_t compression = COMPRESSION_NONE;
    std::uint16_t bitsPerSample = 1;
    std::uint16_t samples = 1;
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    std::uint32_t t4Options = 0; // Group 3 options, fax group 3 only
    bool tiled = false;
    int xDpi = 0;
    int yDpi = 0;
};

// The tags of the current directory.
TiffTags ReadTiffTags(TIFF* tif);

// Dots per inch from a resolution tag: centimetres are converted, a unit of
// "none" (an aspect ratio only) gives 0, and so does anything not above 0 or
// above a million dots per inch. A million itself is kept, so every
// resolution the writers store reads back.
int TiffDpiOf(double resolution, std::uint16_t unit);

bool IsTiffFaxCompression(int tag);

// Whether the coded data could fill the page at all: a fax row costs at
// least one bit, any other row at most the compression's expansion of one
// byte per byte. Checked before anything is allocated.
bool TiffPageFitsData(const TiffFile& file, const TiffTags& tags);

// The colour map as a palette of 2^paletteBits entries (a short map is
// padded with black); maps holding only 8-bit values are taken as they are,
// 16-bit ones are divided by 257. Without a map, fallback.
Palette TiffColourMap(TIFF* tif, int paletteBits, int bitsPerSample, const Palette& fallback);

// Where the rows of a page go: the address of row y of the target.
using TiffRowTarget = std::function<std::uint8_t*(std::int32_t y)>;

// Inverts a row's bytes (white-is-zero pages and their writing).
void InvertRow(std::uint8_t* row, std::size_t count);
// RGB samples (samples per pixel, 3 or more) to a row of blue, green, red,
// and back: the swap is its own inverse.
void CopyRgbRow(const std::uint8_t* source, std::uint8_t* target, std::uint32_t width, int samples);

enum class TiffRows : std::uint8_t {
    AsStored, // bytes as decoded
    Inverted, // every byte inverted (min-is-white and fax rows)
    Bgr,      // 8-bit RGB (extra samples dropped) turned into blue, green, red
};

// Contiguous strips, strip by strip. Throws ETiffError("TIFFReadEncodedStrip").
void ReadTiffStrips(const TiffFile& file, const TiffTags& tags, TiffRows rows,
                    const TiffRowTarget& target);
// Row by row, as fax pages and indexed pages of any compression need.
// Throws ETiffError("TIFFReadScanLine").
void ReadTiffScanlines(const TiffFile& file, const TiffTags& tags, bool invert,
                       const TiffRowTarget& target);
// Any page through libtiff's RGBA reader, in bands of rows so that its
// 32-bit raster stays small, into 24-bit blue, green, red rows in the order
// the file stores them (the orientation tag is the caller's to apply).
// Throws ETiffError("TIFFReadRGBAImage").
void ReadTiffRgba(const TiffFile& file, const TiffTags& tags, const TiffRowTarget& target);

} // namespace zv
