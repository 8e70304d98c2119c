#pragma once
// Copies of a picture's rows as they were before a neighbourhood pass. The
// pass writes row y while rows below still have to read the old values of
// rows above, so each row is copied once, just before the pass first
// needs it, into a ring of 2r + 1 slots: when the pass is at row y the
// copies of rows y - r .. y + r (those inside the picture) are at hand.
//
// A copy may be padded with `pad` pixels at either end that repeat the
// first and last pixel, each colour byte its own, so windows reaching past
// the left or right edge read the edge pixel's own channel.
//
// A pass split into row bands (see RowBands.h) gives each band its own
// copies, made for the band's rows first .. end-1: the r rows above and
// below the band, which the neighbouring bands write, are copied when the
// object is made, before any band starts.

#include "imaging/Bitmap.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace zv {

class SourceRows {
public:
    SourceRows(const Bitmap& picture, std::int32_t radius, std::int32_t pad = 0)
        : SourceRows(picture, radius, pad, 0, picture.Height()) {}

    // For the band of rows first .. end-1.
    SourceRows(const Bitmap& picture, std::int32_t radius, std::int32_t pad, std::int32_t first,
               std::int32_t end)
        : picture_(picture), slots_(2 * static_cast<std::size_t>(radius) + 1), pad_(pad),
          rowBytes_(
              3 * (static_cast<std::size_t>(picture.Width()) + 2 * static_cast<std::size_t>(pad))),
          radius_(radius), end_(std::min(end, picture.Height())), copies_(slots_ * rowBytes_) {
        for (std::int32_t y = std::max(0, first - radius); y < first; ++y) Copy(y);
        next_ = std::max(0, first);
        const auto pixelBytes = 3 * static_cast<std::size_t>(picture.Width());
        const std::int32_t below = std::min(picture.Height(), end_ + radius) - end_;
        below_.resize(static_cast<std::size_t>(std::max(0, below)) * pixelBytes);
        for (std::int32_t k = 0; k < below; ++k)
            std::memcpy(below_.data() + static_cast<std::size_t>(k) * pixelBytes,
                        picture.ScanLine(end_ + k), pixelBytes);
    }

    // Makes the copies of rows centre - r .. centre + r (inside the picture)
    // available. Centres must rise, one row at a time or more, and a row
    // must not have been written before it is first copied.
    void MoveTo(std::int32_t centre) {
        const std::int32_t last = std::min(picture_.Height() - 1, centre + radius_);
        for (std::int32_t y = std::max(next_, centre - radius_); y <= last; ++y) Copy(y);
        next_ = std::max(next_, last + 1);
    }

    // The copy of row y at its first pixel; a padded copy reaches pad
    // pixels before it and after the last one.
    const std::uint8_t* Row(std::int32_t y) const {
        return copies_.data() + Slot(y) * rowBytes_ + 3 * static_cast<std::size_t>(pad_);
    }

private:
    std::size_t Slot(std::int32_t y) const { return static_cast<std::size_t>(y) % slots_; }

    void Copy(std::int32_t y) {
        std::uint8_t* to = copies_.data() + Slot(y) * rowBytes_;
        const auto width = static_cast<std::size_t>(picture_.Width());
        const std::uint8_t* from =
            y < end_ ? picture_.ScanLine(y)
                     : below_.data() + static_cast<std::size_t>(y - end_) * 3 * width;
        for (std::int32_t p = 0; p < pad_; ++p, to += 3) std::memcpy(to, from, 3);
        std::memcpy(to, from, 3 * width);
        to += 3 * width;
        for (std::int32_t p = 0; p < pad_; ++p, to += 3) std::memcpy(to, from + 3 * (width - 1), 3);
    }

    const Bitmap& picture_;
    std::size_t slots_;
    std::int32_t pad_;
    std::size_t rowBytes_;
    std::int32_t radius_;
    std::int32_t end_;
    std::int32_t next_ = 0;
    std::vector<std::uint8_t> copies_;
    std::vector<std::uint8_t> below_; // rows end .. end + r - 1 as they were
};

} // namespace zv
