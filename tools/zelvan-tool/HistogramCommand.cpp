// Placeholder until the toolbox command lands.

#include "Subcommands.h"

#include <iostream>

namespace zvtool {

const char* const kHistogramUsage = "Not available yet.\n";

int RunHistogram(const Arguments&) {
    std::cerr << "not available yet\n";
    return 2;
}

} // namespace zvtool
