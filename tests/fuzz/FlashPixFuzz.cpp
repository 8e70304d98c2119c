// FlashPix files: any bytes either open or raise EFlashPixError; an opened
// file decodes every resolution at the size it reports, or raises the
// reader's error (or the picture-size error for a picture too large to hold).

#include "formats/FlashPixReader.h"
#include "formats/PictureLimits.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const zv::FlashPixFile file(zv::ByteSpan(data, size));
        for (int level = file.LevelCount() - 1; level >= 0; --level) {
            const zv::Bitmap picture = file.Decode(level);
            const zv::FlashPixLevel expected = file.Level(level);
            if (picture.Width() != expected.width || picture.Height() != expected.height ||
                picture.BitsPerPixel() != file.OutputBits())
                __builtin_trap();
        }
    } catch (const zv::EFlashPixError&) {
    } catch (const zv::EPictureSizeError&) {
    }
    return 0;
}
