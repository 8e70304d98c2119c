#pragma once
// What the command line asks of the start: the file to open, and whether it
// opens at once, after the windows are up, or plays as a slideshow script.

#include "formats/PictureLists.h"
#include "platform/Extensions.h"

#include <functional>
#include <string>
#include <vector>

namespace zv {

inline constexpr const char* kNoStartFile = "*";

struct StartupPlan {
    std::string startFile = kNoStartFile; // "*" when there is none
    std::string extension;                // upper case, with its dot
    bool deferredOpen = false;            // open from a timer once the windows are up
    bool startPictureReady = false;       // a JPEG whose information was read at once
    std::string startFolder;              // a folder named instead: the explorer shows it
    bool AvlStart() const { return deferredOpen && ExtensionIn(extension, kAlbumScriptExtensions); }
};

using FileExists = std::function<bool(const std::string& path)>;
using ReadPictureInfo = std::function<bool(const std::string& path)>;

// All arguments joined with single blanks form one path, so a path with
// blanks given unquoted arrives whole. A path that does not exist gives the
// plan of a start without arguments. An existing path is made absolute.
// JPEG pictures (extension containing ".JP") have their information read at
// once through readJpegInfo; everything else is opened later. A path naming
// an existing folder (folderExists) starts without a file, the explorer
// showing that folder.
StartupPlan PlanStartup(const std::vector<std::string>& arguments, const FileExists& fileExists,
                        const ReadPictureInfo& readJpegInfo, const FileExists& folderExists = {});

} // namespace zv
