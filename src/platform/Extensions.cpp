#include "platform/Extensions.h"

#include <cctype>

namespace zv {

std::string UpperExtension(std::string_view path) {
    const auto slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const auto dot = name.find_last_of('.');
    if (dot == std::string_view::npos) return {};
    std::string extension(name.substr(dot));
    for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return extension;
}

bool ExtensionIn(std::string_view upperExtension, std::string_view list) {
    if (upperExtension.size() < 2) return false;
    return list.find(upperExtension) != std::string_view::npos;
}

} // namespace zv
