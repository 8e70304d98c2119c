#include "album/JpegMarkers.h"

#include <algorithm>
#include <cstring>

namespace zv {

namespace {

// Windows-1252 0x80..0x9F; the five unassigned bytes keep their own code.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsUtf8(ByteSpan bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::uint8_t lead = bytes[i];
        std::size_t extra;
        std::uint32_t code;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            code = lead & 0x07;
        } else {
            return false;
        }
        if (bytes.size() - i <= extra) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80) return false;
            code = code << 6 | (bytes[i + k] & 0x3F);
        }
        // No overlong forms, surrogates or code points above U+10FFFF.
        if ((extra == 2 && code < 0x800) || (extra == 3 && code < 0x10000) || code > 0x10FFFF ||
            (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

void AppendUtf8(std::string& out, char16_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

} // namespace

std::string JpegTextToUtf8(ByteSpan bytes) {
    std::string text;
    text.reserve(bytes.size());
    if (IsUtf8(bytes)) {
        for (const std::uint8_t byte : bytes)
            if (byte != 0) text += static_cast<char>(byte);
        return text;
    }
    for (const std::uint8_t byte : bytes) {
        if (byte == 0) continue;
        AppendUtf8(text, byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : char16_t{byte});
    }
    return text;
}

bool StartsWithSOI(ByteSpan bytes) {
    return bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == kMarkerSOI;
}

std::size_t MacHeaderLength(ByteSpan file) {
    if (StartsWithSOI(file) || file.size() < 7 || file[6] == 'J') return 0;
    static constexpr std::uint8_t kJfif[] = {'J', 'F', 'I', 'F'};
    auto from = file.begin() + 7;
    while (true) {
        const auto found = std::search(from, file.end(), std::begin(kJfif), std::end(kJfif));
        if (found == file.end()) return 0;
        const std::size_t cut = static_cast<std::size_t>(found - file.begin()) - 6;
        if (file[cut] == 0xFF && file[cut + 1] == kMarkerSOI) return cut;
        from = found + 1;
    }
}

JpegMarkerWalk::JpegMarkerWalk(ByteSpan bytes) : bytes_(bytes) {
    if (!StartsWithSOI(bytes)) throw EJpegMarkers();
}

std::optional<std::uint8_t> JpegMarkerWalk::MarkerHere() const {
    if (ended_ || position_ + 1 >= bytes_.size() || bytes_[position_] != 0xFF) return std::nullopt;
    return bytes_[position_ + 1];
}

std::optional<std::uint16_t> JpegMarkerWalk::LengthHere() const {
    if (position_ + 4 > bytes_.size()) return std::nullopt;
    return ReadBigEndian16(bytes_.data() + position_ + 2);
}

bool JpegMarkerWalk::Next(JpegStep& step) {
    const std::size_t size = bytes_.size();
    if (position_ >= size) return false;
    step = JpegStep{};
    step.offset = position_;
    if (ended_) {
        step.kind = JpegStep::Kind::Trailer;
        step.size = size - position_;
    } else if (bytes_[position_] != 0xFF) {
        const void* next = std::memchr(bytes_.data() + position_, 0xFF, size - position_);
        const std::size_t end =
            next ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(next) - bytes_.data())
                 : size;
        step.kind = JpegStep::Kind::Run;
        step.size = end - position_;
    } else if (position_ + 1 >= size) {
        step.kind = JpegStep::Kind::Byte;
        step.size = 1;
    } else {
        const std::uint8_t code = bytes_[position_ + 1];
        if (code == kMarkerSOI || code == kMarkerEOI) {
            step.kind = code == kMarkerSOI ? JpegStep::Kind::SOI : JpegStep::Kind::EOI;
            step.code = code;
            step.size = 2;
            ended_ = code == kMarkerEOI;
        } else if (IsSegmentMarker(code)) {
            const std::optional<std::uint16_t> length = LengthHere();
            if (!length || *length < 2 || *length > size - position_ - 2) throw EJpegMarkers();
            step.kind = JpegStep::Kind::Segment;
            step.code = code;
            step.size = std::size_t{2} + *length;
        } else {
            step.kind = JpegStep::Kind::Byte;
            step.size = 1;
        }
    }
    position_ += step.size;
    return true;
}

} // namespace zv
