#pragma once
// The in-memory picture: a rectangle of pixels with a pixel format, an
// optional palette, and row access through ScanLine.

#include "imaging/PixelAllocator.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace zv {

// The numeric value of each format is its code in stored records.
enum class PixelFormat : std::uint8_t {
    Device = 0, // display format (storage DDB); held here as 32-bit blue, green, red, unused
    Bits1 = 1,  // 8 pixels a byte, leftmost in the most significant bit
    Bits4 = 2,  // 2 pixels a byte, leftmost in the high nibble
    Bits8 = 3,  // 1 byte a pixel, a palette index
    Bits15 = 4, // 16-bit little-endian 0rrrrrgggggbbbbb (read only)
    Bits16 = 5, // 16-bit little-endian rrrrrggggggbbbbb (read only)
    Bits24 = 6, // blue, green, red: the working format of all processing
    Bits32 = 7, // blue, green, red, then unused or, with HasAlpha(), alpha (read only)
};

// DIB rows are addressed by the program; a DDB exists only for fast display.
// Here both keep addressable rows; DDB is a flag that the painter may use.
enum class StorageKind : std::uint8_t { DIB, DDB };

struct PaletteEntry {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
    std::uint8_t reserved = 0;
    friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};
using Palette = std::vector<PaletteEntry>;

// Raised when a picture cannot be made: a size out of range or no memory.
class EBitmapError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

int BitsPerPixel(PixelFormat format);
// The colour depth a picture of this format records as ImageBits: 1, 4, 8,
// 15, 16, or 24 for the true-colour formats.
std::int16_t ImageBitsOf(PixelFormat format);
// Palette entries a format carries: 2, 16, 256, or 0 for direct colour.
int PaletteSizeOf(PixelFormat format);
// Bytes in one row: ((width x bits + 31) div 32) x 4, in 64 bits.
std::int64_t RowStride(std::int64_t width, int bitsPerPixel);

// The largest picture the program makes, in bytes of pixel storage.
inline constexpr std::int64_t kMaxBitmapBytes = std::int64_t{4} << 30;

class Bitmap {
public:
    Bitmap() = default;
    // Assigning one Bitmap to another copies the pixels and the palette.
    Bitmap(const Bitmap& other);
    Bitmap& operator=(const Bitmap& other);
    Bitmap(Bitmap&& other) noexcept;
    Bitmap& operator=(Bitmap&& other) noexcept;

    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }
    PixelFormat Format() const { return format_; }
    StorageKind Storage() const { return storage_; }
    bool Monochrome() const { return format_ == PixelFormat::Bits1; }
    int BitsPerPixel() const { return zv::BitsPerPixel(format_); }
    std::int64_t Stride() const { return stride_; }

    // Whether the fourth byte of each Bits32 pixel is its opacity (0 clear,
    // 255 opaque; colours not premultiplied). Only Bits32 carries alpha:
    // Create, Clear and every format conversion leave it off, so a picture
    // made 24-bit for processing or saving simply drops it.
    bool HasAlpha() const { return alpha_; }
    // Marks the fourth byte as alpha or unused; a picture of any other
    // format stays without alpha.
    void SetAlpha(bool alpha) { alpha_ = alpha && format_ == PixelFormat::Bits32; }

    const Palette& Colours() const { return palette_; }
    // Replaces the palette; it is cut or padded with black to the format's size.
    void SetPalette(const Palette& palette);

    // A new picture of this format and size, all pixels 0, with the format's
    // standard palette (black and white, the 16 standard colours, the
    // halftone palette). Width and height must be 0..2^31-1; throws
    // EBitmapError when the rows would exceed kMaxBitmapBytes. On failure the
    // picture is left cleared.
    void Create(std::int32_t width, std::int32_t height, PixelFormat format);

    // Changes the pixel format, converting every pixel: exact to Bits24,
    // Device and Bits32; onto the halftone palette for Bits8, the 16 standard
    // colours for Bits4, black and white for Bits1. Bits15 and Bits16 can
    // only be converted from (asking for them throws std::invalid_argument
    // and changes nothing). Device sets the storage to DDB; every other format
    // sets it to DIB. A conversion that fails leaves the picture cleared and
    // throws EBitmapError.
    void SetPixelFormat(PixelFormat format);
    // Sets the storage kind without touching the pixels (Device stays DDB).
    void SetStorage(StorageKind storage);

    // Row y, 0 the top row. y must be within 0..Height-1.
    std::uint8_t* ScanLine(std::int32_t y) { return pixels_.data() + y * stride_; }
    const std::uint8_t* ScanLine(std::int32_t y) const { return pixels_.data() + y * stride_; }

    // ClearBitmap: palette and pixels freed, size 0 x 0, format kept.
    void Clear();

    // The drawing surface: held around every pixel loop and every exchange
    // with the imaging library, so painting never sees a half-changed picture.
    std::mutex& Surface() const { return surface_; }

private:
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    PixelFormat format_ = PixelFormat::Bits24;
    StorageKind storage_ = StorageKind::DIB;
    bool alpha_ = false;
    std::int64_t stride_ = 0;
    Palette palette_;
    std::vector<std::uint8_t, PixelAllocator<std::uint8_t>> pixels_;
    mutable std::mutex surface_;
};

// Every pixel of a Bits24 Bitmap set to one colour.
void FillTrueColour(Bitmap& bitmap, PaletteEntry colour);
// The same from a window-system colour value: red in the low byte.
inline void FillTrueColour(Bitmap& bitmap, std::uint32_t colourRef) {
    FillTrueColour(bitmap, PaletteEntry{static_cast<std::uint8_t>((colourRef >> 16) & 0xFF),
                                        static_cast<std::uint8_t>((colourRef >> 8) & 0xFF),
                                        static_cast<std::uint8_t>(colourRef & 0xFF), 0});
}

inline void ClearBitmap(Bitmap& bitmap) {
    bitmap.Clear();
}

} // namespace zv
