#include "album/SlideThumbs.h"

#include "catalog/ThumbMaker.h"
#include "catalog/ThumbPicture.h"
#include "catalog/ThumbStates.h"

#include <exception>

namespace zv {

namespace {

std::uint16_t Dimension(int value) {
    return value < 0 || value > 65535 ? 0 : static_cast<std::uint16_t>(value);
}

bool Save(const std::filesystem::path& path, const Bitmap& thumbnail,
          const SlideThumbSettings& settings) {
    try {
        std::filesystem::create_directories(path.parent_path());
        SaveThumbnail(path, ThumbAtDisplayDepth(thumbnail, settings.screenBits, settings.dither));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// A file that is not a picture (or whose reader does not know it) shows its
// type's icon.
std::int16_t IconThumb(const SlideRecord& record, const std::filesystem::path& path,
                       const SlideThumbSettings& settings) {
    if (ThumbPresent(path)) return kThumbMade;
    const Bitmap icon = settings.iconThumb ? settings.iconThumb(record) : Bitmap();
    if (icon.Width() == 0) return kThumbFailed;
    return Save(path, icon, settings) ? kThumbMade : kThumbFailed;
}

} // namespace

std::filesystem::path SlideVariantFolder(const std::filesystem::path& cacheRoot,
                                         const SlideThumbSettings& settings) {
    return cacheRoot / VariantFolderName(settings.colour, settings.box, settings.screenBits);
}

void MakeSlideThumb(SlideAlbum& album, int position, const std::filesystem::path& thumbPath,
                    const SlideThumbSettings& settings) {
    SlideRecord& record = album.Slide(position);
    if (record.thumbState != kThumbPending) return;
    if (ThumbPresent(thumbPath)) {
        record.thumbState = kThumbMade;
        return;
    }
    const SlideKind kind = KindOf(record);
    if (kind == SlideKind::CdTrack || kind == SlideKind::Sound) {
        record.thumbState = IconThumb(record, thumbPath, settings);
        return;
    }
    if (record.fileSize <= 0) return;
    try {
        const ThumbResult made = MakeThumbFor(album.SlidePath(position), settings.box,
                                              settings.colour, ThumbExifOrientation());
        if (made.outcome == ThumbOutcome::Made) {
            record.thumbState =
                Save(thumbPath, made.thumbnail, settings) ? kThumbMade : kThumbFailed;
            record.width = Dimension(made.fullWidth);
            record.height = Dimension(made.fullHeight);
            if (record.width == 0 || record.height == 0) record.width = record.height = 0;
        } else if (made.loadFailed || kind == SlideKind::Other) {
            record.thumbState = IconThumb(record, thumbPath, settings);
        } else {
            record.thumbState = made.State();
        }
    } catch (const std::exception&) {
        record.thumbState = kThumbFailed;
    }
}

int NextPendingSlide(const SlideAlbum& album, int from) {
    const int count = album.Count();
    for (int step = 0; step < count; ++step) {
        const int position = (from + step) % count;
        if (album.Slide(position).thumbState == kThumbPending) return position;
    }
    return -1;
}

int ThumbsDonePercent(const SlideAlbum& album) {
    if (album.Count() == 0) return 100;
    std::int64_t done = 0;
    for (int i = 0; i < album.Count(); ++i)
        if (album.Slide(i).thumbState != kThumbPending) ++done;
    return static_cast<int>(done * 100 / album.Count());
}

} // namespace zv
