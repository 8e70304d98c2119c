// Histograms and the 3x3 filters of the analysis on a 24-megapixel picture.

#include "imaging/Bitmap.h"
#include "processing/Histogram.h"
#include "processing/Kernel3x3.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

using zv::Bitmap;

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr std::int64_t kPixels = std::int64_t{kWidth} * kHeight;

// Smooth gradients with a little sensor-like noise, so that neighbouring
// pixels are alike but rarely equal, as in a photograph.
const Bitmap& Photo() {
    static const Bitmap photo = [] {
        Bitmap picture;
        picture.Create(kWidth, kHeight, zv::PixelFormat::Bits24);
        std::uint32_t noise = 12345;
        for (int y = 0; y < kHeight; ++y) {
            std::uint8_t* row = picture.ScanLine(y);
            for (int x = 0; x < kWidth; ++x) {
                noise = noise * 1664525u + 1013904223u;
                const int n = static_cast<int>(noise >> 29); // 0..7
                row[3 * x] = static_cast<std::uint8_t>(((x * 7 + y * 3) >> 7) + n);
                row[3 * x + 1] = static_cast<std::uint8_t>(((x ^ y) >> 5) + n);
                row[3 * x + 2] = static_cast<std::uint8_t>(((x + y * 5) >> 7) + n);
            }
        }
        return picture;
    }();
    return photo;
}

void BM_Histogram(benchmark::State& state) {
    const Bitmap& picture = Photo();
    zv::ImageHistogram histogram;
    for (auto _ : state) {
        zv::DoCalcHistogram(picture, histogram, false, false, true);
        benchmark::DoNotOptimize(histogram.highest);
    }
    state.SetItemsProcessed(state.iterations() * kPixels);
}
BENCHMARK(BM_Histogram)->Unit(benchmark::kMillisecond);

void BM_HistogramWithSaturationAndHue(benchmark::State& state) {
    const Bitmap& picture = Photo();
    zv::ImageHistogram histogram;
    for (auto _ : state) {
        zv::DoCalcHistogram(picture, histogram, true, true, true);
        benchmark::DoNotOptimize(histogram.highest);
    }
    state.SetItemsProcessed(state.iterations() * kPixels);
}
BENCHMARK(BM_HistogramWithSaturationAndHue)->Unit(benchmark::kMillisecond);

// Each filter runs on a fresh copy; the copy is timed apart and left out.
template <typename Filter> void RunFilter(benchmark::State& state, Filter filter) {
    Bitmap work;
    for (auto _ : state) {
        state.PauseTiming();
        work = Photo();
        state.ResumeTiming();
        filter(work);
        benchmark::DoNotOptimize(work.ScanLine(1));
    }
    state.SetItemsProcessed(state.iterations() * kPixels);
}

void BM_GaussianBlur3x3(benchmark::State& state) {
    RunFilter(state, [](Bitmap& picture) { zv::GaussianBlur3x3(picture, 0, false, 9); });
}
BENCHMARK(BM_GaussianBlur3x3)->Unit(benchmark::kMillisecond);

// The menu's Gaussian at its starting strength 192: only bytes that differ
// from their mean by more than 63 change.
void BM_GaussianBlur3x3Threshold63(benchmark::State& state) {
    RunFilter(state, [](Bitmap& picture) { zv::GaussianBlur3x3(picture, 63, false, 9); });
}
BENCHMARK(BM_GaussianBlur3x3Threshold63)->Unit(benchmark::kMillisecond);

void BM_MeanRemoval2(benchmark::State& state) {
    RunFilter(state, [](Bitmap& picture) { zv::MeanRemoval(picture, 2); });
}
BENCHMARK(BM_MeanRemoval2)->Unit(benchmark::kMillisecond);

void BM_MeanRemoval0(benchmark::State& state) {
    RunFilter(state, [](Bitmap& picture) { zv::MeanRemoval(picture, 0); });
}
BENCHMARK(BM_MeanRemoval0)->Unit(benchmark::kMillisecond);

} // namespace
