// zelvan-tool album make OUT FOLDER: the folder tree walked into an album or
// a picture list, as the explorer's recursive listing makes them. Ctrl+C
// stops the walk the way "&Stop" does: nothing is written, and no file of
// the build is left behind.

#include "album/AlbumBuilder.h"
#include "album/AlbumFiles.h"
#include "catalog/MediaExtensions.h"
#include "catalog/ThumbCache.h"
#include "explorer/SlideListing.h"
#include "imaging/TempNames.h"
#include "platform/AppFolders.h"

#include <csignal>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

namespace zvtool {

namespace {

namespace fs = std::filesystem;

volatile std::sig_atomic_t interrupted = 0;

void OnWalkInterrupt(int) {
    interrupted = 1;
}

// Ctrl+C sets the flag for as long as the object lives.
class InterruptFlag {
public:
    InterruptFlag() {
        interrupted = 0;
        struct sigaction action {};
        action.sa_handler = OnWalkInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &old_);
    }
    ~InterruptFlag() { sigaction(SIGINT, &old_, nullptr); }
    InterruptFlag(const InterruptFlag&) = delete;
    InterruptFlag& operator=(const InterruptFlag&) = delete;

private:
    struct sigaction old_ {};
};

// The walk polls this between folders and every 1,000 files.
class InterruptProgress : public zv::Progress {
public:
    void Update() override {
        if (interrupted) RequestStop();
    }
};

// The listing's messages on standard error; questions are answered yes.
class TerminalDialogs : public zv::WindowlessDialogs {
public:
    zv::Answer Box(zv::BoxKind, const std::string& text, zv::Buttons buttons) override {
        std::cerr << text << '\n';
        return buttons == zv::Buttons::YesNo ? zv::Answer::Yes : zv::Answer::Ok;
    }
};

void ReportWalk(const zv::WalkResult& walk) {
    std::cerr << walk.folders << " folder(s), " << walk.files << " file(s) listed, " << walk.scanned
              << " looked at\n";
    for (const std::string& folder : walk.unreadableFolders)
        std::cerr << "could not read the folder " << folder << '\n';
    if (walk.lineBreakNames > 0)
        std::cerr << walk.lineBreakNames << " name(s) holding a line break left out\n";
}

// The album the builder made, loaded and saved as OUT; the builder's own
// files are removed either way.
void SaveBuilt(zv::AlbumBuilder& builder, const std::string& avc, const fs::path& out,
               const zv::AlbumFileOptions& options) {
    try {
        zv::SlideAlbum album;
        zv::LoadAlbum(avc, album, options);
        zv::SaveAlbum(out, album, options);
        std::cout << out.string() << ": " << album.Count() << " slide(s)\n";
    } catch (...) {
        builder.Clear();
        throw;
    }
    builder.Clear();
}

} // namespace

int MakeAlbumFromFolder(const std::string& out, const std::string& folder, bool slides) {
    const zv::AppFolders folders = zv::DefaultAppFolders(zv::ProcessEnvironment());
    zv::AlbumFileOptions options;
    options.dataFolder = folders.appHome / "data";
    zv::WalkOptions walk;
    walk.extensions = slides ? zv::SlideExtensions : zv::MediaExtensions;
    walk.texts = slides ? zv::WalkTexts::ExplorerSlides : zv::WalkTexts::Dialog;
    walk.skipRoot = zv::CacheRoot(folders).string();
    if (!walk.skipRoot.ends_with('/')) walk.skipRoot += '/';

    const bool pictureList = zv::AlbumTypeOf(out) == zv::AlbumFileType::PictureList;
    zv::TempNames names(fs::temp_directory_path(), zv::ApplicationWindowHandle());
    std::unique_ptr<zv::WalkTarget> target;
    zv::AlbumBuilder* builder = nullptr;
    if (pictureList) {
        target = std::make_unique<zv::PictureListWriter>(out, fs::path());
    } else {
        auto made = std::make_unique<zv::AlbumBuilder>(
            zv::AlbumBuildPlaces{folders.appHome, options.dataFolder, names.WorkFileStem()});
        builder = made.get();
        target = std::move(made);
    }

    zv::DocumentFlags flags;
    TerminalDialogs dialogs;
    zv::SlideListing listing(flags, dialogs);
    InterruptProgress progress;
    zv::SlideListingResult result;
    {
        const InterruptFlag flag;
        result = listing.Run(folder, walk, *target, progress);
    }
    ReportWalk(result.walk);
    // The walk dialog's texts say the abort in the progress line, not in a box.
    if (result.outcome == zv::ListingOutcome::Aborted && walk.texts == zv::WalkTexts::Dialog)
        std::cerr << progress.Text() << '\n';
    if (result.outcome != zv::ListingOutcome::Done) return 1;
    if (pictureList)
        std::cout << out << ": " << result.walk.files << " file(s)\n";
    else
        SaveBuilt(*builder, result.file, out, options);
    return result.walk.unreadable > 0 ? 1 : 0;
}

} // namespace zvtool
