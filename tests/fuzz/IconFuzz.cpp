// Icon files: any bytes must either load into a picture or raise the
// reader's error; a loaded picture must write and read back.

#include "formats/GraphicErrors.h"
#include "formats/IconGraphic.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        zv::TIconGraphic icon;
        icon.LoadFromStream(zv::ByteSpan(data, size));
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
