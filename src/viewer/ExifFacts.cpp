#include "viewer/ExifFacts.h"

#include "formats/JpegCodec.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>

namespace zv {

namespace {

constexpr std::uint16_t kExifDirectoryTag = 0x8769;
constexpr std::size_t kTiffStart = 6;        // after "Exif\0\0"
constexpr std::uint32_t kMostEntries = 1000; // more is a damaged directory
constexpr std::uint32_t kMostValues = 64;    // numbers kept of one entry

enum ExifType : std::uint16_t {
    kByte = 1,
    kAscii = 2,
    kShort = 3,
    kLong = 4,
    kRational = 5,
    kUndefined = 7,
    kSignedLong = 9,
    kSignedRational = 10,
};

std::size_t TypeSize(std::uint16_t type) {
    switch (type) {
    case kByte:
    case kAscii:
    case kUndefined: return 1;
    case kShort: return 2;
    case kLong:
    case kSignedLong: return 4;
    case kRational:
    case kSignedRational: return 8;
    default: return 0;
    }
}

// The TIFF block inside the segment, read in its byte order; every read is checked.
class TiffBlock {
public:
    explicit TiffBlock(ByteSpan tiff) : tiff_(tiff) {}

    bool ReadOrder() {
        if (tiff_.size() < 8) return false;
        if (tiff_[0] == 'I' && tiff_[1] == 'I')
            little_ = true;
        else if (tiff_[0] == 'M' && tiff_[1] == 'M')
            little_ = false;
        else
            return false;
        return U16(2) == 42;
    }
    bool Has(std::size_t at, std::size_t count) const {
        return at <= tiff_.size() && count <= tiff_.size() - at;
    }
    std::uint16_t U16(std::size_t at) const {
        const std::uint8_t* p = tiff_.data() + at;
        return little_ ? std::uint16_t(p[0] | p[1] << 8) : std::uint16_t(p[0] << 8 | p[1]);
    }
    std::uint32_t U32(std::size_t at) const {
        const std::uint8_t* p = tiff_.data() + at;
        return little_ ? std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 |
                             std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24
                       : std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 |
                             std::uint32_t(p[2]) << 8 | std::uint32_t(p[3]);
    }
    const std::uint8_t* At(std::size_t at) const { return tiff_.data() + at; }

private:
    ByteSpan tiff_;
    bool little_ = true;
};

std::optional<ExifValue> ReadValue(const TiffBlock& tiff, std::size_t entry) {
    const std::uint16_t type = tiff.U16(entry + 2);
    const std::uint32_t count = tiff.U32(entry + 4);
    const std::size_t size = TypeSize(type);
    if (size == 0 || count == 0 || count > 0xFFFF) return std::nullopt;
    const std::size_t bytes = size * count;
    const std::size_t at = bytes <= 4 ? entry + 8 : tiff.U32(entry + 8);
    if (!tiff.Has(at, bytes)) return std::nullopt;
    ExifValue value;
    if (type == kAscii || type == kUndefined) {
        const char* text = reinterpret_cast<const char*>(tiff.At(at));
        value.text.assign(text, strnlen(text, bytes));
        while (!value.text.empty() && value.text.back() == ' ') value.text.pop_back();
        if (type == kAscii) return value;
    }
    for (std::uint32_t i = 0; i < count && i < kMostValues; ++i) {
        const std::size_t p = at + i * size;
        ExifValue::Fraction number;
        switch (type) {
        case kByte:
        case kUndefined: number.numerator = *tiff.At(p); break;
        case kShort: number.numerator = tiff.U16(p); break;
        case kLong: number.numerator = tiff.U32(p); break;
        case kSignedLong: number.numerator = std::int32_t(tiff.U32(p)); break;
        case kRational: number = {tiff.U32(p), tiff.U32(p + 4)}; break;
        case kSignedRational:
            number = {std::int32_t(tiff.U32(p)), std::int32_t(tiff.U32(p + 4))};
            break;
        default: break;
        }
        value.numbers.push_back(number);
    }
    return value;
}

// Reads one directory's facts; returns the Exif sub-directory's offset, 0 when none.
std::uint32_t ReadDirectory(const TiffBlock& tiff, std::size_t offset,
                            std::vector<ExifFact>& facts) {
    if (!tiff.Has(offset, 2)) return 0;
    const std::uint32_t entries = tiff.U16(offset);
    if (entries > kMostEntries) return 0;
    std::uint32_t subDirectory = 0;
    for (std::uint32_t i = 0; i < entries; ++i) {
        const std::size_t entry = offset + 2 + 12 * std::size_t{i};
        if (!tiff.Has(entry, 12)) break;
        const std::uint16_t tag = tiff.U16(entry);
        if (tag == kExifDirectoryTag) {
            subDirectory = tiff.U32(entry + 8);
            continue;
        }
        if (const std::optional<ExifValue> value = ReadValue(tiff, entry)) {
            ExifFact fact = DescribeExif(tag, *value);
            if (!fact.name.empty()) facts.push_back(std::move(fact));
        }
    }
    return subDirectory;
}

// --- Values in words ---

double Real(const ExifValue::Fraction& f) {
    return f.denominator == 0 ? 0.0 : double(f.numerator) / double(f.denominator);
}

// Up to `decimals` places, without trailing zeros: 2.8, 8, 0.33.
std::string Decimal(double value, int decimals = 1) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string out = text;
    if (out.find('.') != std::string::npos) {
        while (out.back() == '0') out.pop_back();
        if (out.back() == '.') out.pop_back();
    }
    return out == "-0" ? "0" : out;
}

std::string Date(const std::string& text) {
    // "2024:05:01 12:00:00" -> "2024-05-01 12:00:00"
    std::string out = text;
    if (out.size() >= 10 && out[4] == ':' && out[7] == ':') out[4] = out[7] = '-';
    return out;
}

std::string ExposureTime(const ExifValue::Fraction& f) {
    const double seconds = Real(f);
    if (seconds <= 0) return {};
    if (seconds >= 1) return Decimal(seconds) + " s";
    return "1/" + Decimal(1 / seconds, 0) + " s";
}

std::string ExposureBias(const ExifValue::Fraction& f) {
    const double ev = Real(f);
    const std::string text = Decimal(ev);
    return (ev > 0 && text != "0" ? "+" : "") + text + " EV";
}

std::string Flash(std::int64_t bits) {
    if (bits & 0x20) return "No flash function";
    std::string text = bits & 1 ? "Fired" : "Did not fire";
    switch ((bits >> 3) & 3) {
    case 1: text += ", compulsory"; break;
    case 2: text += ", suppressed"; break;
    case 3: text += ", auto"; break;
    default: break;
    }
    if (bits & 0x40) text += ", red-eye reduction";
    return text;
}

template <std::size_t N>
std::string Word(const std::array<const char*, N>& words, std::int64_t index) {
    return index >= 0 && std::size_t(index) < N && words[std::size_t(index)]
               ? words[std::size_t(index)]
               : std::string();
}

constexpr std::array<const char*, 9> kOrientations = {nullptr,
                                                      "Upright",
                                                      "Mirrored left to right",
                                                      "Turned 180°",
                                                      "Mirrored top to bottom",
                                                      "Mirrored, turned 90° anticlockwise",
                                                      "Turned 90° clockwise",
                                                      "Mirrored, turned 90° clockwise",
                                                      "Turned 90° anticlockwise"};
constexpr std::array<const char*, 4> kUnits = {nullptr, "None", "Inch", "Centimetre"};
constexpr std::array<const char*, 9> kPrograms = {
    "Not defined",      "Manual",         "Normal program", "Aperture priority", "Shutter priority",
    "Creative program", "Action program", "Portrait mode",  "Landscape mode"};
constexpr std::array<const char*, 7> kMetering = {
    "Unknown", "Average", "Centre-weighted average", "Spot", "Multi-spot", "Pattern", "Partial"};
constexpr std::array<const char*, 3> kExposureModes = {"Auto", "Manual", "Auto bracket"};
constexpr std::array<const char*, 2> kWhiteBalance = {"Auto", "Manual"};
constexpr std::array<const char*, 4> kScenes = {"Standard", "Landscape", "Portrait", "Night"};

enum class Shown {
    Text,
    Date,
    Number,
    Resolution,
    Exposure,
    FNumber,
    Iso,
    Bias,
    Millimetres,
    Flash,
    ColourSpace,
    Orientation,
    Unit,
    Program,
    Metering,
    ExposureMode,
    WhiteBalance,
    Scene
};

struct TagRow {
    std::uint16_t tag;
    const char* name;
    Shown shown;
};

constexpr TagRow kTags[] = {
    {0x010F, "Camera maker", Shown::Text},
    {0x0110, "Camera model", Shown::Text},
    {0x0112, "Orientation", Shown::Orientation},
    {0x011A, "Horizontal resolution", Shown::Resolution},
    {0x011B, "Vertical resolution", Shown::Resolution},
    {0x0128, "Resolution unit", Shown::Unit},
    {0x0131, "Software", Shown::Text},
    {0x0132, "Date changed", Shown::Date},
    {0x013B, "Artist", Shown::Text},
    {0x8298, "Copyright", Shown::Text},
    {0x829A, "Exposure time", Shown::Exposure},
    {0x829D, "Aperture", Shown::FNumber},
    {0x8822, "Exposure program", Shown::Program},
    {0x8827, "ISO speed", Shown::Iso},
    {0x9003, "Date taken", Shown::Date},
    {0x9004, "Date digitised", Shown::Date},
    {0x9204, "Exposure bias", Shown::Bias},
    {0x9207, "Metering mode", Shown::Metering},
    {0x9209, "Flash", Shown::Flash},
    {0x920A, "Focal length", Shown::Millimetres},
    {0xA001, "Colour space", Shown::ColourSpace},
    {0xA002, "Width in pixels", Shown::Number},
    {0xA003, "Height in pixels", Shown::Number},
    {0xA402, "Exposure mode", Shown::ExposureMode},
    {0xA403, "White balance", Shown::WhiteBalance},
    {0xA405, "Focal length (35 mm film)", Shown::Millimetres},
    {0xA406, "Scene type", Shown::Scene},
    {0xA434, "Lens", Shown::Text},
};

std::string ValueInWords(Shown shown, const ExifValue& value) {
    if (shown == Shown::Text) return value.text;
    if (shown == Shown::Date) return Date(value.text);
    if (value.numbers.empty()) return {};
    const ExifValue::Fraction& first = value.numbers.front();
    const std::int64_t whole = first.numerator;
    switch (shown) {
    case Shown::Number: return std::to_string(whole);
    case Shown::Resolution: return Decimal(Real(first), 2);
    case Shown::Exposure: return ExposureTime(first);
    case Shown::FNumber: return Real(first) > 0 ? "f/" + Decimal(Real(first)) : std::string();
    case Shown::Iso: return "ISO " + std::to_string(whole);
    case Shown::Bias: return ExposureBias(first);
    case Shown::Millimetres: return Real(first) > 0 ? Decimal(Real(first)) + " mm" : std::string();
    case Shown::Flash: return Flash(whole);
    case Shown::ColourSpace:
        return whole == 1        ? "sRGB"
               : whole == 2      ? "Adobe RGB"
               : whole == 0xFFFF ? "Uncalibrated"
                                 : "";
    case Shown::Orientation: return Word(kOrientations, whole);
    case Shown::Unit: return Word(kUnits, whole);
    case Shown::Program: return Word(kPrograms, whole);
    case Shown::Metering: return whole == 255 ? "Other" : Word(kMetering, whole);
    case Shown::ExposureMode: return Word(kExposureModes, whole);
    case Shown::WhiteBalance: return Word(kWhiteBalance, whole);
    case Shown::Scene: return Word(kScenes, whole);
    default: return {};
    }
}

} // namespace

ExifFact DescribeExif(std::uint16_t tag, const ExifValue& value) {
    for (const TagRow& row : kTags) {
        if (row.tag != tag) continue;
        std::string words = ValueInWords(row.shown, value);
        if (words.empty()) return {};
        return {row.name, std::move(words)};
    }
    return {};
}

std::vector<ExifFact> ReadExifFacts(ByteSpan app1Data) {
    std::vector<ExifFact> facts;
    if (app1Data.size() < kTiffStart || std::memcmp(app1Data.data(), "Exif\0\0", 6) != 0)
        return facts;
    TiffBlock tiff(app1Data.subspan(kTiffStart));
    if (!tiff.ReadOrder()) return facts;
    const std::uint32_t sub = ReadDirectory(tiff, tiff.U32(4), facts);
    if (sub != 0) ReadDirectory(tiff, sub, facts);
    return facts;
}

JpegFacts ReadJpegFacts(ByteSpan jpeg) {
    JpegFacts facts;
    std::vector<JpegMarker> markers;
    try {
        markers = JpegMetadataMarkers(jpeg);
    } catch (const std::exception&) {
        return facts;
    }
    constexpr std::uint8_t kApp1 = 0xE1;
    for (const JpegMarker& marker : markers) {
        if (marker.code == kApp1 && facts.exif.empty())
            facts.exif = ReadExifFacts(marker.data);
        else if (marker.code == kJpegComment)
            facts.comments.emplace_back(marker.data.begin(), marker.data.end());
    }
    return facts;
}

} // namespace zv
