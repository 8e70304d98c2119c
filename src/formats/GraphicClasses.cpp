#include "formats/GraphicClasses.h"

#include "formats/FormatTable.h"

namespace zv {

const std::string& LayerWriteExtensions() {
    static const std::string extensions = WritableExtensions();
    return extensions;
}

std::unique_ptr<TDibGraphic> NewGraphicForExtension(const std::string& extension) {
    const FormatRow* row = FormatForExtension(extension);
    return row && row->newGraphic ? row->newGraphic() : nullptr;
}

} // namespace zv
