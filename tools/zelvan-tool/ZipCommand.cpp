// zelvan-tool zip: lists a zip archive as the archive browser's grid shows
// it, or extracts it as the browser does: never over an existing file,
// never outside the destination, with a log line for every entry not
// written as it should be.

#include "Subcommands.h"

#include "album/ZipExtract.h"
#include "album/ZipListing.h"
#include "album/ZipLog.h"

#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <string>

namespace zvtool {

const char* const kZipUsage =
    "Usage: zelvan-tool zip list ARCHIVE\n"
    "       zelvan-tool zip extract ARCHIVE [DEST]\n\n"
    "list prints one line per entry, tab-separated, under a header: Name (with its\n"
    "path), Date Stamp, Size, % (the space saved: (size - packed size) * 100 / size)\n"
    "and PackSize; entries without data leave the last four empty.\n\n"
    "extract writes every entry into DEST (default: the archive's own folder),\n"
    "re-creating the entries' folders and keeping their permissions without the\n"
    "set-user-ID and set-group-ID bits. An existing file is never overwritten: it is\n"
    "skipped and logged. Entries whose names lead outside DEST (\"..\", absolute paths,\n"
    "drive letters), symbolic links, encrypted entries, unknown compression methods\n"
    "and damaged data are refused and logged; nothing is written through a link.\n"
    "Prints each file written, the log lines, and \"N file(s) unzipped.\"; the exit\n"
    "status is 1 when anything was logged.\n\n"
    "Methods read: stored, shrunk, reduced (1 to 4), imploded and deflated; ZIP64 and\n"
    "data descriptors are understood.\n";

namespace {

constexpr int kBarWidth = 40;

int List(const std::string& path) {
    const zv::ZipArchive archive = zv::ZipArchive::Open(path);
    std::cout << "Name\tDate Stamp\tSize\t%\tPackSize\n";
    for (const zv::ZipGridRow& row : zv::ZipRowsOf(archive))
        std::cout << row.Name << '\t' << row.DateStamp << '\t' << row.Size << '\t' << row.Percent
                  << '\t' << row.PackSize << '\n';
    return 0;
}

int Extract(const std::string& path, std::filesystem::path destination) {
    if (destination.empty()) {
        destination = std::filesystem::path(path).parent_path();
        if (destination.empty()) destination = ".";
    }
    zv::TVCLUnZip unzip;
    unzip.Open(path);
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    if (terminal) {
        unzip.OnTotalPercentDone = [](int percent) {
            const int filled = percent * kBarWidth / 100;
            std::cerr << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
                      << std::string(static_cast<std::size_t>(kBarWidth - filled), ' ') << "] "
                      << percent << '%' << std::flush;
        };
    }
    unzip.OnFileWritten = [&](const std::string&, const std::filesystem::path& target) {
        if (terminal) std::cerr << '\r' << std::string(kBarWidth + 8, ' ') << '\r';
        std::cout << (destination / target).string() << '\n';
    };
    const zv::ZipExtractResult result = unzip.UnZip(destination);
    if (terminal) std::cerr << '\r' << std::string(kBarWidth + 8, ' ') << '\r' << std::flush;
    for (const std::string& line : result.Log) std::cout << line << '\n';
    std::cout << zv::ZipUnzippedText(result.FilesWritten) << '\n';
    return result.Clean() ? 0 : 1;
}

} // namespace

int RunZip(const Arguments& arguments) {
    if (arguments.size() == 2 && arguments[0] == "list") return List(arguments[1]);
    if ((arguments.size() == 2 || arguments.size() == 3) && arguments[0] == "extract")
        return Extract(arguments[1], arguments.size() == 3 ? arguments[2] : std::string());
    std::cerr << kZipUsage;
    return 2;
}

} // namespace zvtool
