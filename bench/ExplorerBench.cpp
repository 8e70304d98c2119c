// Listing and sorting a folder of 100,000 small files as the explorer does:
// enumerate, filter and sort by name; then sort the same list by date and
// by size. The folder is made once per run and removed at exit.

#include "explorer/Listing.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace {

constexpr int kFiles = 100'000;
constexpr int kFolders = 200;

// A temporary folder of kFiles files of 1 to 64 bytes with mixed names,
// extensions and dates, and kFolders folders.
class BigFolder {
public:
    BigFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zvbenchXXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
        path_ = pattern;
        static const char* const kStems[] = {"IMG_", "img_", "Beach ", "DSC", "Rome trip "};
        static const char* const kExtensions[] = {".jpg", ".JPG", ".png", ".txt", ".tif"};
        const char bytes[64] = {};
        const std::time_t base = std::time(nullptr) - 10 * 365 * 24 * 3600;
        for (int i = 0; i < kFiles; ++i) {
            // A multiplicative scramble, so names, sizes and dates are unordered.
            const unsigned scrambled = static_cast<unsigned>(i) * 2654435761u;
            const std::string name = kStems[i % 5] + std::to_string(scrambled % 1'000'000) + "_" +
                                     std::to_string(i) + kExtensions[(i / 5) % 5];
            const int fd = ::open((path_ + "/" + name).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
            if (fd < 0) throw std::runtime_error("cannot create " + name);
            if (::write(fd, bytes, 1 + scrambled % 64) < 0) throw std::runtime_error("write");
            const timespec times[2] = {
                {base, 0}, {base + static_cast<std::time_t>(scrambled % 300'000'000), 0}};
            ::futimens(fd, times);
            ::close(fd);
        }
        for (int i = 0; i < kFolders; ++i) {
            std::filesystem::create_directory(path_ + "/Folder " + std::to_string(i * 7919 % 1000));
        }
    }
    ~BigFolder() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

const BigFolder& Folder() {
    static const BigFolder folder;
    return folder;
}

zv::ListingOptions Options(bool sortByName) {
    zv::ListingOptions options;
    options.now = std::chrono::system_clock::now() + std::chrono::hours(1);
    options.sortByName = sortByName;
    return options;
}

void BM_ExplorerListSortByName(benchmark::State& state) {
    const std::string& path = Folder().path();
    zv::RecordStore store;
    zv::ViewOrder order;
    zv::IconCache icons;
    for (auto _ : state) {
        const auto result = zv::ListFolder(path, store, order, icons, Options(true));
        if (order.size() != kFiles + kFolders) state.SkipWithError("wrong count");
        benchmark::DoNotOptimize(result);
    }
    state.SetItemsProcessed(state.iterations() * order.size());
}
BENCHMARK(BM_ExplorerListSortByName)->Unit(benchmark::kMillisecond);

void Resort(benchmark::State& state, zv::SortKind kind) {
    zv::RecordStore store;
    zv::ViewOrder listed;
    zv::IconCache icons;
    zv::ListFolder(Folder().path(), store, listed, icons, Options(false));
    zv::ViewOrder order;
    for (auto _ : state) {
        order = listed;
        zv::SortViewOrder(store, order, kind);
        benchmark::DoNotOptimize(order.data());
    }
    state.SetItemsProcessed(state.iterations() * listed.size());
}

void BM_ExplorerSortByName(benchmark::State& state) {
    Resort(state, zv::SortKind::NameAscending);
}
void BM_ExplorerSortByDate(benchmark::State& state) {
    Resort(state, zv::SortKind::DateAscending);
}
void BM_ExplorerSortBySize(benchmark::State& state) {
    Resort(state, zv::SortKind::SizeDescending);
}
BENCHMARK(BM_ExplorerSortByName)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExplorerSortByDate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExplorerSortBySize)->Unit(benchmark::kMillisecond);

} // namespace
