// The colour operations, masks, two-picture arithmetic and the 256-colour
// dither on the 24-megapixel photograph, each on a fresh copy (the copy is
// not timed), with ImageMagick's -modulate and -colors 256 on the same
// photograph in the same run (BM_Peer*: the operation alone, the whole
// command as whole_ms).

#include "BenchPictures.h"
#include "PeerCommand.h"
#include "imaging/Bitmap.h"
#include "library/PictureEdits.h"
#include "library/PictureOps.h"
#include "processing/ColourOperations.h"
#include "processing/Masks.h"
#include "processing/PictureArithmetic.h"
#include "processing/QuietToolboxHost.h"
#include "processing/Toolbox.h"

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
// Every pixel a colour of its own: no colour is met twice.
void BM_MaskHlsNoise(benchmark::State& s) {
    static const Bitmap noise = [] {
        Bitmap b;
        b.Create(zvbench::kPhotoWidth, zvbench::kPhotoHeight, zv::PixelFormat::Bits24);
        std::uint32_t seed = 12345;
        for (int y = 0; y < b.Height(); ++y)
            for (int i = 0; i < 3 * b.Width(); ++i) {
                seed = seed * 1664525u + 1013904223u;
                b.ScanLine(y)[i] = static_cast<std::uint8_t>(seed >> 24);
            }
        return b;
    }();
    Bitmap work;
    for (auto _ : s) {
        s.PauseTiming();
        work = noise;
        s.ResumeTiming();
        zv::ColourMask(work, Second(), kReds, true);
        benchmark::DoNotOptimize(work.ScanLine(0));
    }
    s.SetItemsProcessed(s.iterations() * zvbench::kPhotoPixels);
}
void BM_MaskReplaceHls(benchmark::State& s) {
    RunPass(s, [](Bitmap& b) { zv::ReplaceHls(b, kReds, false, false, true); });
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

// REDUCE_256 as zelvan-tool apply runs it: the standard palette, diffused.
void BM_ColourReduce256(benchmark::State& s) {
    const zv::ToolboxOperation& reduce = *zv::TheToolbox().FindWord("REDUCE_256");
    zv::ImagingContext imaging;
    zv::QuietToolboxHost host(imaging);
    zv::ToolboxContext tb;
    for (auto _ : s) {
        s.PauseTiming();
        imaging.current = Photo();
        s.ResumeTiming();
        zv::RunToolboxOperation(reduce, host, tb, zv::RunMode::Batch, {0, 0, 0});
        benchmark::DoNotOptimize(imaging.current.ScanLine(0));
    }
    if (imaging.current.BitsPerPixel() != 8) s.SkipWithError("not reduced to 256 colours");
    s.SetItemsProcessed(s.iterations() * zvbench::kPhotoPixels);
}

void BM_PeerModulate(benchmark::State& s) {
    zvbench::TimeConvertPass(s, "-modulate 110,150,120");
}
void BM_PeerColors256(benchmark::State& s) {
    zvbench::TimeConvertPass(s, "-colors 256");
}

} // namespace

BENCHMARK(BM_ColourHls)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ColourNegative)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ColourGray)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ColourPosterize)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MaskHls)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MaskHlsNoise)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MaskReplaceHls)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PeerModulate)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_MaskAirbrush)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MaskEdges)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ArithmeticAverage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ArithmeticDifference)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ArithmeticSwap)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GeometryRotate90)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GeometryMirror)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ColourReduce256)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PeerColors256)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(2);
