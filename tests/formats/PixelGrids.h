#pragma once
// Pictures as grids of numbers for comparing in tests: palette indices or
// colours 0x00BBGGRR row by row, as PnmFiles.h reads the reference pictures.

#include "PnmFiles.h"
#include "TestData.h"
#include "formats/DibGraphic.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
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

// Reads each file of tests/data/<format>/ with the extension through the
// layer class and expects the colours of the reference picture beside it;
// returns how many files it read.
template <class Graphic>
std::size_t ExpectReferenceColours(const std::string& format, const std::string& extension) {
    const auto files = ReferencePairs(format, extension);
    for (const auto& [input, expected] : files) {
        SCOPED_TRACE(input.filename().string());
        Graphic image;
        image.LoadFromFile(input);
        EXPECT_EQ(Colours(image), ReadPnm(expected).Rows());
    }
    return files.size();
}

} // namespace zvtest
