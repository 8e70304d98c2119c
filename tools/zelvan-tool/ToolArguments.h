#pragma once
// Reading the values of the subcommands' options.

#include <string>

namespace zvtool {

// The whole of `text` as a whole number; std::invalid_argument naming the
// option when it is not one.
int NumberArgument(const std::string& option, const std::string& text);

} // namespace zvtool
