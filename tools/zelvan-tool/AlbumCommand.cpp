// zelvan-tool album: lists, checks, makes and converts album files, on the
// album window's own loading and saving code.

#include "Subcommands.h"

#include "album/AlbumFiles.h"
#include "platform/AppFolders.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace zvtool {

// In AlbumCommandWalk.cpp.
int MakeAlbumFromFolder(const std::string& out, const std::string& folder, bool slides);

const char* const kAlbumUsage =
    "Usage: zelvan-tool album list FILE\n"
    "       zelvan-tool album check FILE\n"
    "       zelvan-tool album make OUT FILE... | --files-from LIST\n"
    "       zelvan-tool album make OUT FOLDER [--slides]\n"
    "       zelvan-tool album convert IN OUT\n\n"
    "FILE is an album: an AVL slideshow script or an AVC catalog, read from its data\n"
    "files in the app home's data/ folder when they are there, else (AVL) decoded from\n"
    "the script, as the slide album window loads it.\n\n"
    "list   prints one line per slide: its number from 1, its file and its comment,\n"
    "       separated by tabs. Slides whose file is missing are left out and counted\n"
    "       on standard error.\n"
    "check  prints every problem: a script line or data file record that cannot be\n"
    "       read, or a slide whose file is missing. The exit status is 1 when there is\n"
    "       any, 0 when the album is sound.\n"
    "make   makes the album OUT of the files, a slide each in the order given (or of the\n"
    "       paths of LIST, one a line, such as a .zvp picture list). Files that are not\n"
    "       there are named on standard error and the exit status is 1.\n"
    "       Given a FOLDER, make walks it and every folder below it (not hidden ones,\n"
    "       not links to folders, not the thumbnail cache) as the explorer's recursive\n"
    "       listing does: folders depth first in name order, files in name order, the\n"
    "       picture and media files the walk dialog takes, or with --slides every\n"
    "       kind a slideshow plays. Counts and folders that could not be read go to\n"
    "       standard error. Ctrl+C stops the walk: \"Slide listing aborted.\", no OUT\n"
    "       and no files left behind, exit status 1.\n"
    "convert  reads IN and saves it as OUT.\n\n"
    "OUT's extension gives its kind: .avc a catalog, .zvp a picture list, anything\n"
    "else an AVL script. Catalogs and scripts get their data files in data/.\n";

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

std::vector<std::string> ListedPaths(const std::string& list) {
    std::ifstream in(list, std::ios::binary);
    if (!in) throw std::invalid_argument("cannot read the list " + list);
    std::vector<std::string> paths;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) paths.push_back(line);
    }
    return paths;
}

bool IsFolderArgument(const std::vector<std::string>& arguments) {
    const bool shape =
        arguments.size() == 1 || (arguments.size() == 2 && arguments[1] == "--slides");
    std::error_code error;
    return shape && std::filesystem::is_directory(arguments[0], error);
}

int Make(const std::string& out, std::vector<std::string> files) {
    if (IsFolderArgument(files)) return MakeAlbumFromFolder(out, files[0], files.size() == 2);
    if (files.size() == 2 && files[0] == "--files-from") files = ListedPaths(files[1]);
    zv::SlideAlbum album;
    int missing = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (album.AddFile(files[i], album.Count(), static_cast<std::int32_t>(i))) continue;
        std::cerr << "not added: " << files[i] << '\n';
        ++missing;
    }
    zv::SaveAlbum(out, album, ToolOptions());
    std::cout << out << ": " << album.Count() << " slide(s)\n";
    return missing > 0 ? 1 : 0;
}

int Convert(const std::string& in, const std::string& out) {
    zv::SlideAlbum album;
    const zv::AlbumFileOptions options = ToolOptions();
    const zv::AlbumLoadOutcome outcome = zv::LoadAlbum(in, album, options);
    zv::SaveAlbum(out, album, options);
    if (outcome.missing > 0)
        std::cerr << outcome.missing << " slide(s) left out: their files are missing.\n";
    std::cout << out << ": " << album.Count() << " slide(s)\n";
    return 0;
}

} // namespace

int RunAlbum(const Arguments& arguments) {
    const std::string command = arguments.empty() ? std::string() : arguments[0];
    if (command == "list" && arguments.size() == 2) return List(arguments[1]);
    if (command == "check" && arguments.size() == 2) return Check(arguments[1]);
    if (command == "make" && arguments.size() >= 3)
        return Make(arguments[1], Arguments(arguments.begin() + 2, arguments.end()));
    if (command == "convert" && arguments.size() == 3) return Convert(arguments[1], arguments[2]);
    std::cerr << kAlbumUsage;
    return 2;
}

} // namespace zvtool
