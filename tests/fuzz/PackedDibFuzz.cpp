// Packed pictures from the clipboard and the imaging library: any bytes must
// either parse into a picture or raise the parser's error.

#include "imaging/Bitmap.h"
#include "imaging/PackedDib.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        zv::Bitmap picture = zv::ParsePackedDib(data, size);
        if (!picture.Empty()) picture.SetPixelFormat(zv::PixelFormat::Bits24);
    } catch (const zv::EPackedDibError&) {
    } catch (const zv::EBitmapError&) {
    }
    return 0;
}
