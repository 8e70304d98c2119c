// PNG files: any bytes must either load or raise the layer's errors.

#include "formats/PngGraphic.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        zv::TPngGraphic image;
        image.backgroundColour = 0x336699;
        image.keepAlpha = size % 2 == 1; // both ways of reading transparency
        image.LoadFromStream(zv::ByteSpan(data, size));
        zv::Bytes out;
        if (image.Width() * std::int64_t{image.Height()} <= 4096) image.SaveToStream(out);
    } catch (const zv::EPNGError&) {
    } catch (const zv::EInvalidGraphic&) {
    }
    return 0;
}
