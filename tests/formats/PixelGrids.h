#pragma once
// Pictures as grids of numbers for comparing in tests: palette indices or
// colours 0x00BBGGRR row by row, as PnmFiles.h reads the reference pictures.

#include "PnmFiles.h"
#include "formats/DibGraphic.h"

#include <cstdint>
#include <vector>

namespace zvtest {

inline Grid Colours(const zv::TDibGraphic& image) {
    Grid rows(image.Height(), std::vector<std::uint32_t>(image.Width()));
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) rows[y][x] = image.GetPixel(x, y);
    return rows;
}

inline Grid Indices(const zv::TDibGraphic& image) {
    Grid rows(image.Height(), std::vector<std::uint32_t>(image.Width()));
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) rows[y][x] = image.GetPixelIndex(x, y);
    return rows;
}

} // namespace zvtest
