// Zip archives: any bytes either read into a directory or raise EZipError,
// and every entry either decodes or raises EZipError, never reading outside
// the data. Entries are capped in size so that one input cannot run long.

#include "album/ZipArchive.h"
#include "album/ZipListing.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::uint64_t kMaxEntrySize = 1 << 20;
    try {
        const zv::ZipArchive archive(zv::ZipMemory(std::vector<std::uint8_t>(data, data + size)));
        for (const zv::ZipEntry& entry : archive.Entries()) {
            zv::ZipRowOf(entry);
            if (entry.Size > kMaxEntrySize) continue;
            try {
                std::uint64_t total = 0;
                archive.Decode(entry,
                               [&](const std::uint8_t*, std::size_t count) { total += count; });
                if (total != entry.Size) __builtin_trap();
            } catch (const zv::EZipError&) {
            }
        }
    } catch (const zv::EZipError&) {
    }
    return 0;
}
