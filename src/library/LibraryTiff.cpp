#include "library/LibraryTiff.h"

#include "formats/PictureLimits.h"
#include "library/LibraryError.h"

#include <utility>

namespace zv {

namespace {

// The format layer's failures become the library's codes, with their texts.
template <typename Read> auto AsLibraryError(Read&& read) -> decltype(read()) {
    try {
        return read();
    } catch (const ETiffPageError& error) {
        throw ELibraryError(kImgCorrupt, error.what());
    } catch (const EPictureSizeError& error) {
        throw ELibraryError(error.TooLarge() ? kImgNoMemory : kImgCorrupt, error.what());
    }
}

LibraryPage AsLibraryPage(TiffPage page) {
    return {std::move(page.picture), page.xDpi, page.yDpi};
}

} // namespace

int TiffPageCount(ByteSpan data) {
    return AsLibraryError([data] { return CountTiffPages(data); });
}

LibraryPage ReadTiffPage(ByteSpan data, int page) {
    return AsLibraryPage(AsLibraryError([=] { return ReadAnyTiffPage(data, page); }));
}

LibraryPage ReadTiffPageWithLibtiff(ByteSpan data, int page) {
    return AsLibraryPage(AsLibraryError([=] { return ReadTiffPageThroughLibtiff(data, page); }));
}

} // namespace zv
