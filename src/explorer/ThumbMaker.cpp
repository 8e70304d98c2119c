#include "explorer/ThumbMaker.h"

#include "explorer/FileList.h"
#include "explorer/Listing.h"
#include "explorer/ThumbPicture.h"
#include "formats/JpegReader.h"
#include "formats/loading/PictureLoader.h"
#include "platform/Extensions.h"

#include <exception>
#include <vector>

namespace zv {

namespace {

// Screen depth of the thumbnails written here: 24-bit.
constexpr int kTrueColourBits = 24;

ThumbResult Outcome(ThumbOutcome outcome) {
    ThumbResult result;
    result.outcome = outcome;
    return result;
}

ThumbResult MakeJpegThumb(const std::string& path, ThumbBox box, std::uint32_t thumbColour) {
    TJpegReader reader;
    reader.ReadHeader(path);
    ThumbResult result;
    result.fullWidth = reader.Width();
    result.fullHeight = reader.Height();
    result.bits = reader.Components() == 1 ? 8 : 24;
    const int scale = ThumbJpegScale(reader.Width(), reader.Height(), box);
    reader.SetScale(scale);
    result.jpegScale = scale;
    const JpegSize scaled = reader.ScaledSize();
    if (!WithinThumbBudget(scaled.width, scaled.height)) {
        result.outcome = ThumbOutcome::TooLarge;
        return result;
    }
    reader.output = JpegOutput::Bits24;
    Bitmap decoded;
    reader.Decode(decoded);
    result.thumbnail = MakeThumbnail(decoded, box, thumbColour);
    result.outcome = ThumbOutcome::Made;
    return result;
}

ThumbResult MakeLoadedThumb(const std::string& path, ThumbBox box, std::uint32_t thumbColour,
                            PictureLoader& loader, ImagingContext& imaging) {
    loader.currentPath = path;
    ThumbResult result;
    result.loadFailed = true;
    if (loader.ProbePicture() != kProbePicture) return result;
    result.loadFailed = false;
    result.fullWidth = imaging.descriptor.ImageWidth;
    result.fullHeight = imaging.descriptor.ImageHeight;
    result.bits = imaging.descriptor.ImageBits;
    if (!WithinThumbBudget(result.fullWidth, result.fullHeight)) {
        result.outcome = ThumbOutcome::TooLarge;
        return result;
    }
    loader.OpenImage();
    if (!loader.pictureReady || imaging.current.Empty()) {
        result.loadFailed = true;
        return result;
    }
    result.thumbnail = MakeThumbnail(imaging.current, box, thumbColour);
    // The decoded picture is not kept: thousands of files must not pile up.
    imaging.current = Bitmap();
    result.outcome = ThumbOutcome::Made;
    return result;
}

// Saves a thumbnail; a folder cache removed while the folder is worked on is
// made again once. False when the file cannot be written.
bool SaveInto(const CachePaths& paths, const std::filesystem::path& path, const Bitmap& thumbnail) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            std::filesystem::create_directories(paths.folderCacheFolder);
            SaveThumbnail(path, thumbnail);
            return true;
        } catch (const std::exception&) {
        }
    }
    return false;
}

} // namespace

std::int16_t ThumbResult::State() const {
    switch (outcome) {
    case ThumbOutcome::Made: return kThumbMade;
    case ThumbOutcome::TooLarge: return kThumbTooLarge;
    case ThumbOutcome::Failed: break;
    }
    return kThumbFailed;
}

int ThumbJpegScale(std::int64_t width, std::int64_t height, ThumbBox box) {
    return ChooseJpegScale(width, height, box.ThumbWidth, box.ThumbHeight, false);
}

ThumbResult MakeThumbFor(const std::string& path, ThumbBox box, std::uint32_t thumbColour,
                         PictureLoader& loader, ImagingContext& imaging) {
    try {
        if (UpperExtension(path).find(".JP") != std::string::npos)
            return MakeJpegThumb(path, box, thumbColour);
        return MakeLoadedThumb(path, box, thumbColour, loader, imaging);
    } catch (const std::exception&) {
        // A broken or unreadable file gets the failed thumbnail (or, when it
        // is not a JPEG, its icon); the folder goes on.
        imaging.current = Bitmap();
        ThumbResult result = Outcome(ThumbOutcome::Failed);
        result.loadFailed = UpperExtension(path).find(".JP") == std::string::npos;
        return result;
    }
}

ThumbFolderResult ThumbnailFolder(const std::filesystem::path& folder,
                                  const std::filesystem::path& cacheRoot, ThumbBox box,
                                  std::uint32_t thumbColour, PictureLoader& loader,
                                  ImagingContext& imaging, const ThumbFolderProgress& progress) {
    ThumbFolderResult result;
    std::string folderText = std::filesystem::absolute(folder).lexically_normal().string();
    if (folderText.empty() || folderText.back() != '/') folderText += '/';

    RecordStore store;
    ViewOrder order;
    IconCache icons;
    result.listed = ListFolder(folderText, store, order, icons).ok;
    if (!result.listed) return result;

    const std::string volume = VolumeString(folderText);
    const CachePaths paths =
        PrepareCacheFolders(cacheRoot, VariantFolderName(thumbColour, box, kTrueColourBits),
                            FolderKey(volume, folderText));
    result.folderCacheFolder = paths.folderCacheFolder;

    std::vector<FileRecord*> pictures;
    for (int row = 0; row < static_cast<int>(order.size()); ++row) {
        FileRecord* record = RowRecord(store, order, row);
        if (record && !record->IsFolder() &&
            ExtensionIn(UpperExtension(record->FileName), ImageExtensions))
            pictures.push_back(record);
    }
    const int total = static_cast<int>(pictures.size());
    for (int done = 0; done < total; ++done) {
        FileRecord& record = *pictures[done];
        const std::filesystem::path thumbPath = RowThumbPath(paths, volume, folderText, record);
        if (ThumbPresent(thumbPath)) {
            ++result.present;
        } else {
            const ThumbResult made =
                MakeThumbFor(RecordPath(folderText, record), box, thumbColour, loader, imaging);
            record.ThumbState = made.State();
            switch (made.outcome) {
            case ThumbOutcome::Made:
                if (SaveInto(paths, thumbPath, made.thumbnail)) {
                    ++result.made;
                } else {
                    record.ThumbState = kThumbFailed;
                    ++result.failed;
                }
                break;
            case ThumbOutcome::TooLarge: ++result.tooLarge; break;
            case ThumbOutcome::Failed: ++result.failed; break;
            }
        }
        if (progress) progress(done + 1, total);
    }
    return result;
}

} // namespace zv
