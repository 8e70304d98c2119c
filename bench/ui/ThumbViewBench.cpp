// The explorer's thumbnail view in a 1000 x 700 window, timed as the user
// sees it: every paint of the list's viewport is timed from its start to its
// end, and "on screen" means a paint after which every row in the viewport
// shows its thumbnail.
//
//   BM_ThumbViewEnterFolder          a new window, in the thumbnail view,
//                                    enters a folder of 1,000 pictures whose
//                                    thumbnails are all in the cache
//   BM_ThumbViewSwitchToThumbnails   the same folder shown as large icons
//                                    switches to the thumbnail view
//   BM_ThumbViewWhileMaking          the thumbnail view of a folder of camera
//                                    JPEGs with an empty cache, scrolled by a
//                                    row every 100 ms while the thumbnails are
//                                    made: the longest the event loop was
//                                    away, and each scroll's time from the
//                                    input to the end of its repaint
//
// Both folders are kept in /tmp/zv-thumbbench/ between runs. The camera JPEGs
// are the pool that zvbench's thumbnail benchmarks make (the same names and
// the same pictures, so either program reuses what the other made), 60 of
// them unless ZV_THUMB_BENCH_COUNT says otherwise.

#include "explorer/ExplorerSettings.h"
#include "explorer/FileList.h"
#include "explorer/ui/FileForm.h"
#include "explorer/ui/FileListModel.h"
#include "explorer/ui/ThumbnailRunner.h"
#include "formats/JpegWriter.h"
#include "imaging/Bitmap.h"
#include "platform/ScriptedDialogs.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QListView>
#include <QScrollBar>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <time.h>
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
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace zv;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const QSize kWindowSize(1000, 700);
constexpr int kSmallCount = 1000;
constexpr int kSmallWidth = 640;
constexpr int kSmallHeight = 480;
constexpr int kDefaultPhotoCount = 60;
// The writer's scale is linear; 20 is what libjpeg's own quality scale calls 90.
constexpr int kQuality = 20;
// Nothing here should take this long; a run that does is reported as failed.
constexpr auto kPatience = std::chrono::minutes(15);

const fs::path kBenchRoot = "/tmp/zv-thumbbench";
const fs::path kSmallFolder = kBenchRoot / "small-v1";
const fs::path kPool = kBenchRoot / "photos-v1";

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

// What this thread's time went to so far: running on a core, and ready to
// run but waiting for one (from the scheduler's statistics; 0 where the
// kernel keeps none). Set against the wall time of a stall they tell work on
// the window's thread from a busy machine.
struct ThreadTimes {
    double runningMs = 0;
    double waitingMs = 0;
};

ThreadTimes ThreadTimesNow() {
    ThreadTimes times;
    timespec running{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &running);
    times.runningMs = double(running.tv_sec) * 1000 + double(running.tv_nsec) / 1e6;
    if (std::FILE* file = std::fopen("/proc/thread-self/schedstat", "r")) {
        unsigned long long ranNs = 0, waitedNs = 0;
        if (std::fscanf(file, "%llu %llu", &ranNs, &waitedNs) == 2)
            times.waitingMs = double(waitedNs) / 1e6;
        std::fclose(file);
    }
    return times;
}

// ---- the pictures (made as bench/ThumbBench.cpp makes them)

std::uint32_t NextRandom(std::uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

// Broad shading, a finer ripple and grain, mostly in brightness: about 0.4
// bytes a pixel, as a camera's file.
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

fs::path NumberedFile(const fs::path& folder, const char* stem, int index) {
    char name[40];
    std::snprintf(name, sizeof name, "%s-%05d.jpg", stem, index);
    return folder / name;
}

// Writes the pictures `make` gives for the indexes whose files are missing,
// two at a time; each is dated an hour back, as the explorer leaves out
// files written in the last two seconds.
void MakeMissing(const fs::path& folder, const char* stem, int count,
                 const std::function<Bitmap(int index)>& make) {
    fs::create_directories(folder);
    std::vector<int> missing;
    for (int i = 0; i < count; ++i)
        if (!fs::exists(NumberedFile(folder, stem, i))) missing.push_back(i);
    if (missing.empty()) return;
    std::fprintf(stderr, "making %zu pictures in %s (kept for later runs)...\n", missing.size(),
                 folder.c_str());
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        TJpegWriter writer;
        writer.quality = kQuality;
        for (std::size_t k = next++; k < missing.size(); k = next++) {
            const fs::path path = NumberedFile(folder, stem, missing[k]);
            writer.SaveToFile(path, make(missing[k]));
            fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(1));
        }
    };
    std::thread helper(work);
    work();
    helper.join();
}

// 1,000 pictures of 640 x 480. Ends in "/".
const std::string& SmallFolder() {
    static const std::string folder = [] {
        MakeMissing(kSmallFolder, "small", kSmallCount, [](int index) {
            return PhotoLike(kSmallWidth, kSmallHeight,
                             static_cast<std::uint32_t>(index) + 100'000);
        });
        return kSmallFolder.string() + "/";
    }();
    return folder;
}

int PhotoCount() {
    const char* text = std::getenv("ZV_THUMB_BENCH_COUNT");
    if (!text || !*text) return kDefaultPhotoCount;
    char* end = nullptr;
    const long count = std::strtol(text, &end, 10);
    if (*end != '\0' || count < 1 || count > 100'000) return kDefaultPhotoCount;
    return static_cast<int>(count);
}

// The first PhotoCount() camera JPEGs of the pool (12, 16 and 24 megapixels
// in turn), as hard links in a folder of their own. Ends in "/".
const std::string& PhotoFolder() {
    static const std::string folder = [] {
        static constexpr std::array<QSize, 3> kSizes = {
            {QSize(4000, 3000), QSize(4896, 3264), QSize(6000, 4000)}};
        const int count = PhotoCount();
        MakeMissing(kPool, "photo", count, [](int index) {
            const QSize size = kSizes[static_cast<std::size_t>(index) % kSizes.size()];
            return PhotoLike(size.width(), size.height(), static_cast<std::uint32_t>(index));
        });
        const fs::path set = kBenchRoot / ("set-v1-" + std::to_string(count));
        fs::create_directories(set);
        for (int i = 0; i < count; ++i) {
            const fs::path source = NumberedFile(kPool, "photo", i);
            const fs::path link = set / source.filename();
            if (fs::exists(link)) continue;
            std::error_code error;
            fs::create_hard_link(source, link, error);
            if (error) fs::copy_file(source, link);
        }
        return set.string() + "/";
    }();
    return folder;
}

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
    std::string Folder() const { return path_.string() + "/"; }

private:
    fs::path path_;
};

// ---- the window

// Times every paint of a viewport from its start to its end and reports it:
// the paint event is handed on to the view from inside the filter, so the
// time after it returns is the end of the paint.
class PaintWatch : public QObject {
public:
    using Painted = std::function<void(Clock::time_point start, Clock::time_point end)>;
    PaintWatch(QWidget* viewport, Painted painted)
        : viewport_(viewport), painted_(std::move(painted)) {
        viewport_->installEventFilter(this);
    }
    ~PaintWatch() override { viewport_->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != viewport_ || event->type() != QEvent::Paint || inside_) return false;
        inside_ = true;
        const Clock::time_point start = Clock::now();
        QCoreApplication::sendEvent(viewport_, event);
        const Clock::time_point end = Clock::now();
        inside_ = false;
        painted_(start, end);
        return true;
    }

private:
    QWidget* viewport_;
    Painted painted_;
    bool inside_ = false;
};

// An explorer window of its own settings, home and cache, 1000 x 700, shown
// on an empty folder.
class Window {
public:
    explicit Window(const fs::path& cacheRoot) : home_("zvthumbhome"), start_("zvthumbstart") {
        settings_ = DefaultExplorerSettings(1280, 1024);
        settings_.folderTree = false;
        settings_.thumbSizeIndex = 3; // 120 x 90, the size the cache benchmarks use
        const std::string root = "/";
        form_ = std::make_unique<TFileForm>(
            ExplorerServices{settings_, home_.path().string(), dialogs_, PictureSizeQuery{},
                             [root] {
                                 return std::vector<KnownDrive>{{root, "File System", kDriveFixed}};
                             },
                             cacheRoot});
        form_->resize(kWindowSize);
        form_->show();
        form_->ShowFolder(start_.Folder());
        RunEvents(std::chrono::milliseconds(50));
    }

    TFileForm& Form() { return *form_; }
    QListView& View() { return *form_->IconView(); }
    ThumbnailRunner& Thumbs() { return *form_->Thumbnails(); }

    // Rows whose cell lies at least partly in the viewport, and of those the
    // rows showing their thumbnail.
    std::pair<int, int> RowsOnScreen() {
        const QRect area = View().viewport()->rect();
        FileListModel& model = *form_->ListModel();
        int onScreen = 0, made = 0;
        for (int row = 0; row < model.rowCount(); ++row) {
            if (!View().visualRect(model.index(row, 0)).intersects(area)) continue;
            ++onScreen;
            const FileRecord* record = model.Record(row);
            if (record && record->ThumbState == kThumbMade) ++made;
        }
        return {onScreen, made};
    }
    bool AllOnScreenShown() {
        const auto [onScreen, made] = RowsOnScreen();
        return onScreen > 0 && made == onScreen;
    }
    int RowsMade() {
        FileListModel& model = *form_->ListModel();
        int made = 0;
        for (int row = 0; row < model.rowCount(); ++row)
            if (model.Record(row)->ThumbState == kThumbMade) ++made;
        return made;
    }
    bool AskedAnything() const { return !dialogs_.boxes.empty(); }

    static void RunEvents(std::chrono::milliseconds duration) {
        QEventLoop loop;
        QTimer::singleShot(duration, &loop, &QEventLoop::quit);
        loop.exec();
    }

private:
    TempFolder home_;
    TempFolder start_;
    ExplorerSettings settings_;
    ScriptedDialogs dialogs_;
    std::unique_ptr<TFileForm> form_;
};

// Fills a cache with the thumbnails of a folder, through the window itself.
bool FillCache(const fs::path& cacheRoot, const std::string& folder) {
    Window window(cacheRoot);
    window.Form().SetViewStyle(ExplorerViewStyle::Thumbnails);
    QEventLoop loop;
    QObject::connect(&window.Thumbs(), &ThumbnailRunner::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(kPatience, &loop, &QEventLoop::quit);
    window.Form().ShowFolder(folder);
    loop.exec();
    return window.RowsMade() == window.Form().ListModel()->rowCount();
}

// The small folder's thumbnails, made once per run.
const fs::path& FilledCache() {
    static const TempFolder cache("zvthumbviewcache");
    static const bool filled = FillCache(cache.path(), SmallFolder());
    if (!filled) throw std::runtime_error("the thumbnail cache could not be filled");
    return cache.path();
}

// What one timed change of the view gives.
struct ViewTimes {
    double shownMs = -1;    // until the end of the first paint that left every row on screen shown
    double finishedMs = -1; // until the pass reached the last row
    double commandMs = 0;   // the command itself, before the event loop runs again
    double paintMs = 0;     // the paint that showed them all
    int paints = 0;         // up to the one that showed them all
    int onScreen = 0;       // rows on screen
    int loaded = 0;         // rows whose thumbnail was read by then
};

// Runs `change` in a window and the event loop until the viewport shows
// every row on it with its thumbnail and the pass has finished.
ViewTimes TimeViewChange(Window& window, const std::function<void()>& change) {
    ViewTimes times;
    QEventLoop loop;
    Clock::time_point start;
    bool finished = false;
    PaintWatch watch(window.View().viewport(),
                     [&](Clock::time_point paintStart, Clock::time_point end) {
                         if (times.shownMs < 0) {
                             ++times.paints;
                             if (!window.AllOnScreenShown()) return;
                             times.shownMs = Milliseconds(end - start);
                             times.paintMs = Milliseconds(end - paintStart);
                             times.onScreen = window.RowsOnScreen().first;
                             times.loaded = window.RowsMade();
                         }
                         if (finished) loop.quit();
                     });
    QObject::connect(&window.Thumbs(), &ThumbnailRunner::finished, &loop, [&] {
        finished = true;
        times.finishedMs = Milliseconds(Clock::now() - start);
        if (times.shownMs >= 0) loop.quit();
    });
    QTimer::singleShot(kPatience, &loop, &QEventLoop::quit);
    start = Clock::now();
    change();
    times.commandMs = Milliseconds(Clock::now() - start);
    loop.exec();
    return times;
}

void ReportViewTimes(benchmark::State& state, const std::vector<ViewTimes>& all) {
    double shown = 0, worst = 0, finished = 0, command = 0, paint = 0;
    int paints = 0;
    for (const ViewTimes& times : all) {
        shown += times.shownMs;
        worst = std::max(worst, times.shownMs);
        finished += times.finishedMs;
        command += times.commandMs;
        paint += times.paintMs;
        paints += times.paints;
    }
    const double n = double(std::max<std::size_t>(all.size(), 1));
    state.counters["command_ms"] = command / n;
    state.counters["paints_to_shown"] = paints / n;
    state.counters["paint_ms"] = paint / n;
    state.counters["shown_ms"] = shown / n;
    state.counters["shown_max_ms"] = worst;
    state.counters["pass_done_ms"] = finished / n;
    state.counters["thumbs_on_screen"] = all.empty() ? 0 : all.back().onScreen;
    state.counters["thumbs_read"] = all.empty() ? 0 : all.back().loaded;
}

bool Failed(benchmark::State& state, const ViewTimes& times, Window& window) {
    if (times.shownMs < 0 || times.finishedMs < 0) {
        state.SkipWithError("the thumbnails never all showed");
        return true;
    }
    if (window.AskedAnything()) {
        state.SkipWithError("the window showed a message");
        return true;
    }
    return false;
}

void BM_ThumbViewEnterFolder(benchmark::State& state) {
    const fs::path& cache = FilledCache();
    const std::string& folder = SmallFolder();
    std::vector<ViewTimes> all;
    for (auto _ : state) {
        Window window(cache);
        window.Form().SetViewStyle(ExplorerViewStyle::Thumbnails);
        Window::RunEvents(std::chrono::milliseconds(20));
        const ViewTimes times = TimeViewChange(window, [&] { window.Form().ShowFolder(folder); });
        if (Failed(state, times, window)) return;
        state.SetIterationTime(times.shownMs / 1000);
        all.push_back(times);
    }
    ReportViewTimes(state, all);
}
BENCHMARK(BM_ThumbViewEnterFolder)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_ThumbViewSwitchToThumbnails(benchmark::State& state) {
    const fs::path& cache = FilledCache();
    const std::string& folder = SmallFolder();
    std::vector<ViewTimes> all;
    for (auto _ : state) {
        Window window(cache);
        window.Form().ShowFolder(folder);
        Window::RunEvents(std::chrono::milliseconds(20));
        const ViewTimes times = TimeViewChange(
            window, [&] { window.Form().SetViewStyle(ExplorerViewStyle::Thumbnails); });
        if (Failed(state, times, window)) return;
        state.SetIterationTime(times.shownMs / 1000);
        all.push_back(times);
    }
    ReportViewTimes(state, all);
}
BENCHMARK(BM_ThumbViewSwitchToThumbnails)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

// While the pass makes the thumbnails of the camera JPEGs:
// - a 5 ms timer notes the longest time between two of its ticks, the
//   longest the event loop was kept from its work (the 5 ms included), with
//   how much of it the window's thread ran and how much it waited for a core;
// - a second thread plays the user: every 100 ms it posts a scroll by a row
//   of cells to the window, as input arrives, and the time from the post to
//   the end of the next paint of the viewport is taken. A scroll posted
//   while the loop is away waits for it, as the user's would.
void BM_ThumbViewWhileMaking(benchmark::State& state) {
    const std::string& folder = PhotoFolder();
    constexpr int kTickMs = 5;
    constexpr auto kScrollEvery = std::chrono::milliseconds(100);
    constexpr double kTargetMs = 50;
    double longestGap = 0, longestGapAt = 0, longestGapRunning = 0, longestGapWaiting = 0,
           longestRepaint = 0, repaintSum = 0, passMs = 0, longestPaint = 0;
    int scrolls = 0, late = 0, rows = 0, longGaps = 0;
    for (auto _ : state) {
        const TempFolder cache("zvthumbviewcache");
        Window window(cache.path());
        window.Form().SetViewStyle(ExplorerViewStyle::Thumbnails);
        Window::RunEvents(std::chrono::milliseconds(20));
        QScrollBar& bar = *window.View().verticalScrollBar();

        QEventLoop loop;
        bool done = false;
        const Clock::time_point start = Clock::now();
        Clock::time_point lastTick;
        ThreadTimes lastTickTimes;
        std::optional<Clock::time_point> scrollAsked; // a scroll done, its paint not yet
        std::atomic<bool> scrollPending{false};       // a scroll posted, its paint not yet
        std::atomic<bool> userGone{false};

        PaintWatch watch(window.View().viewport(), [&](Clock::time_point paintStart,
                                                       Clock::time_point paintEnd) {
            longestPaint = std::max(longestPaint, Milliseconds(paintEnd - paintStart));
            if (!scrollAsked) return;
            const double ms = Milliseconds(paintEnd - *scrollAsked);
            scrollAsked.reset();
            scrollPending = false;
            longestRepaint = std::max(longestRepaint, ms);
            repaintSum += ms;
            ++scrolls;
            if (ms > kTargetMs) ++late;
        });
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        ticker.setInterval(kTickMs);
        QObject::connect(&ticker, &QTimer::timeout, &loop, [&] {
            const Clock::time_point now = Clock::now();
            const ThreadTimes times = ThreadTimesNow();
            const double gap = Milliseconds(now - lastTick);
            if (gap > kTargetMs) ++longGaps;
            if (gap > longestGap) {
                longestGap = gap;
                longestGapAt = Milliseconds(now - start);
                longestGapRunning = times.runningMs - lastTickTimes.runningMs;
                longestGapWaiting = times.waitingMs - lastTickTimes.waitingMs;
            }
            lastTick = now;
            lastTickTimes = times;
        });
        QObject::connect(&window.Thumbs(), &ThumbnailRunner::finished, &loop, [&] {
            done = true;
            loop.quit();
        });
        QTimer::singleShot(kPatience, &loop, &QEventLoop::quit);
        window.Form().ShowFolder(folder);
        lastTick = Clock::now();
        lastTickTimes = ThreadTimesNow();
        ticker.start();
        std::thread user([&] {
            while (!userGone) {
                std::this_thread::sleep_for(kScrollEvery);
                if (userGone || scrollPending.exchange(true)) continue;
                const Clock::time_point asked = Clock::now();
                QMetaObject::invokeMethod(
                    &window.View(),
                    [&, asked] {
                        if (bar.maximum() == 0) {
                            scrollPending = false;
                            return;
                        }
                        scrollAsked = asked;
                        // Down a row; at the bottom back to the top.
                        const int next = bar.value() + window.View().gridSize().height();
                        const int top = bar.value() == bar.maximum() ? 0 : bar.maximum();
                        bar.setValue(next > bar.maximum() ? top : next);
                    },
                    Qt::QueuedConnection);
            }
        });
        loop.exec();
        userGone = true;
        user.join();
        QCoreApplication::sendPostedEvents(); // a last scroll, while what it uses is here
        ticker.stop();
        passMs += Milliseconds(Clock::now() - start);
        rows = window.Form().ListModel()->rowCount();
        if (!done || window.RowsMade() != rows) {
            state.SkipWithError("the pass did not make every thumbnail");
            return;
        }
        if (bar.maximum() == 0) {
            state.SkipWithError("the folder fits in the window: nothing to scroll");
            return;
        }
        state.SetIterationTime(Milliseconds(Clock::now() - start) / 1000);
    }
    state.counters["files"] = rows;
    state.counters["pass_ms_per_file"] = passMs / double(state.iterations()) / std::max(rows, 1);
    state.counters["loop_gap_max_ms"] = longestGap;
    state.counters["loop_gap_max_at_ms"] = longestGapAt;
    state.counters["loop_gap_max_running_ms"] = longestGapRunning;
    state.counters["loop_gap_max_waiting_core_ms"] = longestGapWaiting;
    state.counters["loop_gaps_over_50ms"] = longGaps;
    state.counters["paint_max_ms"] = longestPaint;
    state.counters["scrolls"] = scrolls;
    state.counters["scroll_repaint_max_ms"] = longestRepaint;
    state.counters["scroll_repaint_mean_ms"] = scrolls ? repaintSum / scrolls : 0;
    state.counters["scroll_repaints_over_50ms"] = late;
}
BENCHMARK(BM_ThumbViewWhileMaking)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
