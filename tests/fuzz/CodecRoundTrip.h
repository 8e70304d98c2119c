#pragma once
// The fuzz check shared by the BMP, PCX and TGA codecs: any bytes either read
// into an image or raise the codec's error, and an image that was read must
// write and read back to the same size and colours.

#include "formats/GbmCodec.h"

#include <cstddef>
#include <cstdint>

template <typename Graphic> int FuzzCodecRoundTrip(const std::uint8_t* data, std::size_t size) {
    const zv::ByteSpan bytes(data, size);
    Graphic image;
    image.keepAlpha = size % 2 == 1; // readers with and without alpha
    try {
        image.ReadInfo(bytes);
        image.LoadFromStream(bytes);
    } catch (const zv::EGbmError&) {
        return 0;
    }
    zv::Bytes out;
    try {
        image.SaveToStream(out);
    } catch (const zv::EGbmError&) {
        return 0; // larger than the format can hold
    }
    Graphic back;
    back.LoadFromStream(out); // a failure here escapes and stops the fuzzer
    if (back.Width() != image.Width() || back.Height() != image.Height()) __builtin_trap();
    if (std::int64_t{image.Width()} * image.Height() > 65536) return 0;
    for (std::int32_t y = 0; y < image.Height(); ++y)
        for (std::int32_t x = 0; x < image.Width(); ++x)
            if (back.GetPixel(x, y) != image.GetPixel(x, y)) __builtin_trap();
    return 0;
}
