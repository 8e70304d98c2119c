#pragma once
// Pictures for the tool's subcommands: any file the program reads, decoded
// by DecodeFile and held as the viewer holds an opened picture.

#include "formats/DecodeFile.h"
#include "imaging/ImagingContext.h"

#include <optional>
#include <string>

namespace zvtool {

// Decodes a page of the file into imaging.current, with the descriptor's
// size and depth set as an open sets them; Photoshop pictures with alpha
// become 24-bit as the viewer shows them. Throws the reader's error.
zv::DecodedPicture OpenPicture(const std::string& path, zv::ImagingContext& imaging, int page = 1,
                               const zv::DecodeOptions& options = {});

// The viewer's save type an output name asks for: .bmp, .pcx, .png, .jpg and
// .jpeg, .tga, .tif and .tiff, in any case; nothing for other names.
std::optional<int> SaveTypeForFile(const std::string& path);

} // namespace zvtool
