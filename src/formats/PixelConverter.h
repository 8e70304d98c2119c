#pragma once
// TPixelConverter: turns one row of planar or interleaved samples of any
// depth (1..16 bits) and colour model into the target's samples. The routine
// for the current settings is chosen once, before the first row after a
// setting change; rows then run without per-pixel dispatch.
//
// Sample layout, source and target alike: samples of 1..15 bits are packed
// most significant bit first as one bit stream per row (interleaved: all
// samples of a pixel in turn; planar: one stream per plane); 16-bit samples
// are two bytes, big-endian unless SetBigEndian16(false).

#include "imaging/Bitmap.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace zv {

enum class ColorModel : int {
    Indexed = 1,
    Grey = 2,
    GreyAlpha = 3,
    RGB = 4,
    RGBA = 5,
    BGR = 6, // the window system's pixel order
    BGRA = 7,
    CMYK = 9,
    Lab = 10,
};

enum class SourceLayout { Interleaved, Planar };

class TPixelConverter {
public:
    // L* stored as 0..255 and scaled by 100/255.
    static constexpr unsigned kLabScaledL = 1u << 3;
    // a* and b* stored with an offset of 128.
    static constexpr unsigned kLabOffsetAB = 1u << 4;

    TPixelConverter();

    // Bits per sample 1..16, else "Invalid color depth.".
    void SetSourceBitsPerSample(int bits);
    void SetTargetBitsPerSample(int bits);
    // Samples per pixel 1..4, else "Invalid pixel depth and target samples.".
    void SetSourceSamplesPerPixel(int samples);
    void SetTargetSamplesPerPixel(int samples);
    void SetSourceColorModel(ColorModel model);
    void SetTargetColorModel(ColorModel model);
    void SetFlags(unsigned flags);
    void SetBigEndian16(bool bigEndian);

    int SourceBitsPerSample() const { return sourceBits_; }
    int TargetBitsPerSample() const { return targetBits_; }
    int SourceSamplesPerPixel() const { return sourceSamples_; }
    int TargetSamplesPerPixel() const { return targetSamples_; }
    ColorModel SourceColorModel() const { return sourceModel_; }
    ColorModel TargetColorModel() const { return targetModel_; }
    unsigned Flags() const { return flags_; }
    bool BigEndian16() const { return bigEndian16_; }

    // The Bitmap pixel format whose rows are exactly what Convert writes for
    // the target settings; empty when no Bitmap format has that layout.
    std::optional<PixelFormat> TargetPixelFormat() const;

    // Chooses the routine for the current settings. Raises "Indexed and
    // non-indexed conversion not supported." when exactly one side is
    // indexed-like, "Color conversion failed." when no routine fits.
    // Convert calls it when a setting has changed since the last time.
    void Prepare();

    // Converts pixelCount pixels into target. Interleaved sources pass one
    // pointer, planar sources one pointer per plane (planeCount of them, at
    // least as many as the source model has samples). Bit i of mask, from
    // the most significant down and repeating every eight pixels, selects
    // which pixels are written; the others are left untouched.
    void Convert(const std::uint8_t* const* sources, SourceLayout layout, int planeCount,
                 std::uint8_t mask, std::size_t pixelCount, std::uint8_t* target);
    void Convert(const std::uint8_t* interleaved, std::size_t pixelCount, std::uint8_t* target,
                 std::uint8_t mask = 0xFF);
    void ConvertPlanar(std::span<const std::uint8_t* const> planes, std::size_t pixelCount,
                       std::uint8_t* target, std::uint8_t mask = 0xFF);

    // 2^bits greys (at most 256) for the target depth, black to white, or
    // white to black when inverted.
    Palette GreyPalette(bool inverted) const;

    // The per-row state the routines share; public only so the routines,
    // which live in the implementation file, can name it.
    struct Context {
        int sourceBits = 8;
        int targetBits = 8;
        std::uint32_t targetMax = 255;
        unsigned flags = 0;
        int colours = 0;                       // colour samples the target gets
        std::vector<std::uint16_t> scale;      // source value -> target value
        std::vector<std::uint16_t> scaleFrom8; // 8-bit value -> target value
        int order[4] = {0, 1, 2, 3};           // target sample j takes source sample order[j]
        bool fillAlpha = false;                // target's last sample is opaque
    };
    using Routine = void (*)(const Context&, const std::uint16_t* const* in,
                             std::uint16_t* const* out, std::size_t count);

private:
    void Changed() { prepared_ = false; }
    bool CanCopyRows(SourceLayout layout, std::uint8_t mask) const;
    void Unpack(const std::uint8_t* const* sources, SourceLayout layout, std::size_t count);
    void Pack(std::uint8_t mask, std::size_t count, std::uint8_t* target) const;

    int sourceBits_ = 8;
    int targetBits_ = 8;
    int sourceSamples_ = 3;
    int targetSamples_ = 3;
    ColorModel sourceModel_ = ColorModel::RGB;
    ColorModel targetModel_ = ColorModel::BGR;
    unsigned flags_ = 0;
    bool bigEndian16_ = true;

    bool prepared_ = false;
    Routine routine_ = nullptr;
    bool copyRows_ = false; // equal layouts: rows are copied byte for byte
    int sourceNeeded_ = 0;  // samples the routine reads
    Context context_;
    std::vector<std::uint16_t> in_[4];
    std::vector<std::uint16_t> out_[4];
};

// A palette of count entries (at most 256) from three planes of 8-bit values.
Palette PaletteFromPlanes(const std::uint8_t* red, const std::uint8_t* green,
                          const std::uint8_t* blue, int count);

} // namespace zv
