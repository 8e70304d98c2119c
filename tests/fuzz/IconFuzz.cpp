// Icon files: any bytes must either load into a picture (any of its pages)
// or raise the reader's error; a loaded picture must write and read back.

#include "formats/GraphicErrors.h"
#include "formats/IconGraphic.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const zv::ByteSpan bytes(data, size);
        zv::TIconGraphic icon;
        // Every page, the largest first; a page that fails leaves the rest to try.
        const int pages = std::min(icon.ImageCount(bytes), 8);
        for (int page = 2; page <= pages; ++page) {
            try {
                zv::TIconGraphic other;
                other.imageToRead = page;
                other.LoadFromStream(bytes);
            } catch (const zv::EInvalidGraphic&) {
            } catch (const zv::EPNGError&) {
            }
        }
        icon.LoadFromStream(bytes);
        zv::Bytes out;
        icon.SaveToStream(out);
        zv::TIconGraphic back;
        back.LoadFromStream(out);
    } catch (const zv::EInvalidGraphic&) {
    } catch (const zv::EPNGError&) {
    } catch (const zv::EBitmapError&) {
    }
    return 0;
}
