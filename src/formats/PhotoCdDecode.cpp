#include "formats/PhotoCdDecode.h"

#include "formats/PhotoCdResiduals.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>
#include <vector>

namespace zv {

namespace {

// The image pack attributes: bits 0-1 the rotation, bits 2-3 the largest
// stored resolution (0 Base, 1 4Base, 2 16Base).
constexpr std::int64_t kAttributesOffset = kPcdInfoOffset + 0x602;

// Photo YCC keeps relative luminance 0..1.402 in 8 bits and the colour
// differences around 156 and 137. The full range is mapped onto 0..255, so
// highlights above reference white keep their detail instead of clipping.
// The coefficients are the standard ones divided by the luma scale 1.3584.
constexpr double kLumaScale = 1.3584;
constexpr double kC1Scale = 2.2179 / kLumaScale;
constexpr double kC2Scale = 1.8215 / kLumaScale;
constexpr double kC1Zero = 156.0;
constexpr double kC2Zero = 137.0;

// Chroma is interpolated to full size as a sum of four samples, so a table
// index runs 0..1020 and no rounding happens before the final sum.
constexpr int kChromaSums = 4 * 255 + 1;

struct YccTables {
    // Contributions in 16.16 fixed point, indexed by the chroma sum.
    std::array<std::int32_t, kChromaSums> red{};     // from C2
    std::array<std::int32_t, kChromaSums> greenC1{}; // from C1
    std::array<std::int32_t, kChromaSums> greenC2{}; // from C2
    std::array<std::int32_t, kChromaSums> blue{};    // from C1
};

std::int32_t Fixed(double value) {
    return static_cast<std::int32_t>(value * 65536.0 + (value < 0 ? -0.5 : 0.5));
}

const YccTables& Tables() {
    static const YccTables tables = [] {
        YccTables t;
        for (int sum = 0; sum < kChromaSums; ++sum) {
            const double c1 = kC1Scale * (sum / 4.0 - kC1Zero);
            const double c2 = kC2Scale * (sum / 4.0 - kC2Zero);
            t.red[sum] = Fixed(c2);
            t.greenC1[sum] = Fixed(-0.194 * c1);
            t.greenC2[sum] = Fixed(-0.509 * c2);
            t.blue[sum] = Fixed(c1);
        }
        return t;
    }();
    return tables;
}

std::uint8_t ToByte(std::int32_t fixed) {
    const std::int32_t value = (fixed + 32768) >> 16;
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

// A half-width chroma row doubled to full width: even pixels sit on a sample
// (twice its value), odd ones between two (their sum); the last repeats.
void Widen(const std::uint8_t* source, int half, std::vector<int>& target) {
    for (int x = 0; x < half; ++x) {
        const int a = source[x];
        const int b = source[std::min(x + 1, half - 1)];
        target[static_cast<std::size_t>(2 * x)] = 2 * a;
        target[static_cast<std::size_t>(2 * x + 1)] = a + b;
    }
}

struct ChromaRows {
    std::vector<int> c1;
    std::vector<int> c2;
};

void ConvertRow(const std::uint8_t* luma, const ChromaRows& upper, const ChromaRows& lower,
                int width, std::uint8_t* target) {
    const YccTables& t = Tables();
    for (int x = 0; x < width; ++x) {
        const auto i = static_cast<std::size_t>(x);
        const int s1 = upper.c1[i] + lower.c1[i];
        const int s2 = upper.c2[i] + lower.c2[i];
        const std::int32_t y = std::int32_t{luma[x]} << 16;
        target[0] = ToByte(y + t.blue[static_cast<std::size_t>(s1)]);
        target[1] = ToByte(y + t.greenC1[static_cast<std::size_t>(s1)] +
                           t.greenC2[static_cast<std::size_t>(s2)]);
        target[2] = ToByte(y + t.red[static_cast<std::size_t>(s2)]);
        target += 3;
    }
}

Bitmap Halve(const Bitmap& source) {
    Bitmap result;
    result.Create(source.Width() / 2, source.Height() / 2, PixelFormat::Bits24);
    for (std::int32_t y = 0; y < result.Height(); ++y) {
        const std::uint8_t* top = source.ScanLine(2 * y);
        const std::uint8_t* bottom = source.ScanLine(2 * y + 1);
        std::uint8_t* target = result.ScanLine(y);
        for (std::int32_t i = 0; i < 3 * result.Width(); ++i) {
            const int k = (i / 3) * 6 + i % 3;
            target[i] = static_cast<std::uint8_t>(
                (top[k] + top[k + 3] + bottom[k] + bottom[k + 3] + 2) / 4);
        }
    }
    return result;
}

// Turns the picture counter-clockwise by quarterTurns (1..3).
Bitmap Rotate(const Bitmap& source, int quarterTurns) {
    const std::int32_t w = source.Width();
    const std::int32_t h = source.Height();
    Bitmap result;
    if (quarterTurns == 2)
        result.Create(w, h, PixelFormat::Bits24);
    else
        result.Create(h, w, PixelFormat::Bits24);
    // The source pixel of target (x, y) is (x0 + dxx*x + dxy*y, y0 + dyx*x + dyy*y).
    struct Map {
        int x0, dxx, dxy, y0, dyx, dyy;
    };
    const Map m = quarterTurns == 1   ? Map{w - 1, 0, -1, 0, 1, 0}
                  : quarterTurns == 2 ? Map{w - 1, -1, 0, h - 1, 0, -1}
                                      : Map{0, 0, 1, h - 1, -1, 0};
    for (std::int32_t y = 0; y < result.Height(); ++y) {
        std::uint8_t* target = result.ScanLine(y);
        for (std::int32_t x = 0; x < result.Width(); ++x) {
            const std::int32_t sx = m.x0 + m.dxx * x + m.dxy * y;
            const std::int32_t sy = m.y0 + m.dyx * x + m.dyy * y;
            std::memcpy(target + 3 * x, source.ScanLine(sy) + 3 * sx, 3);
        }
    }
    return result;
}

// Base doubled and corrected by the 4Base residuals, and for step 5 doubled
// and corrected again by the 16Base residuals. Each part's tables are read
// before the larger planes are made.
PcdPlanes ResidualPlanes(ByteSpan data, int step) {
    const PcdResidualTables tables4 = ReadPcdResidualTables(data, kPcd4BaseTables, 1);
    PcdPlanes planes = DoublePcdPlanes(ReadPcdPlanes(data, kPcdComponents[2]));
    const std::int64_t end4 = AddPcdResiduals(data, tables4, planes);
    if (step == 4) return planes;
    const PcdResidualTables tables16 = ReadPcdResidualTables(data, end4 + kPcd16BaseGap, 3);
    planes = DoublePcdPlanes(planes);
    AddPcdResiduals(data, tables16, planes);
    return planes;
}

} // namespace

PcdLayout ReadPcdLayout(ByteSpan data) {
    static constexpr char kSignature[] = "PCD_IPI";
    const auto size = static_cast<std::int64_t>(data.size());
    if (size < kPcdInfoOffset + 7 || std::memcmp(data.data() + kPcdInfoOffset, kSignature, 7) != 0)
        throw EPhotoCdError("Not a Photo CD image file");
    if (size < kPcdComponents[0].End()) throw EPhotoCdError("Photo CD image file is truncated");
    PcdLayout layout;
    const std::uint8_t attributes = data[static_cast<std::size_t>(kAttributesOffset)];
    layout.rotation = attributes & 3;
    layout.stepCount = 1;
    for (const PcdComponent& component : kPcdComponents) {
        if (component.End() > size) return layout;
        ++layout.stepCount;
    }
    const int stored = attributes >> 2 & 3;
    if (stored >= 1 && PcdTablesReadable(data, kPcd4BaseTables, 1))
        layout.stepCount += stored >= 2 ? 2 : 1;
    return layout;
}

PcdDimensions PcdStepDimensions(int step, int rotation) {
    const std::int32_t width = 96 << step;
    const std::int32_t height = 64 << step;
    if (rotation % 2 == 1) return {height, width};
    return {width, height};
}

PcdPlanes ReadPcdPlanes(ByteSpan data, const PcdComponent& component) {
    if (component.End() > static_cast<std::int64_t>(data.size()))
        throw EPhotoCdError("Photo CD image file is truncated");
    const std::int32_t width = component.width;
    const std::int32_t half = width / 2;
    PcdPlanes planes;
    planes.width = width;
    planes.height = component.height;
    planes.luma.resize(static_cast<std::size_t>(width) *
                       static_cast<std::size_t>(component.height));
    planes.c1.resize(planes.luma.size() / 4);
    planes.c2.resize(planes.luma.size() / 4);
    for (std::int32_t k = 0; k < component.height / 2; ++k) {
        const std::uint8_t* pair = data.data() + component.offset + std::int64_t{k} * 3 * width;
        std::memcpy(planes.luma.data() + std::int64_t{k} * 2 * width, pair, 2 * std::size_t(width));
        std::memcpy(planes.c1.data() + std::int64_t{k} * half, pair + 2 * width, std::size_t(half));
        std::memcpy(planes.c2.data() + std::int64_t{k} * half, pair + 2 * width + half,
                    std::size_t(half));
    }
    return planes;
}

Bitmap ConvertPcdPlanes(const PcdPlanes& planes) {
    const std::int32_t width = planes.width;
    const std::int32_t half = width / 2;
    const std::int32_t pairs = planes.height / 2;
    Bitmap result;
    result.Create(width, planes.height, PixelFormat::Bits24);
    const auto load = [&](std::int32_t k, ChromaRows& rows) {
        Widen(planes.c1.data() + std::int64_t{k} * half, half, rows.c1);
        Widen(planes.c2.data() + std::int64_t{k} * half, half, rows.c2);
    };
    const auto w = static_cast<std::size_t>(width);
    ChromaRows current{std::vector<int>(w), std::vector<int>(w)};
    ChromaRows next{std::vector<int>(w), std::vector<int>(w)};
    load(0, current);
    for (std::int32_t k = 0; k < pairs; ++k) {
        load(std::min(k + 1, pairs - 1), next);
        const std::uint8_t* luma = planes.luma.data() + std::int64_t{k} * 2 * width;
        // Even rows sit on a chroma row; odd rows lie halfway to the next.
        ConvertRow(luma, current, current, width, result.ScanLine(2 * k));
        ConvertRow(luma + width, current, next, width, result.ScanLine(2 * k + 1));
        std::swap(current, next);
    }
    return result;
}

Bitmap DecodePcdComponent(ByteSpan data, const PcdComponent& component) {
    return ConvertPcdPlanes(ReadPcdPlanes(data, component));
}

Bitmap DecodePcdStep(ByteSpan data, const PcdLayout& layout, int step) {
    if (step < 0 || step >= layout.stepCount)
        throw EPhotoCdError("Photo CD resolution " + std::to_string(step) + " is not in this file");
    Bitmap picture = step > 3 ? ConvertPcdPlanes(ResidualPlanes(data, step))
                              : DecodePcdComponent(data, kPcdComponents[step == 0 ? 0 : step - 1]);
    if (step == 0) picture = Halve(picture);
    if (layout.rotation != 0) picture = Rotate(picture, layout.rotation);
    return picture;
}

} // namespace zv
