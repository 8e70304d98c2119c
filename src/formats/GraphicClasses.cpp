#include "formats/GraphicClasses.h"

#include "formats/BmpGraphic.h"
#include "formats/IconGraphic.h"
#include "formats/PcxGraphic.h"
#include "formats/PngGraphic.h"
#include "formats/TgaGraphic.h"
#include "formats/TiffGraphic.h"

namespace zv {

const char* const kLayerWriteExtensions = ".BMP.PCX.TGA.PNG.TIF.TIFF.ICO";

std::unique_ptr<TDibGraphic> NewGraphicForExtension(const std::string& upperExtension) {
    if (upperExtension == ".BMP" || upperExtension == ".DIB" || upperExtension == ".RLE")
        return std::make_unique<TBmpGraphic>();
    if (upperExtension == ".PCX") return std::make_unique<TPcxGraphic>();
    if (upperExtension == ".TGA") return std::make_unique<TTgaGraphic>();
    if (upperExtension == ".PNG") return std::make_unique<TPngGraphic>();
    if (upperExtension == ".TIF" || upperExtension == ".TIFF")
        return std::make_unique<TTiffGraphic>();
    if (upperExtension == ".ICO") return std::make_unique<TIconGraphic>();
    return nullptr;
}

} // namespace zv
