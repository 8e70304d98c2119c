// zelvan-tool batch-convert and bip: convert a list of pictures into one
// folder, optionally through a batch script, on every core. The same run as
// the viewer's batch conversion, with the questions answered safely.

#include "Subcommands.h"
#include "ToolArguments.h"

#include "platform/AppFolders.h"
#include "platform/Progress.h"
#include "platform/linux/FileSettingsStore.h"
#include "viewer/BatchConvert.h"
#include "viewer/ViewerHistory.h"

#include <atomic>
#include <csignal>
#include <filesystem>
#include <functional>
#include <iostream>
#include <stdexcept>

namespace zvtool {

const char* const kBatchConvertUsage =
    "Usage: zelvan-tool batch-convert --to TYPE --out DIR [--script BIP] [--jobs N]\n"
    "                                 [--log FILE] [--quality Q] [--progressive]\n"
    "                                 [--allow-delete] [--no-orient]\n"
    "                                 FILE... | --files-from LIST\n\n"
    "Converts every FILE (or every path of LIST: one a line, as a .zvp picture list\n"
    "holds them) into DIR as TYPE: jpg, bmp, png, tif (deflate), tga or pcx. Each\n"
    "target is named after its source without the extension; a name already taken\n"
    "gets -1, -2, ... -999, and no file is ever replaced. With --script every picture\n"
    "first runs through the batch script BIP. Sources that cannot be read are\n"
    "skipped and listed as \"Skipped: PATH\" in the log (--log, else\n"
    "BatchExceptions.txt in the program's folder).\n\n"
    "  --jobs N        workers (default: the cores, as memory allows); the files\n"
    "                  and the log do not depend on it\n"
    "  --quality Q     JPEG quality on the linear scale 1..128, lower is better\n"
    "                  (default: the stored JPEG settings, else 48)\n"
    "  --progressive   progressive JPEG (default: the stored JPEG settings)\n"
    "  --allow-delete  let the script's DELETE remove a source once its target is\n"
    "                  in place\n"
    "  --no-orient     JPEG sources kept as stored: without it a picture whose EXIF\n"
    "                  orientation says it was taken turned or mirrored is stood\n"
    "                  upright\n\n"
    "In a script PROMPT and TRACE go on, PROMPTSTRING is answered No, a\n"
    "PROMPT_NOT_FILESTRING or PROMPT_HAS_FILESTRING that fires skips the picture,\n"
    "LOOP, NEXT and PREVIOUS are ignored, and SAVE=TEXT writes DIR/NAME+TEXT.EXT.\n"
    "An unknown or malformed script line stops the command before any file is\n"
    "touched (exit status 2). Exit status 1 when a source was skipped or the run\n"
    "stopped early, 130 after Ctrl+C (pictures finished so far are kept).\n";

const char* const kBipUsage =
    "Usage: zelvan-tool bip SCRIPT FILE... --out DIR [--to TYPE] [OPTIONS]\n\n"
    "Runs the batch script SCRIPT on every FILE and writes the result into DIR, in\n"
    "TYPE when given, else in each source's own type (PNG for types that cannot be\n"
    "written). The options and the rest are those of batch-convert.\n";

namespace {

std::atomic<bool> interrupted{false};

extern "C" void OnInterrupt(int) {
    interrupted = true;
}

// Progress on standard error, one line redrawn in place.
class TerminalProgress : public zv::Progress {
public:
    void Update() override { std::cerr << '\r' << Text() << std::flush; }
    // Ends the redrawn line before anything else is printed.
    void Finish() {
        if (!Text().empty()) std::cerr << '\n';
    }
};

struct BatchRequest {
    std::optional<std::string> to;
    std::string out;
    std::optional<std::string> script;
    std::optional<std::string> log;
    std::optional<std::string> filesFrom;
    std::optional<int> quality;
    bool progressive = false;
    bool allowDelete = false;
    bool keepStoredOrientation = false;
    int jobs = 0;
    std::vector<std::string> files;
};

BatchRequest Parse(const Arguments& arguments) {
    BatchRequest request;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == "--to" && hasValue)
            request.to = arguments[++i];
        else if (argument == "--out" && hasValue)
            request.out = arguments[++i];
        else if (argument == "--script" && hasValue)
            request.script = arguments[++i];
        else if (argument == "--log" && hasValue)
            request.log = arguments[++i];
        else if (argument == "--files-from" && hasValue)
            request.filesFrom = arguments[++i];
        else if (argument == "--jobs" && hasValue)
            request.jobs = NumberArgument(argument, arguments[++i]);
        else if (argument == "--quality" && hasValue)
            request.quality = NumberArgument(argument, arguments[++i]);
        else if (argument == "--progressive")
            request.progressive = true;
        else if (argument == "--allow-delete")
            request.allowDelete = true;
        else if (argument == "--no-orient")
            request.keepStoredOrientation = true;
        else if (argument.starts_with("--"))
            throw std::invalid_argument("unknown option " + argument);
        else
            request.files.push_back(argument);
    }
    if (request.out.empty()) throw std::invalid_argument("give the target folder with --out");
    if (!std::filesystem::is_directory(request.out))
        throw std::invalid_argument("the target folder " + request.out + " does not exist");
    if (request.jobs < 0) throw std::invalid_argument("--jobs takes 1 or more");
    if (request.quality && (*request.quality < 1 || *request.quality > zv::kMaxJpegQuality))
        throw std::invalid_argument("--quality takes 1..128");
    if (request.filesFrom) {
        zv::ViewerHistory list;
        if (!list.LoadPictureList(*request.filesFrom))
            throw std::invalid_argument("cannot read the list " + *request.filesFrom);
        const auto& entries = list.Entries();
        request.files.insert(request.files.end(), entries.begin(), entries.end());
    }
    if (request.files.empty()) throw std::invalid_argument("give the pictures to convert");
    return request;
}

// Builds the job; throws invalid_argument for what the user must mend.
zv::BatchConvertJob MakeJob(const BatchRequest& request, const zv::AppFolders& folders) {
    zv::BatchConvertJob job;
    job.sources = request.files;
    job.targetFolder = request.out;
    job.jobs = request.jobs;
    job.allowDelete = request.allowDelete;
    job.decode.exifOrientation = !request.keepStoredOrientation;
    if (request.to) {
        job.target = zv::BatchTargetForName(*request.to);
        if (!job.target)
            throw std::invalid_argument("--to takes jpg, bmp, png, tif, tga or pcx, not " +
                                        *request.to);
    }
    if (request.script) {
        try {
            job.script = zv::ReadBatchScript(*request.script);
        } catch (const std::runtime_error& error) {
            throw std::invalid_argument(error.what());
        }
        const std::vector<std::string> problems = zv::CheckBatchScript(job.script);
        if (!problems.empty()) {
            std::string text = *request.script + ":";
            for (const std::string& problem : problems) text += "\n  " + problem;
            throw std::invalid_argument(text);
        }
    }
    const zv::FileSettingsStore store(folders.config);
    job.jpeg = zv::JpegWizardRecord::Parse(store.ReadBinary(zv::kJpegWizardRecordName));
    if (request.quality) job.jpeg.values[2] = *request.quality;
    if (request.progressive) job.jpeg.flags[0] = 1;
    job.cancelled = [] { return interrupted.load(); };
    return job;
}

std::string LogPath(const BatchRequest& request, const zv::AppFolders& folders) {
    if (request.log) return *request.log;
    std::error_code ignored;
    std::filesystem::create_directories(folders.appHome, ignored);
    return (folders.appHome / zv::kBatchExceptionsFileName).string();
}

int Summarise(const zv::BatchConvertReport& report, const std::string& logPath) {
    for (const std::string& note : report.notes) std::cerr << "note: " << note << '\n';
    std::cerr << report.written.size() << " file(s) written.\n";
    if (!report.stopText.empty()) std::cerr << report.stopText << '\n';
    if (!report.log.empty()) {
        if (zv::WriteBatchExceptions(logPath, report.log))
            std::cerr << report.log.size()
                      << " file(s) skipped.  Some files may be opened and processed manually.\n"
                      << "Log: " << logPath << '\n';
        else
            std::cerr << "cannot write the log " << logPath << '\n';
    }
    if (report.cancelled) {
        std::cerr << "Stopped.\n";
        return interrupted ? 130 : 1;
    }
    return report.log.empty() && report.stopText.empty() ? 0 : 1;
}

int Run(const char* name, const BatchRequest& request, const char* usage) {
    const zv::AppFolders folders = zv::DefaultAppFolders(zv::ProcessEnvironment());
    zv::BatchConvertJob job;
    try {
        job = MakeJob(request, folders);
    } catch (const std::invalid_argument& error) {
        std::cerr << "zelvan-tool " << name << ": " << error.what() << "\n\n" << usage;
        return 2;
    }
    const std::string logPath = LogPath(request, folders);
    TerminalProgress progress;
    progress.SetText(zv::kBatchProgressTitle);
    job.progress = [&](int done, int percent) {
        progress.SetText(zv::BatchProgressText(done, percent));
    };
    std::signal(SIGINT, OnInterrupt);
    const zv::BatchConvertReport report = zv::RunBatchConvert(job);
    std::signal(SIGINT, SIG_DFL);
    progress.Finish();
    return Summarise(report, logPath);
}

int ParseAndRun(const char* name, const Arguments& arguments, const char* usage,
                const std::function<void(BatchRequest&)>& complete) {
    BatchRequest request;
    try {
        request = Parse(arguments);
        complete(request);
    } catch (const std::invalid_argument& error) {
        std::cerr << "zelvan-tool " << name << ": " << error.what() << "\n\n" << usage;
        return 2;
    }
    return Run(name, request, usage);
}

} // namespace

int RunBatchConvert(const Arguments& arguments) {
    return ParseAndRun("batch-convert", arguments, kBatchConvertUsage, [](BatchRequest& request) {
        if (!request.to) throw std::invalid_argument("give the target type with --to");
    });
}

int RunBip(const Arguments& arguments) {
    return ParseAndRun("bip", arguments, kBipUsage, [](BatchRequest& request) {
        if (request.script) throw std::invalid_argument("the script is the first argument");
        // The first file named is the script.
        if (request.files.size() < 2) throw std::invalid_argument("give SCRIPT and FILE...");
        request.script = request.files.front();
        request.files.erase(request.files.begin());
    });
}

} // namespace zvtool
