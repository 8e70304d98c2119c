#pragma once
// "&History" and "Marks": the visited folders in the list chooser, where the
// user may sort and prune them and pick one to go back to.

#include "catalog/ListChooser.h"
#include "explorer/FolderHistory.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace zv {

inline constexpr int kVisitedFoldersMode = 401;
inline constexpr int kVisitedFoldersTopic = 200;
inline constexpr const char* kVisitedFoldersCaption = "Visited Folders";

// What "&Ok" in the visited folders leaves: the history that replaces the
// explorer's, its position, and the folder to show (empty: stay).
struct VisitedChoice {
    std::vector<std::string> entries;
    std::size_t position = 0;
    std::string folder;
};

// Runs the chooser over the history with the current folder preselected;
// nothing when it was cancelled. The chosen folder is given only when it
// exists; showing it must not add it to the history again.
std::optional<VisitedChoice>
ChooseVisitedFolder(const FolderHistory& history, const std::string& currentFolder,
                    const ChooseFromListFn& choose,
                    const std::function<bool(const std::string&)>& folderExists);

} // namespace zv
