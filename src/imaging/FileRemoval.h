#pragma once
// Deleting a file without confirmation or progress display, for good or into
// the trash. Both return true when the operation FAILED, false on success.

#include "platform/Trash.h"

#include <filesystem>

namespace zv {

bool DeleteFileSilently(Trash& trash, const std::filesystem::path& path);
bool RecycleFileSilently(Trash& trash, const std::filesystem::path& path);

} // namespace zv
