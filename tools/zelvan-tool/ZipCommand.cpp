// Placeholder until the command lands.

#include "Subcommands.h"

#include <iostream>

namespace zvtool {

const char* const kZipUsage = "Not available yet.\n";

int RunZip(const Arguments&) {
    std::cerr << "not available yet\n";
    return 2;
}

} // namespace zvtool
