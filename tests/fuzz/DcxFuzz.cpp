// Multi-page fax files: any bytes either open with every page readable or
// failing cleanly, or are refused with the library's error.

#include "library/LibraryReaders.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        zv::LibraryImage image =
            zv::ReadPictureData(zv::Bytes(data, data + size), ".dcx", "fuzz.dcx");
        const int pages = static_cast<int>(image.pages.size());
        for (int page = 1; page < pages && page < 8; ++page) {
            try {
                image.pages[static_cast<std::size_t>(page)] = image.readPage(page);
            } catch (const zv::ELibraryError&) {
            }
        }
    } catch (const zv::ELibraryError&) {
    }
    return 0;
}
