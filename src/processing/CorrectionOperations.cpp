#include "processing/CorrectionOperations.h"

namespace zv {

std::span<const ToolboxOperation> CorrectionOperations() {
    return {};
}

} // namespace zv
