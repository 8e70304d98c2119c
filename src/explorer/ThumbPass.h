#pragma once
// The thumbnail pass: walks the rows of the explorer's list one step at a
// time, as the window finds idle moments, and makes the thumbnail of every
// row whose thumbnail is pending and not in the cache. Pictures are decoded
// ahead of the pass on worker threads; the rows still change state one at a
// time in row order, so what the user sees and the files written are those
// of a row-by-row pass.

#include "catalog/ThumbCache.h"
#include "explorer/FileList.h"
#include "imaging/Bitmap.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace zv {

struct ThumbPassSettings {
    ThumbBox box;
    std::uint32_t colour = 0x80000005; // ThumbColour
    int screenBits = 24;               // 8 or fewer: 8-bit thumbnails on the display palette
    bool dither = true;                // DitherThumbs, for 8-bit thumbnails
};

// Where a listing's thumbnails go.
struct ThumbPassFolder {
    CachePaths paths;
    std::string volume;
    std::string folder; // the CurrentFolder, ending in "/"
};

// Draws the icon thumbnail of a row (the row's own icon fitted into the box
// on the thumbnail colour); runs on the window's thread.
using RowIconThumb = std::function<Bitmap(const FileRecord& record, const std::string& path)>;

class ThumbDecoders;

class ThumbnailPass {
public:
    // decodingThreads 0 decodes on the caller's thread, within Step.
    ThumbnailPass(RecordStore& store, ViewOrder& order, RowIconThumb rowIcon, int decodingThreads);
    ~ThumbnailPass();
    ThumbnailPass(const ThumbnailPass&) = delete;
    ThumbnailPass& operator=(const ThumbnailPass&) = delete;

    // Starts at the first row over the rows listed now. Does nothing when
    // the list is empty.
    void Start(const ThumbPassFolder& folder, const ThumbPassSettings& settings);
    // Stops a running pass; true when one was running. Decodes ahead are dropped.
    bool Stop();
    bool Running() const { return running_; }
    // The last pass reached its last row (reset by a new listing: Forget).
    bool Complete() const { return complete_; }
    // A new listing: the next Start is wanted again.
    void Forget() { complete_ = false; }

    enum class StepKind {
        Skipped,  // the row needed nothing
        Changed,  // the row's state or thumbnail changed: repaint it
        Waiting,  // the row's picture is still being decoded: call again shortly
        Finished, // the last row is done; the pass is complete
        Idle,     // no pass runs
    };
    struct StepOutcome {
        StepKind kind = StepKind::Idle;
        int row = -1;
    };
    // One row. Never throws: a row that cannot be made is marked failed.
    StepOutcome Step();

    int CurrentRow() const { return currentRow_; }
    int LastRow() const { return lastRow_; }
    // current row x 100 / last row; 100 when the last row is 0 or less.
    int Percent() const;

    // Single-row production for page generators: makes the thumbnail of one
    // row now when it is pending and missing. A JPEG too large keeps state
    // too-large. True when the row's thumbnail file is present afterwards.
    bool MakeRowNow(int row, const ThumbPassFolder& folder, const ThumbPassSettings& settings);

private:
    struct Production;
    StepOutcome Finish(int row, StepKind kind);
    void Ahead(int fromRow);
    std::string JobKey(int row) const;
    bool ApplyProduction(FileRecord& record, const std::string& picturePath,
                         const std::filesystem::path& thumbPath, Production production,
                         bool singleRow);

    RecordStore& store_;
    ViewOrder& order_;
    RowIconThumb rowIcon_;
    std::unique_ptr<ThumbDecoders> decoders_;
    ThumbPassFolder folder_;
    ThumbPassSettings settings_;
    bool running_ = false;
    bool complete_ = false;
    int currentRow_ = -1;
    int lastRow_ = -1;
    int aheadRow_ = -1; // rows up to here are queued for decoding
};

// Whether a row's file is read by a picture reader for its thumbnail (its
// extension is in ImageExtensions); other files show their icon.
bool ThumbFromPicture(const FileRecord& record);

} // namespace zv
