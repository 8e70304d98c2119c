#pragma once
// Our imaging library: pictures held behind integer handles (0 means
// failure), with the operations the program asks of it: opening files and
// memory blocks, scaled copies, colour reduction, rotation, mirroring, gamma
// and writing. The last failure is kept for ImgGetStatus and ImgErrBox.

#include "formats/Scaling.h"
#include "imaging/Bitmap.h"
#include "library/LibraryError.h"
#include "platform/Dialogs.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zv {

using ImgHandle = int;

// ImgCopy modes (kCopyPlain, kCopySmooth, ...) are those of formats/Scaling.h.

// ImgReduceColors mode bits.
inline constexpr int kReduceThreshold = 1;   // two colours: threshold at mid grey
inline constexpr int kReduceOrdered = 2;     // two colours: ordered dither
inline constexpr int kReduceDiffuse = 4;     // error-diffusion dither
inline constexpr int kReduceGrey = 8;        // onto a grey ramp
inline constexpr int kReduceFixed = 16;      // onto a fixed palette ("Standard")
inline constexpr int kReducePopularity = 32; // a palette of the picture's own colours (poster)
inline constexpr int kReduceOptimal = 64;    // a palette fitted to the picture ("Optimal")

// The picture behind one handle: every page of its file, the one selected,
// and where it came from.
struct LibraryImage {
    std::vector<Bitmap> pages; // at least one
    int currentPage = 0;
    std::string sourcePath;
    int xDpi = 0;
    int yDpi = 0;
    // Multi-page files are read a page at a time: a page stays empty until
    // ImgSetPage first selects it and this reads it (throwing ELibraryError
    // when it cannot). The selected page is always read.
    std::function<Bitmap(int page)> readPage;
    Bitmap& Picture() { return pages[static_cast<std::size_t>(currentPage)]; }
    const Bitmap& Picture() const { return pages[static_cast<std::size_t>(currentPage)]; }
};

class ImageLibrary {
public:
    ImageLibrary();
    ~ImageLibrary();
    ImageLibrary(const ImageLibrary&) = delete;
    ImageLibrary& operator=(const ImageLibrary&) = delete;

    void ImgInit();
    void ImgShutdown(); // closes every handle

    // BMP, DIB, PCX, DCX (every page), TGA, PNG, TIFF (every page and kind
    // libtiff reads), JPEG. The handle is on page 0.
    ImgHandle ImgOpenSolo(const std::string& path, int flags = 0);
    // A file held in memory: type "TIF", "BMP" or "PCX".
    ImgHandle ImgOpenMem(std::span<const std::uint8_t> buffer, const std::string& type);
    // A packed picture (40-byte header, colour table, rows bottom-up); the
    // library takes the block.
    ImgHandle ImgFromDIB(std::vector<std::uint8_t> packedDib);
    // A new handle of the picture scaled to width x height, from the source
    // rectangle (left, top, right, bottom; right and bottom exclusive) or the
    // whole picture.
    ImgHandle ImgCopy(ImgHandle handle, int width, int height, const std::array<int, 4>* sourceRect,
                      int mode);
    void ImgClose(ImgHandle handle);

    // The 40-byte information header: width at byte 4, height at 8, planes
    // (16 bits) at 12, bits (16 bits) at 14. False for an unknown handle.
    bool ImgGetInfoStruct(ImgHandle handle, std::array<std::uint8_t, 40>& header);

    int ImgPageCount(ImgHandle handle); // 0 for an unknown handle
    bool ImgSetPage(ImgHandle handle, int page);
    int ImgGetPage(ImgHandle handle); // -1 for an unknown handle

    ImgHandle ImgReduceColors(ImgHandle handle, int colours, int mode);
    ImgHandle ImgReduceColorsPal(ImgHandle handle, int mode, const Palette& palette);
    ImgHandle ImgIncreaseColors(ImgHandle handle, int bits);
    // Rotates counter-clockwise by hundredths of a degree; exact for
    // multiples of 9000; uncovered corners get the background (0x00BBGGRR).
    ImgHandle ImgRotate(ImgHandle handle, int hundredths, std::uint32_t background);
    // In place; 1 on success. horizontal mirrors about the horizontal axis
    // (top and bottom rows swap: the viewer's "Mirror Vertical"); vertical
    // mirrors about the vertical axis (left and right swap: "Mirror
    // Horizontal").
    int ImgMirror(ImgHandle handle, bool horizontal, bool vertical);
    // In place; gamma x 10 (10 leaves the picture as it is); 1 on success.
    int ImgGamma(ImgHandle handle, int gammaTimes10);
    std::optional<Palette> ImgGetPalette(ImgHandle handle);

    // Writes the picture as "bmp", "pcx", "tga", "png", "tif" or "jpg"; 1 on success.
    int ImgXWriteImage(const std::string& path, const std::string& type, ImgHandle handle, int, int,
                       int);

    // The last failure: a code (0 = none) and its text.
    int ImgGetStatus() const { return status_; }
    const std::string& LastError() const { return lastError_; }
    // Shows the last failure in an error box.
    void ImgErrBox(Dialogs& dialogs) const;

    // The picture behind a handle, for drawing, printing and the exchanges
    // with the viewer; null for an unknown handle, recorded as a failure.
    LibraryImage* Image(ImgHandle handle);
    ImgHandle Adopt(LibraryImage image); // a new handle for a picture made elsewhere

private:
    ImgHandle Fail(int status, const std::string& text);

    std::map<ImgHandle, std::unique_ptr<LibraryImage>> images_;
    ImgHandle nextHandle_ = 1;
    int status_ = 0;
    std::string lastError_;
};

} // namespace zv
