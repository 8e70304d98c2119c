#pragma once
// Reading any picture the image-format layer reads, for the tool's
// subcommands: the layer's own images by extension, Photoshop files by their
// signature.

#include "formats/DibGraphic.h"

#include <filesystem>
#include <memory>
#include <string>

namespace zvtool {

struct LayerPicture {
    std::string className;   // "TPngGraphic", "TPSDGraphic"
    std::string formatName;  // "24bpp color", or the Photoshop colour kind
    int bits = 0;
    int pages = 1;
    zv::Bitmap pixels;       // for Photoshop files
    std::unique_ptr<zv::TDibGraphic> image; // for the layer's own images
    int xDpi = 0;
    int yDpi = 0;
    std::int32_t Width() const { return image ? image->Width() : pixels.Width(); }
    std::int32_t Height() const { return image ? image->Height() : pixels.Height(); }
};

// Reads image number `page` (1-based) of a file. Throws the layer's errors,
// or std::runtime_error naming the file when no reader takes it.
LayerPicture ReadLayerPicture(const std::filesystem::path& path, int page = 1);

} // namespace zvtool
