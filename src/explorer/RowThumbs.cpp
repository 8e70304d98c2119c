#include "explorer/RowThumbs.h"

#include "catalog/ThumbMaker.h"
#include "catalog/ThumbPicture.h"
#include "explorer/Listing.h"
#include "formats/PictureLists.h"
#include "platform/Extensions.h"

#include <exception>
#include <vector>

namespace zv {

namespace {

namespace fs = std::filesystem;

// Screen depth of the thumbnails written here: 24-bit.
constexpr int kTrueColourBits = 24;

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

fs::path RowThumbPath(const CachePaths& paths, std::string_view volume, const std::string& folder,
                      const FileRecord& record) {
    if (record.IsFolder()) return paths.variantFolder / GenericThumbName(kGenericFolderThumb);
    const std::string fullPath = RecordPath(folder, record);
    const std::string extension = UpperExtension(fullPath);
    if (ExtensionIn(extension, ImageExtensions) || ExtensionIn(extension, IconExtensions)) {
        std::string key =
            ThumbKey(volume, fullPath, record.Size, record.FileDate, record.TimeOfDayMs);
        if (IsJpegExtension(extension) && !ThumbExifOrientation()) key += "AS STORED\r\n";
        return paths.folderCacheFolder / ThumbFileName(key);
    }
    return paths.variantFolder / ExtensionThumbName(extension);
}

ThumbFolderResult ThumbnailFolder(const std::filesystem::path& folder,
                                  const std::filesystem::path& cacheRoot, ThumbBox box,
                                  std::uint32_t thumbColour, const ThumbFolderProgress& progress) {
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
            const ThumbResult made = MakeThumbFor(RecordPath(folderText, record), box, thumbColour,
                                                  ThumbExifOrientation());
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
