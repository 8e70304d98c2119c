#pragma once
// The marker structure of a JPEG file held in memory, as the JPEG text window
// walks it: the start-of-image marker, segments (marker, big-endian length
// that counts itself, data), standalone markers and entropy-coded bytes. The
// walk never trusts a length: every segment must lie inside the bytes, or the
// walk stops with EJpegMarkers.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>

namespace zv {

inline constexpr char kBadJpegMarkers[] = "File has bad JPEG markers.";

// A walk or parse met a length, count or offset outside its segment or the
// file. The message is always kBadJpegMarkers, the text the user sees.
class EJpegMarkers : public std::runtime_error {
public:
    EJpegMarkers() : std::runtime_error(kBadJpegMarkers) {}
};

using ByteSpan = std::span<const std::uint8_t>;

inline constexpr std::uint8_t kMarkerSOI = 0xD8;
inline constexpr std::uint8_t kMarkerEOI = 0xD9;
inline constexpr std::uint8_t kMarkerAPP0 = 0xE0;
inline constexpr std::uint8_t kMarkerAPP1 = 0xE1;
inline constexpr std::uint8_t kMarkerCOM = 0xFE;
inline constexpr std::uint8_t kMarkerSOS = 0xDA;
// The most data one segment holds: the length field counts itself.
inline constexpr std::size_t kMaxSegmentData = 0xFFFF - 2;

// Whether a marker code is followed by a length and data: SOFn, DHT, JPG and
// DAC (C0..CF), SOS, DQT, DNL, DRI, DHP, EXP (DA..DF), APPn (E0..EF), JPG0
// (F0) and COM (FE). Every other code stands alone.
constexpr bool IsSegmentMarker(std::uint8_t code) {
    return (code >= 0xC0 && code <= 0xCF) || (code >= 0xDA && code <= 0xF0) || code == kMarkerCOM;
}

// Whether the bytes start with the start-of-image marker FF D8.
bool StartsWithSOI(ByteSpan bytes);

// The length of a Mac header in front of the JPEG data, or 0. A file that
// does not start with FF D8 and whose byte 6 is not "J" is searched from
// byte 7 for "JFIF"; the first one with FF D8 six bytes before it marks the
// start of the JPEG (the JFIF APP0 segment follows its SOI). A file that
// starts with FF D8 never has one, so a JFIF thumbnail inside an EXIF block
// cannot be taken for the start of the picture.
std::size_t MacHeaderLength(ByteSpan file);

// One step of the walk.
struct JpegStep {
    enum class Kind : std::uint8_t {
        SOI,     // FF D8
        EOI,     // FF D9: the last step before the trailer
        Segment, // marker, length and data
        Byte,    // one FF that starts no marker of its own (fill byte, FF 00, RSTn, ...)
        Run,     // bytes up to the next FF (entropy-coded data)
        Trailer, // whatever follows EOI, to the end of the file
    };
    Kind kind = Kind::Run;
    std::uint8_t code = 0;  // the marker code of SOI, EOI and Segment
    std::size_t offset = 0; // where the step starts
    std::size_t size = 0;   // its bytes, marker and length included

    // The segment's data (after marker and length) within the walked bytes.
    ByteSpan Data(ByteSpan bytes) const { return bytes.subspan(offset + 4, size - 4); }
};

// Walks JPEG bytes from their start-of-image marker to the end. The steps
// cover every byte exactly once, in order.
class JpegMarkerWalk {
public:
    // Throws EJpegMarkers when the bytes do not start with FF D8.
    explicit JpegMarkerWalk(ByteSpan bytes);

    // The next step; false at the end. Throws EJpegMarkers for a segment
    // whose length is below 2 or runs past the end of the bytes.
    bool Next(JpegStep& step);

    std::size_t Position() const { return position_; }
    // The code of the marker at the current position, when one starts there.
    std::optional<std::uint8_t> MarkerHere() const;
    // The length field of the segment at the current position, when its two
    // bytes are present (unchecked: it may be below 2 or too long).
    std::optional<std::uint16_t> LengthHere() const;

private:
    ByteSpan bytes_;
    std::size_t position_ = 0;
    bool ended_ = false; // EOI passed
};

// Big-endian 16-bit value at an offset the caller has checked.
inline std::uint16_t ReadBigEndian16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}

// Text bytes of a comment or an EXIF string as UTF-8: bytes that are valid
// UTF-8 are kept, any other text is read as Windows-1252. Zero bytes are
// dropped.
std::string JpegTextToUtf8(ByteSpan bytes);

} // namespace zv
