#pragma once
// The imaging library's failure codes and size limit, and the exception its
// readers, writers and scalers throw so that the library can keep the code
// and text for ImgGetStatus and ImgErrBox.

#include "formats/PictureLimits.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace zv {

// ImgGetStatus values.
inline constexpr int kImgOk = 0;
inline constexpr int kImgCannotOpen = 1;    // the file is missing or unreadable
inline constexpr int kImgUnknownFormat = 2; // no reader knows the data
inline constexpr int kImgCorrupt = 3;       // the data is damaged or lies about its size
inline constexpr int kImgBadHandle = 4;     // no picture behind the handle
inline constexpr int kImgBadArgument = 5;   // a size, page, mode or type out of range
inline constexpr int kImgNoMemory = 6;      // the picture is too large to hold
inline constexpr int kImgCannotWrite = 7;   // the file could not be written
inline constexpr int kImgUnsupported = 8;   // a known kind the library does not read or write

// The most bytes of pixels the library makes for one picture or page.
inline constexpr std::int64_t kMaxLibraryPictureBytes = kMaxPictureBytes;

class ELibraryError : public std::runtime_error {
public:
    ELibraryError(int status, const std::string& text)
        : std::runtime_error(text), status_(status) {}
    int Status() const { return status_; }

private:
    int status_;
};

// Throws kImgNoMemory when a width x height picture of bitsPerPixel would
// take more than kMaxLibraryPictureBytes, or kImgCorrupt when a side is not
// positive.
void CheckPictureSize(std::int64_t width, std::int64_t height, int bitsPerPixel);

} // namespace zv
