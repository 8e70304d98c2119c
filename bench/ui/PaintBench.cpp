// Painting the viewer's display control: a 24-megapixel picture shown 1:1,
// fitted to 1200 x 800 (the first paint builds the reduced copy, repaints use
// it) and at 400 %, one screenful of the view per frame.

#include "viewer/ui/Sky95.h"

#include <QApplication>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdint>

using namespace zv;

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
const QSize kScreenful(1280, 800);

// Smooth gradients with a fine texture, so no pass can skip work.
const Bitmap& Picture() {
    static const Bitmap picture = [] {
        Bitmap bitmap;
        bitmap.Create(kWidth, kHeight, PixelFormat::Bits24);
        for (int y = 0; y < kHeight; ++y) {
            std::uint8_t* p = bitmap.ScanLine(y);
            for (int x = 0; x < kWidth; ++x, p += 3) {
                p[0] = static_cast<std::uint8_t>(x * 255 / kWidth);
                p[1] = static_cast<std::uint8_t>(y * 255 / kHeight);
                p[2] = static_cast<std::uint8_t>((x ^ y) & 0xFF);
            }
        }
        return bitmap;
    }();
    return picture;
}

QRect Middle(QSize control, QSize clip) {
    return {QPoint((control.width() - clip.width()) / 2, (control.height() - clip.height()) / 2),
            clip};
}

void PaintInto(QImage& frame, Sky95& view, const QRect& clip) {
    QPainter painter(&frame);
    view.PaintRegion(painter, clip);
}

// Repaints of `clip` of a control of `control` size.
void Repaint(benchmark::State& state, QSize control, const QRect& clip) {
    Sky95 view;
    view.Show(&Picture());
    view.SetDisplaySize(control);
    QImage frame(clip.size(), QImage::Format_RGB32);
    PaintInto(frame, view, clip); // builds whatever the control keeps
    for (auto _ : state) {
        PaintInto(frame, view, clip);
        benchmark::DoNotOptimize(frame.constBits());
    }
    state.SetItemsProcessed(state.iterations() * clip.width() * clip.height());
}

void BM_PaintActualSize(benchmark::State& state) {
    const QSize control(kWidth, kHeight);
    Repaint(state, control, Middle(control, kScreenful));
}

// Fitted sizes: 1200 x 800 is a whole fifth of the picture; 1000 x 666
// leaves a remainder for the smooth scaler after the block averaging.
QSize Fitted(const benchmark::State& state) {
    return {static_cast<int>(state.range(0)), static_cast<int>(state.range(1))};
}

void BM_PaintFittedRepaint(benchmark::State& state) {
    const QSize control = Fitted(state);
    Repaint(state, control, QRect(QPoint(), control));
}

void BM_PaintZoom400(benchmark::State& state) {
    const QSize control(kWidth * 4, kHeight * 4);
    Repaint(state, control, Middle(control, kScreenful));
}

// Showing the picture drops the reduced copy, so every paint builds it again.
void BM_PaintFittedFirst(benchmark::State& state) {
    const QSize control = Fitted(state);
    Sky95 view;
    view.SetDisplaySize(control);
    QImage frame(control, QImage::Format_RGB32);
    for (auto _ : state) {
        view.Show(&Picture());
        PaintInto(frame, view, QRect(QPoint(), control));
        benchmark::DoNotOptimize(frame.constBits());
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t{kWidth} * kHeight * 3);
}

} // namespace

BENCHMARK(BM_PaintActualSize)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintFittedFirst)->Args({1200, 800})->Args({1000, 666})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintFittedRepaint)
    ->Args({1200, 800})
    ->Args({1000, 666})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintZoom400)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
