#pragma once
// A recursive listing from start to end, for the walk dialog, the explorer's
// slide commands and zelvan-tool: the checks before it starts, the build
// target's begin, the walk, and the abort or the end with the folders'
// volumes. While it runs it is the program's one long process.

#include "catalog/DocumentFlags.h"
#include "catalog/WalkRecords.h"
#include "explorer/FolderWalk.h"
#include "platform/Dialogs.h"

#include <functional>
#include <string>
#include <string_view>

namespace zv {

inline constexpr std::string_view kCriticalProcess =
    "A critical process is being executed.\nCancel the process to proceed.";
inline constexpr std::string_view kSelectSharedFolder =
    "Please select a shared folder from the server.\n";
inline constexpr std::string_view kNetworkListingQuestion =
    "Password dialogs are NOT invoked for recursive lists of networked resources.\n"
    "For fast/persistent connections, use Windows \"Map Network Drive\" function\n"
    "to make contents visible as a \"local\" drive; close and restart Zelvan, then\n"
    "invoke use this function again.  Continue?\n";

// Where a listing would start, for the network questions.
enum class StartPlace { Local, ServerRoot, NetworkShare };
// "//server/" alone is a server root; a folder on a network file system
// (NFS, SMB, CIFS) a share.
StartPlace StartPlaceOf(const std::string& folder);

enum class ListingOutcome {
    Refused, // a check or the target's begin said no; nothing was made
    Aborted, // Stop, Cancel or a failed write; the target was cleared
    Done
};

struct SlideListingResult {
    ListingOutcome outcome = ListingOutcome::Refused;
    WalkResult walk;
    std::string file; // the target's file when done
};

class SlideListing {
public:
    SlideListing(DocumentFlags& flags, Dialogs& dialogs);

    // Lists the tree below `start` into the target. The abort is said in
    // the progress text for the walk dialog (its label shows it), in a
    // message box for the others.
    SlideListingResult Run(const std::string& start, const WalkOptions& options, WalkTarget& target,
                           Progress& progress);

    // Tests put their own in place of the machine's.
    std::function<std::string(const std::string& folder)> volumeOf;
    std::function<StartPlace(const std::string& folder)> placeOf;

private:
    bool StartAllowed(const std::string& start);
    void SayAborted(const WalkOptions& options, Progress& progress);

    DocumentFlags& flags_;
    Dialogs& dialogs_;
};

} // namespace zv
