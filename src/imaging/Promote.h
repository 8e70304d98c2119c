#pragma once
// The Promote command: makes the current picture 16 million, 256 or 16 colours.

#include "imaging/ImagingContext.h"

#include <string>

namespace zv {

// What the Promote command asks of the viewer.
class PromoteHost {
public:
    virtual ~PromoteHost() = default;
    // Takes the undo copy; false when it refuses, which stops the command.
    virtual bool AutoBackUp() = 0;
    virtual void ShowStatus(const std::string& text) = 0;
    // Appends a line to the batch script; the host records only while recording is on.
    virtual void RecordBatchLine(const std::string& line) = 0;
    // Shows the picture again at 100 %, or fitted when fit-to-window is on.
    virtual void RefreshView() = 0;
    virtual void MarkModified() = 0;
};

// The menu items' tags: 24 for "16&M colors", 8 for "&256 colors", 4 for "&16 colors".
// Returns false, doing nothing, for any other tag or when the undo copy is refused.
bool PromoteCommand(ImagingContext& context, PromoteHost& host, int tag);

} // namespace zv
