#pragma once
// Reading any picture the program reads, for the tool's subcommands: the
// format layer's images by extension, Photoshop files by their signature, and
// through our imaging library what the layer leaves to it (DCX, JPEG, TIFF the
// layer refuses such as LZW, fax pages in grey) and Photo CD files.

#include "formats/DibGraphic.h"

#include <filesystem>
#include <memory>
#include <string>

namespace zvtool {

struct LayerPicture {
    std::string className;  // "TPngGraphic", "TPSDGraphic", "ImageLibrary", "PhotoCd"
    std::string formatName; // "24bpp color", or the Photoshop colour kind
    int bits = 0;
    int pages = 1;
    zv::Bitmap pixels;                      // for Photoshop files
    std::unique_ptr<zv::TDibGraphic> image; // for the layer's own images
    int xDpi = 0;
    int yDpi = 0;
    std::int32_t Width() const { return image ? image->Width() : pixels.Width(); }
    std::int32_t Height() const { return image ? image->Height() : pixels.Height(); }
};

struct ReadOptions {
    int page = 1;       // 1-based
    int faxQuality = 0; // 0 "b/w", 1 "4 shades", 2 "16 shades", 3 "64 shades"
};

// Reads one page of a file. Throws the layer's errors, or std::runtime_error
// naming the file when no reader takes it.
LayerPicture ReadLayerPicture(const std::filesystem::path& path, const ReadOptions& options = {});

} // namespace zvtool
