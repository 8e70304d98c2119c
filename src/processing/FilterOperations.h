#pragma once
// The registry entries of the neighbourhood filters: the Smooth, Sharpen and
// Descreen menus, Enrich and DeLace, and the two automatic filters of the
// Auto menu, which have no batch word and are reached through their own
// accessors.

#include "processing/Toolbox.h"

#include <span>

namespace zv {

std::span<const ToolboxOperation> FilterOperations();

// Auto > Clean and Auto > Sharpen: fixed settings, no undo copy, nothing
// recorded.
const ToolboxOperation& AutoCleanOperation();
const ToolboxOperation& AutoSharpenOperation();

} // namespace zv
