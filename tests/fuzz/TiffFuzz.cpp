// TIFF files: any bytes must either load (every page) or raise the layer's errors.

#include "formats/TiffGraphic.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const zv::ByteSpan bytes(data, size);
    try {
        zv::TTiffGraphic image;
        const int pages = image.ImageCount(bytes);
        for (int page = 1; page <= pages && page <= 4; ++page) {
            image.imageToRead = page;
            image.LoadFromStream(bytes);
        }
    } catch (const zv::ETiffError&) {
    } catch (const zv::EInvalidGraphic&) {
    }
    return 0;
}
