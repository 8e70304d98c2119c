#include "imaging/Bitmap.h"

#include "imaging/Palettes.h"
#include "imaging/PixelConvert.h"

#include <new>
#include <stdexcept>
#include <string>
#include <utility>

namespace zv {

namespace {

std::string SizeText(std::int64_t width, std::int64_t height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

StorageKind StorageOf(PixelFormat format) {
    return format == PixelFormat::Device ? StorageKind::DDB : StorageKind::DIB;
}

// Checks a requested picture and returns the bytes its rows take.
std::int64_t CheckedPixelBytes(std::int32_t width, std::int32_t height, PixelFormat format) {
    const int bits = BitsPerPixel(format);
    if (bits == 0) {
        throw EBitmapError("Unknown pixel format " + std::to_string(static_cast<int>(format)) +
                           ".");
    }
    if (width < 0 || height < 0) {
        throw EBitmapError("A picture cannot be " + SizeText(width, height) + " pixels.");
    }
    // The stride is below 2^34 and the height below 2^31: the product fits in 64 unsigned bits.
    const std::uint64_t bytes =
        static_cast<std::uint64_t>(RowStride(width, bits)) * static_cast<std::uint64_t>(height);
    if (bytes > static_cast<std::uint64_t>(kMaxBitmapBytes)) {
        throw EBitmapError("A picture of " + SizeText(width, height) + " pixels at " +
                           std::to_string(bits) + " bits per pixel needs " + std::to_string(bytes) +
                           " bytes; the largest allowed is " + std::to_string(kMaxBitmapBytes) +
                           " bytes.");
    }
    return static_cast<std::int64_t>(bytes);
}

} // namespace

int BitsPerPixel(PixelFormat format) {
    switch (format) {
    case PixelFormat::Bits1: return 1;
    case PixelFormat::Bits4: return 4;
    case PixelFormat::Bits8: return 8;
    case PixelFormat::Bits15:
    case PixelFormat::Bits16: return 16;
    case PixelFormat::Bits24: return 24;
    case PixelFormat::Bits32:
    case PixelFormat::Device: return 32;
    }
    return 0;
}

std::int16_t ImageBitsOf(PixelFormat format) {
    switch (format) {
    case PixelFormat::Bits1: return 1;
    case PixelFormat::Bits4: return 4;
    case PixelFormat::Bits8: return 8;
    case PixelFormat::Bits15: return 15;
    case PixelFormat::Bits16: return 16;
    default: return 24;
    }
}

int PaletteSizeOf(PixelFormat format) {
    switch (format) {
    case PixelFormat::Bits1: return 2;
    case PixelFormat::Bits4: return 16;
    case PixelFormat::Bits8: return 256;
    default: return 0;
    }
}

std::int64_t RowStride(std::int64_t width, int bitsPerPixel) {
    return (width * bitsPerPixel + 31) / 32 * 4;
}

Bitmap::Bitmap(const Bitmap& other) {
    *this = other;
}

Bitmap& Bitmap::operator=(const Bitmap& other) {
    if (this == &other) return *this;
    try {
        auto pixels(other.pixels_);
        Palette palette(other.palette_);
        pixels_.swap(pixels);
        palette_.swap(palette);
    } catch (const std::bad_alloc&) {
        Clear();
        throw EBitmapError("Not enough memory to copy a " + SizeText(other.width_, other.height_) +
                           " picture.");
    }
    width_ = other.width_;
    height_ = other.height_;
    format_ = other.format_;
    storage_ = other.storage_;
    alpha_ = other.alpha_;
    stride_ = other.stride_;
    return *this;
}

Bitmap::Bitmap(Bitmap&& other) noexcept {
    *this = std::move(other);
}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept {
    if (this == &other) return *this;
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    format_ = other.format_;
    storage_ = other.storage_;
    alpha_ = std::exchange(other.alpha_, false);
    stride_ = std::exchange(other.stride_, 0);
    palette_ = std::exchange(other.palette_, {});
    pixels_ = std::exchange(other.pixels_, {});
    return *this;
}

void Bitmap::SetPalette(const Palette& palette) {
    Palette padded(palette);
    padded.resize(static_cast<std::size_t>(PaletteSizeOf(format_)));
    palette_.swap(padded);
}

void Bitmap::Create(std::int32_t width, std::int32_t height, PixelFormat format) {
    decltype(pixels_) pixels;
    try {
        const std::int64_t bytes = CheckedPixelBytes(width, height, format);
        Clear();
        pixels.assign(static_cast<std::size_t>(bytes), 0);
    } catch (const std::bad_alloc&) {
        Clear();
        throw EBitmapError("Not enough memory for a picture of " + SizeText(width, height) +
                           " pixels.");
    } catch (...) {
        Clear();
        throw;
    }
    pixels_.swap(pixels);
    width_ = width;
    height_ = height;
    format_ = format;
    storage_ = StorageOf(format);
    alpha_ = false;
    stride_ = RowStride(width, zv::BitsPerPixel(format));
    palette_ = StandardPaletteOf(format);
}

void Bitmap::SetPixelFormat(PixelFormat format) {
    if (format == format_) {
        storage_ = StorageOf(format);
        return;
    }
    if (format == PixelFormat::Bits15 || format == PixelFormat::Bits16) {
        throw std::invalid_argument("pictures are never converted to 15 or 16 bits per pixel");
    }
    if (zv::BitsPerPixel(format) == 0) throw std::invalid_argument("unknown pixel format");
    if (Empty()) {
        Create(width_, height_, format);
        return;
    }
    ReplaceWithConversion(*this, format, StandardPaletteOf(format));
}

void Bitmap::SetStorage(StorageKind storage) {
    storage_ = format_ == PixelFormat::Device ? StorageKind::DDB : storage;
}

void Bitmap::Clear() {
    decltype(pixels_)().swap(pixels_);
    Palette().swap(palette_);
    width_ = 0;
    height_ = 0;
    stride_ = 0;
    alpha_ = false;
}

void FillTrueColour(Bitmap& bitmap, PaletteEntry colour) {
    for (std::int32_t y = 0; y < bitmap.Height(); ++y) {
        std::uint8_t* pixel = bitmap.ScanLine(y);
        for (std::int32_t x = 0; x < bitmap.Width(); ++x, pixel += 3) {
            pixel[0] = colour.blue;
            pixel[1] = colour.green;
            pixel[2] = colour.red;
        }
    }
}

} // namespace zv
