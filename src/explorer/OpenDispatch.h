#pragma once
// What opening the explorer's selection does, as a list of actions the
// window carries out in order.

#include <string>
#include <vector>

namespace zv {

inline constexpr const char* kNoAssociatedApplication = "Associated application not found.";

enum class OpenActionKind {
    OpenInViewer,    // show the file in the viewer
    AddToViewerList, // add the file to the viewer's list of files to step through
    OpenBatchEditor, // a ".BIP" script in the batch editor
    OpenAlbum,       // a ".AVL" album in the album window
    OpenZipBrowser,  // a ".ZIP" in the zip browser
    ShellOpen        // start with the desktop's "open" (xdg-open) in the file's folder;
                     // on failure show kNoAssociatedApplication and stop
};

struct OpenAction {
    OpenActionKind kind;
    std::string path;
    friend bool operator==(const OpenAction&, const OpenAction&) = default;
};

// The actions for the selected files (full paths, in row order; folders are
// the window's business and are not passed).
//
// One file: ".BIP" to the batch editor, ".AVL" to the album, a picture
// (ImageExtensions) to the viewer, with `useViewer` also media
// (MediaExtensions) and ".ZIP"; anything else to the shell.
//
// Several files: the first viewer file (a picture; media with `useViewer`;
// ".ZIP") opens in the viewer and the further ones are added to its list;
// each ".ZIP" then also goes to the zip browser, after everything else.
// ".AVL" albums open only on their own and are passed over; other files go
// to the shell.
std::vector<OpenAction> PlanOpen(const std::vector<std::string>& paths, bool useViewer);

} // namespace zv
