#pragma once
// The library's operations that reach a device: drawing into a window,
// printing, the clipboard and scanning. They are realised by the window
// layer (Qt painting, QPrinter, QClipboard, SANE) and reach pictures only
// through their handles, so the core stays free of any window system.

#include "library/ImageLibrary.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace zv {

// left, top, right, bottom; right and bottom exclusive.
using DeviceRect = std::array<int, 4>;

class LibraryDevices {
public:
    virtual ~LibraryDevices() = default;

    // ImgDrawImage: the picture scaled from the source rectangle (or whole)
    // into the destination rectangle of the device the window names.
    virtual bool DrawImage(const LibraryImage& image, void* device, const DeviceRect& destination,
                           const std::optional<DeviceRect>& source) = 0;
    // ImgDrawImageFX: the same with a transition effect and its timing.
    virtual bool DrawImageFX(const LibraryImage& image, void* device, const DeviceRect& destination,
                             int effect, int milliseconds) = 0;
    // ImgPrintImage: 1 on success.
    virtual int PrintImage(const LibraryImage& image, void* printer, const DeviceRect& destination,
                           const std::optional<DeviceRect>& source) = 0;
    // ImgToClipboard / ImgFromClipboard.
    virtual bool ToClipboard(const LibraryImage& image) = 0;
    virtual std::optional<LibraryImage> FromClipboard() = 0;

    // Scanning: a source can be used; the user chose one; one page as a
    // packed picture (none when aborted).
    virtual bool ScanIsTWAINAvailable() = 0;
    virtual int ScanSelectSource(void* window) = 0;
    virtual std::optional<std::vector<std::uint8_t>> ScanAcquirePage(void* window) = 0;
};

inline constexpr const char* kTwainUnavailableText =
    "TWAIN DLL error.\nCheck driver, device and connections.";
inline constexpr const char* kTwainAbortedText = "TWAIN acquisition aborted.";

} // namespace zv
