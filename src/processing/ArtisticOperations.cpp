#include "processing/ArtisticOperations.h"

namespace zv {

std::span<const ToolboxOperation> ArtisticOperations() {
    return {};
}

} // namespace zv
