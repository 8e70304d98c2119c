// zelvan-tool thumbs: fills the thumbnail cache of a folder with the files
// the explorer's thumbnail view would make, so a large folder shows at once.

#include "Subcommands.h"

#include "catalog/ThumbCache.h"
#include "catalog/ThumbMaker.h"
#include "explorer/RowThumbs.h"
#include "platform/AppFolders.h"

#include <unistd.h>

#include <exception>
#include <iostream>
#include <optional>
#include <string>

namespace zvtool {

const char* const kThumbsUsage =
    "Usage: zelvan-tool thumbs [--size INDEX] FOLDER\n\n"
    "Makes the thumbnail of every picture in FOLDER that the thumbnail cache does not\n"
    "hold yet, in the same files the explorer's thumbnail view reads, with the window\n"
    "colour as background. --size is the thumbnail size index: 1 or 2 gives 84 x 63,\n"
    "3 (the default) 120 x 90, up to 8 for 224 x 168. Prints the folder the thumbnails\n"
    "went to and how many were made, already present, too large and failed; the exit\n"
    "status is 1 when any failed.\n";

namespace {

// The window colour, the thumbnails' default background.
constexpr std::uint32_t kWindowColour = 0x80000005;
constexpr int kDefaultSizeIndex = 3;
constexpr int kBarWidth = 40;

struct ThumbsOptions {
    int sizeIndex = kDefaultSizeIndex;
    std::string folder;
};

std::optional<ThumbsOptions> ParseOptions(const Arguments& arguments) {
    ThumbsOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--size" && i + 1 < arguments.size()) {
            try {
                options.sizeIndex = std::stoi(arguments[++i]);
            } catch (const std::exception&) {
                return std::nullopt;
            }
        } else if (options.folder.empty() && !argument.starts_with("--")) {
            options.folder = argument;
        } else {
            return std::nullopt;
        }
    }
    if (options.folder.empty()) return std::nullopt;
    return options;
}

void DrawBar(int done, int total) {
    const int filled = total > 0 ? done * kBarWidth / total : kBarWidth;
    std::cerr << "\r[" << std::string(filled, '#') << std::string(kBarWidth - filled, ' ') << "] "
              << done << '/' << total << std::flush;
}

} // namespace

int RunThumbs(const Arguments& arguments) {
    const std::optional<ThumbsOptions> options = ParseOptions(arguments);
    if (!options) {
        std::cerr << kThumbsUsage;
        return 2;
    }
    const zv::ThumbBox box = zv::ThumbBoxFor(zv::NormaliseThumbSizeIndex(options->sizeIndex));
    const std::filesystem::path cacheRoot =
        zv::DefaultAppFolders(zv::ProcessEnvironment()).cacheRoot;
    const bool terminal = ::isatty(STDERR_FILENO) == 1;

    zv::ThumbFolderResult result;
    try {
        result = zv::ThumbnailFolder(options->folder, cacheRoot, box, kWindowColour,
                                     terminal ? zv::ThumbFolderProgress(DrawBar)
                                              : zv::ThumbFolderProgress());
    } catch (const std::exception& error) {
        std::cerr << "zelvan-tool thumbs: " << error.what() << '\n';
        return 1;
    }
    if (terminal) std::cerr << '\n';
    if (!result.listed) {
        std::cerr << options->folder << ": cannot be read as a folder\n";
        return 1;
    }
    std::cout << "Thumbnails (" << box.ThumbWidth << " x " << box.ThumbHeight
              << ") in: " << result.folderCacheFolder.string() << '\n'
              << "made " << result.made << ", already present " << result.present << ", too large "
              << result.tooLarge << ", failed " << result.failed << '\n';
    return result.failed > 0 ? 1 : 0;
}

} // namespace zvtool
