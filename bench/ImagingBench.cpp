// The picture in memory: format conversions and packing on a 12-megapixel picture.

#include "imaging/Bitmap.h"
#include "imaging/PackedDib.h"

#include <benchmark/benchmark.h>

namespace {

using zv::Bitmap;
using zv::PixelFormat;

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// A smooth picture with many colours, like a photograph.
const Bitmap& Photo() {
    static const Bitmap photo = [] {
        Bitmap picture;
        picture.Create(kWidth, kHeight, PixelFormat::Bits24);
        for (int y = 0; y < kHeight; ++y) {
            std::uint8_t* row = picture.ScanLine(y);
            for (int x = 0; x < kWidth; ++x) {
                row[3 * x] = static_cast<std::uint8_t>((x * 7 + y * 3) >> 5);
                row[3 * x + 1] = static_cast<std::uint8_t>((x ^ y) >> 4);
                row[3 * x + 2] = static_cast<std::uint8_t>((x + y * 5) >> 6);
            }
        }
        return picture;
    }();
    return photo;
}

void Convert(benchmark::State& state, PixelFormat from, PixelFormat to) {
    Bitmap source = Photo();
    if (from != PixelFormat::Bits24) source.SetPixelFormat(from);
    for (auto _ : state) {
        Bitmap work = source;
        work.SetPixelFormat(to);
        benchmark::DoNotOptimize(work.ScanLine(0));
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_TrueColourToHalftone(benchmark::State& state) {
    Convert(state, PixelFormat::Bits24, PixelFormat::Bits8);
}
void BM_TrueColourToStandard16(benchmark::State& state) {
    Convert(state, PixelFormat::Bits24, PixelFormat::Bits4);
}
void BM_IndexedToTrueColour(benchmark::State& state) {
    Convert(state, PixelFormat::Bits8, PixelFormat::Bits24);
}

void BM_PackAndParse(benchmark::State& state) {
    for (auto _ : state) {
        const auto block = zv::BuildPackedDib(Photo());
        Bitmap back = zv::ParsePackedDib(block.data(), block.size());
        benchmark::DoNotOptimize(back.ScanLine(0));
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t{kWidth} * kHeight * 3);
}

BENCHMARK(BM_TrueColourToHalftone)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TrueColourToStandard16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IndexedToTrueColour)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PackAndParse)->Unit(benchmark::kMillisecond);

} // namespace
