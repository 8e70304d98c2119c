// zelvan-tool info: what the image-format layer reads of each file.

#include "LayerFiles.h"
#include "Subcommands.h"

#include <exception>
#include <iostream>

namespace zvtool {

const char* const kInfoUsage =
    "Usage: zelvan-tool info FILE...\n\n"
    "Prints one line per file as the program reads it: the reader (a class of the\n"
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
    for (const std::string& file : arguments) {
        try {
            const LayerPicture picture = ReadLayerPicture(file);
            std::cout << file << ": " << picture.className << " \"" << picture.formatName << "\" "
                      << picture.Width() << " x " << picture.Height() << ", " << picture.bits
                      << (picture.bits == 1 ? " bit, " : " bits, ") << picture.pages << (picture.pages == 1 ? " page, " : " pages, ")
                      << picture.xDpi << " x " << picture.yDpi << " dpi\n";
        } catch (const std::exception& error) {
            std::cerr << file << ": " << error.what() << '\n';
            status = 1;
        }
    }
    return status;
}

} // namespace zvtool
