// Photo CD packs: any bytes either open or raise EPhotoCdError; an opened pack
// gives every step it counts, in both output formats, at the size it reports.

#include "library/PhotoCd.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zv::PhotoCdLibrary library;
    zv::PcdHandle handle = 0;
    try {
        library.PCDopenMem(zv::ByteSpan(data, size), handle);
    } catch (const zv::EPhotoCdError&) {
        return 0;
    }
    std::uint16_t mask = 0;
    std::uint16_t count = 0;
    library.PCDgetCount(handle, mask, count);
    zv::PcdInfoFacts facts{
        library.PCDgetSize(handle),      count, count, 0, library.PCDgetAttributes(handle),
        library.PCDreadImageInfo(handle)};
    if (zv::PcdInfoText(facts).empty()) __builtin_trap();
    for (int step = 0; step < count; ++step) {
        library.PCDsetResolution(handle, step);
        const zv::PcdSize pcdSize = library.PCDgetSize(handle);
        for (const int format : {zv::kPcdFormatRgb24, zv::kPcdFormatPalette8}) {
            library.PCDsetFormat(handle, format);
            const std::vector<std::uint8_t> block = library.PCDloadImage(handle);
            const std::int64_t bits = format == zv::kPcdFormatRgb24 ? 24 : 8;
            const std::int64_t stride = (pcdSize.width * bits + 31) / 32 * 4;
            if (static_cast<std::int64_t>(block.size()) != 40 + 1024 + stride * pcdSize.height)
                __builtin_trap();
        }
    }
    library.PCDclose(handle);
    return 0;
}
