// Thumbnailing a folder of camera pictures as the explorer's thumbnail view
// does, and vipsthumbnail over the same files in the same run.
//
// The pictures are JPEGs of 12, 16 and 24 megapixels in turn (4000 x 3000,
// 4896 x 3264, 6000 x 4000): smooth shading with grain, so each one costs
// what a photograph of that size costs to decode. Making them takes a few
// seconds each, so they are kept in /tmp/zv-thumbbench/ and reused by later
// runs. A run uses 60 of them unless ZV_THUMB_BENCH_COUNT asks for another
// number. The figure to compare is ms_per_file: once the decoding threads
// are busy each file costs the same, so 60 files tell what a folder of 1,000
// costs, and a run over 200 or more confirms it. Both sides read the files
// from the page cache (the pass and the peer each run three times over them).
//
//   BM_ThumbPass              a whole thumbnail pass over the folder (box
//                             120 x 90, two decoding threads), the cache
//                             emptied before each iteration
//   BM_ThumbPeer/W/H          vipsthumbnail over the same files into a box
//                             of W x H, timed as a child process
//   BM_ThumbPassSecondVisit   a pass over the folder with every thumbnail present
//   BM_ThumbSteps             one file after another on one thread, each step
//                             timed: where the time of a thumbnail goes, and
//                             what the flushes of the cache file cost
//
// Each reports ms_per_file (wall time) and cpu_ms_per_file (the processor
// time of all threads, or of the child process), so a difference can be told
// apart as more work or as less parallel work.

#include "catalog/ThumbCache.h"
#include "catalog/ThumbMaker.h"
#include "catalog/ThumbPicture.h"
#include "explorer/FileList.h"
#include "explorer/Listing.h"
#include "explorer/ThumbPass.h"
#include "formats/JpegReader.h"
#include "formats/JpegWriter.h"
#include "imaging/Bitmap.h"
#include "imaging/BitmapFile.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

using namespace zv;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kDefaultCount = 60;
constexpr int kDecodingThreads = 2;
// The window asks again this long after a row was still being decoded.
constexpr auto kWaitingRetry = std::chrono::milliseconds(4);

struct PhotoSize {
    int width;
    int height;
};
constexpr std::array<PhotoSize, 3> kPhotoSizes = {{{4000, 3000}, {4896, 3264}, {6000, 4000}}};

// The writer's scale is linear (100 keeps the standard tables); 20 is what
// libjpeg's own quality scale calls 90.
constexpr int kPhotoQuality = 20;

// Where the pictures are kept between runs. The name carries the way they
// are made, so a change to PhotoLike makes a new set rather than mixing two.
const fs::path kBenchRoot = "/tmp/zv-thumbbench";
const fs::path kPool = kBenchRoot / "photos-v1";

int PhotoCount() {
    const char* text = std::getenv("ZV_THUMB_BENCH_COUNT");
    if (!text || !*text) return kDefaultCount;
    char* end = nullptr;
    const long count = std::strtol(text, &end, 10);
    if (*end != '\0' || count < 1 || count > 100'000) {
        std::fprintf(stderr, "ZV_THUMB_BENCH_COUNT=%s is not a count; using %d\n", text,
                     kDefaultCount);
        return kDefaultCount;
    }
    return static_cast<int>(count);
}

// ---- the pictures

// One small step of a xorshift generator: the grain of the picture.
std::uint32_t NextRandom(std::uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

// Broad shading on each axis (a few slow waves per channel, different for
// each picture), a finer ripple, and grain of +-16 levels, mostly in
// brightness as a camera's noise is. The grain sets the file size: about
// 0.4 bytes a pixel, 10 MB for 24 megapixels, as a camera's file at this
// quality.
Bitmap PhotoLike(int width, int height, std::uint32_t seed) {
    std::uint32_t state = seed * 2654435761u + 12345u;
    std::array<std::vector<std::int16_t>, 3> across, down;
    for (int c = 0; c < 3; ++c) {
        const double waves = 1.0 + (NextRandom(state) % 300) / 100.0;
        const double phase = (NextRandom(state) % 628) / 100.0;
        across[c].resize(static_cast<std::size_t>(width));
        down[c].resize(static_cast<std::size_t>(height));
        for (int x = 0; x < width; ++x) {
            const double t = double(x) / width;
            across[c][static_cast<std::size_t>(x)] =
                static_cast<std::int16_t>(50 * std::sin(6.2832 * waves * t + phase) +
                                          6 * std::sin(6.2832 * 90 * t * (c + 1)));
        }
        for (int y = 0; y < height; ++y) {
            const double t = double(y) / height;
            down[c][static_cast<std::size_t>(y)] =
                static_cast<std::int16_t>(110 + 45 * std::cos(6.2832 * waves * 0.7 * t + phase) +
                                          6 * std::sin(6.2832 * 70 * t * (3 - c)));
        }
    }
    Bitmap picture;
    picture.Create(width, height, PixelFormat::Bits24);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = picture.ScanLine(y);
        const std::int16_t* blue = across[0].data();
        const std::int16_t* green = across[1].data();
        const std::int16_t* red = across[2].data();
        const int downBlue = down[0][static_cast<std::size_t>(y)];
        const int downGreen = down[1][static_cast<std::size_t>(y)];
        const int downRed = down[2][static_cast<std::size_t>(y)];
        for (int x = 0; x < width; ++x, p += 3) {
            const std::uint32_t r = NextRandom(state);
            const int grain = static_cast<int>(r & 31) - 16;
            const int tint = static_cast<int>((r >> 8) & 3) - 1;
            p[0] = static_cast<std::uint8_t>(std::clamp(blue[x] + downBlue + grain + tint, 0, 255));
            p[1] = static_cast<std::uint8_t>(std::clamp(green[x] + downGreen + grain, 0, 255));
            p[2] = static_cast<std::uint8_t>(std::clamp(red[x] + downRed + grain - tint, 0, 255));
        }
    }
    return picture;
}

fs::path PoolFile(int index) {
    char name[32];
    std::snprintf(name, sizeof name, "photo-%05d.jpg", index);
    return kPool / name;
}

// Makes the pictures of the pool that are not there yet, two at a time. The
// writer renames a file into place only once complete, so a run stopped
// half-way leaves no picture that would count as made.
void MakeMissingPhotos(int count) {
    fs::create_directories(kPool);
    std::vector<int> missing;
    for (int i = 0; i < count; ++i)
        if (!fs::exists(PoolFile(i))) missing.push_back(i);
    if (missing.empty()) return;
    std::fprintf(stderr, "making %zu pictures in %s (kept for later runs)...\n", missing.size(),
                 kPool.c_str());
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        TJpegWriter writer;
        writer.quality = kPhotoQuality;
        for (std::size_t k = next++; k < missing.size(); k = next++) {
            const int index = missing[k];
            const PhotoSize size =
                kPhotoSizes[static_cast<std::size_t>(index) % kPhotoSizes.size()];
            writer.SaveToFile(PoolFile(index), PhotoLike(size.width, size.height,
                                                         static_cast<std::uint32_t>(index)));
            // The explorer leaves out files written in the last two seconds.
            fs::last_write_time(PoolFile(index),
                                fs::file_time_type::clock::now() - std::chrono::hours(1));
        }
    };
    std::thread helper(work);
    work();
    helper.join();
}

// A folder holding exactly the first `count` pictures of the pool, as hard
// links, so the page cache holds one copy of each. Ends in "/".
const std::string& PhotoFolder() {
    static const std::string folder = [] {
        const int count = PhotoCount();
        MakeMissingPhotos(count);
        const fs::path set = kBenchRoot / ("set-v1-" + std::to_string(count));
        fs::create_directories(set);
        for (int i = 0; i < count; ++i) {
            const fs::path link = set / PoolFile(i).filename();
            if (fs::exists(link)) continue;
            std::error_code error;
            fs::create_hard_link(PoolFile(i), link, error);
            if (error) fs::copy_file(PoolFile(i), link);
        }
        return set.string() + "/";
    }();
    return folder;
}

std::vector<std::string> PhotoPaths() {
    std::vector<std::string> paths;
    for (const fs::directory_entry& entry : fs::directory_iterator(PhotoFolder()))
        paths.push_back(entry.path().string());
    std::sort(paths.begin(), paths.end());
    return paths;
}

// ---- places for results

class TempFolder {
public:
    explicit TempFolder(const char* stem) {
        std::string pattern = (fs::temp_directory_path() / (std::string(stem) + "XXXXXX")).string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code error;
        fs::remove_all(path_, error);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const fs::path& path() const { return path_; }
    // Removes everything inside, keeping the folder.
    void Empty() const {
        for (const fs::directory_entry& entry : fs::directory_iterator(path_))
            fs::remove_all(entry.path());
    }

private:
    fs::path path_;
};

double ProcessorSeconds(int who) {
    rusage usage{};
    ::getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// Totals over the iterations of one benchmark, reported per file.
struct PerFile {
    double wall = 0;
    double processor = 0;
    std::int64_t files = 0;

    void Report(benchmark::State& state) const {
        if (files == 0) return;
        state.counters["files"] =
            double(files) / double(std::max<std::int64_t>(state.iterations(), 1));
        state.counters["ms_per_file"] = wall * 1000 / double(files);
        state.counters["cpu_ms_per_file"] = processor * 1000 / double(files);
    }
};

// ---- the thumbnail pass

// The explorer's state for the photo folder: its rows and its cache folders.
struct FolderRows {
    RecordStore store;
    ViewOrder order;
    IconCache icons;
    ThumbPassFolder where;
    ThumbPassSettings settings; // 120 x 90, window colour, true colour

    // Lists the folder afresh, as entering it does, and prepares its cache folders.
    FolderRows(const std::string& folder, const fs::path& cacheRoot) {
        ListingOptions options;
        options.sortByName = true;
        if (!ListFolder(folder, store, order, icons, options).ok)
            throw std::runtime_error("cannot list " + folder);
        where.folder = folder;
        where.volume = VolumeString(folder);
        where.paths = PrepareCacheFolders(
            cacheRoot, VariantFolderName(settings.colour, settings.box, settings.screenBits),
            FolderKey(where.volume, folder));
    }

    int Rows() const { return static_cast<int>(order.size()); }
    int RowsInState(std::int16_t state) const {
        int n = 0;
        for (int row = 0; row < Rows(); ++row)
            if (RowRecord(store, order, row)->ThumbState == state) ++n;
        return n;
    }
};

// Runs a pass to its end as the window's idle steps do, one row a step,
// waiting kWaitingRetry whenever the row's picture is still being decoded.
void RunPass(FolderRows& rows) {
    ThumbnailPass pass(rows.store, rows.order, RowIconThumb{}, kDecodingThreads);
    pass.Start(rows.where, rows.settings);
    for (;;) {
        const ThumbnailPass::StepOutcome outcome = pass.Step();
        if (outcome.kind == ThumbnailPass::StepKind::Finished ||
            outcome.kind == ThumbnailPass::StepKind::Idle)
            return;
        if (outcome.kind == ThumbnailPass::StepKind::Waiting)
            std::this_thread::sleep_for(kWaitingRetry);
    }
}

void BM_ThumbPass(benchmark::State& state) {
    const std::string& folder = PhotoFolder();
    const TempFolder cache("zvthumbcache");
    PerFile totals;
    for (auto _ : state) {
        cache.Empty();
        FolderRows rows(folder, cache.path());
        const double processor = ProcessorSeconds(RUSAGE_SELF);
        const Clock::time_point start = Clock::now();
        RunPass(rows);
        const double wall = Seconds(start, Clock::now());
        state.SetIterationTime(wall);
        totals.wall += wall;
        totals.processor += ProcessorSeconds(RUSAGE_SELF) - processor;
        totals.files += rows.Rows();
        if (rows.RowsInState(kThumbMade) != rows.Rows()) {
            state.SkipWithError("not every row got its thumbnail");
            return;
        }
    }
    totals.Report(state);
}
BENCHMARK(BM_ThumbPass)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ThumbPassSecondVisit(benchmark::State& state) {
    const std::string& folder = PhotoFolder();
    const TempFolder cache("zvthumbcache");
    {
        FolderRows first(folder, cache.path());
        RunPass(first);
    }
    PerFile totals;
    for (auto _ : state) {
        FolderRows rows(folder, cache.path());
        const double processor = ProcessorSeconds(RUSAGE_SELF);
        const Clock::time_point start = Clock::now();
        RunPass(rows);
        const double wall = Seconds(start, Clock::now());
        state.SetIterationTime(wall);
        totals.wall += wall;
        totals.processor += ProcessorSeconds(RUSAGE_SELF) - processor;
        totals.files += rows.Rows();
        // Nothing was made again: the rows are still waiting for the painter
        // to find their files.
        if (rows.RowsInState(kThumbPending) != rows.Rows()) {
            state.SkipWithError("the second visit made thumbnails again");
            return;
        }
    }
    totals.Report(state);
}
BENCHMARK(BM_ThumbPassSecondVisit)->UseManualTime()->Unit(benchmark::kMillisecond);

// ---- the peer

std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const fs::path candidate = fs::path(folders.substr(start, end - start)) / name;
        if (end > start && ::access(candidate.c_str(), X_OK) == 0) return candidate.string();
        start = end + 1;
    }
    return {};
}

// Runs the program with these arguments and waits for it; its exit status,
// or -1 when it could not be started or did not exit normally.
int RunChild(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    if (::posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// vipsthumbnail shrinks each JPEG on load by the largest power of two that
// keeps it at least the size asked for, then resizes and writes a JPEG.
// Asked for 240 x 180 it decodes what the pass decodes (both at 1/8 for
// these sizes) and makes a picture twice the box; asked for 120 x 90 it makes
// the same size of thumbnail as the pass.
void BM_ThumbPeer(benchmark::State& state) {
    const std::string program = FindProgram("vipsthumbnail");
    if (program.empty()) {
        state.SkipWithError("vipsthumbnail is not installed (Debian package libvips-tools): "
                            "the peer is not timed");
        return;
    }
    const std::vector<std::string> photos = PhotoPaths();
    const TempFolder out("zvvipsthumb");
    std::vector<std::string> arguments = {
        program, "--size", std::to_string(state.range(0)) + "x" + std::to_string(state.range(1)),
        "-o", (out.path() / "%s.jpg").string()};
    arguments.insert(arguments.end(), photos.begin(), photos.end());
    PerFile totals;
    for (auto _ : state) {
        out.Empty();
        const double processor = ProcessorSeconds(RUSAGE_CHILDREN);
        const Clock::time_point start = Clock::now();
        const int status = RunChild(arguments);
        const double wall = Seconds(start, Clock::now());
        if (status != 0) {
            state.SkipWithError("vipsthumbnail failed");
            return;
        }
        state.SetIterationTime(wall);
        totals.wall += wall;
        totals.processor += ProcessorSeconds(RUSAGE_CHILDREN) - processor;
        totals.files += static_cast<std::int64_t>(photos.size());
        const auto made =
            std::distance(fs::directory_iterator(out.path()), fs::directory_iterator());
        if (made != static_cast<std::ptrdiff_t>(photos.size())) {
            state.SkipWithError("vipsthumbnail did not write every thumbnail");
            return;
        }
    }
    totals.Report(state);
}
BENCHMARK(BM_ThumbPeer)
    ->Args({240, 180})
    ->Args({120, 90})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// ---- where the time goes

// The thumbnail file written as SaveThumbnail writes it (a temporary name,
// then a rename) but without waiting for the disk: set against SaveThumbnail
// it gives the cost of the two flushes (the file, then its folder).
void SaveUnsynced(const fs::path& path, const Bitmap& thumbnail) {
    const std::vector<std::uint8_t> bytes = BitmapFileBytes(thumbnail);
    const fs::path temp = path.parent_path() / ("." + path.filename().string() + ".tmp");
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw std::runtime_error("cannot write " + temp.string());
    const bool written =
        ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    ::close(fd);
    if (!written || ::rename(temp.c_str(), path.c_str()) != 0)
        throw std::runtime_error("cannot write " + path.string());
}

// The steps of one thumbnail as a decoding thread runs them, on this thread
// only: reading the file and its header, the scaled decode, fitting into the
// box, and saving the BMP file; and, beside them, the same file saved
// without the flushes.
void BM_ThumbSteps(benchmark::State& state) {
    const std::vector<std::string> photos = PhotoPaths();
    const TempFolder cache("zvthumbsteps");
    const ThumbBox box;
    std::array<double, 5> seconds{};
    std::int64_t files = 0;
    for (auto _ : state) {
        for (std::size_t i = 0; i < photos.size(); ++i) {
            const Clock::time_point t0 = Clock::now();
            TJpegReader reader;
            reader.ReadHeader(photos[i]);
            reader.SetScale(ThumbJpegScale(reader.Width(), reader.Height(), box));
            reader.output = JpegOutput::Bits24;
            const Clock::time_point t1 = Clock::now();
            Bitmap decoded;
            reader.Decode(decoded);
            const Clock::time_point t2 = Clock::now();
            const Bitmap thumbnail = MakeThumbnail(decoded, box, ThumbPassSettings{}.colour);
            const Clock::time_point t3 = Clock::now();
            SaveThumbnail(cache.path() / (std::to_string(i) + ".bmp"), thumbnail);
            const Clock::time_point t4 = Clock::now();
            SaveUnsynced(cache.path() / (std::to_string(i) + "-unsynced.bmp"), thumbnail);
            const Clock::time_point t5 = Clock::now();
            seconds[0] += Seconds(t0, t1);
            seconds[1] += Seconds(t1, t2);
            seconds[2] += Seconds(t2, t3);
            seconds[3] += Seconds(t3, t4);
            seconds[4] += Seconds(t4, t5);
        }
        files += static_cast<std::int64_t>(photos.size());
    }
    const char* const names[] = {"read_ms", "decode_ms", "fit_ms", "save_ms", "save_unsynced_ms"};
    for (std::size_t k = 0; k < seconds.size(); ++k)
        state.counters[names[k]] = seconds[k] * 1000 / double(files);
    state.counters["files"] = double(photos.size());
}
BENCHMARK(BM_ThumbSteps)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
