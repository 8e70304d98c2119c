#include "processing/AnyDepthPixels.h"

#include "imaging/Palettes.h"

#include <algorithm>

namespace zv {

PaletteEntry ColourOfRef(std::uint32_t colourRef) {
    return {static_cast<std::uint8_t>((colourRef >> 16) & 0xFF),
            static_cast<std::uint8_t>((colourRef >> 8) & 0xFF),
            static_cast<std::uint8_t>(colourRef & 0xFF), 0};
}

PixelWriter::PixelWriter(Bitmap& picture) : picture_(picture) {}

std::uint32_t PixelWriter::Stored(PaletteEntry c) const {
    switch (picture_.Format()) {
    case PixelFormat::Bits1:
    case PixelFormat::Bits4:
    case PixelFormat::Bits8: return static_cast<std::uint32_t>(NearestIndex(picture_.Colours(), c));
    case PixelFormat::Bits15:
        return ((c.red >> 3u) << 10u) | ((c.green >> 3u) << 5u) | (c.blue >> 3u);
    case PixelFormat::Bits16:
        return ((c.red >> 3u) << 11u) | ((c.green >> 2u) << 5u) | (c.blue >> 3u);
    default:
        // Opaque where the fourth byte is alpha.
        return c.blue | (c.green << 8u) | (c.red << 16u) | (picture_.HasAlpha() ? 0xFF000000u : 0u);
    }
}

void PixelWriter::Store(std::uint8_t* row, std::int32_t x, std::uint32_t v) const {
    switch (picture_.Format()) {
    case PixelFormat::Bits1: {
        const auto mask = static_cast<std::uint8_t>(0x80u >> (x & 7));
        row[x >> 3] = static_cast<std::uint8_t>(v ? row[x >> 3] | mask : row[x >> 3] & ~mask);
        break;
    }
    case PixelFormat::Bits4: {
        std::uint8_t& byte = row[x >> 1];
        byte = (x & 1) ? static_cast<std::uint8_t>((byte & 0xF0) | (v & 0x0F))
                       : static_cast<std::uint8_t>((byte & 0x0F) | ((v & 0x0F) << 4));
        break;
    }
    case PixelFormat::Bits8: row[x] = static_cast<std::uint8_t>(v); break;
    case PixelFormat::Bits15:
    case PixelFormat::Bits16:
        row[2 * x] = static_cast<std::uint8_t>(v);
        row[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
        break;
    case PixelFormat::Bits24:
        row[3 * x] = static_cast<std::uint8_t>(v);
        row[3 * x + 1] = static_cast<std::uint8_t>(v >> 8);
        row[3 * x + 2] = static_cast<std::uint8_t>(v >> 16);
        break;
    default: {
        std::uint8_t* p = row + 4 * std::int64_t{x};
        p[0] = static_cast<std::uint8_t>(v);
        p[1] = static_cast<std::uint8_t>(v >> 8);
        p[2] = static_cast<std::uint8_t>(v >> 16);
        if (picture_.HasAlpha()) p[3] = static_cast<std::uint8_t>(v >> 24);
        break;
    }
    }
}

void PixelWriter::Put(std::int32_t x, std::int32_t y, PaletteEntry colour) {
    Store(picture_.ScanLine(y), x, Stored(colour));
}

void PixelWriter::Fill(PictureRect rect, PaletteEntry colour) {
    rect.left = std::max(rect.left, 0);
    rect.top = std::max(rect.top, 0);
    rect.right = std::min(rect.right, picture_.Width());
    rect.bottom = std::min(rect.bottom, picture_.Height());
    if (rect.Empty()) return;
    const std::uint32_t stored = Stored(colour);
    for (std::int32_t y = rect.top; y < rect.bottom; ++y) {
        std::uint8_t* row = picture_.ScanLine(y);
        for (std::int32_t x = rect.left; x < rect.right; ++x) Store(row, x, stored);
    }
}

} // namespace zv
