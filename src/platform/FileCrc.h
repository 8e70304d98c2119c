#pragma once
// The checksum the program shows and stores for a file: the CRC-32 register
// (reflected polynomial 0xEDB88320, started at all ones) without the final
// inversion, so the bitwise complement of the usual CRC-32.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace zv {

std::uint32_t AlbumCrc(const std::uint8_t* data, std::size_t size);
// The checksum of a whole file, read in 2,048-byte blocks; nothing when it cannot be read.
std::optional<std::uint32_t> FileAlbumCrc(const std::filesystem::path& path);
// As shown and compared: 8 upper-case hexadecimal digits.
std::string CrcText(std::uint32_t crc);

} // namespace zv
