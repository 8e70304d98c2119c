// Albums of a million slides over 10,000 files in 100 folders: saving and
// loading an AVC catalog (data files), saving an AVL script and decoding it
// without data files (one file look-up per slide), and arranging the slides
// by name beside GNU sort -f on the same names. Every row reports the
// process's peak memory so far.

#include "PeerCommand.h"
#include "album/AlbumFiles.h"
#include "album/SlideOrdering.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kSlides = 1'000'000;
constexpr int kFolders = 100;
constexpr int kFilesPerFolder = 100;

// The files, the album over them, and its two saved forms, made once.
struct AlbumSetting {
    fs::path root;
    zv::SlideAlbum album;
    zv::AlbumFileOptions options;
    fs::path avc, avl;

    AlbumSetting() {
        std::string pattern = (fs::temp_directory_path() / "zvbench-album-XXXXXX").string();
        root = ::mkdtemp(pattern.data());
        options.dataFolder = root / "data";
        album.SetVolumeOf([](const std::string&) { return std::string("BENCH.12345678"); });
        album.Reserve(kSlides);
        for (int slide = 0; slide < kSlides; ++slide) {
            const int folder = slide % kFolders, file = slide / kFolders % kFilesPerFolder;
            const fs::path path = root / ("folder" + std::to_string(folder)) /
                                  ("picture " + std::to_string(file) + ".jpg");
            if (slide < kFolders * kFilesPerFolder) {
                fs::create_directories(path.parent_path());
                std::ofstream(path, std::ios::binary) << "picture bytes";
            }
            album.AddFile(path.string(), album.Count(), slide);
        }
        avc = root / "album.avc";
        avl = root / "album.avl";
        zv::SaveAlbum(avc, album, options);
        zv::SaveAlbum(avl, album, options);
        for (const fs::path& path : zv::AlbumDataFilePaths(options.dataFolder, avl, 'A'))
            fs::remove(path);
    }
    ~AlbumSetting() { fs::remove_all(root); }
};

AlbumSetting& Setting() {
    static AlbumSetting setting;
    return setting;
}

// The process's peak resident memory so far, the album setting included.
void ReportPeakMemory(benchmark::State& state) {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The album's names, one a line in slide order, for the peer.
fs::path WriteNames(const AlbumSetting& s) {
    const fs::path file = s.root / "names.txt";
    std::ofstream out(file, std::ios::binary);
    for (int i = 0; i < s.album.Count(); ++i) out << s.album.NameOf(i) << '\n';
    return file;
}

void BM_AlbumSaveAvc(benchmark::State& state) {
    AlbumSetting& s = Setting();
    for (auto _ : state) zv::SaveAlbum(s.avc, s.album, s.options);
    state.SetItemsProcessed(state.iterations() * kSlides);
    ReportPeakMemory(state);
}

void BM_AlbumLoadAvc(benchmark::State& state) {
    AlbumSetting& s = Setting();
    for (auto _ : state) {
        zv::SlideAlbum album;
        zv::LoadAlbum(s.avc, album, s.options);
        benchmark::DoNotOptimize(album.Count());
    }
    state.SetItemsProcessed(state.iterations() * kSlides);
    ReportPeakMemory(state);
}

void BM_AlbumSaveAvl(benchmark::State& state) {
    AlbumSetting& s = Setting();
    const fs::path file = s.root / "saved.avl";
    for (auto _ : state) zv::SaveAlbum(file, s.album, s.options);
    state.SetItemsProcessed(state.iterations() * kSlides);
    ReportPeakMemory(state);
}

void BM_AlbumDecodeAvl(benchmark::State& state) {
    AlbumSetting& s = Setting();
    for (auto _ : state) {
        zv::SlideAlbum album;
        album.SetVolumeOf([](const std::string&) { return std::string(); });
        zv::LoadAlbum(s.avl, album, s.options);
        benchmark::DoNotOptimize(album.Count());
    }
    state.SetItemsProcessed(state.iterations() * kSlides);
    ReportPeakMemory(state);
}

// Our arrangement of the slides by name, each time from the album's own
// order, timed beside `sort -f` over the same names in the C locale (bytes
// with letters folded, as fast as GNU sort gets; the file's reading and
// writing included). ratio = ours / sort's.
void BM_AlbumArrangeByName(benchmark::State& state) {
    AlbumSetting& s = Setting();
    const std::vector<std::int32_t> original = s.album.Order();
    const fs::path names = WriteNames(s);
    const std::string sort =
        "LC_ALL=C sort -f '" + names.string() + "' -o '" + (s.root / "sorted.txt").string() + "'";
    double ours = 0, peer = 0;
    for (auto _ : state) {
        s.album.MutableOrder() = original;
        const auto start = std::chrono::steady_clock::now();
        zv::ArrangeByName(s.album);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double peerSeconds = zvbench::TimedCommand(sort);
        if (peerSeconds < 0) {
            state.SkipWithError(("failed: " + sort).c_str());
            break;
        }
        state.SetIterationTime(seconds);
        ours += seconds;
        peer += peerSeconds;
    }
    s.album.MutableOrder() = original;
    if (peer > 0) {
        const double n = static_cast<double>(state.iterations());
        state.counters["sort_f_ms"] = 1000 * peer / n;
        state.counters["ratio"] = ours / peer;
    }
    state.SetItemsProcessed(state.iterations() * kSlides);
    ReportPeakMemory(state);
}

BENCHMARK(BM_AlbumSaveAvc)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_AlbumLoadAvc)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_AlbumSaveAvl)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_AlbumDecodeAvl)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_AlbumArrangeByName)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();

} // namespace
