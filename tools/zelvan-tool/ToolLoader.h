#pragma once
// The tool reads pictures through the standalone loader of the core.

#include "formats/loading/StandaloneLoader.h"

namespace zvtool {

using QuietHost = zv::QuietLoadHost;
using ToolLoader = zv::StandaloneLoader;

} // namespace zvtool
