#include "formats/PixelConverter.h"

#include "formats/GraphicErrors.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zv {
namespace {

const char* const kInvalidDepth = "Invalid color depth.";
const char* const kInvalidSamples = "Invalid pixel depth and target samples.";
const char* const kIndexedMix = "Indexed and non-indexed conversion not supported.";
const char* const kNoRoutine = "Color conversion failed.";

using Context = TPixelConverter::Context;

// Samples a source pixel of the model carries, 0 for an unknown model.
int SourceSamplesOf(ColorModel model) {
    switch (model) {
    case ColorModel::Indexed:
    case ColorModel::Grey: return 1;
    case ColorModel::GreyAlpha: return 2;
    case ColorModel::RGB:
    case ColorModel::BGR:
    case ColorModel::Lab: return 3;
    case ColorModel::RGBA:
    case ColorModel::BGRA:
    case ColorModel::CMYK: return 4;
    }
    return 0;
}

// Samples the converter writes for a target model, 0 when it cannot write it.
int TargetSamplesOf(ColorModel model) {
    switch (model) {
    case ColorModel::Indexed:
    case ColorModel::Grey: return 1;
    case ColorModel::RGB:
    case ColorModel::BGR: return 3;
    case ColorModel::RGBA:
    case ColorModel::BGRA: return 4;
    default: return 0;
    }
}

bool IsRgbFamily(ColorModel model) {
    return model == ColorModel::RGB || model == ColorModel::RGBA || model == ColorModel::BGR ||
           model == ColorModel::BGRA;
}
bool IsBgr(ColorModel model) {
    return model == ColorModel::BGR || model == ColorModel::BGRA;
}
bool HasAlpha(ColorModel model) {
    return model == ColorModel::GreyAlpha || model == ColorModel::RGBA || model == ColorModel::BGRA;
}
bool IndexedLikeSource(ColorModel model) {
    const int m = static_cast<int>(model);
    return m >= 1 && m <= 3;
}
bool IndexedLikeTarget(ColorModel model) {
    const int m = static_cast<int>(model);
    return m >= 1 && m <= 2;
}

// Position of red (0), green (1) or blue (2) among a pixel's samples.
int PositionOf(int colour, ColorModel model) {
    return IsBgr(model) ? 2 - colour : colour;
}

std::uint32_t MaxOf(int bits) {
    return (std::uint32_t{1} << bits) - 1;
}

std::uint8_t Clamp255(std::int64_t v) {
    return static_cast<std::uint8_t>(std::clamp<std::int64_t>(v, 0, 255));
}

// --- Routines: in holds the source samples the routine reads, out the
// target samples in target order, all as plain values of their depth. ---

// Palette indices keep their value; a narrower target holds what fits.
void IndexRoutine(const Context& c, const std::uint16_t* const* in, std::uint16_t* const* out,
                  std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        out[0][i] = static_cast<std::uint16_t>(std::min<std::uint32_t>(in[0][i], c.targetMax));
}

// Grey, grey with alpha and the RGB family: each target colour sample is a
// source sample rescaled; an alpha target sample is opaque.
void ScaleRoutine(const Context& c, const std::uint16_t* const* in, std::uint16_t* const* out,
                  std::size_t n) {
    const std::uint16_t* scale = c.scale.data();
    for (int j = 0; j < c.colours; ++j) {
        const std::uint16_t* src = in[c.order[j]];
        std::uint16_t* dst = out[j];
        for (std::size_t i = 0; i < n; ++i) dst[i] = scale[src[i]];
    }
    if (c.fillAlpha) std::fill_n(out[c.colours], n, static_cast<std::uint16_t>(c.targetMax));
}

void PlaceRgb(const Context& c, const std::uint8_t rgb[3], std::uint16_t* const* out,
              std::size_t i) {
    for (int j = 0; j < 3; ++j) out[j][i] = c.scaleFrom8[rgb[c.order[j]]];
    if (c.fillAlpha) out[3][i] = static_cast<std::uint16_t>(c.targetMax);
}

// 8-bit CMYK, 0 = no ink: (255 - C)(255 - K) / 255 in integers.
void Cmyk8Routine(const Context& c, const std::uint16_t* const* in, std::uint16_t* const* out,
                  std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        const std::int64_t k = in[3][i];
        std::uint8_t rgb[3];
        for (int j = 0; j < 3; ++j) {
            const std::int64_t ink = in[j][i];
            rgb[j] = Clamp255(ink * k / 255 - k - ink + 255);
        }
        PlaceRgb(c, rgb, out, i);
    }
}

void Cmyk16Routine(const Context& c, const std::uint16_t* const* in, std::uint16_t* const* out,
                   std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        const std::int64_t k = in[3][i];
        std::uint8_t rgb[3];
        for (int j = 0; j < 3; ++j) {
            const std::int64_t ink = in[j][i];
            const std::int64_t v = ink * k / 65535;
            rgb[j] = Clamp255(255 - ((ink + k - v) % 65536) * 255 / 65535);
        }
        PlaceRgb(c, rgb, out, i);
    }
}

// Samples on the scale of the L*a*b* formulas. 16-bit samples keep their
// precision: L* spans 0..65535, and a* and b* are centred on 32768 with 256
// steps to a unit, which are the 8-bit rules with each value times 256.
double LightnessSample(std::uint16_t v, int bits) {
    return bits == 8 ? v : v * 255.0 / 65535.0;
}
double ColourSample(std::uint16_t v, int bits, bool offset) {
    if (bits == 8) return offset ? v - 128.0 : static_cast<std::int8_t>(v);
    return offset ? (v - 32768.0) / 256.0 : static_cast<std::int16_t>(v) / 256.0;
}

std::uint8_t Round255(double v) {
    return Clamp255(std::lround(255.0 * v));
}

void LabRoutine(const Context& c, const std::uint16_t* const* in, std::uint16_t* const* out,
                std::size_t n) {
    const bool scaledL = c.flags & TPixelConverter::kLabScaledL;
    const bool offsetAB = c.flags & TPixelConverter::kLabOffsetAB;
    for (std::size_t i = 0; i < n; ++i) {
        double L = LightnessSample(in[0][i], c.sourceBits);
        if (scaledL) L = L * 100.0 / 255.0;
        const double a = ColourSample(in[1][i], c.sourceBits, offsetAB);
        const double b = ColourSample(in[2][i], c.sourceBits, offsetAB);
        const double fy = (L + 16.0) / 116.0;
        double X, Y, Z;
        if (L < 7.9996) {
            Y = L / 903.3;
            Z = Y - b / 1557.4;
            X = Y + a / 3893.5;
        } else {
            const double fx = fy + a / 500.0;
            const double fz = fy - b / 200.0;
            X = fx * fx * fx;
            Y = fy * fy * fy;
            Z = fz * fz * fz;
        }
        const std::uint8_t rgb[3] = {Round255(2.998 * X - 1.458 * Y - 0.541 * Z),
                                     Round255(-0.952 * X + 1.893 * Y + 0.059 * Z),
                                     Round255(0.099 * X - 0.198 * Y + 1.099 * Z)};
        PlaceRgb(c, rgb, out, i);
    }
}

// --- Bit streams: samples of 1..15 bits, most significant bit first. ---

std::uint16_t ReadBits(const std::uint8_t* row, std::uint64_t bitPos, int bits) {
    const std::uint8_t* p = row + bitPos / 8;
    const int skip = static_cast<int>(bitPos % 8);
    const int bytes = (skip + bits + 7) / 8;
    std::uint32_t acc = 0;
    for (int b = 0; b < bytes; ++b) acc = acc << 8 | p[b];
    return static_cast<std::uint16_t>(acc >> (bytes * 8 - skip - bits) & MaxOf(bits));
}

void WriteBits(std::uint8_t* row, std::uint64_t bitPos, int bits, std::uint32_t value) {
    std::uint8_t* p = row + bitPos / 8;
    const int skip = static_cast<int>(bitPos % 8);
    const int bytes = (skip + bits + 7) / 8;
    const int shift = bytes * 8 - skip - bits;
    std::uint32_t acc = 0;
    for (int b = 0; b < bytes; ++b) acc = acc << 8 | p[b];
    const std::uint32_t mask = MaxOf(bits) << shift;
    acc = (acc & ~mask) | (value << shift & mask);
    for (int b = bytes - 1; b >= 0; --b, acc >>= 8) p[b] = static_cast<std::uint8_t>(acc);
}

// One sample stream (a plane, or one sample of interleaved pixels) into values.
void UnpackStream(const std::uint8_t* row, int bits, bool bigEndian, std::size_t first,
                  std::size_t step, std::size_t count, std::uint16_t* out) {
    if (bits == 8) {
        for (std::size_t i = 0; i < count; ++i) out[i] = row[first + i * step];
    } else if (bits == 16) {
        const int hi = bigEndian ? 0 : 1;
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t* p = row + 2 * (first + i * step);
            out[i] = static_cast<std::uint16_t>(p[hi] << 8 | p[1 - hi]);
        }
    } else {
        for (std::size_t i = 0; i < count; ++i)
            out[i] = ReadBits(row, std::uint64_t{first + i * step} * bits, bits);
    }
}

bool Selected(std::uint8_t mask, std::size_t pixel) {
    return mask & (0x80u >> (pixel % 8));
}

} // namespace

TPixelConverter::TPixelConverter() = default;

void TPixelConverter::SetSourceBitsPerSample(int bits) {
    if (bits < 1 || bits > 16) throw EColorConversionError(kInvalidDepth);
    sourceBits_ = bits;
    Changed();
}

void TPixelConverter::SetTargetBitsPerSample(int bits) {
    if (bits < 1 || bits > 16) throw EColorConversionError(kInvalidDepth);
    targetBits_ = bits;
    Changed();
}

void TPixelConverter::SetSourceSamplesPerPixel(int samples) {
    if (samples < 1 || samples > 4) throw EColorConversionError(kInvalidSamples);
    sourceSamples_ = samples;
    Changed();
}

void TPixelConverter::SetTargetSamplesPerPixel(int samples) {
    if (samples < 1 || samples > 4) throw EColorConversionError(kInvalidSamples);
    targetSamples_ = samples;
    Changed();
}

void TPixelConverter::SetSourceColorModel(ColorModel model) {
    sourceModel_ = model;
    Changed();
}

void TPixelConverter::SetTargetColorModel(ColorModel model) {
    targetModel_ = model;
    Changed();
}

void TPixelConverter::SetFlags(unsigned flags) {
    flags_ = flags;
    Changed();
}

void TPixelConverter::SetBigEndian16(bool bigEndian) {
    bigEndian16_ = bigEndian;
    Changed();
}

std::optional<PixelFormat> TPixelConverter::TargetPixelFormat() const {
    // Only layouts that match a Bitmap row byte for byte: a format that
    // merely resembles the target would get rows of the wrong length.
    if (targetSamples_ == 1) {
        switch (targetBits_) {
        case 1: return PixelFormat::Bits1;
        case 4: return PixelFormat::Bits4;
        case 8: return PixelFormat::Bits8;
        }
        return std::nullopt;
    }
    if (targetBits_ != 8 || !IsRgbFamily(targetModel_) || !IsBgr(targetModel_)) return std::nullopt;
    if (targetSamples_ == 3) return PixelFormat::Bits24;
    if (targetSamples_ == 4) return PixelFormat::Bits32;
    return std::nullopt;
}

void TPixelConverter::Prepare() {
    prepared_ = false;
    routine_ = nullptr;
    const ColorModel s = sourceModel_;
    const ColorModel t = targetModel_;
    if (IndexedLikeSource(s) != IndexedLikeTarget(t)) throw EColorConversionError(kIndexedMix);

    Context c;
    c.sourceBits = sourceBits_;
    c.targetBits = targetBits_;
    c.targetMax = MaxOf(targetBits_);
    c.flags = flags_;
    Routine routine = nullptr;
    const int needed = SourceSamplesOf(s);
    const bool samplesFit =
        needed > 0 && sourceSamples_ >= needed && targetSamples_ == TargetSamplesOf(t);

    if (!samplesFit) {
    } else if (s == ColorModel::Indexed) {
        routine = IndexRoutine;
    } else if ((s == ColorModel::Grey && t == ColorModel::Grey) || s == ColorModel::GreyAlpha) {
        routine = ScaleRoutine;
        c.colours = 1;
    } else if (IsRgbFamily(s) && IsRgbFamily(t)) {
        routine = ScaleRoutine;
        c.colours = 3;
        for (int j = 0; j < 3; ++j) c.order[j] = PositionOf(PositionOf(j, t), s);
    } else if ((s == ColorModel::CMYK || s == ColorModel::Lab) && IsRgbFamily(t) &&
               (sourceBits_ == 8 || sourceBits_ == 16)) {
        if (s == ColorModel::Lab)
            routine = LabRoutine;
        else
            routine = sourceBits_ == 8 ? Cmyk8Routine : Cmyk16Routine;
        c.colours = 3;
        for (int j = 0; j < 3; ++j) c.order[j] = PositionOf(j, t);
    }
    if (!routine) throw EColorConversionError(kNoRoutine);

    c.fillAlpha = HasAlpha(t);
    if (routine == ScaleRoutine) {
        const std::uint32_t smax = MaxOf(sourceBits_);
        c.scale.resize(std::size_t{smax} + 1);
        for (std::uint32_t v = 0; v <= smax; ++v)
            c.scale[v] = static_cast<std::uint16_t>(std::uint64_t{v} * c.targetMax / smax);
    } else if (routine != IndexRoutine) {
        c.scaleFrom8.resize(256);
        for (std::uint32_t v = 0; v < 256; ++v)
            c.scaleFrom8[v] = static_cast<std::uint16_t>(v * c.targetMax / 255);
    }
    bool identity = routine != Cmyk8Routine && routine != Cmyk16Routine && routine != LabRoutine;
    for (int j = 0; j < c.colours; ++j) identity = identity && c.order[j] == j;
    copyRows_ = identity && sourceBits_ == targetBits_ && sourceSamples_ == needed &&
                targetSamples_ == needed && !c.fillAlpha;

    context_ = std::move(c);
    routine_ = routine;
    sourceNeeded_ = needed;
    prepared_ = true;
}

bool TPixelConverter::CanCopyRows(SourceLayout layout, std::uint8_t mask) const {
    return copyRows_ && mask == 0xFF && (layout == SourceLayout::Interleaved || sourceNeeded_ == 1);
}

void TPixelConverter::Unpack(const std::uint8_t* const* sources, SourceLayout layout,
                             std::size_t count) {
    for (int k = 0; k < sourceNeeded_; ++k) {
        in_[k].resize(count);
        if (layout == SourceLayout::Planar)
            UnpackStream(sources[k], sourceBits_, bigEndian16_, 0, 1, count, in_[k].data());
        else
            UnpackStream(sources[0], sourceBits_, bigEndian16_, static_cast<std::size_t>(k),
                         static_cast<std::size_t>(sourceSamples_), count, in_[k].data());
    }
}

void TPixelConverter::Pack(std::uint8_t mask, std::size_t count, std::uint8_t* target) const {
    const std::size_t samples = static_cast<std::size_t>(targetSamples_);
    for (std::size_t j = 0; j < samples; ++j) {
        const std::uint16_t* v = out_[j].data();
        if (targetBits_ == 8) {
            std::uint8_t* p = target + j;
            if (mask == 0xFF) {
                for (std::size_t i = 0; i < count; ++i, p += samples)
                    *p = static_cast<std::uint8_t>(v[i]);
            } else {
                for (std::size_t i = 0; i < count; ++i, p += samples)
                    if (Selected(mask, i)) *p = static_cast<std::uint8_t>(v[i]);
            }
        } else if (targetBits_ == 16) {
            const int hi = bigEndian16_ ? 0 : 1;
            for (std::size_t i = 0; i < count; ++i) {
                if (!Selected(mask, i)) continue;
                std::uint8_t* p = target + 2 * (i * samples + j);
                p[hi] = static_cast<std::uint8_t>(v[i] >> 8);
                p[1 - hi] = static_cast<std::uint8_t>(v[i]);
            }
        } else {
            for (std::size_t i = 0; i < count; ++i)
                if (Selected(mask, i))
                    WriteBits(target, std::uint64_t{i * samples + j} * targetBits_, targetBits_,
                              v[i]);
        }
    }
}

void TPixelConverter::Convert(const std::uint8_t* const* sources, SourceLayout layout,
                              int planeCount, std::uint8_t mask, std::size_t pixelCount,
                              std::uint8_t* target) {
    if (!prepared_) Prepare();
    const int streams = layout == SourceLayout::Planar ? sourceNeeded_ : 1;
    if (planeCount < streams) throw EColorConversionError(kNoRoutine);
    if (pixelCount == 0 || mask == 0) return;
    if (CanCopyRows(layout, mask)) {
        const std::uint64_t bits = std::uint64_t{pixelCount} * sourceSamples_ * sourceBits_;
        std::memcpy(target, sources[0], static_cast<std::size_t>((bits + 7) / 8));
        return;
    }
    Unpack(sources, layout, pixelCount);
    const std::uint16_t* in[4] = {};
    std::uint16_t* out[4] = {};
    for (int k = 0; k < sourceNeeded_; ++k) in[k] = in_[k].data();
    for (int j = 0; j < targetSamples_; ++j) {
        out_[j].resize(pixelCount);
        out[j] = out_[j].data();
    }
    routine_(context_, in, out, pixelCount);
    Pack(mask, pixelCount, target);
}

void TPixelConverter::Convert(const std::uint8_t* interleaved, std::size_t pixelCount,
                              std::uint8_t* target, std::uint8_t mask) {
    Convert(&interleaved, SourceLayout::Interleaved, 1, mask, pixelCount, target);
}

void TPixelConverter::ConvertPlanar(std::span<const std::uint8_t* const> planes,
                                    std::size_t pixelCount, std::uint8_t* target,
                                    std::uint8_t mask) {
    Convert(planes.data(), SourceLayout::Planar, static_cast<int>(planes.size()), mask, pixelCount,
            target);
}

Palette TPixelConverter::GreyPalette(bool inverted) const {
    const int count = 1 << std::min(targetBits_, 8);
    Palette palette(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int level = (inverted ? count - 1 - i : i) * 255 / (count - 1);
        const auto v = static_cast<std::uint8_t>(level);
        palette[static_cast<std::size_t>(i)] = {v, v, v, 0};
    }
    return palette;
}

Palette PaletteFromPlanes(const std::uint8_t* red, const std::uint8_t* green,
                          const std::uint8_t* blue, int count) {
    Palette palette(static_cast<std::size_t>(std::clamp(count, 0, 256)));
    for (std::size_t i = 0; i < palette.size(); ++i) palette[i] = {blue[i], green[i], red[i], 0};
    return palette;
}

} // namespace zv
