#include "viewer/BatchConvert.h"

#include "formats/DecodeFile.h"
#include "formats/FormatTable.h"
#include "formats/PictureLists.h"
#include "platform/Extensions.h"
#include "platform/RenameNoReplace.h"
#include "platform/RowThreads.h"
#include "platform/linux/AtomicFile.h"
#include "platform/linux/ProcMemoryStatus.h"
#include "processing/Filter5x5.h"
#include "processing/Kernel3x3.h"
#include "processing/QuietToolboxHost.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

namespace zv {

namespace fs = std::filesystem;

namespace {

constexpr std::array<BatchTarget, 6> kTargets{{
    {"to &JPG", ".jpg", kSaveJpegColour},
    {"to &BMP", ".bmp", kSaveBmp},
    {"to PN&G", ".png", kSavePng},
    {"to &TIF", ".tif", kSaveTiffDeflate},
    {"to TG&A", ".tga", kSaveTga},
    {"to PC&X", ".pcx", kSavePcx},
}};
constexpr int kJpegTag = 0;
constexpr int kPngTag = 2;
constexpr int kTgaTag = 4;

// Free space of 4 GB or more is enough for any picture.
constexpr std::uint64_t kPlentyOfSpace = std::uint64_t{4} << 30;
constexpr std::uint64_t kSpaceMargin = 32768;
// What one worker may hold at once: a few large pictures in their stages.
constexpr std::uint64_t kMemoryPerWorker = std::uint64_t{256} << 20;
constexpr int kMaxNumberedNames = 999;

// A file written under a temporary name, waiting for its final one.
struct PendingFile {
    std::string temp;
    std::string base; // the final name without extension
    std::string extension;
};

// What a worker made of one source.
struct ItemResult {
    bool done = false;
    bool skipped = false;
    std::vector<PendingFile> files; // the script's SAVEs, then the target
    bool deleteWanted = false;
    std::string stopText;
    std::vector<std::string> notes;
};

// The target of a source's own type: its format's, PNG for a format no
// target writes.
int TagForSource(const std::string& source) {
    if (IsJpegExtension(UpperExtension(source))) return kJpegTag;
    const FormatRow* row = FormatForExtension(source);
    if (!row) return kPngTag;
    switch (row->id) {
    case FormatId::Jpeg: return kJpegTag;
    case FormatId::Bmp: return 1;
    case FormatId::Tiff: return 3;
    case FormatId::Tga: return 4;
    case FormatId::Pcx: return 5;
    default: return kPngTag;
    }
}

bool SourceExtensionAccepted(const std::string& source) {
    const std::string extension = UpperExtension(source);
    return !extension.empty() &&
           std::string_view(kBatchSourceExtensions).find(extension) != std::string_view::npos;
}

void OpenInto(const std::string& path, ImagingContext& imaging, const DecodeOptions& options) {
    DecodedPicture picture = DecodeFile(path, 1, options);
    if (picture.pixels.Empty()) throw std::runtime_error("no picture in " + path);
    imaging.current = std::move(picture.pixels);
    if (imaging.current.Format() == PixelFormat::Bits32 && !imaging.current.HasAlpha())
        imaging.current.SetPixelFormat(PixelFormat::Bits24);
    imaging.descriptor.ImageWidth = imaging.current.Width();
    imaging.descriptor.ImageHeight = imaging.current.Height();
    imaging.descriptor.ImageBits = ImageBitsOf(imaging.current.Format());
    imaging.descriptor.ScreenBits = 24;
}

// Everything one worker keeps: its own contexts, library and counters.
struct Worker {
    const BatchConvertJob& job;
    ImagingContext imaging;
    ToolboxContext toolbox;
    ImageLibrary library;
    int workerIndex = 0;
    int tempCounter = 0;

    Worker(const BatchConvertJob& j, int index) : job(j), workerIndex(index) { library.ImgInit(); }

    std::string TempName(const std::string& extension) {
        return (fs::path(job.targetFolder) /
                (".zvbatch-" + std::to_string(::getpid()) + "-" + std::to_string(workerIndex) +
                 "-" + std::to_string(tempCounter++) + extension))
            .string();
    }

    // Writes the picture under a temporary name; false with stopText set
    // when there is no room or the write failed.
    bool WriteTemp(int tag, const std::string& base, ItemResult& item);
    void Convert(const std::string& source, int tag, ItemResult& item);
};

// The quiet host a script runs through in a conversion: questions take the
// answer that harms nothing, and SAVE writes beside the targets.
class ConvertHost : public QuietHost<BatchHost> {
public:
    ConvertHost(Worker& worker, const std::string& source, int tag, ItemResult& item)
        : QuietHost(worker.imaging), worker_(worker), source_(source), tag_(tag), item_(item) {}

    bool AskAbort(const std::string&) override { return false; }
    // A file-name check that fires skips the picture.
    bool AskAbortWarning(const std::string&) override { return true; }
    bool LoopAllowed() override { return Ignored("LOOP"); }
    bool MoveNext() override { return Ignored("NEXT"); }
    bool MovePrevious() override { return Ignored("PREVIOUS"); }
    bool Reload() override { return LoadFile(source_); }
    bool LoadFile(const std::string& path) override {
        try {
            OpenInto(path, imaging_, worker_.job.decode);
            return true;
        } catch (const std::exception&) {
            return false;
        }
    }
    void ClearModified() override {}
    BatchSaveOutcome Save(const std::string& suffix) override {
        const std::string base = fs::path(source_).stem().string() + suffix;
        return worker_.WriteTemp(tag_, base, item_) ? BatchSaveOutcome::WroteOther
                                                    : BatchSaveOutcome::Failed;
    }
    // The source goes only once its target is in place.
    bool DeleteCurrent() override {
        if (!worker_.job.allowDelete) {
            item_.notes.push_back("DELETE is not allowed in this run");
            return true;
        }
        item_.deleteWanted = true;
        return true;
    }
    void Crop(const PictureRect& rect) override { CropWorkingPicture(imaging_, rect); }
    void ClearWorkingBitmaps(bool duplicateToo) override {
        if (duplicateToo) ClearBitmap(imaging_.DuplicateBitmap);
        ClearBitmap(imaging_.ScratchBitmap);
        ClearBitmap(imaging_.BackupBitmap);
        ClearBitmap(imaging_.UndoBitmap);
    }

    std::string FileName() const override { return source_; }

private:
    // Stepping through a list needs the viewer; here the word does nothing.
    bool Ignored(const char* word) {
        item_.notes.push_back(std::string(word) + " is ignored in a conversion");
        return word != std::string_view("LOOP");
    }

    Worker& worker_;
    std::string source_;
    int tag_;
    ItemResult& item_;
};

SaveSettings SettingsFor(int tag, const JpegWizardRecord& jpeg) {
    SaveSettings settings;
    settings.type = kTargets[static_cast<std::size_t>(tag)].saveType;
    settings.screenBits = 24;
    if (tag == kJpegTag) {
        settings.quality = std::clamp(jpeg.values[2], 1, kMaxWriterQuality);
        settings.progressive = jpeg.flags[0] == 1;
        settings.subsampling = jpeg.flags[1] == 1 ? JpegSubsampling::Both : JpegSubsampling::None;
        // Without a pre-filter the amount goes to the encoder's own
        // smoothing, whose scale ends at 100 (above it its weights turn
        // negative).
        if (jpeg.values[0] == 0) settings.smoothing = std::clamp(jpeg.values[1], 0, 100);
    }
    return settings;
}

// The smoothing pre-filter the JPEG settings ask for.
void SmoothForJpeg(Bitmap& picture, const JpegWizardRecord& jpeg) {
    const int amount = jpeg.values[1];
    if (amount < 1 || amount > 255) return;
    if (jpeg.values[0] == 1) DeFocus(picture, 255 - amount);
    if (jpeg.values[0] == 2) SharpGaussianBlur5x5(picture, 255, amount);
}

// Adds the batch comment to a JPEG written under its temporary name.
void AddBatchComment(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    in.close();
    const std::vector<std::uint8_t> commented = WithJpegComment(bytes, kBatchJpegComment);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(commented.data()),
              static_cast<std::streamsize>(commented.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

bool Worker::WriteTemp(int tag, const std::string& base, ItemResult& item) {
    const BatchTarget& target = kTargets[static_cast<std::size_t>(tag)];
    const SaveSettings settings = SettingsFor(tag, job.jpeg);
    if (tag == kTgaTag && imaging.descriptor.ImageBits < 8) EnsureIndexed8(imaging);
    const std::optional<Bitmap> converted = PictureForSave(imaging, settings.type);
    const Bitmap& picture = converted ? *converted : imaging.current;
    const auto freeSpace = [&]() -> std::optional<std::uint64_t> {
        return job.freeSpace ? job.freeSpace(job.targetFolder) : FreeDiskSpace(job.targetFolder);
    };
    const auto enough = [&](std::uint64_t required, std::optional<std::uint64_t> available) {
        if (!available || *available >= kPlentyOfSpace || *available >= required) return true;
        item.stopText = InsufficientSpaceText(required, *available);
        return false;
    };
    if (tag != kJpegTag &&
        !enough(std::uint64_t(picture.Width()) * std::uint64_t(picture.Height()) * 3 + kSpaceMargin,
                freeSpace()))
        return false;
    const std::string temp = TempName(target.extension);
    try {
        WritePictureAs(picture, temp, settings, library);
        if (tag == kJpegTag) AddBatchComment(temp);
    } catch (const std::exception&) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        item.stopText = kBatchAbortedText;
        return false;
    }
    if (tag == kJpegTag) {
        // The stream's size is known only once written: the room before it.
        std::error_code error;
        const std::uint64_t size = fs::file_size(temp, error);
        std::optional<std::uint64_t> before = freeSpace();
        if (before && !error) *before += size;
        if (!enough(size + kSpaceMargin, before)) {
            fs::remove(temp, error);
            return false;
        }
    }
    item.files.push_back({temp, base, target.extension});
    return true;
}

void Worker::Convert(const std::string& source, int tag, ItemResult& item) {
    // PNG and TGA targets keep a source's alpha unless a script works on it.
    DecodeOptions options = job.decode;
    options.keepAlpha = (tag == kPngTag || tag == kTgaTag) && job.script.empty();
    try {
        ProbeFile(source, options);
        OpenInto(source, imaging, options);
    } catch (const std::exception&) {
        item.skipped = true;
        return;
    }
    if (tag == kJpegTag || !job.script.empty()) EnsureTrueColour(imaging);
    if (!job.script.empty()) {
        ConvertHost host(*this, source, tag, item);
        const BatchRunResult run = DoBatchImageProcess(job.script, host, toolbox);
        item.notes.insert(item.notes.end(), run.notes.begin(), run.notes.end());
        if (!item.stopText.empty()) return;
        if (run.end != BatchEnd::Finished) {
            item.skipped = true;
            return;
        }
    }
    if (tag == kJpegTag) SmoothForJpeg(imaging.current, job.jpeg);
    WriteTemp(tag, fs::path(source).stem().string(), item);
}

void RemoveTemps(const ItemResult& item) {
    std::error_code ignored;
    for (const PendingFile& file : item.files) fs::remove(file.temp, ignored);
}

bool NameTaken(const std::string& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

std::string NameWithNumber(const std::string& folder, const std::string& base,
                           const std::string& extension, int number) {
    const std::string name =
        number == 0 ? base + extension : base + "-" + std::to_string(number) + extension;
    return (fs::path(folder) / name).string();
}

// Renames a written file to the first free name; false when all are taken
// (the file is removed) or the rename failed otherwise (stopText set).
bool PlaceFile(const PendingFile& file, const std::string& folder, std::string& placed,
               std::string& stopText) {
    for (int number = 0; number <= kMaxNumberedNames; ++number) {
        const std::string name = NameWithNumber(folder, file.base, file.extension, number);
        if (NameTaken(name)) continue;
        if (RenameNoReplace(file.temp, name)) {
            placed = name;
            return true;
        }
        if (errno != EEXIST) {
            stopText = kBatchAbortedText;
            break;
        }
    }
    std::error_code ignored;
    fs::remove(file.temp, ignored);
    return false;
}

void NoteOnce(std::vector<std::string>& notes, const std::string& note) {
    if (std::find(notes.begin(), notes.end(), note) == notes.end()) notes.push_back(note);
}

// Puts one source's files in place, in list order. False stops the run.
bool CommitItem(const std::string& source, ItemResult& item, const std::string& folder,
                BatchConvertReport& report) {
    for (const std::string& note : item.notes) NoteOnce(report.notes, note);
    if (item.skipped) {
        RemoveTemps(item);
        report.log.push_back(kSkippedPrefix + source);
        return true;
    }
    bool allPlaced = item.stopText.empty();
    for (std::size_t i = 0; i < item.files.size(); ++i) {
        std::string placed;
        if (allPlaced && PlaceFile(item.files[i], folder, placed, item.stopText)) {
            report.written.push_back(placed);
            continue;
        }
        if (allPlaced && item.stopText.empty()) report.log.push_back(kSkippedPrefix + source);
        allPlaced = false;
        std::error_code ignored;
        fs::remove(item.files[i].temp, ignored);
    }
    if (!item.stopText.empty()) {
        report.stopText = item.stopText;
        return false;
    }
    std::error_code error;
    if (allPlaced && item.deleteWanted && fs::remove(source, error))
        report.deleted.push_back(source);
    return true;
}

// The shared state of one run: the next source to hand out and the results.
struct Dispatch {
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t next = 0;
    int running = 0;
    bool stop = false;
    std::vector<ItemResult> results;
};

// A source that breaks a reader or a pass is a skip, never the end of the run.
void ConvertSafely(Worker& worker, const std::string& source, int tag, ItemResult& item) {
    try {
        worker.Convert(source, tag, item);
    } catch (const std::exception&) {
        RemoveTemps(item);
        item = ItemResult{};
        item.skipped = true;
    }
}

void WorkerLoop(const BatchConvertJob& job, Dispatch& dispatch, int index, int rowThreads) {
    RowThreadLimit limit(rowThreads);
    Worker worker(job, index);
    for (;;) {
        std::size_t i = 0;
        {
            std::lock_guard lock(dispatch.mutex);
            if (dispatch.stop || dispatch.next >= job.sources.size() ||
                (job.cancelled && job.cancelled()))
                break;
            i = dispatch.next++;
        }
        ItemResult item;
        const std::string& source = job.sources[i];
        if (!SourceExtensionAccepted(source))
            item.skipped = true;
        else
            ConvertSafely(worker, source, job.target ? *job.target : TagForSource(source), item);
        item.done = true;
        std::lock_guard lock(dispatch.mutex);
        if (!item.stopText.empty()) dispatch.stop = true;
        dispatch.results[i] = std::move(item);
        dispatch.changed.notify_all();
    }
    std::lock_guard lock(dispatch.mutex);
    --dispatch.running;
    dispatch.changed.notify_all();
}

} // namespace

void CropWorkingPicture(ImagingContext& imaging, const PictureRect& rect) {
    const Bitmap& picture = imaging.current;
    Bitmap cropped;
    cropped.Create(rect.right - rect.left, rect.bottom - rect.top, PixelFormat::Bits24);
    for (std::int32_t y = rect.top; y < rect.bottom; ++y)
        std::copy_n(picture.ScanLine(y) + std::int64_t{rect.left} * 3, cropped.Width() * 3,
                    cropped.ScanLine(y - rect.top));
    imaging.current = std::move(cropped);
    imaging.descriptor.ImageWidth = imaging.current.Width();
    imaging.descriptor.ImageHeight = imaging.current.Height();
}

const BatchTarget& BatchTargetAt(int tag) {
    return kTargets.at(static_cast<std::size_t>(tag));
}

std::optional<int> BatchTargetForName(const std::string& name) {
    const std::string key = BatchWordKey("." + name);
    for (int tag = 0; tag < static_cast<int>(kTargets.size()); ++tag)
        if (BatchWordKey(kTargets[tag].extension) == key) return tag;
    return std::nullopt;
}

int BatchWorkerCount(int requested, std::size_t pictures) {
    int workers = requested;
    if (workers <= 0) {
        workers = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
        const std::uint64_t available = ProcMemoryStatus().Read().availablePhysical;
        if (available > 0)
            workers = std::min<std::uint64_t>(
                workers, std::max<std::uint64_t>(1, available / kMemoryPerWorker));
    }
    return std::max(1, std::min(workers, static_cast<int>(std::max<std::size_t>(1, pictures))));
}

std::optional<std::string> BatchTargetName(const std::string& folder, const std::string& source,
                                           const std::string& extension,
                                           const std::function<bool(const std::string&)>& taken) {
    const std::string base = fs::path(source).stem().string();
    for (int number = 0; number <= kMaxNumberedNames; ++number) {
        std::string name = NameWithNumber(folder, base, extension, number);
        if (!taken(name)) return name;
    }
    return std::nullopt;
}

std::vector<std::uint8_t> WithJpegComment(const std::vector<std::uint8_t>& jpeg,
                                          std::string_view comment) {
    // SOI, then a segment: FF, marker, two length bytes counting themselves.
    if (jpeg.size() < 6 || jpeg[0] != 0xFF || jpeg[1] != 0xD8 || jpeg[2] != 0xFF) return jpeg;
    const std::size_t first = 4 + (std::size_t{jpeg[4]} << 8 | jpeg[5]);
    if (first > jpeg.size() || comment.size() > 65533) return jpeg;
    const std::size_t length = comment.size() + 2;
    std::vector<std::uint8_t> out(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(first));
    out.insert(out.end(), {0xFF, 0xFE, static_cast<std::uint8_t>(length >> 8),
                           static_cast<std::uint8_t>(length & 0xFF)});
    out.insert(out.end(), comment.begin(), comment.end());
    out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(first), jpeg.end());
    return out;
}

std::string BatchProgressText(int done, int percent) {
    return std::to_string(done) + " file(s) processed.  " + std::to_string(percent) + "% done.";
}

std::string InsufficientSpaceText(std::uint64_t required, std::uint64_t available) {
    return "Insufficient disk space.\nReq.: " + std::to_string(required / 1024) +
           " Kb\nFree: " + std::to_string(available / 1024) + " Kb\n\nBatch cancelled.";
}

std::string SkippedFilesText(std::size_t count) {
    return std::to_string(count) +
           " file(s) skipped.  Some files may be opened and processed manually.\nView log?";
}

bool WriteBatchExceptions(const std::string& path, const std::vector<std::string>& log) {
    std::string text;
    for (const std::string& line : log) text += line + "\r\n";
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    try {
        WriteFileAtomically(path, text);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

BatchConvertReport RunBatchConvert(const BatchConvertJob& job) {
    BatchConvertReport report;
    const std::size_t count = job.sources.size();
    Dispatch dispatch;
    dispatch.results.resize(count);
    const int workers = BatchWorkerCount(job.jobs, count);
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    dispatch.running = workers;
    std::vector<std::thread> threads;
    for (int w = 0; w < workers; ++w)
        threads.emplace_back(WorkerLoop, std::cref(job), std::ref(dispatch), w,
                             std::max(1, cores / workers));

    int lastPercent = -1;
    std::size_t i = 0;
    for (; i < count; ++i) {
        ItemResult item;
        {
            std::unique_lock lock(dispatch.mutex);
            dispatch.changed.wait(lock, [&] {
                return dispatch.results[i].done || (dispatch.running == 0 && i >= dispatch.next);
            });
            if (!dispatch.results[i].done) break; // never handed out: cancelled or stopped
            item = std::move(dispatch.results[i]);
        }
        if (!CommitItem(job.sources[i], item, job.targetFolder, report)) {
            std::lock_guard lock(dispatch.mutex);
            dispatch.stop = true;
            ++i;
            break;
        }
        const int percent = static_cast<int>((i + 1) * 100 / count);
        if (percent != lastPercent && job.progress) job.progress(static_cast<int>(i + 1), percent);
        lastPercent = percent;
    }
    for (std::thread& thread : threads) thread.join();
    // Whatever was made after a stop is not kept.
    for (std::size_t rest = i; rest < count; ++rest) RemoveTemps(dispatch.results[rest]);
    report.cancelled = report.stopText.empty() && i < count;
    return report;
}

} // namespace zv
