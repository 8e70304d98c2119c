#include "explorer/ThumbPass.h"

#include "catalog/ThumbDecoders.h"
#include "catalog/ThumbPicture.h"
#include "explorer/RowThumbs.h"
#include "formats/PictureLists.h"
#include "platform/Extensions.h"

#include <algorithm>
#include <array>
#include <exception>

namespace zv {

namespace {

// How many rows the decoders may run ahead of the pass, per thread.
constexpr int kAheadPerThread = 3;

bool IsJpegName(const FileRecord& record) {
    return IsJpegExtension(UpperExtension(record.FileName));
}

ThumbJob JobFor(const std::string& picturePath, const std::filesystem::path& thumbPath,
                const ThumbPassFolder& folder, const ThumbPassSettings& settings) {
    ThumbJob job;
    job.picturePath = picturePath;
    job.thumbPath = thumbPath;
    job.folderCacheFolder = folder.paths.folderCacheFolder;
    job.box = settings.box;
    job.colour = settings.colour;
    job.screenBits = settings.screenBits;
    job.dither = settings.dither;
    // As the thumbnail's name was chosen (RowThumbPath).
    job.exifOrientation = ThumbExifOrientation();
    return job;
}

bool SaveIconThumb(const Bitmap& icon, const std::filesystem::path& thumbPath,
                   const ThumbPassSettings& settings) {
    if (icon.Empty()) return false;
    try {
        std::filesystem::create_directories(thumbPath.parent_path());
        SaveThumbnail(thumbPath, ThumbAtDisplayDepth(icon, settings.screenBits, settings.dither));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace

struct ThumbnailPass::Production {
    ThumbJobDone done;
    bool fromPicture = false;
};

bool ThumbFromPicture(const FileRecord& record) {
    return !record.IsFolder() && ExtensionIn(UpperExtension(record.FileName), ImageExtensions);
}

ThumbnailPass::ThumbnailPass(RecordStore& store, ViewOrder& order, RowIconThumb rowIcon,
                             int decodingThreads)
    : store_(store), order_(order), rowIcon_(std::move(rowIcon)),
      decoders_(std::make_unique<ThumbDecoders>(decodingThreads)) {}

ThumbnailPass::~ThumbnailPass() = default;

void ThumbnailPass::Start(const ThumbPassFolder& folder, const ThumbPassSettings& settings) {
    if (running_ || order_.empty()) return;
    folder_ = folder;
    settings_ = settings;
    running_ = true;
    complete_ = false;
    currentRow_ = -1;
    lastRow_ = static_cast<int>(order_.size()) - 1;
    aheadRow_ = -1;
    decoders_->Clear();
}

bool ThumbnailPass::Stop() {
    decoders_->Clear();
    const bool wasRunning = running_;
    running_ = false;
    return wasRunning;
}

int ThumbnailPass::Percent() const {
    if (lastRow_ <= 0) return 100;
    return static_cast<int>(std::int64_t{std::max(currentRow_, 0)} * 100 / lastRow_);
}

// Queues the pictures of the next rows that will need decoding.
void ThumbnailPass::Ahead(int fromRow) {
    if (decoders_->Threads() == 0) return;
    const int limit = std::min(lastRow_, fromRow + kAheadPerThread * decoders_->Threads());
    for (int row = std::max(aheadRow_ + 1, fromRow); row <= limit; ++row) {
        aheadRow_ = row;
        const FileRecord* record = RowRecord(store_, order_, row);
        if (!record || record->ThumbState != kThumbPending || !ThumbFromPicture(*record)) continue;
        const std::filesystem::path thumbPath =
            RowThumbPath(folder_.paths, folder_.volume, folder_.folder, *record);
        if (ThumbPresent(thumbPath)) continue;
        decoders_->Submit(
            JobFor(RecordPath(folder_.folder, *record), thumbPath, folder_, settings_));
    }
}

ThumbnailPass::StepOutcome ThumbnailPass::Finish(int row, StepKind kind) {
    if (row >= lastRow_) {
        running_ = false;
        complete_ = true;
        decoders_->Clear();
        return {StepKind::Finished, row};
    }
    return {kind, row};
}

ThumbnailPass::StepOutcome ThumbnailPass::Step() {
    if (!running_) return {};
    const int row = currentRow_ + 1;
    if (row > lastRow_ || row >= static_cast<int>(order_.size()))
        return Finish(lastRow_, StepKind::Skipped);
    FileRecord* record = RowRecord(store_, order_, row);
    if (!record || record->ThumbState != kThumbPending) {
        currentRow_ = row;
        return Finish(row, StepKind::Skipped);
    }
    Ahead(row);
    try {
        const std::filesystem::path thumbPath =
            RowThumbPath(folder_.paths, folder_.volume, folder_.folder, *record);
        const bool fromPicture = ThumbFromPicture(*record);
        // A picture decoded ahead has usually saved its file already: the
        // row still takes its outcome, as if it had been made now.
        if ((fromPicture && decoders_->Has(thumbPath)) || !ThumbPresent(thumbPath)) {
            const std::string picturePath = RecordPath(folder_.folder, *record);
            Production production;
            production.fromPicture = fromPicture;
            if (production.fromPicture) {
                std::optional<ThumbJobDone> done =
                    decoders_->Take(JobFor(picturePath, thumbPath, folder_, settings_), false);
                if (!done) return {StepKind::Waiting, row};
                production.done = std::move(*done);
            }
            ApplyProduction(*record, picturePath, thumbPath, std::move(production), false);
        }
    } catch (const std::exception&) {
        record->ThumbState = kThumbFailed;
        try {
            std::filesystem::create_directories(folder_.paths.folderCacheFolder);
        } catch (const std::exception&) {
        }
    }
    currentRow_ = row;
    return Finish(row, StepKind::Changed);
}

bool ThumbnailPass::ApplyProduction(FileRecord& record, const std::string& picturePath,
                                    const std::filesystem::path& thumbPath, Production production,
                                    bool singleRow) {
    const ThumbResult& result = production.done.result;
    bool made = false;
    if (!production.fromPicture || result.loadFailed) {
        // Files that are not pictures, and pictures no reader could load, show their icon.
        made = rowIcon_ && SaveIconThumb(rowIcon_(record, picturePath), thumbPath, settings_);
    } else {
        made = result.outcome == ThumbOutcome::Made && production.done.saved;
    }
    if (made) {
        if (record.TypeText.empty()) {
            const PictureSize size{result.fullWidth, result.fullHeight, result.bits};
            const bool known = production.fromPicture && !result.loadFailed;
            record.TypeText = ComputeTypeText(
                picturePath, record, [&](const std::string&) -> std::optional<PictureSize> {
                    if (!known) return std::nullopt;
                    return size;
                });
        }
        record.ThumbState = kThumbMade;
    } else if (singleRow && result.outcome == ThumbOutcome::TooLarge && IsJpegName(record)) {
        record.ThumbState = kThumbTooLarge;
    } else {
        record.ThumbState = kThumbFailed;
    }
    return made;
}

bool ThumbnailPass::MakeRowNow(int row, const ThumbPassFolder& folder,
                               const ThumbPassSettings& settings) {
    FileRecord* record = RowRecord(store_, order_, row);
    if (!record || record->IsFolder()) return false;
    const std::filesystem::path thumbPath =
        RowThumbPath(folder.paths, folder.volume, folder.folder, *record);
    if (record->ThumbState != kThumbPending || ThumbPresent(thumbPath))
        return ThumbPresent(thumbPath);
    if (!running_) {
        folder_ = folder;
        settings_ = settings;
    }
    const std::string picturePath = RecordPath(folder.folder, *record);
    Production production;
    production.fromPicture = ThumbFromPicture(*record);
    if (production.fromPicture) {
        production.done = *decoders_->Take(JobFor(picturePath, thumbPath, folder, settings), true);
    }
    ApplyProduction(*record, picturePath, thumbPath, std::move(production), true);
    return ThumbPresent(thumbPath);
}

} // namespace zv
