// zelvan-tool info: what the image-format layer reads of each file.

#include "LayerFiles.h"
#include "Subcommands.h"
#include "ToolLoader.h"

#include <exception>
#include <iostream>

namespace zvtool {

const char* const kInfoUsage =
    "Usage: zelvan-tool info FILE...\n\n"
    "Prints one line per file as the program probes and reads it. Sound and video files\n"
    "are reported as \"media file\", text and vector files as such. For pictures: the reader\n"
    "(a class of the\n"
    "image-format layer, ImageLibrary or PhotoCd), the image format, width x height,\n"
    "bits per pixel, the number of pages (images in a multi-image file) and the\n"
    "resolution in dots per inch. Files that cannot be read are reported on\n"
    "standard error; the exit status is 1 when any was.\n";

int RunInfo(const Arguments& arguments) {
    if (arguments.empty()) {
        std::cerr << kInfoUsage;
        return 2;
    }
    int status = 0;
    ToolLoader loader;
    for (const std::string& file : arguments) {
        const int probe = loader.Probe(file);
        if (probe == zv::kProbeMedia || probe == zv::kProbeText || probe == zv::kProbeVector) {
            std::cout << file << ": "
                      << (probe == zv::kProbeMedia  ? "media file"
                          : probe == zv::kProbeText ? "text file"
                                                    : "vector file")
                      << '\n';
            continue;
        }
        try {
            const LayerPicture picture = ReadLayerPicture(file);
            std::cout << file << ": " << picture.className << " \"" << picture.formatName << "\" "
                      << picture.Width() << " x " << picture.Height() << ", " << picture.bits
                      << (picture.bits == 1 ? " bit, " : " bits, ") << picture.pages
                      << (picture.pages == 1 ? " page, " : " pages, ") << picture.xDpi << " x "
                      << picture.yDpi << " dpi\n";
        } catch (const std::exception& error) {
            // Files the viewer does not open (icons) may still be read by the layer.
            std::cerr << file << ": "
                      << (probe == zv::kProbeFailed ? "cannot be read as a picture"
                                                    : std::string(error.what()))
                      << '\n';
            status = 1;
        }
    }
    return status;
}

} // namespace zvtool
