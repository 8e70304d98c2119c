// Resizing, rotation and mirroring of the 6000 x 4000 photograph, as the
// toolbox runs them: the picture handed to the library and back by move.
// The peers (vips resize 0.25, vips rotate 3) are timed on the same picture
// by bench/peers.sh.

#include "BenchPictures.h"

#include "formats/Scaling.h"
#include "library/PictureEdits.h"
#include "processing/GeometryOperations.h"
#include "processing/QuietToolboxHost.h"
#include "processing/Resize.h"

#include <benchmark/benchmark.h>

namespace {

using zv::Bitmap;

void Pixels(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * zvbench::kPhotoPixels);
}

// Both steps of Resample to 25 %: 6000 x 4000 through 3000 x 2000 to 1500 x 1000.
void BM_Resample25(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Bitmap picture = zvbench::Photo();
        state.ResumeTiming();
        const std::string error =
            zv::ResizePicture(picture, {1500, 1000}, zv::kCopySmooth, zv::TwoStepRule::AnyShrink);
        benchmark::DoNotOptimize(picture.ScanLine(0));
        if (!error.empty()) state.SkipWithError(error.c_str());
    }
    Pixels(state);
}

// ROTATE=degrees through the toolbox entry.
void BM_Rotate(benchmark::State& state) {
    const zv::ToolboxOperation& rotate = *zv::TheToolbox().FindWord("ROTATE");
    zv::ImagingContext imaging;
    zv::QuietToolboxHost host(imaging);
    zv::ToolboxContext tb;
    const int degrees = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        imaging.current = zvbench::Photo();
        state.ResumeTiming();
        zv::RunToolboxOperation(rotate, host, tb, zv::RunMode::Batch, {degrees, 0, 0});
        benchmark::DoNotOptimize(imaging.current.ScanLine(0));
    }
    Pixels(state);
}

template <bool topBottom> void BM_Mirror(benchmark::State& state) {
    Bitmap picture = zvbench::Photo();
    for (auto _ : state) {
        zv::MirrorPicture(picture, topBottom, !topBottom);
        benchmark::DoNotOptimize(picture.ScanLine(0));
    }
    Pixels(state);
}

} // namespace

BENCHMARK(BM_Resample25)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Rotate)->Arg(3)->Arg(90)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_TEMPLATE(BM_Mirror, true)
    ->Name("BM_MirrorVertical")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_TEMPLATE(BM_Mirror, false)
    ->Name("BM_MirrorHorizontal")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
