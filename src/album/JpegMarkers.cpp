#include "album/JpegMarkers.h"

#include "platform/TextEncoding.h"

#include <algorithm>
#include <cstring>

namespace zv {

std::string JpegTextToUtf8(ByteSpan bytes) {
    std::string text;
    text.reserve(bytes.size());
    const std::string_view raw(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (IsUtf8(raw)) {
        for (const char byte : raw)
            if (byte != 0) text += byte;
        return text;
    }
    for (const std::uint8_t byte : bytes)
        if (byte != 0) AppendUtf8(text, FromWindows1252(byte));
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
