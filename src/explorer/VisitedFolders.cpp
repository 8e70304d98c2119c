#include "explorer/VisitedFolders.h"

#include <algorithm>

namespace zv {

std::optional<VisitedChoice>
ChooseVisitedFolder(const FolderHistory& history, const std::string& currentFolder,
                    const ChooseFromListFn& choose,
                    const std::function<bool(const std::string&)>& folderExists) {
    ChooserRequest request;
    request.mode = kVisitedFoldersMode;
    request.helpTopic = kVisitedFoldersTopic;
    request.caption = kVisitedFoldersCaption;
    request.list = history.Entries();
    request.preselect = currentFolder;
    const int chosen = choose(request);
    if (chosen < 0) return std::nullopt;
    VisitedChoice choice;
    choice.entries = std::move(request.list);
    if (choice.entries.empty()) return choice;
    choice.position = std::min(static_cast<std::size_t>(chosen), choice.entries.size() - 1);
    if (folderExists(choice.entries[choice.position]))
        choice.folder = choice.entries[choice.position];
    return choice;
}

} // namespace zv
