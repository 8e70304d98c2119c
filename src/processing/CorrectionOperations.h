#pragma once
// The registry entries of the automatic corrections.

#include "processing/Toolbox.h"

#include <span>

namespace zv {

std::span<const ToolboxOperation> CorrectionOperations();

} // namespace zv
