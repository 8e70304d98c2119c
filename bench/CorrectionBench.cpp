// The automatic corrections on a 24-megapixel picture (6000 x 4000): gamma
// conformance (mid-tone and per channel) toward a darker and a brighter
// target, Auto Flash, Auto Gamma, the white corrections, the normalising
// family, Center and DeFog. The photograph-like picture has smooth
// gradients with grain; the noise picture has an unrelated colour in every
// pixel, the worst case for the colour-by-colour passes.

#include "BenchPictures.h"
#include "imaging/Bitmap.h"
#include "processing/AutoCorrections.h"
#include "processing/Center.h"
#include "processing/ConformGamma.h"
#include "processing/CorrectionMeasure.h"
#include "processing/Defog.h"
#include "processing/Histogram.h"
#include "processing/Normalize.h"

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

using zv::Bitmap;
using zv::PixelFormat;

using zvbench::Photo;
constexpr int kWidth = zvbench::kPhotoWidth;
constexpr int kHeight = zvbench::kPhotoHeight;

Bitmap MakeNoise() {
    Bitmap picture;
    picture.Create(kWidth, kHeight, PixelFormat::Bits24);
    std::uint32_t seed = 987654321;
    for (int y = 0; y < kHeight; ++y) {
        std::uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < 3 * kWidth; ++x) {
            seed = seed * 1664525u + 1013904223u;
            row[x] = static_cast<std::uint8_t>(seed >> 24);
        }
    }
    return picture;
}

const Bitmap& Noise() {
    static const Bitmap noise = MakeNoise();
    return noise;
}

const Bitmap& Picture(const benchmark::State& state) {
    return state.range(0) ? Noise() : Photo();
}

// Each iteration works on a fresh copy; the copy is not timed.
template <class Correction>
void RunCorrection(benchmark::State& state, const Bitmap& source, Correction correction) {
    Bitmap work;
    zv::ToolboxContext tb;
    for (auto _ : state) {
        state.PauseTiming();
        work = source;
        state.ResumeTiming();
        correction(work, tb);
        benchmark::DoNotOptimize(work.ScanLine(0));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t{kWidth} * kHeight);
    state.SetBytesProcessed(state.iterations() * std::int64_t{kWidth} * kHeight * 3);
}

// The number of gammas the mid-tone search tries on the source, untimed.
int MidtoneTrials(const Bitmap& picture, int target) {
    zv::ImageHistogram histogram;
    zv::DoCalcMidtones(picture, histogram);
    const zv::MidtoneSums start = zv::MidtonesOf(histogram);
    return static_cast<int>(
        zv::ConformSearch(static_cast<int>(zv::TruncMean(start.sum, start.pixels)), target,
                          [&picture](int gamma) {
                              zv::ToolboxContext maps;
                              zv::SetGammaLUT(maps, gamma, 1);
                              const zv::MidtoneSums trial =
                                  zv::MeasureBalanceGammaMidtones(picture, maps.maps[1]);
                              return zv::TruncMean(trial.sum, trial.pixels);
                          })
            .size());
}

void BM_CorrectionConformGamma(benchmark::State& state) {
    const int target = static_cast<int>(state.range(1));
    state.counters["trials"] = MidtoneTrials(Picture(state), target);
    RunCorrection(state, Picture(state), [target](Bitmap& b, zv::ToolboxContext& tb) {
        zv::DoConformGamma(b, tb, target);
    });
}

void BM_CorrectionConformGammaRgb(benchmark::State& state) {
    RunCorrection(state, Picture(state), [](Bitmap& b, zv::ToolboxContext& tb) {
        zv::DoConformGammaRGB(b, tb, {60, 128, 200});
    });
}

// One trial on its own: the read-only measuring pass.
void BM_CorrectionMeasureBalanceGamma(benchmark::State& state) {
    zv::ToolboxContext maps;
    zv::SetGammaLUT(maps, 150, 1);
    for (auto _ : state)
        benchmark::DoNotOptimize(zv::MeasureBalanceGammaMidtones(Picture(state), maps.maps[1]));
    state.SetItemsProcessed(state.iterations() * std::int64_t{kWidth} * kHeight);
}

void BM_CorrectionAutoFlash(benchmark::State& state) {
    RunCorrection(state, Picture(state), [](Bitmap& b, zv::ToolboxContext& tb) {
        zv::AutoFlash(b, tb, zv::FlashTrial::Optimize);
    });
}

void BM_CorrectionAutoGamma(benchmark::State& state) {
    RunCorrection(state, Picture(state),
                  [](Bitmap& b, zv::ToolboxContext& tb) { zv::AutoGamma(b, tb); });
}

void BM_CorrectionAutoWhite(benchmark::State& state) {
    RunCorrection(state, Picture(state),
                  [](Bitmap& b, zv::ToolboxContext& tb) { zv::AutoWhite(b, tb); });
}

void BM_CorrectionAutoBalance(benchmark::State& state) {
    RunCorrection(state, Picture(state),
                  [](Bitmap& b, zv::ToolboxContext& tb) { zv::AutoBalance(b, tb); });
}

void BM_CorrectionAutoLighting(benchmark::State& state) {
    RunCorrection(state, Picture(state),
                  [](Bitmap& b, zv::ToolboxContext& tb) { zv::AutoLighting(b, tb); });
}

void BM_CorrectionOptimize(benchmark::State& state) {
    RunCorrection(state, Picture(state),
                  [](Bitmap& b, zv::ToolboxContext& tb) { zv::Optimize(b, tb); });
}

void BM_CorrectionNormalize(benchmark::State& state) {
    RunCorrection(state, Picture(state),
                  [](Bitmap& b, zv::ToolboxContext& tb) { zv::NormalizeToBrightest(b, tb); });
}

void BM_CorrectionMapSaturation(benchmark::State& state) {
    RunCorrection(state, Picture(state), [](Bitmap& b, zv::ToolboxContext& tb) {
        zv::MapChannel(b, tb, zv::kNormalizeSaturation, 10, 10);
    });
}

void BM_CorrectionCenter(benchmark::State& state) {
    RunCorrection(state, Picture(state),
                  [](Bitmap& b, zv::ToolboxContext& tb) { zv::CenterChannels(b, tb); });
}

void BM_CorrectionDefog(benchmark::State& state) {
    RunCorrection(state, Picture(state),
                  [](Bitmap& b, zv::ToolboxContext&) { zv::DoDefog(b, 255, 64); });
}

} // namespace

BENCHMARK(BM_CorrectionConformGamma)
    ->Args({0, 60})
    ->Args({0, 200})
    ->Args({1, 60})
    ->Args({1, 200})
    ->ArgNames({"noise", "target"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CorrectionConformGammaRgb)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("noise")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CorrectionMeasureBalanceGamma)
    ->Arg(0)
    ->ArgName("noise")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CorrectionAutoFlash)->Arg(0)->Arg(1)->ArgName("noise")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CorrectionAutoGamma)->Arg(0)->Arg(1)->ArgName("noise")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CorrectionAutoWhite)->Arg(0)->Arg(1)->ArgName("noise")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CorrectionAutoBalance)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("noise")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CorrectionAutoLighting)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("noise")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CorrectionOptimize)->Arg(0)->ArgName("noise")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CorrectionNormalize)->Arg(0)->ArgName("noise")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CorrectionMapSaturation)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("noise")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CorrectionCenter)->Arg(0)->ArgName("noise")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CorrectionDefog)->Arg(0)->Arg(1)->ArgName("noise")->Unit(benchmark::kMillisecond);
