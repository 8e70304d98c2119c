#pragma once
// Which class of the image-format layer reads and writes a file, by its
// extension, as the format table says.

#include "formats/DibGraphic.h"

#include <memory>
#include <string>

namespace zv {

// The layer's image class for an extension with its dot (".PNG", any case),
// or null when the layer has none. Photoshop files are read by TPSDGraphic,
// which is not a TDibGraphic, and so are not among these.
std::unique_ptr<TDibGraphic> NewGraphicForExtension(const std::string& extension);

// The extensions the layer writes, dot-separated (".BMP.PCX.TGA.PNG.TIF.TIFF.ICO").
const std::string& LayerWriteExtensions();

} // namespace zv
