#pragma once
// Saving the viewer's picture: the save types, what the save dialog is asked
// and answers, the name rule, the checks before a write, the writer of each
// type, and the "Save as" command around them. SavePicture is the one save
// that the window, the batch processor and zelvan-tool all run; what it
// means for the document (its path, the history, the modified mark) comes
// back as a SaveResult for the caller to apply.

#include "formats/JpegWriter.h"
#include "imaging/ImagingContext.h"
#include "library/ImageLibrary.h"
#include "platform/Dialogs.h"
#include "viewer/DiscardQuestion.h"
#include "viewer/ViewerHistory.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zv {

inline constexpr const char* kSaveDialogTitle = "Save Image As";
inline constexpr const char* kJpegWizardRecordName = "JPGwiz1";
inline constexpr const char* kAdobeDeflateWarningText =
    "This TIFF deflate format should be used to export\n"
    "images to Adobe PhotoShop and ImageReady.\n\n"
    "Many apps will NOT read this TIFF variant.\n\n"
    "[Ignore] avoids this dialog (for experts).";

// The save types, numbered as the dialog's type list shows them.
enum SaveTypeIndex : int {
    kSaveBmp = 1,
    kSavePcx = 2,
    kSavePng = 3,
    kSaveJpegGrey = 4,
    kSaveJpegColour = 5,
    kSaveTga = 6,
    kSaveTiff = 7,
    kSaveTiffDeflate = 8,
    kSaveTiffAdobeDeflate = 9,
    kSaveTiffFax3 = 10,
    kSaveTiffFax4 = 11,
    kSaveTiffPackbits = 12,
};
inline constexpr int kSaveTypeCount = 12;

struct SaveType {
    const char* description; // "BMP (Windows Bitmap)"
    const char* pattern;     // "*.bmp"
    const char* extension;   // "bmp", without the dot
};

// Type 1..12; any other throws std::out_of_range.
const SaveType& SaveTypeAt(int type);
// The types offered for a picture: 12 for 1-bit pictures, 9 for the others
// (the fax and PackBits TIFFs are for black and white).
int OfferedSaveTypes(int imageBits);
bool SaveTypeOffered(int type, int imageBits);
// The dialog's type list, "Description|pattern|..." for the types offered.
std::string SaveFilter(int imageBits);
// The quality box is for the JPEG types; the progressive box for them and PNG.
bool SaveQualityEnabled(int type);
bool SaveProgressiveEnabled(int type);

// The name rule: a name whose extension is "." + the type's extension (in
// any case) is kept; otherwise its extension, if any, is dropped and the
// type's appended.
std::string SaveFileName(const std::string& chosen, int type);

std::string OverwriteQuestionText(const std::string& fileName);
// "Zelvan 7.04 Write failure." with the type and the path.
std::string WriteFailureText(int type, const std::string& path);
// The warning for a file system with less room than the picture needs.
std::string DiskSpaceWarningText(std::uint64_t required, std::uint64_t available);
std::string SavingStatusText(const std::string& fileName);

// What the save dialog shows.
struct SaveDialogRequest {
    std::string title = kSaveDialogTitle;
    int imageBits = 24; // decides the types offered
    int type = kSaveBmp;
    int quality = kDefaultSaveQuality;
    bool progressive = false;
    std::string initialFolder; // without a trailing "/"
    std::string fileName;      // proposed, without extension
};

enum class SaveDialogResult { Save, Cancel, Wizard };

// What the user chose. The path is the name as typed, in the folder chosen;
// the name rule is applied after the dialog.
struct SaveDialogAnswer {
    SaveDialogResult result = SaveDialogResult::Cancel;
    std::string path;
    int type = kSaveBmp;
    int quality = kDefaultSaveQuality;
    bool progressive = false;
};

using SaveDialogFunction = std::function<SaveDialogAnswer(const SaveDialogRequest&)>;

// What the dialog keeps between saves of one run.
struct SaveDialogState {
    int type = kSaveBmp;
    int quality = kDefaultSaveQuality;
    bool progressive = false;
    bool adobeDeflateWarning = true; // Ignore switches it off for the run
};

// Choosing a type in the dialog: type 9 shows the Adobe deflate warning
// (OK, Ignore) unless it was switched off.
void SaveTypeChosen(int type, SaveDialogState& state, Dialogs& dialogs);

// The JPEG compression wizard's settings record "JPGwiz1": four bytes, then
// three 32-bit little-endian values.
struct JpegWizardRecord {
    std::array<std::uint8_t, 4> flags{0, 0, 1, 1};
    std::array<std::int32_t, 3> values{0, 0, 48};

    static constexpr std::size_t kSize = 16;
    std::vector<std::uint8_t> Serialize() const;
    // A record of any other size, or none, gives the defaults.
    static JpegWizardRecord Parse(const std::optional<std::vector<std::uint8_t>>& stored);
    friend bool operator==(const JpegWizardRecord&, const JpegWizardRecord&) = default;
};

// How a picture is written.
struct SaveSettings {
    int type = kSaveBmp;
    // JPEG quality on the writer's linear scale, 0..255 (see ValidWriterQuality);
    // the save dialog offers 0..128, batch conversion's settings reach 255.
    int quality = kDefaultSaveQuality;
    bool progressive = false;
    JpegSubsampling subsampling = JpegSubsampling::None;
    int smoothing = 0;   // the JPEG encoder's own smoothing, 0..100
    int screenBits = 24; // 23 bits or fewer: BMP goes through the imaging library
    bool turboMode = false;
    int xDpi = 0; // the resolution the layer's writers and JPEG record; 0: their default
    int yDpi = 0;
    // The file the picture came from: when it is a JPEG, a JPEG save keeps
    // its metadata (EXIF, colour profile, comments and the other APPn
    // segments). Empty: none.
    std::string metadataSource;
    // The picture was loaded as stored, not stood upright by its EXIF
    // orientation, so the kept EXIF keeps that orientation; otherwise the
    // kept EXIF records orientation 1.
    bool keepStoredOrientation = false;
};

// The picture as the writers take it: a device-dependent picture is made a
// DIB of its recorded depth, one above 8 bits becomes 24-bit, and for the
// grey JPEG one that is not 8-bit is reduced to 256 greys with dithering.
// Works on a copy; returns null when the current picture can be written as
// it is.
std::optional<Bitmap> PictureForSave(const ImagingContext& imaging, int type);

// Writes the picture as the type to path, atomically: an existing file is
// replaced only by a complete new one. Throws on any failure.
void WritePictureAs(const Bitmap& picture, const std::string& path, const SaveSettings& settings,
                    ImageLibrary& library);

// Bytes free for the user on the file system that holds folder; nothing
// when that cannot be found out.
std::optional<std::uint64_t> FreeDiskSpace(const std::string& folder);

struct SaveServices {
    ImagingContext& imaging;
    ImageLibrary& library;
    Dialogs& dialogs;
    // FreeDiskSpace unless a test sets another.
    std::function<std::optional<std::uint64_t>(const std::string&)> freeSpace;
    // "Saving name ...", for the busy status; may be empty.
    std::function<void(const std::string&)> status;
};

// One save of the current picture to a named file.
struct SaveJob {
    std::string path; // the file, the name rule already applied
    int type = kSaveBmp;
    int quality = kDefaultSaveQuality;
    bool progressive = false;
    bool batch = false;
    bool turboMode = false;
    std::string pathBoxText; // what the viewer's path box shows
    int xDpi = 0;            // see SaveSettings
    int yDpi = 0;
    std::string metadataSource;         // see SaveSettings
    bool keepStoredOrientation = false; // see SaveSettings
};

// What a save means for the document and the settings. The caller applies
// it (ApplySaveResult); zelvan-tool ignores it.
struct SaveResult {
    bool saved = false;
    // The current path becomes this; empty: unchanged.
    std::string currentPath;
    bool addToHistory = false;
    bool clearModified = false;
    // "SaveDir" becomes this.
    std::optional<std::string> saveDir;
    // The dialog was cancelled during a batch save: the batch's flag is cleared.
    bool clearBatchFlag = false;
    // The dialog's wizard button was pressed: open the JPEG compression wizard.
    bool wizardWanted = false;
    // Why the write failed, for diagnostics; the user sees WriteFailureText.
    std::string error;
};

// Checks the room on the disk, writes the picture by type and reports a
// failure in the error box. The picture on screen is never changed.
SaveResult SavePicture(const SaveJob& job, SaveServices& services);

// The "Save as" command's situation.
struct SaveCommandContext {
    std::string currentPath; // the document's file, or "Untitled"
    std::string pathBoxText;
    std::string saveDir;       // "SaveDir"
    std::string programFolder; // the app home, the last choice of folder
    bool batch = false;        // the dialog's batch flag
    std::string batchSuffix;   // the batch's name suffix
    bool turboMode = false;
    bool keepStoredOrientation = false;                   // see SaveSettings
    std::function<bool(const std::string&)> fileExists;   // std::filesystem unless set
    std::function<bool(const std::string&)> folderExists; // std::filesystem unless set
};

struct SaveCommandHooks {
    SaveDialogFunction showDialog;
    // The overwrite question with Yes, No and Cancel (the window beeps first).
    // Unset: a Yes/No question through the services' dialogs.
    std::function<Answer(const std::string& text)> askOverwrite;
};

// The proposal the dialog starts from: the type and boxes the state keeps,
// the current file's name without extension (plus the batch suffix), and
// the first existing folder of "SaveDir", the path box's file and the
// program's folder.
SaveDialogRequest PrepareSaveDialog(const SaveCommandContext& context, const SaveDialogState& state,
                                    int imageBits);

// The "Save as" command: the dialog (none for a batch BMP save with a name
// suffix), the name rule, the overwrite question (No asks again), then
// SavePicture. The dialog's choices are kept in state.
SaveResult SaveAsCommand(const SaveCommandContext& context, SaveDialogState& state,
                         SaveServices& services, SaveCommandHooks& hooks);

// Applies a result to the document: its path, the history and the modified mark,
// and "SaveDir".
void ApplySaveResult(const SaveResult& result, std::string& currentPath, ViewerHistory& history,
                     DocumentFlags& flags, std::string& saveDir);

} // namespace zv
