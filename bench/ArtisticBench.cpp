// Random noise, JPEG artifacts and borders on the 24-megapixel photograph,
// each on a fresh copy (the copy is not timed); noise and artifacts also on
// one thread, to show what the row bands give.

#include "BenchPictures.h"
#include "imaging/Bitmap.h"
#include "platform/RowThreads.h"
#include "processing/Border.h"
#include "processing/JpegArtifacts.h"
#include "processing/RandomNoise.h"

#include <benchmark/benchmark.h>

#include <optional>

namespace {

using zv::Bitmap;
using zvbench::Photo;

template <class Pass> void RunPass(benchmark::State& state, Pass pass) {
    Bitmap work;
    std::optional<zv::RowThreadLimit> threads; // 0: every core
    if (state.range(0) > 0) threads.emplace(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        work = Photo();
        state.ResumeTiming();
        pass(work);
        benchmark::DoNotOptimize(work.ScanLine(0));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * zvbench::kPhotoPixels);
}

// Every pixel replaced, as +noise Random touches every pixel.
void BM_NoiseEveryPixel(benchmark::State& s) {
    RunPass(s, [](Bitmap& b) { zv::RandomNoise(b, 255, 255, 255, 1); });
}
// Linear scale 100: the standard tables, cjpeg's -quality 50.
void BM_Artifacts100(benchmark::State& s) {
    RunPass(s, [](Bitmap& b) { zv::AddArtifact(b, 100); });
}
// The menu's first value: 48, cjpeg's -quality 76 (200 - 2 x 76 = 48).
void BM_Artifacts48(benchmark::State& s) {
    RunPass(s, [](Bitmap& b) { zv::AddArtifact(b, 48); });
}
void BM_Border(benchmark::State& s) {
    RunPass(s, [](Bitmap& b) { zv::MergeBorder(b, 0x0000FF, 100, 100); });
}

constexpr int kAllCores = 0;

BENCHMARK(BM_NoiseEveryPixel)->Arg(kAllCores)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Artifacts100)->Arg(kAllCores)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Artifacts48)->Arg(kAllCores)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Border)->Arg(kAllCores)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
