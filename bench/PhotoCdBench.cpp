// Decoding the two large Photo CD steps of a pack whose residual streams
// carry a code for every sample, as a scanned picture's do: 4Base (goal
// under 150 ms) and 16Base (goal under 600 ms), rotation included.

#include "../tests/formats/PhotoCdPacks.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

using zvtest::PcdBitWriter;

// Every row of every plane of a step, with small differences at random.
void PutRows(PcdBitWriter& stream, std::mt19937& random, int width, int height, bool chroma) {
    const int deltas[] = {0, 0, 5, -3};
    for (int row = 0; row < height; ++row) {
        stream.Row(0, row);
        for (int x = 0; x < width; ++x) zvtest::PutDelta(stream, deltas[random() % 4]);
    }
    for (int plane = 2; chroma && plane <= 3; ++plane)
        for (int row = 0; row < height; row += 2) {
            stream.Row(plane, row);
            for (int x = 0; x < width / 2; ++x) zvtest::PutDelta(stream, deltas[random() % 4]);
        }
    stream.Row(0, height);
}

const std::vector<std::uint8_t>& Pack() {
    static const std::vector<std::uint8_t> pack = [] {
        std::vector<std::uint8_t> bytes = zvtest::GreyPcdPack(120, 2, 1);
        std::mt19937 random(7);
        PcdBitWriter stream4;
        PutRows(stream4, random, 1536, 1024, false);
        zvtest::Put4Base(bytes, stream4);
        // 16Base starts 12 sectors after the sector where a reader that
        // keeps 41 bits beyond the end mark's start stops.
        const std::int64_t tableBits = 13 * 8;
        const std::int64_t markBits = tableBits + stream4.BitCount() - 40;
        const std::int64_t read = (markBits + 41 + 7) / 8;
        const std::int64_t sector = zv::kPcd4BaseTables / zv::kPcdSectorSize +
                                    (read + zv::kPcdSectorSize - 1) / zv::kPcdSectorSize + 12;
        PcdBitWriter stream16;
        PutRows(stream16, random, 3072, 2048, true);
        zvtest::Put16Base(bytes, sector, stream16);
        return bytes;
    }();
    return pack;
}

void DecodeStep(benchmark::State& state, int step) {
    const std::vector<std::uint8_t>& pack = Pack();
    const zv::PcdLayout layout = zv::ReadPcdLayout(pack);
    if (layout.stepCount <= step) return state.SkipWithError("the pack lacks the step");
    for (auto _ : state) {
        const zv::Bitmap picture = zv::DecodePcdStep(pack, layout, step);
        benchmark::DoNotOptimize(picture.ScanLine(0));
    }
}

BENCHMARK_CAPTURE(DecodeStep, PhotoCd4Base, 4)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(DecodeStep, PhotoCd16Base, 5)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
