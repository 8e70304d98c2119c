#pragma once
// What the viewer knows of the picture it shows: the file, its pages,
// whether it is ready, and how the last load read it. The viewer's document
// owns it; each call of the loader reads and fills it.

#include <cstdint>
#include <string>

namespace zv {

struct PictureState {
    std::string path;               // the file shown, or being opened
    std::string fallbackPath = "*"; // where a failed open puts the path back
    int pageCount = 1;
    int page = 0;
    bool ready = false;
    // The last decode of this JPEG failed: opening it again is refused
    // until another picture was opened.
    bool jpegError = false;
    // The picture's size before a scaled JPEG decode, and the scale.
    std::int32_t fullWidth = 0;
    std::int32_t fullHeight = 0;
    int jpegScale = 1;
    bool scaledDecode = false;
    // How the last load went, for the information text and for tests:
    // "layer", "library", "photo cd" or "jpeg".
    std::string route;
};

} // namespace zv
