// Bmp files: any bytes either read into an image or raise the codec's error,
// and what was read writes and reads back unchanged.

#include "CodecRoundTrip.h"
#include "formats/BmpGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return FuzzCodecRoundTrip<zv::TBmpGraphic>(data, size);
}
