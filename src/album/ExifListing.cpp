#include "album/ExifListing.h"

#include "platform/LittleEndian.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace zv {

namespace {

struct TagName {
    std::uint16_t tag;
    const char* name;
};

constexpr TagName kFirstDirectoryNames[] = {
    {270, "ImageDescription"},
    {271, "Make"},
    {272, "Model"},
    {274, "Orientation"},
    {282, "XResolution"},
    {283, "YResolution"},
    {296, "ResolutionUnit"},
    {305, "Software"},
    {306, "DateTime"},
    {318, "WhitePoint"},
    {319, "PrimaryChromaticities"},
    {529, "YCbCrCoefficients"},
    {531, "YCbCrPositioning"},
    {532, "ReferenceBlackWhite"},
    {33432, "Copyright"},
    {kExifOffsetTag, "ExifOffset"},
};

constexpr TagName kExifDirectoryNames[] = {
    {33434, "ExposureTime"},
    {33437, "FNumber"},
    {34850, "ExposureProgram"},
    {34855, "ISOSpeedRatings"},
    {36864, "ExifVersion"},
    {36867, "DateTimeOriginal"},
    {36868, "DateTimeDigitized"},
    {37121, "ComponentConfiguration"},
    {37122, "CompressionBitsPerPixel"},
    {37377, "ShutterSpeedValue"},
    {37378, "ApertureValue"},
    {37379, "BrightnessValue"},
    {37380, "ExposureBiasValue"},
    {37381, "MaxApertureValue"},
    {37382, "SubjectDistance"},
    {37383, "MeteringMode"},
    {37384, "LightSource"},
    {37385, "Flash"},
    {37386, "FocalLength"},
    {37500, "MakerNote"},
    {37510, "UserComment"},
    {40960, "FlashPixVersion"},
    {40961, "ColorSpace"},
    {40962, "ExifImageWidth"},
    {40963, "ExifImageHeight"},
    {40964, "RelatedSoundFile"},
    {40965, "ExifInteropOffset"},
    {41486, "FocalPlaneXRes"},
    {41487, "FocalPlaneYRes"},
    {41488, "FocalPlaneResUnit"},
    {41493, "ExposureIndex"},
    {41495, "SensingMethod"},
    {41728, "FileSource"},
    {41729, "ScenicType"},
};

// Sub-directory entries that are never shown: their values are binary.
constexpr std::uint16_t kComponentConfigurationTag = 37121;
constexpr std::uint16_t kMakerNoteTag = 37500;

enum ExifType : std::uint16_t {
    kByte = 1,
    kAscii = 2,
    kShort = 3,
    kLong = 4,
    kRational = 5,
    kSByte = 6,
    kUndefined = 7,
    kSShort = 8,
    kSLong = 9,
    kSRational = 10,
    kFloat = 11,
};

constexpr std::uint64_t UnitSize(std::uint16_t type) {
    switch (type) {
    case kByte:
    case kAscii:
    case kSByte:
    case kUndefined: return 1;
    case kShort:
    case kSShort: return 2;
    case kLong:
    case kSLong:
    case kFloat: return 4;
    default: return 8;
    }
}

constexpr std::size_t kExifHeaderSize = 6; // "Exif", two zero bytes
constexpr std::size_t kTiffHeaderSize = 8;
constexpr std::size_t kEntrySize = 12;

// The TIFF block of an EXIF segment, read in its own byte order. Every read
// is checked against the block, which ends where the segment ends.
class TiffBlock {
public:
    explicit TiffBlock(ByteSpan bytes) : bytes_(bytes) {
        if (bytes.size() < kTiffHeaderSize) throw EJpegMarkers();
        littleEndian_ = bytes[0] == 'I' && bytes[1] == 'I';
    }

    std::size_t Size() const { return bytes_.size(); }

    // Throws unless [offset, offset + size) lies inside the block.
    void Check(std::uint64_t offset, std::uint64_t size) const {
        if (offset > bytes_.size() || size > bytes_.size() - offset) throw EJpegMarkers();
    }
    ByteSpan Bytes(std::uint64_t offset, std::uint64_t size) const {
        Check(offset, size);
        return bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(size));
    }
    std::uint16_t U16(std::uint64_t offset) const {
        const ByteSpan b = Bytes(offset, 2);
        return littleEndian_ ? GetLittle16(b.data()) : static_cast<std::uint16_t>(b[0] << 8 | b[1]);
    }
    std::uint32_t U32(std::uint64_t offset) const {
        const ByteSpan b = Bytes(offset, 4);
        return littleEndian_ ? GetLittle32(b.data())
                             : std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 |
                                   std::uint32_t{b[2]} << 8 | std::uint32_t{b[3]};
    }

private:
    ByteSpan bytes_;
    bool littleEndian_ = false;
};

std::string Hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
    return text;
}

// The numbers of a value that sits in the entry itself, in decimal.
std::string SmallNumbers(const TiffBlock& tiff, std::uint16_t type, std::uint32_t count,
                         std::uint64_t field) {
    std::string text;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (i > 0) text += ", ";
        switch (type) {
        case kByte: text += std::to_string(tiff.Bytes(field + i, 1)[0]); break;
        case kSByte:
            text += std::to_string(static_cast<std::int8_t>(tiff.Bytes(field + i, 1)[0]));
            break;
        case kShort: text += std::to_string(tiff.U16(field + 2 * i)); break;
        case kSShort:
            text += std::to_string(static_cast<std::int16_t>(tiff.U16(field + 2 * i)));
            break;
        case kLong: text += std::to_string(tiff.U32(field)); break;
        case kSLong: text += std::to_string(static_cast<std::int32_t>(tiff.U32(field))); break;
        }
    }
    return text;
}

std::string Rationals(const TiffBlock& tiff, bool isSigned, std::uint32_t count,
                      std::uint32_t offset) {
    tiff.Check(offset, std::uint64_t{count} * 8);
    std::string text;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (i > 0) text += ", ";
        const std::uint32_t numerator = tiff.U32(std::uint64_t{offset} + 8 * i);
        const std::uint32_t denominator = tiff.U32(std::uint64_t{offset} + 8 * i + 4);
        if (isSigned)
            text += std::to_string(static_cast<std::int32_t>(numerator)) + "/" +
                    std::to_string(static_cast<std::int32_t>(denominator));
        else
            text += std::to_string(numerator) + "/" + std::to_string(denominator);
    }
    return text;
}

// The value of one entry as the listing shows it. `entry` is the entry's
// offset; its value field (value or offset) is the last 4 of its 12 bytes.
std::string EntryValue(const TiffBlock& tiff, std::uint64_t entry) {
    const std::uint16_t type = tiff.U16(entry + 2);
    const std::uint32_t count = tiff.U32(entry + 4);
    const std::uint64_t field = entry + 8;
    const std::uint64_t size = std::uint64_t{count} * UnitSize(type);
    if (type == kAscii) {
        const ByteSpan bytes =
            size <= 4 ? tiff.Bytes(field, count) : tiff.Bytes(tiff.U32(field), count);
        const auto zero = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
        return JpegTextToUtf8(bytes.first(static_cast<std::size_t>(zero - bytes.begin())));
    }
    if (size < 5) {
        switch (type) {
        case kByte:
        case kShort:
        case kLong:
        case kSByte:
        case kSShort:
        case kSLong: return SmallNumbers(tiff, type, count, field);
        default: return Hex(tiff.U32(field), static_cast<int>(count)) + "(Hex)";
        }
    }
    if (type == kRational || type == kSRational)
        return Rationals(tiff, type == kSRational, count, tiff.U32(field));
    return Hex(tiff.U32(field), 8) + " [Offset data]";
}

void ListDirectory(const TiffBlock& tiff, std::uint32_t offset, bool exifSubDirectory,
                   std::vector<std::string>& lines) {
    const std::uint16_t entries = tiff.U16(offset);
    tiff.Check(std::uint64_t{offset} + 2, std::uint64_t{entries} * kEntrySize);
    for (std::uint16_t i = 0; i < entries; ++i) {
        const std::uint64_t entry = std::uint64_t{offset} + 2 + std::uint64_t{i} * kEntrySize;
        const std::uint16_t tag = tiff.U16(entry);
        const std::uint16_t type = tiff.U16(entry + 2);
        if (!exifSubDirectory && tag == kExifOffsetTag) {
            // The sub-directory is listed in place of the entry that points
            // to it; it is never followed further, so no offset can loop.
            ListDirectory(tiff, tiff.U32(entry + 8), true, lines);
            continue;
        }
        if (type == kUndefined) continue;
        if (exifSubDirectory && (tag == kComponentConfigurationTag || tag == kMakerNoteTag))
            continue;
        lines.push_back(ExifTagName(tag, exifSubDirectory) + " = " + EntryValue(tiff, entry));
    }
}

} // namespace

bool IsExifData(ByteSpan app1Data) {
    return app1Data.size() >= 4 && std::memcmp(app1Data.data(), "Exif", 4) == 0;
}

std::string ExifTagName(std::uint16_t tag, bool exifSubDirectory) {
    const std::span<const TagName> names = exifSubDirectory
                                               ? std::span<const TagName>(kExifDirectoryNames)
                                               : std::span<const TagName>(kFirstDirectoryNames);
    for (const TagName& name : names)
        if (name.tag == tag) return name.name;
    return Hex(tag, 4);
}

std::vector<std::string> ListExif(ByteSpan app1Data) {
    if (app1Data.size() < kExifHeaderSize) throw EJpegMarkers();
    const TiffBlock tiff(app1Data.subspan(kExifHeaderSize));
    std::vector<std::string> lines;
    ListDirectory(tiff, tiff.U32(4), false, lines);
    return lines;
}

} // namespace zv
