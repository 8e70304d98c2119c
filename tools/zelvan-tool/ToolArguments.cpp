#include "ToolArguments.h"

#include <stdexcept>

namespace zvtool {

int NumberArgument(const std::string& option, const std::string& text) {
    std::size_t used = 0;
    int value = 0;
    try {
        value = std::stoi(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (text.empty() || used != text.size())
        throw std::invalid_argument(option + " takes a number, not \"" + text + "\"");
    return value;
}

} // namespace zvtool
