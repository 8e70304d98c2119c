#pragma once
// The most bytes of pixels a decoder makes for one picture or page, and the
// check made before any of them is allocated.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace zv {

inline constexpr std::int64_t kMaxPictureBytes = std::int64_t{1} << 30;

// A picture whose size cannot be held: a side that is not positive (the
// data is damaged) or more than kMaxPictureBytes of pixels (TooLarge).
class EPictureSizeError : public std::runtime_error {
public:
    EPictureSizeError(const std::string& text, bool tooLarge)
        : std::runtime_error(text), tooLarge_(tooLarge) {}
    bool TooLarge() const { return tooLarge_; }

private:
    bool tooLarge_;
};

// Throws EPictureSizeError, "Corrupt image data: a picture of W x H pixels."
// or "Picture too large: W x H pixels at B bits per pixel.".
void CheckPictureBytes(std::int64_t width, std::int64_t height, int bitsPerPixel);

} // namespace zv
