#pragma once
// A peer program timed in the same run as our pass: the benchmark
// photograph written once as a binary PPM into a private folder, and
// commands run over it through the shell. A peer that reads and writes
// files is timed twice, with the operation and as a plain copy, and the
// benchmark's time is the difference, the operation alone; the whole
// command's time is kept as a counter beside it.

#include "BenchPictures.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <stdlib.h>

namespace zvbench {

class PeerFolder {
public:
    PeerFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zvpeerXXXXXX").string();
        if (::mkdtemp(pattern.data())) folder_ = pattern;
    }
    ~PeerFolder() {
        std::error_code ignored;
        if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
    }
    PeerFolder(const PeerFolder&) = delete;
    PeerFolder& operator=(const PeerFolder&) = delete;

    // The quoted path of a file in the folder.
    std::string Path(const char* name) const { return "'" + (folder_ / name).string() + "'"; }

    // The photograph as photo.ppm (red, green, blue), written on first use;
    // false without a folder.
    bool WritePhoto() {
        if (folder_.empty()) return false;
        if (written_) return true;
        std::ofstream out(folder_ / "photo.ppm", std::ios::binary);
        out << "P6\n" << kPhotoWidth << ' ' << kPhotoHeight << "\n255\n";
        std::string row(3 * static_cast<std::size_t>(kPhotoWidth), '\0');
        for (int y = 0; y < kPhotoHeight; ++y) {
            const std::uint8_t* p = Photo().ScanLine(y);
            for (std::size_t x = 0; x < static_cast<std::size_t>(kPhotoWidth); ++x) {
                row[3 * x] = static_cast<char>(p[3 * x + 2]);
                row[3 * x + 1] = static_cast<char>(p[3 * x + 1]);
                row[3 * x + 2] = static_cast<char>(p[3 * x]);
            }
            out.write(row.data(), static_cast<std::streamsize>(row.size()));
        }
        written_ = static_cast<bool>(out);
        return written_;
    }

private:
    std::filesystem::path folder_;
    bool written_ = false;
};

inline PeerFolder& Peers() {
    static PeerFolder folder;
    return folder;
}

// Seconds the command took, or a negative number when it failed.
inline double TimedCommand(const std::string& command) {
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    const auto stop = std::chrono::steady_clock::now();
    return status == 0 ? std::chrono::duration<double>(stop - start).count() : -1.0;
}

// Times `convert-im6.q16 photo.ppm OPTIONS out.ppm` less the same command
// without the options (reading and writing alone); for a benchmark with
// UseManualTime. Skips when ImageMagick's convert is missing.
inline void TimeConvertPass(benchmark::State& state, const std::string& options) {
    if (TimedCommand("convert-im6.q16 -version") < 0) {
        state.SkipWithError("convert-im6.q16 is not installed (Debian package imagemagick)");
        for (auto _ : state) {
        }
        return;
    }
    PeerFolder& peers = Peers();
    if (!peers.WritePhoto()) {
        state.SkipWithError("no temporary folder for the peer's files");
        for (auto _ : state) {
        }
        return;
    }
    const std::string in = peers.Path("photo.ppm");
    const std::string out = peers.Path("out.ppm");
    const std::string with = "convert-im6.q16 " + in + " " + options + " " + out;
    const std::string plain = "convert-im6.q16 " + in + " " + out;
    double whole = 0;
    for (auto _ : state) {
        const double a = TimedCommand(with);
        const double b = TimedCommand(plain);
        if (a < 0 || b < 0) {
            state.SkipWithError(("failed: " + with).c_str());
            break;
        }
        whole += a;
        state.SetIterationTime(std::max(a - b, 0.0));
    }
    if (state.iterations() > 0)
        state.counters["whole_ms"] = 1000 * whole / static_cast<double>(state.iterations());
    state.SetItemsProcessed(state.iterations() * kPhotoPixels);
}

} // namespace zvbench
