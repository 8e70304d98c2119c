// Neighbourhood filters on a 24-megapixel picture (6000 x 4000): the 3x3
// kernels, the lightness-gated 5x5 filters, descreening, every median shape,
// and, as a peer, ImageMagick's `convert -statistic Median WxH` on the same
// picture when the convert command is ImageMagick's (the command's own time,
// which includes reading and writing the picture as PPM, about a tenth of a
// second here, and its own threads).

#include "BenchPictures.h"
#include "imaging/Bitmap.h"
#include "processing/Descreen.h"
#include "processing/Filter5x5.h"
#include "processing/Kernel3x3.h"
#include "processing/Median.h"

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

// Times `filter` on a fresh copy of the photo each iteration.
template <typename Filter> void RunOnPhoto(benchmark::State& state, Filter filter) {
    Bitmap picture;
    for (auto _ : state) {
        state.PauseTiming();
        picture = Photo();
        state.ResumeTiming();
        filter(picture);
        benchmark::DoNotOptimize(picture.ScanLine(kHeight / 2)[3 * kWidth / 2]);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t{kWidth} * kHeight * 3);
}

void BM_MeanRemoval(benchmark::State& state) {
    RunOnPhoto(state, [](Bitmap& p) { zv::MeanRemoval(p, 4); });
}
void BM_HighPassLight(benchmark::State& state) {
    RunOnPhoto(state, [](Bitmap& p) { zv::HighPassLight(p, 3); });
}
void BM_Soften(benchmark::State& state) {
    RunOnPhoto(state, [](Bitmap& p) { zv::Soften(p, 7); });
}
// The sharpest DeFocus has the largest weights.
void BM_DeFocus(benchmark::State& state) {
    RunOnPhoto(state, [](Bitmap& p) { zv::DeFocus(p, 254); });
}
void BM_Gaussian(benchmark::State& state) {
    RunOnPhoto(state, [](Bitmap& p) { zv::GaussianBlur3x3(p, 63, false, 9); });
}
void BM_Clean(benchmark::State& state) {
    RunOnPhoto(state, [](Bitmap& p) { zv::SharpGaussianBlur5x5(p, 240, 64); });
}
void BM_UnsharpMask(benchmark::State& state) {
    RunOnPhoto(state, [](Bitmap& p) { zv::UnSharpGaussianBlur5x5(p, 95, 48); });
}
void BM_AutoSharpen(benchmark::State& state) {
    RunOnPhoto(state, [](Bitmap& p) { zv::UnSharpGaussianBlur5x5(p, 160, 48); });
}
void BM_Descreen(benchmark::State& state) {
    const int mode = static_cast<int>(state.range(0));
    RunOnPhoto(state, [mode](Bitmap& p) { zv::DeScreen5x5(p, mode); });
}
void BM_Median(benchmark::State& state) {
    const int shape = static_cast<int>(state.range(0));
    RunOnPhoto(state, [shape](Bitmap& p) { zv::Median(p, shape, 0); });
}

BENCHMARK(BM_MeanRemoval)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HighPassLight)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Soften)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeFocus)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Gaussian)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Clean)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnsharpMask)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AutoSharpen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Descreen)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Median)->DenseRange(1, 9)->Unit(benchmark::kMillisecond);

// ---- The peer ----

bool ImageMagickPresent() {
    static const bool present = [] {
        FILE* out = ::popen("convert -version 2>/dev/null", "r");
        if (!out) return false;
        char line[256] = {};
        const bool named = std::fgets(line, sizeof line, out) &&
                           std::string(line).find("ImageMagick") != std::string::npos;
        return ::pclose(out) == 0 && named;
    }();
    return present;
}

// The photo as a binary PPM (red, green, blue) in a private folder, removed
// when the program ends.
class PeerFiles {
public:
    PeerFiles() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "zvfilterbenchXXXXXX").string();
        if (::mkdtemp(pattern.data())) folder_ = pattern;
    }
    ~PeerFiles() {
        std::error_code ignored;
        if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
    }
    PeerFiles(const PeerFiles&) = delete;
    PeerFiles& operator=(const PeerFiles&) = delete;

    const std::filesystem::path& Folder() const { return folder_; }

    const std::filesystem::path& PhotoFile() {
        if (photo_.empty() && !folder_.empty()) {
            photo_ = folder_ / "photo.ppm";
            std::ofstream out(photo_, std::ios::binary);
            out << "P6\n" << kWidth << ' ' << kHeight << "\n255\n";
            std::string row(3 * static_cast<std::size_t>(kWidth), '\0');
            for (int y = 0; y < kHeight; ++y) {
                const std::uint8_t* p = Photo().ScanLine(y);
                for (std::size_t x = 0; x < static_cast<std::size_t>(kWidth); ++x) {
                    row[3 * x] = static_cast<char>(p[3 * x + 2]);
                    row[3 * x + 1] = static_cast<char>(p[3 * x + 1]);
                    row[3 * x + 2] = static_cast<char>(p[3 * x]);
                }
                out.write(row.data(), static_cast<std::streamsize>(row.size()));
            }
        }
        return photo_;
    }

private:
    std::filesystem::path folder_;
    std::filesystem::path photo_;
};

PeerFiles& Peer() {
    static PeerFiles files;
    return files;
}

void BM_ImageMagickMedian(benchmark::State& state) {
    if (!ImageMagickPresent()) {
        state.SkipWithError("ImageMagick's convert is not installed");
        for (auto _ : state) {
        }
        return;
    }
    const auto size = std::to_string(state.range(0));
    const std::filesystem::path in = Peer().PhotoFile();
    if (in.empty()) {
        state.SkipWithError("no temporary folder for the peer's files");
        for (auto _ : state) {
        }
        return;
    }
    const std::filesystem::path out = Peer().Folder() / "median.ppm";
    const std::string command = "convert '" + in.string() + "' -statistic Median " + size + "x" +
                                size + " -depth 8 '" + out.string() + "'";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("convert failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t{kWidth} * kHeight * 3);
    std::filesystem::remove(out);
}

BENCHMARK(BM_ImageMagickMedian)->Arg(3)->Arg(7)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
