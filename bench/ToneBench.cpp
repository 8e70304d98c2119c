// Tone-map passes on a 24-megapixel picture (6000 x 4000): the table pass
// ColorFilter, the HLS passes LuminanceFilter and SaturationFilter, and, as a
// peer, `vips maplut` with the same table over the same picture when the
// vips command is installed (only the command itself is timed).

#include "BenchPictures.h"
#include "imaging/Bitmap.h"
#include "processing/ToneMaps.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace {

using zv::Bitmap;
using zv::PixelFormat;

using zvbench::Photo;
constexpr int kWidth = zvbench::kPhotoWidth;
constexpr int kHeight = zvbench::kPhotoHeight;

// Every pixel an unrelated colour: the worst case for the HLS passes.
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

zv::ToolboxContext GammaMaps() {
    zv::ToolboxContext tb;
    for (int ch = 0; ch < 3; ++ch) zv::SetGammaLUT(tb, 150, ch);
    return tb;
}

// Each iteration works on a fresh copy; the copy is not timed.
template <class Pass> void RunPass(benchmark::State& state, const Bitmap& source, Pass pass) {
    Bitmap work;
    for (auto _ : state) {
        state.PauseTiming();
        work = source;
        state.ResumeTiming();
        pass(work);
        benchmark::DoNotOptimize(work.ScanLine(0));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t{kWidth} * kHeight);
    state.SetBytesProcessed(state.iterations() * std::int64_t{kWidth} * kHeight * 3);
}

void BM_ToneColorFilter(benchmark::State& state) {
    const zv::ToolboxContext tb = GammaMaps();
    RunPass(state, Photo(), [&tb](Bitmap& b) { zv::ColorFilter(b, tb); });
}

void BM_ToneLuminanceFilter(benchmark::State& state) {
    zv::ToolboxContext tb;
    zv::ResetMaps(tb);
    zv::SetGammaLUT(tb, 150, 1);
    RunPass(state, state.range(0) ? Noise() : Photo(),
            [&tb](Bitmap& b) { zv::LuminanceFilter(b, tb); });
}

void BM_ToneSaturationFilter(benchmark::State& state) {
    zv::ToolboxContext tb;
    zv::ResetMaps(tb);
    zv::SetStretchLUT(tb, 0, 200, 1);
    RunPass(state, state.range(0) ? Noise() : Photo(),
            [&tb](Bitmap& b) { zv::SaturationFilter(b, tb); });
}

// The peer's files: the picture as a PPM converted once to vips's own format
// (which it maps into memory), and the same gamma table as a 256 x 1 picture.
class VipsFiles {
public:
    VipsFiles()
        : folder_(std::filesystem::temp_directory_path() /
                  ("zvtonebench-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(folder_);
        const zv::ToolboxContext tb = GammaMaps();
        WritePpm(folder_ / "lut.ppm", 256, 1, [&tb](int, std::string& row) {
            for (int i = 0; i < 256; ++i)
                for (int ch = 0; ch < 3; ++ch) row.push_back(static_cast<char>(tb.maps[ch][i]));
        });
        WritePpm(folder_ / "in.ppm", kWidth, kHeight, [](int y, std::string& row) {
            const std::uint8_t* p = Photo().ScanLine(y);
            for (int x = 0; x < kWidth; ++x, p += 3) {
                row.push_back(static_cast<char>(p[2]));
                row.push_back(static_cast<char>(p[1]));
                row.push_back(static_cast<char>(p[0]));
            }
        });
        ready_ = Run("vips copy " + Path("in.ppm") + " " + Path("in.v")) &&
                 Run("vips copy " + Path("lut.ppm") + " " + Path("lut.v"));
    }
    ~VipsFiles() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    bool Ready() const { return ready_; }
    std::string Path(const char* name) const { return "'" + (folder_ / name).string() + "'"; }
    static bool Run(const std::string& command) {
        return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
    }

private:
    template <class Row>
    static void WritePpm(const std::filesystem::path& path, int width, int height, Row row) {
        std::ofstream out(path, std::ios::binary);
        out << "P6\n" << width << ' ' << height << "\n255\n";
        std::string bytes;
        for (int y = 0; y < height; ++y) {
            bytes.clear();
            row(y, bytes);
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
    }
    std::filesystem::path folder_;
    bool ready_ = false;
};

void BM_ToneVipsMaplut(benchmark::State& state) {
    if (!VipsFiles::Run("vips --version")) {
        state.SkipWithError("vips is not installed (Debian package libvips-tools)");
        return;
    }
    static const VipsFiles files;
    if (!files.Ready()) {
        state.SkipWithError("vips could not read the benchmark picture");
        return;
    }
    const std::string command =
        "vips maplut " + files.Path("in.v") + " " + files.Path("out.v") + " " + files.Path("lut.v");
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const bool ok = VipsFiles::Run(command);
        const auto stop = std::chrono::steady_clock::now();
        if (!ok) {
            state.SkipWithError("vips maplut failed");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t{kWidth} * kHeight);
    state.SetBytesProcessed(state.iterations() * std::int64_t{kWidth} * kHeight * 3);
}

} // namespace

BENCHMARK(BM_ToneColorFilter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToneLuminanceFilter)->Arg(0)->Arg(1)->ArgName("noise")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToneSaturationFilter)->Arg(0)->Arg(1)->ArgName("noise")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToneVipsMaplut)->UseManualTime()->Unit(benchmark::kMillisecond);
