// Saving a 24-megapixel picture (6000 x 4000) as the viewer's "Save as" does,
// from the picture in memory to a finished file, against the command-line
// tools in the same run:
//  - JPEG at linear quality 48 (tables at 48 % of the standard ones), 1 x 1
//    sampling, optimised codes, floating-point transform, against libjpeg-
//    turbo's cjpeg with the same settings. cjpeg's -quality 76 gives exactly
//    these tables: its scale for q >= 50 is 200 - 2q percent.
//  - PNG at zlib level 5, not interlaced, against netpbm's pnmtopng at the
//    same level.
// The tools read the picture from a PPM file, which the benchmark writes once
// (it stays in the page cache); our saves also sync the file to disk before
// renaming it over the target, which the tools do not. A tool that is not
// installed (Debian packages libjpeg-turbo-progs and netpbm) is skipped.

#include "BenchPictures.h"
#include "viewer/PictureSave.h"

#include "platform/ScriptedDialogs.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = zvbench::kPhotoWidth;
constexpr int kHeight = zvbench::kPhotoHeight;
constexpr int kLinearQuality = 48;
constexpr int kCjpegQuality = 76; // 200 - 2 x 76 = 48 %
constexpr int kPngLevel = 5;      // the PNG writer's default, "compression 1"

using zvbench::PhotoRow;

// The picture in the viewer, and a PPM of it for the tools, in a folder of
// the run's own that is removed at the end.
class Workbench {
public:
    Workbench() {
        std::string pattern = (fs::temp_directory_path() / "zvsavebenchXXXXXX").string();
        folder_ = ::mkdtemp(pattern.data());
        zv::Bitmap& picture = imaging.current;
        picture.Create(kWidth, kHeight, zv::PixelFormat::Bits24);
        for (int y = 0; y < kHeight; ++y) PhotoRow(y, picture.ScanLine(y));
        imaging.descriptor = {kWidth, kHeight, 24, 24};
        WritePpm();
        library.ImgInit();
    }
    ~Workbench() { fs::remove_all(folder_); }

    std::string Path(const char* name) const { return (folder_ / name).string(); }

    zv::ImagingContext imaging;
    zv::ImageLibrary library;
    zv::ScriptedDialogs dialogs;

private:
    void WritePpm() {
        std::ofstream out(Path("in.ppm"), std::ios::binary);
        out << "P6\n" << kWidth << ' ' << kHeight << "\n255\n";
        std::vector<char> rgb(3 * kWidth);
        for (int y = 0; y < kHeight; ++y) {
            const std::uint8_t* bgr = imaging.current.ScanLine(y);
            for (int x = 0; x < kWidth; ++x) {
                rgb[3 * x] = static_cast<char>(bgr[3 * x + 2]);
                rgb[3 * x + 1] = static_cast<char>(bgr[3 * x + 1]);
                rgb[3 * x + 2] = static_cast<char>(bgr[3 * x]);
            }
            out.write(rgb.data(), static_cast<std::streamsize>(rgb.size()));
        }
    }

    fs::path folder_;
};

Workbench& Bench() {
    static Workbench bench;
    return bench;
}

void Finish(benchmark::State& state, const std::string& path) {
    state.SetItemsProcessed(state.iterations() * std::int64_t{kWidth} * kHeight);
    std::error_code error;
    state.counters["file_MB"] = static_cast<double>(fs::file_size(path, error)) / 1e6;
}

void Ours(benchmark::State& state, int type, int quality) {
    Workbench& bench = Bench();
    zv::SaveServices services{bench.imaging, bench.library, bench.dialogs, {}, {}};
    zv::SaveJob job;
    job.path = bench.Path(type == zv::kSavePng ? "ours.png" : "ours.jpg");
    job.type = type;
    job.quality = quality;
    for (auto _ : state) {
        if (!zv::SavePicture(job, services).saved) {
            state.SkipWithError("the save failed");
            return;
        }
    }
    Finish(state, job.path);
}

bool Installed(const std::string& tool) {
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

void Tool(benchmark::State& state, const std::string& tool, const std::string& arguments,
          const char* output, const char* package) {
    if (!Installed(tool)) {
        state.SkipWithError((tool + " is not installed (Debian package " + package + ")").c_str());
        return;
    }
    Workbench& bench = Bench();
    const std::string path = bench.Path(output);
    const std::string command =
        tool + " " + arguments + " '" + bench.Path("in.ppm") + "' > '" + path + "'";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError((tool + " failed").c_str());
            return;
        }
    }
    Finish(state, path);
}

void RegisterAll() {
    const auto timed = [](benchmark::internal::Benchmark* b) {
        b->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
    };
    timed(benchmark::RegisterBenchmark("SaveJpeg24MP/ours", Ours, zv::kSaveJpegColour,
                                       kLinearQuality));
    timed(benchmark::RegisterBenchmark("SaveJpeg24MP/cjpeg", Tool, std::string("cjpeg"),
                                       "-quality " + std::to_string(kCjpegQuality) +
                                           " -optimize -sample 1x1 -dct float",
                                       "cjpeg.jpg", "libjpeg-turbo-progs"));
    timed(benchmark::RegisterBenchmark("SavePng24MP/ours", Ours, zv::kSavePng, 50));
    timed(benchmark::RegisterBenchmark("SavePng24MP/pnmtopng", Tool, std::string("pnmtopng"),
                                       "-compression " + std::to_string(kPngLevel), "pnm.png",
                                       "netpbm"));
}

const bool registered = (RegisterAll(), true);

} // namespace
