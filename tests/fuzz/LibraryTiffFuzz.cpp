// TIFF files as the imaging library reads them: the format layer first,
// then libtiff for what it refuses. Any bytes either give pages or raise the
// library's error; the libtiff route is also tried on its own.

#include "library/LibraryReaders.h"
#include "library/LibraryTiff.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const zv::ByteSpan bytes(data, size);
    try {
        zv::LibraryImage image = zv::ReadPictureMemory(bytes, "TIF");
        const int pages = static_cast<int>(image.pages.size());
        for (int page = 1; page < pages && page < 4; ++page) {
            try {
                image.pages[static_cast<std::size_t>(page)] = image.readPage(page);
            } catch (const zv::ELibraryError&) {
            }
        }
    } catch (const zv::ELibraryError&) {
    }
    try {
        zv::ReadTiffPageWithLibtiff(bytes, 0);
    } catch (const zv::ELibraryError&) {
    }
    return 0;
}
