// zelvan-tool info: what the image-format layer reads of each file.

#include "Subcommands.h"

#include "formats/DecodeFile.h"
#include "formats/PictureLists.h"
#include "library/PhotoCd.h"
#include "platform/Extensions.h"

#include <exception>
#include <filesystem>
#include <iostream>

namespace zvtool {

const char* const kInfoUsage =
    "Usage: zelvan-tool info FILE...\n\n"
    "Prints one line per file as the program probes and reads it. Sound and video files\n"
    "are reported as \"media file\", text and vector files as such. For pictures: the reader\n"
    "(a class of the\n"
    "image-format layer, ImageLibrary or PhotoCd), the image format, width x height,\n"
    "bits per pixel, the number of pages (images in a multi-image file) and the\n"
    "resolution in dots per inch; for a Photo CD file also the number of resolutions\n"
    "it holds. Files that cannot be read are reported on\n"
    "standard error; the exit status is 1 when any was.\n";

namespace {

// What the viewer makes of a file by its name: a picture (null) or another
// kind of file it hands on.
const char* OtherKind(const std::string& file) {
    const std::string extension = zv::UpperExtension(file);
    if (zv::IsJpegExtension(extension)) return nullptr;
    if (zv::ExtensionIn(extension, zv::kAcceptedExtensions))
        return zv::ExtensionIn(extension, zv::kMediaExtensions) ? "media file" : nullptr;
    if (zv::ExtensionIn(extension, zv::kTextExtensions)) return "text file";
    if (zv::ExtensionIn(extension, zv::kVectorExtensions)) return "vector file";
    return nullptr;
}

// ", N resolutions" for a Photo CD pack, else nothing.
std::string PhotoCdSteps(const zv::DecodedPicture& picture, const std::string& file) {
    if (picture.className != "PhotoCd") return {};
    zv::PhotoCdLibrary library;
    zv::PcdHandle handle = 0;
    library.PCDopen(file, handle);
    std::uint16_t mask = 0;
    std::uint16_t count = 0;
    library.PCDgetCount(handle, mask, count);
    return ", " + std::to_string(count) + " resolutions";
}

} // namespace

int RunInfo(const Arguments& arguments) {
    if (arguments.empty()) {
        std::cerr << kInfoUsage;
        return 2;
    }
    int status = 0;
    for (const std::string& file : arguments) {
        if (const char* kind = OtherKind(file)) {
            std::cout << file << ": " << kind << '\n';
            continue;
        }
        try {
            const zv::DecodedPicture picture = zv::DecodeFile(file);
            std::cout << file << ": " << picture.className << " \"" << picture.formatName << "\" "
                      << picture.pixels.Width() << " x " << picture.pixels.Height() << ", "
                      << picture.bits << (picture.bits == 1 ? " bit, " : " bits, ") << picture.pages
                      << (picture.pages == 1 ? " page, " : " pages, ") << picture.xDpi << " x "
                      << picture.yDpi << " dpi" << PhotoCdSteps(picture, file) << '\n';
        } catch (const std::exception& error) {
            // JPEG and icon files say what is wrong with them; other files do not.
            const zv::FormatRow* row = zv::FormatForExtension(file);
            const bool jpeg = row && row->id == zv::FormatId::Jpeg && std::filesystem::exists(file);
            const zv::FormatRow* read = zv::FormatForFile(file);
            const bool icon = read && read->id == zv::FormatId::Ico;
            std::cerr << file << ": "
                      << (jpeg || icon ? std::string(error.what()) : "cannot be read as a picture")
                      << '\n';
            status = 1;
        }
    }
    return status;
}

} // namespace zvtool
