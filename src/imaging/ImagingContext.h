#pragma once
// The viewer's picture and what every subsystem reads about it: the current
// Bitmap, the image descriptor, and the working bitmaps. One context is made
// by the application and passed by reference; tests make their own.

#include "imaging/Bitmap.h"

#include <cstdint>

namespace zv {

struct ImageDescriptor {
    std::int32_t ImageWidth = 0;
    std::int32_t ImageHeight = 0;
    std::int16_t ImageBits = 0; // 1, 4, 8, 15, 16 or 24 as loaded; 24 once made true colour
    int ScreenBits = 24;        // bits per pixel of the display, read once at start-up
};

// What the imaging layer asks of the window that shows the picture.
class ImageHost {
public:
    virtual ~ImageHost() = default;
    virtual void RefreshCaption() = 0;
    virtual bool BatchRunning() const = 0;
    virtual bool SlideshowRunning() const = 0;
};

struct ImagingContext {
    Bitmap current;
    ImageDescriptor descriptor;
    Bitmap UndoBitmap;
    Bitmap BackupBitmap;
    Bitmap DuplicateBitmap;
    Bitmap ScratchBitmap;
    int LibraryHandle = 0;   // the picture inside our imaging library, 0 for none
    bool autoReduce = false; // "Auto &Reduce": true-colour pictures held at the display's colours
    bool memoryCleared = false;  // the Memory command ran: multi-step work starts afresh
    bool memoryRanShort = false; // a copy was skipped because memory was short
    ImageHost* host = nullptr;
};

// Make the current picture a Bits24 DIB and set ImageBits to 24; the caption
// is refreshed unless a batch run or a slideshow is under way.
void EnsureTrueColour(ImagingContext& context);
// The same for Bits8 (halftone palette) and Bits4 (16 standard colours); the
// caption is refreshed unless a slideshow is under way.
void EnsureIndexed8(ImagingContext& context);
void EnsureIndexed4(ImagingContext& context);
// When the current picture is a DDB, remake it as a DIB of the depth asked
// (1, 4, 8, anything else 24) at the given size. Returns the depth in force.
int ConvertToDib(ImagingContext& context, std::int32_t width, std::int32_t height, int bits);

} // namespace zv
