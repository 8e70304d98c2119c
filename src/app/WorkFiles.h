#pragma once
// The album and catalogue work files a run leaves in the app home, named by
// the run's work-file stem, and their removal when the program ends.

#include "platform/ProgramTitle.h"
#include "platform/Trash.h"

#include <filesystem>
#include <string>
#include <vector>

namespace zv {

// The work files of the run that exist now, in the order they are deleted:
// "Zelvan 7.04<stem>.avc" in the app home and, when it exists, the album data
// files <stem>._d_, ._v_, ._n_, ._r_ and ._c_ in data/; data/<stem>.zvp and,
// when that exists, data/<stem>.dir.
std::vector<std::filesystem::path> ExistingWorkFiles(const std::filesystem::path& appHome,
                                                     const std::string& workFileStem);

// Deletes them without asking; returns the paths that could not be deleted.
std::vector<std::filesystem::path> DeleteWorkFiles(const std::filesystem::path& appHome,
                                                   const std::string& workFileStem, Trash& trash);

} // namespace zv
