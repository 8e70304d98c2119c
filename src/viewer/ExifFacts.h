#pragma once
// The facts the Info window shows from a JPEG's metadata: the EXIF entries a
// reader cares about, each named and put in words and units ("f/8",
// "1/250 s", "sRGB", "Inch"), and the file's comments.

#include "formats/ByteReader.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zv {

// An EXIF value as stored: text for ASCII entries, otherwise its numbers as
// fractions (whole numbers have the denominator 1).
struct ExifValue {
    struct Fraction {
        std::int64_t numerator = 0;
        std::int64_t denominator = 1;
    };
    std::string text;
    std::vector<Fraction> numbers;
};

struct ExifFact {
    std::string name;
    std::string value;
    friend bool operator==(const ExifFact&, const ExifFact&) = default;
};

// The entry's name and value in words; an empty name for a tag the window
// does not show or a value it cannot put in words.
ExifFact DescribeExif(std::uint16_t tag, const ExifValue& value);

// The facts of an EXIF APP1 segment's data ("Exif", two zero bytes, the
// TIFF header): the first directory, then its Exif sub-directory, in stored
// order. Entries that lie outside the segment are skipped; a segment that is
// not EXIF gives none.
std::vector<ExifFact> ReadExifFacts(ByteSpan app1Data);

struct JpegFacts {
    std::vector<ExifFact> exif;
    std::vector<std::string> comments;
};

// The EXIF facts and comments of a JPEG file's bytes; none when its header
// cannot be read.
JpegFacts ReadJpegFacts(ByteSpan jpeg);

} // namespace zv
