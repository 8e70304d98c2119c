#pragma once
// Batch conversion: every picture of a list decoded, optionally run through
// a batch script, and written into one folder in one format. Workers on
// every core decode and encode into temporary files; the targets are then
// named and renamed into place in list order, never over an existing file,
// so the files and the log are the same for any number of workers.

#include "formats/DecodedPicture.h"
#include "processing/BatchScript.h"
#include "viewer/PictureSave.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

inline constexpr const char* kBatchExceptionsFileName = "BatchExceptions.txt";
inline constexpr const char* kBatchAbortedText = "Batch aborted.";
inline constexpr const char* kBatchProgressTitle = "Batch Encoding ...";
inline constexpr const char* kSkippedPrefix = "Skipped: ";
// The comment every JPEG a batch writes carries: the program and its maker.
inline constexpr const char* kBatchJpegComment =
    "Encoded with Zelvan 7.04 - https://zelvan.corvane.org";
// The extensions a source may have: its extension, in upper case, must occur
// in this text.
inline constexpr const char* kBatchSourceExtensions =
    ".JPG.JPEG.PNG.DCX.PCX.BMP.DIB.TIF.TGA.PCD.PSD.FPX";

// The six targets, by the menu items' tags 0..5.
struct BatchTarget {
    const char* caption;   // "to &JPG"
    const char* extension; // ".jpg"
    int saveType;          // the save type written
};
const BatchTarget& BatchTargetAt(int tag);

// CROP: the 24-bit picture cut to the rectangle, which lies inside it.
void CropWorkingPicture(ImagingContext& imaging, const PictureRect& rect);
// The tag of "jpg", "bmp", "png", "tif", "tga" or "pcx" (any case), or nothing.
std::optional<int> BatchTargetForName(const std::string& name);

struct BatchConvertJob {
    std::vector<std::string> sources;
    std::string targetFolder;
    // The target's tag; nothing writes each source in its own type where that
    // is one of the six, else PNG.
    std::optional<int> target;
    std::vector<std::string> script; // empty: no script
    JpegWizardRecord jpeg;           // the JPEG settings
    int jobs = 0;                    // workers; 0: as many as cores and memory allow
    bool allowDelete = false;        // DELETE in a script may delete sources
    DecodeOptions decode;
    // Polled before each picture is handed out; true stops the dispatch.
    std::function<bool()> cancelled;
    // (files done, percent) when the percentage changes.
    std::function<void(int, int)> progress;
    // Free bytes in a folder; FreeDiskSpace unless set.
    std::function<std::optional<std::uint64_t>(const std::string&)> freeSpace;
};

struct BatchConvertReport {
    std::vector<std::string> written; // targets, in list order
    std::vector<std::string> log;     // "Skipped: " + path, in list order
    std::vector<std::string> notes;   // what scripts did not do, once each
    std::vector<std::string> deleted; // sources a script's DELETE removed
    bool cancelled = false;
    std::string stopText; // why the run stopped early (shown as a warning or error)
};

BatchConvertReport RunBatchConvert(const BatchConvertJob& job);

// The workers a run uses: the cores, as memory allows, no more than the
// pictures.
int BatchWorkerCount(int requested, std::size_t pictures);

// The target for a source: the folder + the name without its extension +
// the extension, or with "-1".."-999" before the extension when taken;
// nothing when all are taken.
std::optional<std::string> BatchTargetName(const std::string& folder, const std::string& source,
                                           const std::string& extension,
                                           const std::function<bool(const std::string&)>& taken);

// The JPEG stream with a comment segment (FF FE) after the segment that
// follows the start marker; a stream that does not start with one is
// returned as it is.
std::vector<std::uint8_t> WithJpegComment(const std::vector<std::uint8_t>& jpeg,
                                          std::string_view comment);

std::string BatchProgressText(int done, int percent);
std::string InsufficientSpaceText(std::uint64_t required, std::uint64_t available);
std::string SkippedFilesText(std::size_t count);
// Writes the log, one line each, CR LF; false when it cannot be written.
bool WriteBatchExceptions(const std::string& path, const std::vector<std::string>& log);

} // namespace zv
