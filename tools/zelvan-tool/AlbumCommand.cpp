// zelvan-tool album: lists the slides of an album file and checks it, on the
// album window's own loading code.

#include "Subcommands.h"

#include "album/AlbumFiles.h"
#include "platform/AppFolders.h"

#include <iostream>
#include <string>

namespace zvtool {

const char* const kAlbumUsage =
    "Usage: zelvan-tool album list FILE\n"
    "       zelvan-tool album check FILE\n\n"
    "FILE is an album: an AVL slideshow script or an AVC catalog, read from its data\n"
    "files in the app home's data/ folder when they are there, else (AVL) decoded from\n"
    "the script, as the slide album window loads it.\n\n"
    "list   prints one line per slide: its number from 1, its file and its comment,\n"
    "       separated by tabs. Slides whose file is missing are left out and counted\n"
    "       on standard error.\n"
    "check  prints every problem: a script line or data file record that cannot be\n"
    "       read, or a slide whose file is missing. The exit status is 1 when there is\n"
    "       any, 0 when the album is sound.\n";

namespace {

struct Problems {
    int count = 0;
    void Report(const std::string& text) {
        std::cout << text << '\n';
        ++count;
    }
};

zv::AlbumFileOptions ToolOptions() {
    zv::AlbumFileOptions options;
    options.dataFolder = zv::DefaultAppFolders(zv::ProcessEnvironment()).appHome / "data";
    return options;
}

int List(const std::string& file) {
    zv::SlideAlbum album;
    const zv::AlbumLoadOutcome outcome = zv::LoadAlbum(file, album, ToolOptions());
    for (int i = 0; i < album.Count(); ++i)
        std::cout << i + 1 << '\t' << album.SlidePath(i) << '\t' << album.CommentOf(i) << '\n';
    if (outcome.missing > 0)
        std::cerr << outcome.missing << " slide(s) left out: their files are missing.\n";
    return 0;
}

int Check(const std::string& file) {
    Problems problems;
    zv::AlbumFileOptions options = ToolOptions();
    options.missing = [&](std::int64_t slide, const std::string& path) {
        problems.Report("slide " + std::to_string(slide) + ": missing file " + path);
        return true;
    };
    zv::SlideAlbum album;
    // The question is asked once per load; every later missing file is counted only.
    zv::AlbumLoadOutcome outcome;
    try {
        outcome = zv::LoadAlbum(file, album, options);
    } catch (const zv::EAlbumError& error) {
        problems.Report(error.what());
        return 1;
    }
    if (outcome.missing > 1)
        problems.Report(std::to_string(outcome.missing - 1) + " more slide(s) with missing files");
    if (outcome.fromDataFiles) {
        std::error_code error;
        for (int i = 0; i < album.Count(); ++i) {
            const std::string path = album.SlidePath(i);
            if (zv::KindOf(album.Slide(i)) != zv::SlideKind::CdTrack &&
                !std::filesystem::is_regular_file(path, error))
                problems.Report("record " + std::to_string(i) + ": missing file " + path);
        }
    }
    if (problems.count > 0) return 1;
    std::cout << file << ": " << album.Count() << " slide(s), no problems\n";
    return 0;
}

} // namespace

int RunAlbum(const Arguments& arguments) {
    if (arguments.size() != 2) {
        std::cerr << kAlbumUsage;
        return 2;
    }
    if (arguments[0] == "list") return List(arguments[1]);
    if (arguments[0] == "check") return Check(arguments[1]);
    std::cerr << kAlbumUsage;
    return 2;
}

} // namespace zvtool
