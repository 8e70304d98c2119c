#pragma once
// One level of undo for the viewer's picture, and the backup buffer of batch
// scripts. Before every change the picture is kept as a complete picture file
// in memory: an uncompressed BMP for 8 to 32 bits, a run-length PCX for 1 and
// 4 bits with its palette; Undo puts it back once. When memory runs short the
// picture goes through the undo file "zv_undo.pcx" instead.

#include "imaging/Bitmap.h"
#include "imaging/ImagingContext.h"
#include "imaging/TempNames.h"
#include "platform/Dialogs.h"
#include "platform/MemoryStatus.h"
#include "platform/Trash.h"
#include "viewer/DiscardQuestion.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zv {

inline constexpr const char* kUndoFileName = "zv_undo.pcx";
inline constexpr const char* kUndoBitmapErrorNote = "UndoBitmap error.";
inline constexpr const char* kPcxBackupErrorNote = "PCX backup error.";
inline constexpr const char* kUndoFailedText = "Undo failed.";

// What undo asks of the program around it.
struct UndoServices {
    ImagingContext& imaging;
    TempNames& tempNames;
    Trash& trash;
    const MemoryStatusSource& memory;
    Dialogs& dialogs;
    DocumentFlags& flags;
    // After a refused copy: close the library image, empty the clipboard,
    // stop a running batch or walk.
    std::function<void()> releaseWorkingCopies;
    // The way back from short memory, between parking the picture in the undo
    // file and reading it back: show the empty picture and restart the
    // imaging library. Then, with the picture back: lay the view out again.
    std::function<void()> restartLibrary;
    std::function<void()> pictureBack;
};

class UndoStore {
public:
    explicit UndoStore(UndoServices services);

    // AutoBackUp: keeps the picture before a change. During a batch run no
    // copy is taken and the answer is yes. No when memory is short or the
    // copy fails: the failure box was shown and the working copies emptied;
    // the command must not run.
    bool AutoBackUp(bool batchRunning);
    // Undo: the kept picture comes back once (with its depth and palette) and
    // the copy is used up. No when it cannot be read back: the picture then
    // stays as it was and the box says so.
    bool Undo();
    bool Available() const { return available_; }
    // An open drops the copy.
    void Discard();

    // The second form of the copy, used on the way back from short memory:
    // a Bitmap copy, or the undo file. Both answer true on failure.
    bool CopyToUndoBitmap(bool toFile);
    bool CopyFromUndoBitmap();
    // RecoverBitmap: frees what failed copies and the library hold by parking
    // the picture in the undo file, restarting the library and reading the
    // picture back (the file is then deleted).
    void RecoverBitmap();

    // The backup buffer of the batch commands COPYTOBACKUP and
    // COPYFROMBACKUP; false asks the running batch to stop. With nothing
    // backed up, COPYFROMBACKUP leaves the picture as it is.
    bool CopyToBackUp();
    bool CopyFromBackUp();

    // The note that heads the next error message ("UndoBitmap error.",
    // "PCX backup error."), empty when none.
    const std::string& LastInternalNote() const { return note_; }
    int UndoDepth() const { return undoDepth_; }
    bool UndoInFile() const { return undoInFile_; }
    std::filesystem::path UndoFilePath() const;

private:
    bool KeepCopy();
    void FailBackUp();
    bool ReadBack(Bitmap& restored);

    UndoServices services_;
    std::vector<std::uint8_t> stream_; // the undo copy as a picture file
    bool streamIsBmp_ = false;
    int undoDepth_ = 0;
    Palette keptPalette_;
    bool undoInFile_ = false;
    bool available_ = false;
    std::string note_;
};

// BMP stream normalisation: when the pixel data does not directly follow
// the headers and colour table, it is moved there and the stream cut after
// it; colours-used and colours-important become 0. An image size of 0 or
// one larger than the stream is taken from the row stride x height.
void NormaliseBmp(std::vector<std::uint8_t>& stream);

} // namespace zv
