#pragma once
// Random noise, JPEG artifacts, text marks and borders as toolbox entries.

#include "processing/Toolbox.h"

#include <span>

namespace zv {

std::span<const ToolboxOperation> ArtisticOperations();

// The artifacts' quality a line asks for, limited to what the encoder takes.
int ArtifactQuality(int asked);

} // namespace zv
