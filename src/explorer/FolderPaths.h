#pragma once
// Rules for the explorer's current folder: an absolute path ending in "/"
// (empty while the drives view is shown), its parent, and the tests that
// decide whether a typed or chosen path can be shown.

#include "explorer/Drives.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

inline constexpr std::string_view kCannotAccessText =
    "Cannot access drive/folder.\nCheck device or security settings.";
inline constexpr std::string_view kNoMatchText = "No match found for\n";
// A network folder chosen while network support is off.
inline constexpr std::string_view kNetworkFolderText =
    "Folder cannot be accessed.  If folder is on a network,\n\na) it must be present in your "
    "\"Network Neighborhood\", \n\"My Network Places\" or \"Computers Near Me\" folder\nUse "
    "\"Add Network Place\" to add it to the above folder.\n\nb) it must have a valid and "
    "authorized connection;\n\nc) Zelvan Network support must be enabled.";
// A network place opened as a folder while network support is on.
inline constexpr std::string_view kNetworkPlaceText =
    "Folder contents cannot be accessed this way.\nWith Zelvan Network support enabled, you "
    "can\n\na) use the List view to access and navigate folders;\nb) Go to selected folder via "
    "its network Computer name.";

// kCannotAccessText + "\n\n" + path: the warning for a path that cannot be shown.
std::string CannotAccessPathText(std::string_view path);

// The path with one "/" at its end; an empty path stays empty.
std::string WithTrailingSlash(std::string_view path);

// True when a component of the path is "." or "..". Names that merely start
// with a dot (".config", "..data") are ordinary folders.
bool HasDotComponent(std::string_view path);

// The parent of a folder: "/a/b/" -> "/a/"; "/a/b" is taken as "/a/b/".
// Nothing for "/", for an empty or relative path, and for a path with a "."
// or ".." component.
std::optional<std::string> PathParent(std::string_view folder);

// "Up": the parent of the folder, or nothing when the folder is a drive root
// (or has no parent).
std::optional<std::string> ParentFolder(std::string_view folder,
                                        const std::vector<KnownDrive>& drives);

// The folder (trailing "/" optional) is the root of one of the drives, compared exactly.
bool IsDriveRoot(std::string_view path, const std::vector<KnownDrive>& drives);

// The folder to fall back on when a path cannot be shown: the root of the
// drive that holds the program's folder, else "/".
std::string ProgramDriveRoot(const std::vector<KnownDrive>& drives, std::string_view programFolder);

// True for an empty path (the drives view). Otherwise true when the path is
// absolute, has no "." or ".." component and names an existing folder (a
// symbolic link to a folder counts).
bool ShellFolderExists(std::string_view path);

// True for an empty path. Otherwise true when the folder can be listed: it
// exists and is readable and searchable by this user.
bool IsFolderAccessible(std::string_view path);

} // namespace zv
