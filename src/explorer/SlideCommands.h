#pragma once
// What the explorer's "Slide &album" does with the rows it is given: the
// selected pictures and media as a slideshow, the current folder with or
// without its sub-folders, or nothing.

#include "catalog/DocumentFlags.h"
#include "platform/Dialogs.h"

#include <string>
#include <string_view>
#include <vector>

namespace zv {

inline constexpr std::string_view kNoSlideFiles = "No supported image or multimedia files found.";
inline constexpr std::string_view kIncludeSubfoldersQuestion =
    "All available slides from current folder will be imported.\n"
    "Do you want to include contents from sub-folders too?";

enum class SlideshowStep {
    Nothing,       // refused, cancelled, or nothing to show
    SelectedFiles, // the files are the album's new slides
    Tree,          // the current folder and every folder below it
    FolderOnly     // the current folder alone
};

struct SlideshowPlan {
    SlideshowStep step = SlideshowStep::Nothing;
    std::vector<std::string> files; // SelectedFiles: full paths, as on disk
};

// rowCount: the rows of the list; selectedFiles: the full paths of the
// selected rows that are files, in row order. Two or more selected rows out
// of three or more make a slideshow of the selection; otherwise the current
// folder is listed, with its sub-folders when the user says so.
SlideshowPlan PlanSlideshow(const DocumentFlags& flags, Dialogs& dialogs, std::size_t rowCount,
                            std::size_t selectedRows, const std::vector<std::string>& selectedFiles,
                            bool folderHasSubfolders);

} // namespace zv
