#pragma once
// Running a batch script: the run-control words (questions, tracing, loops,
// loading, saving, deleting, cropping) are the interpreter's own, in one
// small table; every other word is a toolbox line and goes through
// RunToolboxLine. The interpreter works through a BatchHost, which the
// viewer implements for Perform and a quiet host for conversions without a
// window.

#include "processing/ToolboxProtocol.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

inline constexpr const char* kAbortQuestionText = "Abort batch processing?";
// Scripts are small text files; anything larger is not one.
inline constexpr std::size_t kMaxBatchScriptBytes = 1 << 20;

// What a SAVE line did.
enum class BatchSaveOutcome {
    WroteOther,   // a new file, not the current one
    WroteCurrent, // the picture's own file was replaced
    Failed,       // the write failed or was refused
    Cancelled,    // the user cancelled the save dialog
};

class BatchHost : public ToolboxHost {
public:
    // Yes/No with "Abort batch processing?" as its last line; true for Yes.
    virtual bool AskAbort(const std::string& text) = 0;
    // A warning with Yes/No ("... Abort?"); true for Yes.
    virtual bool AskAbortWarning(const std::string& text) = 0;
    // The user asked to stop (Esc, Cancel); polled between lines.
    virtual bool CancelRequested() { return false; }
    // The run cannot go on: a buffer copy failed or memory ran low.
    virtual bool MustStop() { return false; }
    // Whether LOOP may repeat the script (a host without a person to stop it
    // may refuse).
    virtual bool LoopAllowed() { return true; }
    // Each returns false when no picture was loaded; the run then stops.
    virtual bool MoveNext() = 0;
    virtual bool MovePrevious() = 0;
    virtual bool Reload() = 0;
    // Loads `path` in place of the picture, keeping the current file name.
    virtual bool LoadFile(const std::string& path) = 0;
    virtual void ClearModified() = 0;
    // Saves under the current base name + suffix.
    virtual BatchSaveOutcome Save(const std::string& suffix) = 0;
    // Deletes the current file without asking; false when it could not.
    virtual bool DeleteCurrent() = 0;
    // Crops to the rectangle, which lies inside the picture.
    virtual void Crop(const PictureRect& rect) = 0;
    // Repaints and updates the caption.
    virtual void Refresh() { Repaint(); }
    // Empties the working bitmaps: all four, or all but the duplicate.
    virtual void ClearWorkingBitmaps(bool duplicateToo) = 0;
};

enum class BatchEnd {
    Finished,   // every pass ran
    Aborted,    // Yes to an abort question
    Cancelled,  // the user cancelled between lines
    LoadFailed, // NEXT, PREVIOUS, RELOAD or LOADFILE loaded nothing
    Stopped,    // the host could not go on (memory, buffer copy)
};

struct BatchRunResult {
    BatchEnd end = BatchEnd::Finished;
    int passes = 0;
    std::vector<std::string> notes; // lines that did not run as written
};

// Runs the script on the host's picture: once, or again while LOOP asks and
// nothing stops it.
BatchRunResult DoBatchImageProcess(const std::vector<std::string>& script, BatchHost& host,
                                   ToolboxContext& tb,
                                   const ToolboxRegistry& registry = TheToolbox());

// Whether a word is one of the interpreter's own.
bool IsRunControlWord(std::string_view word);

// What is wrong with each line a run would not take as written: an unknown
// word, a number that does not read, a word only zelvan-tool apply runs, or
// a SAVE suffix that leaves the folder. Empty when every line reads.
std::vector<std::string> CheckBatchScript(const std::vector<std::string>& script,
                                          const ToolboxRegistry& registry = TheToolbox());

// The lines of a script's bytes: UTF-8 or Windows-1252, CR LF or LF.
std::vector<std::string> SplitBatchScript(std::string_view bytes);
// Reads a script file; throws std::runtime_error when it cannot be read or
// is larger than kMaxBatchScriptBytes.
std::vector<std::string> ReadBatchScript(const std::filesystem::path& path);

} // namespace zv
