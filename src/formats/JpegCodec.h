#pragma once
// The one place libjpeg is driven: one decoder (full size or scaled by
// libjpeg to 1/2, 1/4, 1/8; 24-bit, grey, 8-bit palette or the display
// format; header only) and one encoder taking one options struct. Every
// call owns its libjpeg state, so any number of threads may decode and
// encode at once. libjpeg's failures come back as EJpegError (decoding) or
// EJpegWriteError (encoding), whose messages start "JPEG error: ".

#include "formats/ByteReader.h"
#include "formats/DibGraphic.h"
#include "imaging/Bitmap.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

// Every message starts "JPEG error", so the program-wide handler can tell
// JPEG failures from others.
class EJpegError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// libjpeg's failures while writing. The message starts "JPEG error".
class EJpegWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The reason of a JPEG error without its "JPEG error: " lead.
std::string_view JpegErrorReason(const std::exception& error);

enum class JpegOutput : std::uint8_t {
    Bits24, // blue, green, red
    Bits8,  // grey JPEGs on a 256-grey palette, colour ones reduced to a palette
    Device, // the display format: blue, green, red, unused
};

// Speed: the fast integer transform. Quality: the accurate transform. Both
// upsample subsampled colour planes smoothly.
enum class JpegPerformance : std::uint8_t { Speed, Quality };

// The viewer's JPEG palette option (0..3): how a colour JPEG becomes 8-bit.
enum class JpegPalette : std::uint8_t {
    FixedOrdered = 0,    // a fixed colour cube, ordered dithering
    FixedDithered = 1,   // the fixed cube, error diffusion
    ColourMatched = 2,   // colours chosen for the picture, no dithering
    OptimalDithered = 3, // colours chosen for the picture, error diffusion
};

// Called with 0, 5, 10, ..., 100 as the decode advances, each value once.
// It may throw to stop the decode; the exception reaches Decode's caller.
using JpegProgress = std::function<void(int percent)>;

struct JpegSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
    friend bool operator==(const JpegSize&, const JpegSize&) = default;
};

// An APPn (0xE0..0xEF) or comment (0xFE) segment: its marker code and the
// bytes after its length field.
struct JpegMarker {
    std::uint8_t code = 0;
    Bytes data;
    friend bool operator==(const JpegMarker&, const JpegMarker&) = default;
};

inline constexpr std::uint8_t kJpegComment = 0xFE;
inline constexpr std::uint8_t kJpegApp0 = 0xE0;

// --- Decoding ----------------------------------------------------------------

struct JpegHeader {
    std::int32_t width = 0;
    std::int32_t height = 0;
    int components = 0;
    bool progressive = false;
    bool arithmetic = false;
    // The colour space is one the decoder turns into colour or grey.
    bool knownColourSpace = false;
    // From the JFIF density; centimetres converted, no unit gives 0.
    int xDpi = 0;
    int yDpi = 0;
    // The APPn and comment segments in file order, when asked for.
    std::vector<JpegMarker> markers;
};

struct JpegDecodeOptions {
    int scale = 1; // 1, 2, 4 or 8 for full size, 1/2, 1/4, 1/8
    JpegOutput output = JpegOutput::Bits24;
    // Colour pictures become their brightness on a 256-grey palette.
    bool grey = false;
    JpegPerformance performance = JpegPerformance::Speed;
    JpegPalette palette = JpegPalette::FixedOrdered; // colour to Bits8
    int paletteColours = 256;                        // 8..256
    // A file that ends early fails, so a cut-off download is not shown as
    // if it were the picture; otherwise libjpeg shows the missing part grey.
    bool failWhenCut = true;
    // Neither the picture nor libjpeg's own buffers grow beyond this.
    std::int64_t maxBytes = std::int64_t{1} << 30;
};

// A decode's components as the file stores them, interleaved (a row is
// width x components bytes), with no colour conversion: luma and colour
// differences stay so, and a fourth channel stays its own.
struct JpegComponents {
    std::int32_t width = 0;
    std::int32_t height = 0;
    int components = 0;
    Bytes samples;
};

// One decode of one file: the constructor reads the header, the caller
// looks at it and decodes once. The data must outlive the decoder.
class JpegDecoder {
public:
    // Throws EJpegError when the header cannot be read.
    explicit JpegDecoder(ByteSpan data, bool keepMarkers = false);
    ~JpegDecoder();
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;

    const JpegHeader& Header() const { return header_; }
    // The size a decode with these options makes, as libjpeg computes it.
    JpegSize OutputSize(const JpegDecodeOptions& options);
    // Allocates target at the decode size and fills it. On failure target
    // is cleared and EJpegError (or the progress function's exception) is
    // raised. Only one decode per decoder.
    void Decode(const JpegDecodeOptions& options, Bitmap& target,
                const JpegProgress& progress = {});
    // The same for the stored components: the options' scale, performance,
    // failWhenCut and maxBytes apply, their output, grey and palette not.
    void DecodeComponents(const JpegDecodeOptions& options, JpegComponents& target);
    // Warnings libjpeg raised so far (damaged entropy data and the like).
    int Warnings() const;

    struct Session;

private:
    std::unique_ptr<Session> s_;
    JpegHeader header_;
};

// --- Encoding ----------------------------------------------------------------

enum class JpegQualityScale : std::uint8_t {
    // The program's scale: the standard tables scaled by quality percent, so
    // 50 halves them and 100 keeps them (1..255).
    Linear,
    // libjpeg's 1..100 scale.
    Library,
};

// Sampling of the colour planes against brightness.
enum class JpegSubsampling : std::uint8_t {
    None,       // every plane at full size
    Horizontal, // colour at half width
    Both,       // colour at half width and half height
};

enum class JpegDct : std::uint8_t { IntegerSlow, IntegerFast, Float };

struct JpegEncodeOptions {
    int quality = 50;
    JpegQualityScale scale = JpegQualityScale::Linear;
    JpegSubsampling subsampling = JpegSubsampling::None;
    int smoothing = 0; // 0..100
    bool progressive = false;
    // One 8-bit channel: each pixel's brightness (0.299 red + 0.587 green +
    // 0.114 blue); a grey palette gives its level.
    bool grey = false;
    bool optimiseTables = true;
    JpegDct dct = JpegDct::Float;
    // Written in the JFIF header when both are 1..65535; otherwise the
    // header says "no unit", aspect 1:1.
    int xDpi = 0;
    int yDpi = 0;
    // Segments written verbatim after the header, in order; a JFIF APP0
    // among them is left out, as the encoder writes its own.
    std::vector<JpegMarker> markers;
    // A comment segment written after them.
    std::optional<std::string> comment;
};

// The segments of a JPEG file a save of its picture keeps: EXIF and XMP,
// colour profiles, comments and the other APPn segments, in file order.
// Left out are the JFIF header (the encoder writes its own) and the Adobe
// segment, whose colour transform flag describes the old file's coding, not
// the new one's. With grey, colour profiles are left out too. Throws
// EJpegError when the header cannot be read.
std::vector<JpegMarker> JpegMetadataMarkers(ByteSpan data, bool grey = false);

// Any picture format: palette pictures and 15-, 16- and 32-bit ones are
// expanded row by row. Throws EJpegWriteError for an empty picture, a
// segment that is not APPn or a comment or is longer than 65533 bytes, or
// when libjpeg fails.
Bytes JpegEncode(const Bitmap& picture, const JpegEncodeOptions& options);
// The same for rows first .. end-1 of the picture, as a picture of their own.
Bytes JpegEncodeRows(const Bitmap& picture, std::int32_t first, std::int32_t end,
                     const JpegEncodeOptions& options);

} // namespace zv
