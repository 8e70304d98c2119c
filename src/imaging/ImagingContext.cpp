#include "imaging/ImagingContext.h"

#include "imaging/Palettes.h"
#include "imaging/PixelConvert.h"

#include <algorithm>
#include <cstring>

namespace zv {

namespace {

void RefreshCaption(ImagingContext& context, bool quietInBatch) {
    ImageHost* host = context.host;
    if (host == nullptr || host->SlideshowRunning()) return;
    if (quietInBatch && host->BatchRunning()) return;
    host->RefreshCaption();
}

// Keeps ImageWidth and ImageHeight equal to the current picture's size.
void SyncSize(ImagingContext& context) {
    context.descriptor.ImageWidth = context.current.Width();
    context.descriptor.ImageHeight = context.current.Height();
}

// Makes the current picture a DIB of the format; a failure leaves it cleared.
void MakeDibOf(ImagingContext& context, PixelFormat format) {
    Bitmap& bitmap = context.current;
    if (bitmap.Format() == format && bitmap.Storage() == StorageKind::DIB) return;
    try {
        bitmap.SetPixelFormat(format);
    } catch (...) {
        SyncSize(context);
        throw;
    }
}

PixelFormat FormatForDepth(int bits) {
    switch (bits) {
    case 1: return PixelFormat::Bits1;
    case 4: return PixelFormat::Bits4;
    case 8: return PixelFormat::Bits8;
    default: return PixelFormat::Bits24;
    }
}

// Copies the top-left part both pictures share; they have the same format.
void CopyOverlap(const Bitmap& source, Bitmap& target) {
    const std::int32_t width = std::min(source.Width(), target.Width());
    const std::int32_t height = std::min(source.Height(), target.Height());
    const std::int64_t bits = std::int64_t{width} * source.BitsPerPixel();
    const auto wholeBytes = static_cast<std::size_t>(bits / 8);
    const int restBits = static_cast<int>(bits % 8);
    const auto restMask = static_cast<std::uint8_t>(0xFF00 >> restBits);
    for (std::int32_t y = 0; y < height; ++y) {
        std::memcpy(target.ScanLine(y), source.ScanLine(y), wholeBytes);
        if (restBits != 0)
            target.ScanLine(y)[wholeBytes] = source.ScanLine(y)[wholeBytes] & restMask;
    }
}

// The DDB drawn onto a new DIB of the format and size, with the old palette
// kept when the formats agree.
Bitmap RedrawAsDib(const Bitmap& old, std::int32_t width, std::int32_t height, PixelFormat format) {
    Bitmap drawn =
        old.Format() == format ? old : ConvertPixels(old, format, StandardPaletteOf(format));
    if (drawn.Width() == width && drawn.Height() == height) {
        drawn.SetStorage(StorageKind::DIB);
        return drawn;
    }
    Bitmap fresh;
    fresh.Create(width, height, format);
    fresh.SetPalette(drawn.Colours());
    CopyOverlap(drawn, fresh);
    return fresh;
}

} // namespace

void EnsureTrueColour(ImagingContext& context) {
    MakeDibOf(context, PixelFormat::Bits24);
    context.descriptor.ImageBits = 24;
    RefreshCaption(context, true);
}

void EnsureIndexed8(ImagingContext& context) {
    MakeDibOf(context, PixelFormat::Bits8);
    context.descriptor.ImageBits = 8;
    RefreshCaption(context, false);
}

void EnsureIndexed4(ImagingContext& context) {
    MakeDibOf(context, PixelFormat::Bits4);
    context.descriptor.ImageBits = 4;
    RefreshCaption(context, false);
}

int ConvertToDib(ImagingContext& context, std::int32_t width, std::int32_t height, int bits) {
    Bitmap& bitmap = context.current;
    if (bitmap.Storage() != StorageKind::DDB) return bits;
    const PixelFormat format = FormatForDepth(bits);
    const bool sameSize = bitmap.Width() == width && bitmap.Height() == height;
    try {
        if (bitmap.Format() == format && sameSize) {
            bitmap.SetStorage(StorageKind::DIB);
        } else {
            bitmap = RedrawAsDib(bitmap, width, height, format);
        }
    } catch (...) {
        bitmap.Clear();
        SyncSize(context);
        throw;
    }
    SyncSize(context);
    return format == PixelFormat::Bits24 ? 24 : bits;
}

} // namespace zv
