// The imaging library's pixel operations on a 12-megapixel photo-like
// picture: colour reduction to 236 colours and rotation.

#include "library/ImageLibrary.h"
#include "library/PictureOps.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

namespace {

using zv::Bitmap;
using zv::PixelFormat;

constexpr int kPhotoWidth = 4000;
constexpr int kPhotoHeight = 3000;

// Smooth shading in every channel with soft round shapes and a little grain,
// so the picture has the hundreds of thousands of colours a photograph has.
const Bitmap& Photo() {
    static const Bitmap photo = [] {
        Bitmap picture;
        picture.Create(kPhotoWidth, kPhotoHeight, PixelFormat::Bits24);
        std::uint32_t grain = 12345;
        for (int y = 0; y < kPhotoHeight; ++y) {
            std::uint8_t* row = picture.ScanLine(y);
            for (int x = 0; x < kPhotoWidth; ++x) {
                grain = grain * 1664525u + 1013904223u;
                const int noise = static_cast<int>(grain >> 28) - 8;
                const double wave = std::sin(x * 0.004) * std::cos(y * 0.005);
                const double ring = std::sin(std::hypot(x - 1500.0, y - 1200.0) * 0.01);
                const auto channel = [&](double v) {
                    const int level = static_cast<int>(v) + noise;
                    return static_cast<std::uint8_t>(level < 0 ? 0 : (level > 255 ? 255 : level));
                };
                row[3 * x] = channel(128 + 100 * wave);
                row[3 * x + 1] = channel(110 + 60 * ring + 40 * wave);
                row[3 * x + 2] = channel(60 + 180.0 * y / kPhotoHeight + 15 * ring);
            }
        }
        return picture;
    }();
    return photo;
}

void Pixels(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * kPhotoWidth * kPhotoHeight);
    state.SetBytesProcessed(state.iterations() * kPhotoWidth * kPhotoHeight * 3);
}

void BM_ReduceTo236Optimal(benchmark::State& state) {
    const Bitmap& photo = Photo();
    for (auto _ : state) {
        Bitmap reduced = zv::ReduceColours(photo, 236, zv::kReduceOptimal);
        benchmark::DoNotOptimize(reduced.ScanLine(0));
    }
    Pixels(state);
}

void BM_ReduceTo236OptimalDithered(benchmark::State& state) {
    const Bitmap& photo = Photo();
    for (auto _ : state) {
        Bitmap reduced = zv::ReduceColours(photo, 236, zv::kReduceOptimal | zv::kReduceDiffuse);
        benchmark::DoNotOptimize(reduced.ScanLine(0));
    }
    Pixels(state);
}

void BM_ReduceTo236FixedDithered(benchmark::State& state) {
    const Bitmap& photo = Photo();
    for (auto _ : state) {
        Bitmap reduced = zv::ReduceColours(photo, 236, zv::kReduceFixed | zv::kReduceDiffuse);
        benchmark::DoNotOptimize(reduced.ScanLine(0));
    }
    Pixels(state);
}

void BM_RotateQuarterTurn(benchmark::State& state) {
    const Bitmap& photo = Photo();
    for (auto _ : state) {
        Bitmap turned = zv::RotatePicture(photo, 9000, 0);
        benchmark::DoNotOptimize(turned.ScanLine(0));
    }
    Pixels(state);
}

void BM_RotateThirtyDegrees(benchmark::State& state) {
    const Bitmap& photo = Photo();
    for (auto _ : state) {
        Bitmap turned = zv::RotatePicture(photo, 3000, 0x00FFFFFF);
        benchmark::DoNotOptimize(turned.ScanLine(0));
    }
    Pixels(state);
}

} // namespace

BENCHMARK(BM_ReduceTo236Optimal)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReduceTo236OptimalDithered)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReduceTo236FixedDithered)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RotateQuarterTurn)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RotateThirtyDegrees)->Unit(benchmark::kMillisecond);
