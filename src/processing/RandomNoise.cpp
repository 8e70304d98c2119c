#include "processing/RandomNoise.h"

#include "processing/RowBands.h"

#include <algorithm>
#include <chrono>
#include <random>
#include <stdexcept>

namespace zv {

namespace {

// SplitMix64: one 64-bit draw per call, uniform enough for noise and fast
// enough for every pixel of a large picture.
std::uint64_t NextDraw(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// A row's generator starts from the seed mixed with the row number.
std::uint64_t RowState(std::uint64_t seed, std::int32_t y) {
    std::uint64_t mixed = seed ^ (0xD1B54A32D192ED03ull * (static_cast<std::uint64_t>(y) + 1));
    return NextDraw(mixed);
}

// trunc(r * level) for r = draw / 2^32 in [0, 1).
std::uint8_t Scaled(std::uint64_t draw32, std::uint64_t level) {
    return static_cast<std::uint8_t>((draw32 * level) >> 32);
}

} // namespace

void RandomNoise(Bitmap& picture, int red, int green, int blue, std::uint64_t seed) {
    if (picture.Format() != PixelFormat::Bits24)
        throw std::invalid_argument("random noise needs a 24-bit picture");
    red = std::clamp(red, 0, 255);
    green = std::clamp(green, 0, 255);
    blue = std::clamp(blue, 0, 255);
    const int most = std::max({red, green, blue});
    if (most == 0 || picture.Empty()) return;
    // A pixel is replaced when most > 255 r, r = u / 2^32: 255 u < most 2^32.
    const std::uint64_t below = static_cast<std::uint64_t>(most) << 32;
    const std::uint64_t r = red, g = green, b = blue;
    ParallelRows(picture, 0, picture.Height(), [&](std::int32_t first, std::int32_t end) {
        for (std::int32_t y = first; y < end; ++y) {
            std::uint64_t state = RowState(seed, y);
            std::uint8_t* p = picture.ScanLine(y);
            for (std::int32_t x = 0; x < picture.Width(); ++x, p += 3) {
                const std::uint64_t chance = NextDraw(state);
                if (255 * (chance & 0xFFFFFFFFu) >= below) continue;
                const std::uint64_t levels = NextDraw(state);
                p[2] = Scaled(levels & 0xFFFFFFFFu, r);
                p[1] = Scaled(levels >> 32, g);
                p[0] = Scaled(chance >> 32, b);
            }
        }
    });
}

std::uint64_t FreshSeed() {
    std::random_device device;
    const auto now =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    return (static_cast<std::uint64_t>(device()) << 32) ^ device() ^ now;
}

} // namespace zv
