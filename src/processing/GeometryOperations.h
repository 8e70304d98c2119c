#pragma once
// Rotation and mirroring of the whole picture as toolbox entries, through
// the library's pixel operations, at the picture's own depth.

#include "processing/Toolbox.h"

#include <span>

namespace zv {

std::span<const ToolboxOperation> GeometryOperations();

} // namespace zv
