// JPEG files through the shared JPEG reader: any bytes either decode or raise
// EJpegError. A decode always has the size the header read promised.

#include "formats/JpegReader.h"

#include <cstddef>
#include <cstdint>

namespace {

void DecodeAs(zv::TJpegReader& reader, int scale, zv::JpegOutput output) {
    reader.SetScale(scale);
    reader.output = output;
    const zv::JpegSize size = reader.ScaledSize();
    zv::Bitmap picture;
    try {
        reader.Decode(picture);
    } catch (const zv::EJpegError&) {
        if (!picture.Empty()) __builtin_trap();
        return;
    }
    if (picture.Width() != size.width || picture.Height() != size.height) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zv::TJpegReader reader;
    try {
        reader.ReadHeader(zv::Bytes(data, data + size));
    } catch (const zv::EJpegError&) {
        return 0;
    }
    // Small scales keep each run short; a byte from the middle picks the rest
    // (the first bytes of every JPEG are the same).
    const int pick = data[size / 2];
    reader.palette = static_cast<zv::JpegPalette>(pick & 3);
    DecodeAs(reader, 8, zv::JpegOutput::Bits8);
    DecodeAs(reader, (pick & 4) ? 2 : 4,
             (pick & 8) ? zv::JpegOutput::Device : zv::JpegOutput::Bits24);
    return 0;
}
