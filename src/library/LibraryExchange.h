#pragma once
// Handing the viewer's picture to our imaging library and bringing the
// library's picture back. Pictures of 16,384,000 bytes and more travel
// through a temporary file instead of one large memory block.

#include "imaging/ImagingContext.h"
#include "imaging/TempNames.h"
#include "library/ImageLibrary.h"
#include "platform/Dialogs.h"

namespace zv {

inline constexpr std::int64_t kLibraryMemoryLimit = 16384000;

// The services an exchange uses besides the picture itself.
struct LibraryExchange {
    ImagingContext& imaging;
    ImageLibrary& library;
    TempNames& tempNames;
    Dialogs& dialogs;
    bool exportedThroughFile = false; // the last export went through "zvexport.pcx"
};

// Normalises the current picture (4 and 8 bits onto their palettes, above 8
// bits to true colour, a display picture to a DIB), gives it to the library
// and makes the new handle the LibraryHandle. Returns the handle, 0 on failure.
ImgHandle BitmapToLibraryImage(LibraryExchange& exchange);

// Brings the picture behind LibraryHandle into the current picture; with
// refreshInfo the descriptor is first read from the library. Unless
// keepHandle the library's picture is closed. A failure reports the
// library's error; when it comes after the current picture was given up,
// the picture is left empty, never half-filled, and the result is false.
bool LibraryImageToBitmap(LibraryExchange& exchange, bool refreshInfo, bool keepHandle);

} // namespace zv
