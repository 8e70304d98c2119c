#pragma once
// JPEG files with an EXIF orientation, written by hand for the tests of
// pictures that stand upright by it.

#include "formats/JpegCodec.h"

#include <cstdint>

namespace zvtest {

// An EXIF segment (APP1 data) whose first directory holds a description,
// then the orientation, in either byte order.
inline zv::Bytes ExifSegment(int orientation, bool little) {
    zv::Bytes d = {'E',
                   'x',
                   'i',
                   'f',
                   0,
                   0,
                   std::uint8_t(little ? 'I' : 'M'),
                   std::uint8_t(little ? 'I' : 'M')};
    const auto put = [&](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            d.push_back(std::uint8_t(v >> 8 * (little ? i : bytes - 1 - i)));
    };
    put(42, 2), put(8, 4), put(2, 2);
    put(0x010E, 2), put(2, 2), put(4, 4), d.insert(d.end(), {'a', 'b', 'c', 0});
    put(0x0112, 2), put(3, 2), put(1, 4), put(std::uint32_t(orientation), 2), put(0, 2);
    put(0, 4);
    return d;
}

// The picture as a JPEG whose EXIF records the orientation.
inline zv::Bytes JpegWithOrientation(const zv::Bitmap& stored, int orientation) {
    zv::JpegEncodeOptions options;
    options.quality = 95;
    options.scale = zv::JpegQualityScale::Library;
    options.markers.push_back({0xE1, ExifSegment(orientation, orientation % 2 == 0)});
    return zv::JpegEncode(stored, options);
}

} // namespace zvtest
