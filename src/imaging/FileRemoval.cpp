#include "imaging/FileRemoval.h"

#include <exception>

namespace zv {

bool DeleteFileSilently(Trash& trash, const std::filesystem::path& path) {
    try {
        return !trash.Delete(path.string()).empty();
    } catch (const std::exception&) {
        return true;
    }
}

bool RecycleFileSilently(Trash& trash, const std::filesystem::path& path) {
    try {
        return !trash.Recycle(path.string()).empty();
    } catch (const std::exception&) {
        return true;
    }
}

} // namespace zv
