#pragma once
// The album's thumbnails: one slide's thumbnail made into the cache the
// explorer shares, by the slide's own record, as the window's idle steps
// and "Chec&k thumbs" ask for them one slide at a time.

#include "album/SlideAlbum.h"
#include "catalog/ThumbCache.h"
#include "imaging/Bitmap.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace zv {

struct SlideThumbSettings {
    ThumbBox box;
    std::uint32_t colour = 0x80000005;
    int screenBits = 24;
    bool dither = false;
    // A thumbnail drawn from the icon of the slide's kind (files that are
    // no pictures, CD tracks); an empty bitmap when there is none.
    std::function<Bitmap(const SlideRecord& record)> iconThumb;
};

// The variant folder the album's thumbnails go into under the cache root.
std::filesystem::path SlideVariantFolder(const std::filesystem::path& cacheRoot,
                                         const SlideThumbSettings& settings);

// Makes the thumbnail of a pending slide with a file (thumbState 1, size
// above 0) into thumbPath unless it is there; a slide whose thumbnail is
// there is made 100. Sets the state (100 made, 2 too large, 3 failed) and
// the picture's size. Never throws.
void MakeSlideThumb(SlideAlbum& album, int position, const std::filesystem::path& thumbPath,
                    const SlideThumbSettings& settings);

// The next slide from `from` on (wrapping) that still waits for its
// thumbnail; -1 when none does.
int NextPendingSlide(const SlideAlbum& album, int from);

// The share of slides whose thumbnail is done, 0..100.
int ThumbsDonePercent(const SlideAlbum& album);

} // namespace zv
