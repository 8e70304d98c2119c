#pragma once
// Hand-built JPEG files for the JPEG text tests: a real picture from the
// program's writer, segments spliced into it, and EXIF blocks written byte
// by byte in either byte order.

#include "formats/JpegWriter.h"
#include "imaging/Bitmap.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zvtest {

using JpegBytes = std::vector<std::uint8_t>;

// A small colour picture with a pattern in every row, so pixels differ.
inline zv::Bitmap PatternPicture(int width = 16, int height = 8) {
    zv::Bitmap picture;
    picture.Create(width, height, zv::PixelFormat::Bits24);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < width * 3; ++x) row[x] = static_cast<std::uint8_t>(x * 11 + y * 29);
    }
    return picture;
}

// The writer's file: SOI, then the JFIF APP0 segment of length 16, tables,
// frame, scan, EOI.
inline JpegBytes PlainJpeg(int width = 16, int height = 8) {
    zv::TJpegWriter writer;
    writer.quality = 100;
    return writer.Compress(PatternPicture(width, height));
}

// Marker, big-endian length and data.
inline JpegBytes Segment(std::uint8_t code, const JpegBytes& data) {
    const std::size_t length = data.size() + 2;
    JpegBytes segment{0xFF, code, static_cast<std::uint8_t>(length >> 8),
                      static_cast<std::uint8_t>(length & 0xFF)};
    segment.insert(segment.end(), data.begin(), data.end());
    return segment;
}

inline JpegBytes Segment(std::uint8_t code, const std::string& text) {
    return Segment(code, JpegBytes(text.begin(), text.end()));
}

inline JpegBytes Splice(JpegBytes file, std::size_t at, const JpegBytes& bytes) {
    file.insert(file.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin(), bytes.end());
    return file;
}

inline JpegBytes Join(std::initializer_list<JpegBytes> parts) {
    JpegBytes all;
    for (const JpegBytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// An EXIF APP1 segment's data: "Exif", two zero bytes, a TIFF header, the
// first directory, optionally an Exif sub-directory, then the values that do
// not fit in their entries.
class ExifBuilder {
public:
    explicit ExifBuilder(bool bigEndian) : big_(bigEndian) {}

    // Encoded values, in the block's byte order.
    JpegBytes U16(std::uint16_t v) const {
        return big_ ? JpegBytes{std::uint8_t(v >> 8), std::uint8_t(v)}
                    : JpegBytes{std::uint8_t(v), std::uint8_t(v >> 8)};
    }
    JpegBytes U32(std::uint32_t v) const {
        return big_ ? JpegBytes{std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8),
                                std::uint8_t(v)}
                    : JpegBytes{std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16),
                                std::uint8_t(v >> 24)};
    }
    JpegBytes Rational(std::uint32_t numerator, std::uint32_t denominator) const {
        return Join({U32(numerator), U32(denominator)});
    }

    // An entry of the first directory (sub = false) or of the Exif
    // sub-directory. `value` is the value's bytes; `count` its element count.
    void Add(bool sub, std::uint16_t tag, std::uint16_t type, std::uint32_t count,
             JpegBytes value) {
        (sub ? sub_ : first_).push_back({tag, type, count, std::move(value), false});
    }
    void Short(bool sub, std::uint16_t tag, std::uint16_t v) { Add(sub, tag, 3, 1, U16(v)); }
    void Long(bool sub, std::uint16_t tag, std::uint32_t v) { Add(sub, tag, 4, 1, U32(v)); }
    void Ascii(bool sub, std::uint16_t tag, const std::string& text) {
        JpegBytes value(text.begin(), text.end());
        value.push_back(0);
        Add(sub, tag, 2, static_cast<std::uint32_t>(value.size()), value);
    }
    // The ExifOffset entry, pointing at the sub-directory, at this place of
    // the first directory.
    void SubDirectoryHere() { first_.push_back({34665, 4, 1, {}, true}); }

    // The segment data. `firstOffset` places the first directory there.
    JpegBytes Build(std::uint32_t firstOffset = 8) const {
        const std::uint32_t firstSize = Size(first_);
        const std::uint32_t subOffset = firstOffset + firstSize;
        std::uint32_t data = subOffset + (sub_.empty() ? 0 : Size(sub_));
        JpegBytes tiff = big_ ? JpegBytes{'M', 'M'} : JpegBytes{'I', 'I'};
        tiff = Join({tiff, U16(42), U32(firstOffset)});
        tiff.resize(firstOffset, 0);
        JpegBytes values;
        auto directory = [&](const std::vector<Entry>& entries) {
            tiff = Join({tiff, U16(static_cast<std::uint16_t>(entries.size()))});
            for (const Entry& entry : entries) {
                tiff = Join({tiff, U16(entry.tag), U16(entry.type), U32(entry.count)});
                if (entry.pointsToSub) {
                    tiff = Join({tiff, U32(subOffset)});
                } else if (entry.value.size() <= 4) {
                    JpegBytes field = entry.value;
                    field.resize(4, 0);
                    tiff = Join({tiff, field});
                } else {
                    tiff = Join({tiff, U32(data + static_cast<std::uint32_t>(values.size()))});
                    values = Join({values, entry.value});
                }
            }
            tiff = Join({tiff, U32(0)});
        };
        directory(first_);
        if (!sub_.empty()) directory(sub_);
        JpegBytes block{'E', 'x', 'i', 'f', 0, 0};
        return Join({block, tiff, values});
    }

private:
    struct Entry {
        std::uint16_t tag;
        std::uint16_t type;
        std::uint32_t count;
        JpegBytes value;
        bool pointsToSub;
    };
    static std::uint32_t Size(const std::vector<Entry>& entries) {
        return static_cast<std::uint32_t>(2 + 12 * entries.size() + 4);
    }

    bool big_;
    std::vector<Entry> first_;
    std::vector<Entry> sub_;
};

} // namespace zvtest
