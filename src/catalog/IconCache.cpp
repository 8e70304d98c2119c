#include "catalog/IconCache.h"

#include "catalog/MediaExtensions.h"
#include "platform/Extensions.h"

#include <limits>

namespace zv {

std::int16_t IconCache::IconFor(const std::string& upperExtension) {
    if (upperExtension.size() < 2) return kNoExtension;
    if (ExtensionIn(upperExtension, IconExtensions)) return kOwnIcon;
    if (const auto found = numbers_.find(upperExtension); found != numbers_.end()) {
        return found->second;
    }
    if (extensions_.size() > static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max())) {
        return kNoExtension;
    }
    const auto number = static_cast<std::int16_t>(extensions_.size());
    extensions_.push_back(upperExtension);
    numbers_.emplace(upperExtension, number);
    return number;
}

const std::string& IconCache::ExtensionOf(std::int16_t iconIndex) const {
    static const std::string none;
    if (iconIndex < 0 || static_cast<std::size_t>(iconIndex) >= extensions_.size()) return none;
    return extensions_[iconIndex];
}

} // namespace zv
