#include "processing/FilterOperations.h"

namespace zv {

std::span<const ToolboxOperation> FilterOperations() {
    return {};
}

} // namespace zv
