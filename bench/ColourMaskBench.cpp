// The colour operations, masks and two-picture arithmetic on the
// 24-megapixel photograph, each on a fresh copy (the copy is not timed).

#include "BenchPictures.h"
#include "imaging/Bitmap.h"
#include "library/PictureEdits.h"
#include "library/PictureOps.h"
#include "processing/ColourOperations.h"
#include "processing/Masks.h"
#include "processing/PictureArithmetic.h"

#include <benchmark/benchmark.h>

#include <utility>

namespace {

using zv::Bitmap;
using zvbench::Photo;

// The photograph's negative: a duplicate unlike the picture.
const Bitmap& Second() {
    static const Bitmap second = [] {
        Bitmap b = Photo();
        zv::InvertPicture(b);
        return b;
    }();
    return second;
}

template <class Pass> void RunPass(benchmark::State& state, Pass pass) {
    Bitmap work;
    Second(); // made before the clock starts
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

// Centre the photograph's reds, tolerances as the dialogs start.
const zv::ColourSelection kReds{{0, 1800, 2400}, {600, 1200, 1500}};

void BM_ColourHls(benchmark::State& s) {
    RunPass(s, [](Bitmap& b) { zv::TuneHls(b, 300, 100, 500); });
}
void BM_ColourNegative(benchmark::State& s) {
    RunPass(s, [](Bitmap& b) { zv::InvertPicture(b); });
}
void BM_ColourGray(benchmark::State& s) {
    RunPass(s, [](Bitmap& b) { zv::GrayShades(b); });
}
void BM_ColourPosterize(benchmark::State& s) {
    RunPass(s, [](Bitmap& b) { zv::Posterize(b, 3); });
}
void BM_MaskHls(benchmark::State& s) {
    RunPass(s, [](Bitmap& b) { zv::ColourMask(b, Second(), kReds, false); });
}
void BM_MaskAirbrush(benchmark::State& s) {
    RunPass(s, [](Bitmap& b) { zv::AirBrush(b, kReds); });
}
void BM_MaskEdges(benchmark::State& s) {
    RunPass(s, [](Bitmap& b) { zv::MaskEdges(b, Second(), 64, 255); });
}
void BM_ArithmeticAverage(benchmark::State& s) {
    RunPass(s, [](Bitmap& b) { zv::AverageRows(b, Second(), 50, true, false); });
}
void BM_ArithmeticDifference(benchmark::State& s) {
    RunPass(s, [](Bitmap& b) { zv::CombineBytes(b, Second(), zv::ByteCombination::Difference); });
}
// An exchange of storage: no copy per iteration, or the untimed copies
// would be all the run did.
void BM_ArithmeticSwap(benchmark::State& s) {
    Bitmap picture = Photo();
    Bitmap duplicate = Second();
    for (auto _ : s) {
        std::swap(picture, duplicate);
        benchmark::DoNotOptimize(picture.ScanLine(0));
    }
}
void BM_GeometryRotate90(benchmark::State& s) {
    RunPass(s, [](Bitmap& b) { b = zv::RotatePicture(b, 27000, 0); });
}
void BM_GeometryMirror(benchmark::State& s) {
    RunPass(s, [](Bitmap& b) { zv::MirrorPicture(b, false, true); });
}

} // namespace

BENCHMARK(BM_ColourHls)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ColourNegative)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ColourGray)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ColourPosterize)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MaskHls)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MaskAirbrush)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MaskEdges)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ArithmeticAverage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ArithmeticDifference)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ArithmeticSwap)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GeometryRotate90)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GeometryMirror)->Unit(benchmark::kMillisecond)->UseRealTime();
