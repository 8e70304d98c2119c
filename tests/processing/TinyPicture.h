#pragma once
// Tiny true-colour pictures for the toolbox tests: a row of colours in,
// the colours of a row out.

#include "imaging/Bitmap.h"
#include "processing/Hls.h"

#include <ostream>
#include <vector>

namespace zvtest {

// One row of pixels, given as red, green, blue.
inline zv::Bitmap RowPicture(const std::vector<zv::Rgb>& colours) {
    zv::Bitmap picture;
    picture.Create(static_cast<std::int32_t>(colours.size()), 1, zv::PixelFormat::Bits24);
    std::uint8_t* p = picture.ScanLine(0);
    for (const zv::Rgb& c : colours) {
        p[0] = static_cast<std::uint8_t>(c.B);
        p[1] = static_cast<std::uint8_t>(c.G);
        p[2] = static_cast<std::uint8_t>(c.R);
        p += 3;
    }
    return picture;
}

// One row of greys.
inline zv::Bitmap GreyRow(const std::vector<int>& levels) {
    std::vector<zv::Rgb> colours;
    for (int v : levels) colours.push_back({v, v, v});
    return RowPicture(colours);
}

inline std::vector<zv::Rgb> RowColours(const zv::Bitmap& picture, std::int32_t y = 0) {
    std::vector<zv::Rgb> colours;
    const std::uint8_t* p = picture.ScanLine(y);
    for (std::int32_t x = 0; x < picture.Width(); ++x, p += 3)
        colours.push_back({p[2], p[1], p[0]});
    return colours;
}

// The red channel of a row.
inline std::vector<int> RowReds(const zv::Bitmap& picture) {
    std::vector<int> reds;
    for (const zv::Rgb& c : RowColours(picture)) reds.push_back(c.R);
    return reds;
}

} // namespace zvtest

namespace zv {
// Printed as r,g,b in failure messages.
inline void PrintTo(const Rgb& c, std::ostream* out) {
    *out << '(' << c.R << ',' << c.G << ',' << c.B << ')';
}
} // namespace zv
