#include "explorer/SlideCommands.h"

#include "catalog/MediaExtensions.h"
#include "explorer/SlideListing.h"
#include "platform/Extensions.h"

namespace zv {

SlideshowPlan PlanSlideshow(const DocumentFlags& flags, Dialogs& dialogs, std::size_t rowCount,
                            std::size_t selectedRows, const std::vector<std::string>& selectedFiles,
                            bool folderHasSubfolders) {
    SlideshowPlan plan;
    if (flags.criticalProcess) {
        dialogs.Warning(std::string(kCriticalProcess));
        return plan;
    }
    if (rowCount == 0) return plan;
    if (selectedRows >= 2 && rowCount >= 3) {
        for (const std::string& file : selectedFiles)
            if (ExtensionIn(UpperExtension(file), MediaExtensions)) plan.files.push_back(file);
        if (plan.files.empty())
            dialogs.Warning(std::string(kNoSlideFiles));
        else
            plan.step = SlideshowStep::SelectedFiles;
        return plan;
    }
    if (!folderHasSubfolders) {
        plan.step = SlideshowStep::FolderOnly;
        return plan;
    }
    switch (dialogs.Box(BoxKind::Question, std::string(kIncludeSubfoldersQuestion),
                        Buttons::YesNoCancel)) {
    case Answer::Yes: plan.step = SlideshowStep::Tree; break;
    case Answer::No: plan.step = SlideshowStep::FolderOnly; break;
    default: break;
    }
    return plan;
}

} // namespace zv
