// One effect-dialog preview, as a slider move makes it: the effect's own
// pixel work on a 1000 x 1000 region of the 24-megapixel photograph, the
// region copy included. Each row is one effect code at its sliders' start
// positions; opening the dialog is timed apart.

#include "BenchPictures.h"
#include "platform/Dialogs.h"
#include "processing/ColourOperations.h"
#include "processing/EffectDialogModel.h"
#include "processing/JpegWizardModel.h"

#include <benchmark/benchmark.h>

namespace {

using zvbench::Photo;

const zv::Bitmap& Duplicate() {
    static const zv::Bitmap second = [] {
        zv::Bitmap b = Photo();
        zv::InvertPicture(b);
        return b;
    }();
    return second;
}

zv::EffectValues Starts(const zv::ToolboxOperation& op) {
    const auto& s = op.dialog->slider;
    return {s[0].start, s[1].start, s[2].start};
}

void BM_EffectPreview(benchmark::State& state) {
    const zv::ToolboxOperation* op = zv::TheToolbox().FindCode(static_cast<int>(state.range(0)));
    if (!op || !op->dialog) {
        state.SkipWithError("no such effect code");
        return;
    }
    Duplicate();
    zv::EffectDialogModel model(*op, Photo(), {}, Starts(*op), &Duplicate());
    model.SetView(2500, 1500, 1000, 1000);
    for (auto _ : state) {
        model.Test();
        benchmark::DoNotOptimize(model.After().ScanLine(0));
    }
}

void BM_EffectDialogOpen(benchmark::State& state) {
    const zv::ToolboxOperation& op = *zv::TheToolbox().FindCode(150);
    for (auto _ : state) {
        zv::EffectDialogModel model(op, Photo(), {}, Starts(op), &Duplicate());
        model.SetView(0, 0, 1000, 1000);
        model.Test();
        benchmark::DoNotOptimize(model.After().ScanLine(0));
    }
}

} // namespace

// Tone maps, HLS and the colour selections, 3x3 and 5x5 filters, medians,
// composites and the artistic codes.
BENCHMARK(BM_EffectPreview)
    ->ArgName("code")
    ->Args({100})
    ->Args({110})
    ->Args({140})
    ->Args({150})
    ->Args({151})
    ->Args({153})
    ->Args({155})
    ->Args({156})
    ->Args({30})
    ->Args({31})
    ->Args({1})
    ->Args({3})
    ->Args({32})
    ->Args({4})
    ->Args({36})
    ->Args({230})
    ->Args({231})
    ->Args({241})
    ->Args({250})
    ->Args({251})
    ->Args({114})
    ->Args({501})
    ->Args({510})
    ->Args({520})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_EffectDialogOpen)->Unit(benchmark::kMillisecond)->UseRealTime();

namespace {

// The JPEG wizard's Test on the whole photograph at quality 48 (the
// program's linear scale: the standard tables at 48 %, as libjpeg's quality
// 76), subsampled: compress and decompress.
void BM_JpegWizardTest(benchmark::State& state) {
    struct NoDialogs : zv::WindowlessDialogs {
        zv::Answer Box(zv::BoxKind, const std::string&, zv::Buttons) override {
            return zv::Answer::Ok;
        }
    } dialogs;
    zv::JpegWizardModel model(zv::kJpegWizardCode, Photo(), {false, true, 0, 0, 48}, dialogs);
    for (auto _ : state) {
        model.Test();
        benchmark::DoNotOptimize(model.After().ScanLine(0));
    }
    state.counters["bytes"] = static_cast<double>(model.Stream().size());
}

} // namespace

BENCHMARK(BM_JpegWizardTest)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
