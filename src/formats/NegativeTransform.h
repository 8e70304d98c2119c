#pragma once
// TNegativeTransform: the negative of a layer image, in place.

#include <functional>

namespace zv {

class TDibGraphic;

class TNegativeTransform {
public:
    // Reports progress from 0 to 100 while it works.
    std::function<void(int percent)> onProgress;

    // Grey and black-and-white images have every bit of every row inverted;
    // 24-bit images each channel; palette colour images keep their pixels and
    // get an inverted palette.
    void ApplyOnImage(TDibGraphic& image) const;
    // Not available for this transform: raises
    // "Method "ApplyOnDest" not implemented for TNegativeTransform class".
    [[noreturn]] void ApplyOnDest(const TDibGraphic& source, TDibGraphic& destination) const;
};

} // namespace zv
