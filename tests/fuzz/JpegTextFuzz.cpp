// Any bytes through the JPEG text window's parsers: reading comments and EXIF
// lines, both kinds of stripping and inserting a comment either work or raise
// EJpegMarkers. Stripping removes exactly the bytes it reports, and a
// comment adds its segment and nothing else.

#include "album/ExifListing.h"
#include "album/JpegComments.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const zv::ByteSpan bytes(data, size);
    try {
        zv::ListExif(bytes);
    } catch (const zv::EJpegMarkers&) {
    }
    try {
        zv::ReadJpegText(bytes);
    } catch (const zv::EJpegMarkers&) {
    }
    const std::size_t jpegSize = size - zv::MacHeaderLength(bytes);
    for (zv::JpegStripMode mode :
         {zv::JpegStripMode::CommentsOnly, zv::JpegStripMode::AllExtraInfo}) {
        try {
            const zv::JpegStripResult result = zv::StripJpeg(bytes, mode);
            if (result.bytes.size() + result.removed != jpegSize) __builtin_trap();
        } catch (const zv::EJpegMarkers&) {
        }
    }
    try {
        if (zv::InsertJpegComment(bytes, "fuzz").size() != jpegSize + 8) __builtin_trap();
    } catch (const zv::EJpegMarkers&) {
    }
    return 0;
}
