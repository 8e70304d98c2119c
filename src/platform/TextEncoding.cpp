#include "platform/TextEncoding.h"

#include <array>

namespace zv {

std::size_t Utf8SequenceAt(std::string_view bytes, std::size_t at, bool& cutShort) {
    cutShort = false;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return 1;
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (at + i >= bytes.size()) {
            cutShort = true;
            return 0;
        }
        const unsigned char c = byte(at + i);
        if (i == 1 ? (c < low || c > high) : (c < 0x80 || c > 0xBF)) return 0;
    }
    return length;
}

bool IsUtf8(std::string_view bytes) {
    bool cutShort = false;
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = Utf8SequenceAt(bytes, at, cutShort);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

void AppendUtf8(std::string& out, char32_t code) {
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD; // not characters
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

char32_t FromWindows1252(unsigned char byte) {
    static constexpr std::array<char16_t, 32> kHigh = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    return (byte >= 0x80 && byte <= 0x9F) ? kHigh[byte - 0x80] : byte;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char c : bytes) AppendUtf8(out, FromWindows1252(static_cast<unsigned char>(c)));
    return out;
}

std::string Utf8OrWindows1252(std::string_view bytes) {
    return IsUtf8(bytes) ? std::string(bytes) : Windows1252ToUtf8(bytes);
}

} // namespace zv
