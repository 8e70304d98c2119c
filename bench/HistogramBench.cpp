// Histograms and the 3x3 filters of the analysis on a 24-megapixel picture.

#include "BenchPictures.h"
#include "imaging/Bitmap.h"
#include "processing/Histogram.h"
#include "processing/Kernel3x3.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

using zv::Bitmap;

constexpr int kWidth = zvbench::kPhotoWidth;
constexpr int kHeight = zvbench::kPhotoHeight;
constexpr std::int64_t kPixels = std::int64_t{kWidth} * kHeight;

using zvbench::Photo;

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
