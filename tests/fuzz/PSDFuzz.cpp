// Photoshop files: any bytes must either load into a picture or raise the
// reader's error.

#include "formats/GraphicErrors.h"
#include "formats/PSDGraphic.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const zv::ByteSpan bytes(data, size);
    try {
        zv::TPSDGraphic header;
        header.ReadInfo(bytes, true);
        zv::TPSDGraphic psd;
        if (zv::TPSDGraphic::CanRead(bytes)) psd.LoadFromStream(bytes);
    } catch (const zv::EInvalidGraphic&) {
    } catch (const zv::EColorConversionError&) {
    } catch (const zv::EBitmapError&) {
    }
    return 0;
}
