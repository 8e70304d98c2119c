#pragma once
// The registry entries of the neighbourhood filters.

#include "processing/Toolbox.h"

#include <span>

namespace zv {

std::span<const ToolboxOperation> FilterOperations();

} // namespace zv
