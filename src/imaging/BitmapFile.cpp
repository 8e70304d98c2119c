#include "imaging/BitmapFile.h"

#include "imaging/PackedDib.h"
#include "platform/LittleEndian.h"
#include "platform/WholeFile.h"
#include "platform/linux/AtomicFile.h"

#include <string>
#include <vector>

namespace zv {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint64_t kLargestBmpFile = std::uint64_t{4} << 30;

std::uint32_t ColourTableBytes(const std::vector<std::uint8_t>& dib) {
    const std::uint32_t colours = GetLittle32(dib.data() + 32);
    const int bits = GetLittle16(dib.data() + 14);
    if (bits > 8) return 0;
    return 4 * (colours ? colours : (1u << bits));
}

} // namespace

Bitmap ReadBitmapFile(const std::filesystem::path& path) {
    const WholeFile file = ReadEntireFile(path, kLargestBmpFile);
    if (file.status == WholeFileStatus::CannotOpen)
        throw EPackedDibError("Cannot open " + path.string());
    if (file.status != WholeFileStatus::Read || file.bytes.size() < kFileHeaderSize)
        throw EPackedDibError("Not a BMP file: " + path.string());
    return ParseBitmapFileBytes(file.bytes.data(), file.bytes.size());
}

Bitmap ParseBitmapFileBytes(const std::uint8_t* bytes, std::size_t size) {
    if (size < kFileHeaderSize || bytes[0] != 'B' || bytes[1] != 'M')
        throw EPackedDibError("Not a BMP file");
    return ParsePackedDib(bytes + kFileHeaderSize, size - kFileHeaderSize);
}

std::vector<std::uint8_t> BitmapFileBytes(const Bitmap& bitmap) {
    const std::vector<std::uint8_t> dib = BuildPackedDib(bitmap);
    const std::uint32_t headerBytes = 40 + ColourTableBytes(dib);
    const int storedBits = GetLittle16(dib.data() + 14);
    const std::uint64_t pixelBytes =
        static_cast<std::uint64_t>(RowStride(bitmap.Width(), storedBits)) * bitmap.Height();
    const std::uint64_t dibBytes = headerBytes + pixelBytes;

    std::vector<std::uint8_t> file(kFileHeaderSize, 0);
    file[0] = 'B';
    file[1] = 'M';
    PutLittle32(file.data() + 2, static_cast<std::uint32_t>(kFileHeaderSize + dibBytes));
    PutLittle32(file.data() + 10, static_cast<std::uint32_t>(kFileHeaderSize + headerBytes));
    file.insert(file.end(), dib.begin(), dib.begin() + static_cast<std::ptrdiff_t>(dibBytes));
    return file;
}

void WriteBitmapFile(const std::filesystem::path& path, const Bitmap& bitmap) {
    const std::vector<std::uint8_t> bytes = BitmapFileBytes(bitmap);
    WriteFileAtomically(
        path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

} // namespace zv
