// Walking a tree of 100,000 files in 2,000 folders five deep for slides,
// alone and into the album's files loaded as the album window loads them,
// beside `find TREE -type f -printf '%s %T@ %p\n'` on the same tree in the
// same run; and the list chooser opening on a million entries and sorting
// 131,072. The tree is made once per run and removed at exit.

#include "album/AlbumBuilder.h"
#include "album/AlbumFiles.h"
#include "catalog/ListChooser.h"
#include "catalog/MediaExtensions.h"
#include "explorer/FolderWalk.h"
#include "explorer/SlideListing.h"
#include "platform/ScriptedDialogs.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace {

constexpr int kLeafFolders = 2'000;
constexpr int kFilesPerFolder = 50;

// Leaf folders A<a>/B<b>/C<c>/D<d>/E<e> (5 x 5 x 5 x 4 x 4), 50 files each.
class BigTree {
public:
    BigTree() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zvwalkXXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
        path_ = pattern + "/";
        static const char* const kExtensions[] = {".jpg", ".JPG", ".png", ".txt", ".mp3"};
        for (int i = 0; i < kLeafFolders; ++i) {
            const std::string folder =
                path_ + "A" + std::to_string(i / 400) + "/B" + std::to_string(i / 80 % 5) + "/C" +
                std::to_string(i / 16 % 5) + "/D" + std::to_string(i / 4 % 4) + "/E" +
                std::to_string(i % 4) + "/";
            std::filesystem::create_directories(folder);
            for (int f = 0; f < kFilesPerFolder; ++f) {
                const std::string name =
                    folder + "IMG_" + std::to_string(f * 7919 % 1000) + kExtensions[f % 5];
                const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
                if (fd < 0 || ::write(fd, "x", 1) != 1) throw std::runtime_error("write");
                ::close(fd);
            }
        }
    }
    ~BigTree() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

const BigTree& Tree() {
    static const BigTree tree;
    return tree;
}

struct CountingSink : zv::WalkSink {
    std::size_t folders = 0, files = 0;
    void Folders(const std::vector<zv::WalkFolder>& list) override { folders = list.size(); }
    void File(const zv::WalkFile& file) override { files += file.size > 0; }
};

void BM_FolderWalk(benchmark::State& state) {
    const std::string& path = Tree().path();
    zv::WalkOptions options;
    options.extensions = zv::MediaExtensions;
    for (auto _ : state) {
        CountingSink sink;
        zv::Progress progress;
        benchmark::DoNotOptimize(zv::WalkFolders(path, options, sink, progress));
        state.counters["files"] = double(sink.files);
        state.counters["folders"] = double(sink.folders);
    }
}
BENCHMARK(BM_FolderWalk)->Unit(benchmark::kMillisecond)->Iterations(5);

// The whole listing: walked into the album's data files and catalog header,
// then loaded into an album.
void BM_FolderWalkIntoAlbum(benchmark::State& state) {
    const std::filesystem::path home = Tree().path() + ".home";
    const zv::AlbumBuildPlaces places{home, home / "data", "_BENCH0001"};
    zv::AlbumFileOptions options;
    options.dataFolder = places.dataFolder;
    zv::WalkOptions walk;
    walk.extensions = zv::MediaExtensions;
    for (auto _ : state) {
        zv::DocumentFlags flags;
        zv::ScriptedDialogs dialogs;
        zv::SlideListing listing(flags, dialogs);
        listing.placeOf = [](const std::string&) { return zv::StartPlace::Local; };
        zv::AlbumBuilder builder(places);
        zv::Progress progress;
        const zv::SlideListingResult result = listing.Run(Tree().path(), walk, builder, progress);
        zv::SlideAlbum album;
        zv::LoadAlbum(result.file, album, options);
        state.counters["slides"] = double(album.Count());
        builder.Clear();
    }
    std::error_code error;
    std::filesystem::remove_all(home, error);
}
BENCHMARK(BM_FolderWalkIntoAlbum)->Unit(benchmark::kMillisecond)->Iterations(5);

// The peer: find listing every file with its size and date.
void BM_FolderWalkFindPeer(benchmark::State& state) {
    const std::string command =
        "find '" + Tree().path() + "' -type f -printf '%s %T@ %p\\n' > /dev/null";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0) state.SkipWithError("find failed");
}
BENCHMARK(BM_FolderWalkFindPeer)->Unit(benchmark::kMillisecond)->Iterations(5);

std::vector<std::string> Paths(std::size_t count) {
    std::vector<std::string> paths(count);
    for (std::size_t i = 0; i < count; ++i)
        paths[i] = (i % 3 ? "/Pictures/Trip " : "/pictures/trip ") +
                   std::to_string(i * 7919 % count) + ".jpg";
    return paths;
}

zv::ChooserChecks NoChecks() {
    auto yes = [](const std::string&) { return true; };
    return {yes, yes};
}

void BM_ChooserOpenMillion(benchmark::State& state) {
    zv::ChooserRequest request;
    request.mode = 410;
    request.list = Paths(1 << 20);
    request.preselect = request.list[12345];
    for (auto _ : state) {
        zv::ListChooser chooser(request, NoChecks());
        chooser.Open();
        benchmark::DoNotOptimize(chooser.CurrentRow());
    }
}
BENCHMARK(BM_ChooserOpenMillion)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ChooserSortAll(benchmark::State& state) {
    zv::ChooserRequest request;
    request.mode = 410;
    request.list = Paths(131'072);
    for (auto _ : state) {
        zv::ListChooser chooser(request, NoChecks());
        chooser.Open();
        chooser.SortAll();
        benchmark::DoNotOptimize(chooser.RowCount());
    }
}
BENCHMARK(BM_ChooserSortAll)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
