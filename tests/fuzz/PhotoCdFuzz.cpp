// Photo CD packs: any bytes either open or raise EPhotoCdError; an opened pack
// gives every step it counts, in both output formats, at the size it reports.
// A whole pack with residuals is larger than fuzz inputs are, so input that
// starts with "RES" is a residual part instead: its fourth byte becomes the
// pack's attribute byte and the rest is placed where the 4Base tables lie,
// after a blank Base.

#include "library/PhotoCd.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

std::vector<std::uint8_t> PackFor(const std::uint8_t* data, std::size_t size) {
    if (size < 4 || std::memcmp(data, "RES", 3) != 0) return {data, data + size};
    std::vector<std::uint8_t> pack(static_cast<std::size_t>(zv::kPcd4BaseTables));
    std::memcpy(pack.data() + zv::kPcdInfoOffset, "PCD_IPI", 7);
    pack[zv::kPcdInfoOffset + 0x602] = data[3];
    pack.insert(pack.end(), data + 4, data + size);
    return pack;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> pack = PackFor(data, size);
    zv::PhotoCdLibrary library;
    zv::PcdHandle handle = 0;
    try {
        library.PCDopenMem(pack, handle);
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
        // The large steps only in 24 bits, to keep each run short.
        for (const int format : {zv::kPcdFormatRgb24, zv::kPcdFormatPalette8}) {
            if (step > 3 && format == zv::kPcdFormatPalette8) continue;
            library.PCDsetFormat(handle, format);
            std::vector<std::uint8_t> block;
            try {
                block = library.PCDloadImage(handle);
            } catch (const zv::EPhotoCdError&) {
                if (step <= 3) __builtin_trap(); // only residuals may be damaged
                continue;
            }
            const std::int64_t bits = format == zv::kPcdFormatRgb24 ? 24 : 8;
            const std::int64_t stride = (pcdSize.width * bits + 31) / 32 * 4;
            if (static_cast<std::int64_t>(block.size()) != 40 + 1024 + stride * pcdSize.height)
                __builtin_trap();
        }
    }
    library.PCDclose(handle);
    return 0;
}
