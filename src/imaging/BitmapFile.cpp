#include "imaging/BitmapFile.h"

#include "imaging/PackedDib.h"
#include "platform/linux/AtomicFile.h"

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace zv {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint64_t kLargestBmpFile = std::uint64_t{4} << 30;

void PutLittle(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out[at + i] = static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF);
}

std::uint32_t ColourTableBytes(const std::vector<std::uint8_t>& dib) {
    const std::uint32_t colours =
        dib[32] | dib[33] << 8 | dib[34] << 16 | std::uint32_t{dib[35]} << 24;
    const int bits = dib[14] | dib[15] << 8;
    if (bits > 8) return 0;
    return 4 * (colours ? colours : (1u << bits));
}

} // namespace

Bitmap ReadBitmapFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EPackedDibError("Cannot open " + path.string());
    in.seekg(0, std::ios::end);
    const auto size = static_cast<std::uint64_t>(in.tellg());
    if (size < kFileHeaderSize || size > kLargestBmpFile)
        throw EPackedDibError("Not a BMP file: " + path.string());
    in.seekg(0);
    std::vector<std::uint8_t> bytes(size);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    if (!in) throw EPackedDibError("Not a BMP file: " + path.string());
    return ParseBitmapFileBytes(bytes.data(), bytes.size());
}

Bitmap ParseBitmapFileBytes(const std::uint8_t* bytes, std::size_t size) {
    if (size < kFileHeaderSize || bytes[0] != 'B' || bytes[1] != 'M')
        throw EPackedDibError("Not a BMP file");
    return ParsePackedDib(bytes + kFileHeaderSize, size - kFileHeaderSize);
}

std::vector<std::uint8_t> BitmapFileBytes(const Bitmap& bitmap) {
    const std::vector<std::uint8_t> dib = BuildPackedDib(bitmap);
    const std::uint32_t headerBytes = 40 + ColourTableBytes(dib);
    const int storedBits = dib[14] | dib[15] << 8;
    const std::uint64_t pixelBytes =
        static_cast<std::uint64_t>(RowStride(bitmap.Width(), storedBits)) * bitmap.Height();
    const std::uint64_t dibBytes = headerBytes + pixelBytes;

    std::vector<std::uint8_t> file(kFileHeaderSize, 0);
    file[0] = 'B';
    file[1] = 'M';
    PutLittle(file, 2, static_cast<std::uint32_t>(kFileHeaderSize + dibBytes), 4);
    PutLittle(file, 10, static_cast<std::uint32_t>(kFileHeaderSize + headerBytes), 4);
    file.insert(file.end(), dib.begin(), dib.begin() + static_cast<std::ptrdiff_t>(dibBytes));
    return file;
}

void WriteBitmapFile(const std::filesystem::path& path, const Bitmap& bitmap) {
    const std::vector<std::uint8_t> bytes = BitmapFileBytes(bitmap);
    WriteFileAtomically(
        path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

} // namespace zv
