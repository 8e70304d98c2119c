#pragma once
// Rearranging an album by a text of each slide: the slide order (record
// numbers) is sorted in place by the text's word order (CompareWords, the
// order of names in every list), the records themselves never move. Slides
// whose texts are the same keep their record numbers' order, so an
// arrangement is always the same for the same album.

#include "album/SlideAlbum.h"

namespace zv {

// "&Name": by the slide's name-list entry (the name without extension).
void ArrangeByName(SlideAlbum& album);

// "&Path": by folder + name + extension.
void ArrangeByPath(SlideAlbum& album);

} // namespace zv
