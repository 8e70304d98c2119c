// Placeholder until the command lands.

#include "Subcommands.h"

#include <iostream>

namespace zvtool {

const char* const kJpegUsage = "Not available yet.\n";

int RunJpeg(const Arguments&) {
    std::cerr << "not available yet\n";
    return 2;
}

} // namespace zvtool
