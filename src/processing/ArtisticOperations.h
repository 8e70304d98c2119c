#pragma once
// Random noise, JPEG artifacts, text marks and borders as toolbox entries.

#include "processing/Toolbox.h"

#include <span>

namespace zv {

std::span<const ToolboxOperation> ArtisticOperations();

} // namespace zv
