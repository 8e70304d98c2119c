// Albums of a million slides over 10,000 files in 100 folders: saving and
// loading an AVC catalog (data files), saving an AVL script and decoding it
// without data files (one file look-up per slide).

#include "album/AlbumFiles.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

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

void BM_AlbumSaveAvc(benchmark::State& state) {
    AlbumSetting& s = Setting();
    for (auto _ : state) zv::SaveAlbum(s.avc, s.album, s.options);
    state.SetItemsProcessed(state.iterations() * kSlides);
}

void BM_AlbumLoadAvc(benchmark::State& state) {
    AlbumSetting& s = Setting();
    for (auto _ : state) {
        zv::SlideAlbum album;
        zv::LoadAlbum(s.avc, album, s.options);
        benchmark::DoNotOptimize(album.Count());
    }
    state.SetItemsProcessed(state.iterations() * kSlides);
}

void BM_AlbumSaveAvl(benchmark::State& state) {
    AlbumSetting& s = Setting();
    const fs::path file = s.root / "saved.avl";
    for (auto _ : state) zv::SaveAlbum(file, s.album, s.options);
    state.SetItemsProcessed(state.iterations() * kSlides);
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
}

BENCHMARK(BM_AlbumSaveAvc)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_AlbumLoadAvc)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_AlbumSaveAvl)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_AlbumDecodeAvl)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
