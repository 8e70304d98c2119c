// JPEG files through the imaging library's libjpeg decoder: any bytes either
// decode or raise the library's error, never ending the program.

#include "library/LibraryError.h"
#include "library/LibraryJpeg.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        zv::DecodeJpeg(zv::ByteSpan(data, size));
    } catch (const zv::ELibraryError&) {
    }
    return 0;
}
