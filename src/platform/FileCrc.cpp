#include "platform/FileCrc.h"

#include <zlib.h>

#include <cstdio>
#include <fstream>

namespace zv {

namespace {
// zlib's crc32 takes and returns the finished value; its register is the complement.
std::uint32_t Continue(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
    return static_cast<std::uint32_t>(::crc32(crc, data, static_cast<uInt>(size)));
}
} // namespace

std::uint32_t AlbumCrc(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = 0;
    while (size > 0) {
        const std::size_t block = std::min<std::size_t>(size, 1u << 30);
        crc = Continue(crc, data, block);
        data += block;
        size -= block;
    }
    return ~crc;
}

std::optional<std::uint32_t> FileAlbumCrc(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::uint32_t crc = 0;
    char block[2048];
    while (in.read(block, sizeof block) || in.gcount() > 0) {
        crc = Continue(crc, reinterpret_cast<const std::uint8_t*>(block),
                       static_cast<std::size_t>(in.gcount()));
        if (!in) break;
    }
    if (in.bad()) return std::nullopt;
    return ~crc;
}

std::string CrcText(std::uint32_t crc) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", crc);
    return text;
}

} // namespace zv
