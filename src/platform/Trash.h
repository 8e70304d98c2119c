#pragma once
// Deleting files without asking: for good, or into the desktop's trash so the
// user can take them back.

#include <string>

namespace zv {

class Trash {
public:
    virtual ~Trash() = default;
    // Each returns an empty string on success, otherwise what went wrong.
    virtual std::string Delete(const std::string& path) = 0;
    virtual std::string Recycle(const std::string& path) = 0;
};

} // namespace zv
