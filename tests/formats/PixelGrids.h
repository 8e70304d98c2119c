#pragma once
// Pictures as grids of numbers for comparing in tests: palette indices or
// colours 0x00BBGGRR row by row, and the pixels of a binary PBM, PGM or PPM
// file that another tool decoded.

#include "formats/DibGraphic.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace zvtest {

using Grid = std::vector<std::vector<std::uint32_t>>;

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

// The colours of a binary PBM (P4, 1 = black), PGM (P5) or PPM (P6) with 8-bit samples.
inline Grid ReadPnm(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int w = 0, h = 0, most = 1;
    in >> magic >> w >> h;
    if (magic != "P4") in >> most;
    in.get();
    Grid rows(h, std::vector<std::uint32_t>(w));
    for (auto& row : rows) {
        std::vector<char> bytes(magic == "P4" ? (w + 7) / 8 : w * (magic == "P6" ? 3 : 1));
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
        for (int x = 0; x < w; ++x) {
            if (magic == "P4")
                row[x] = (p[x / 8] >> (7 - x % 8) & 1) ? 0 : 0xFFFFFF;
            else if (magic == "P5")
                row[x] = p[x] * 0x010101u;
            else
                row[x] = p[3 * x] | p[3 * x + 1] << 8 | p[3 * x + 2] << 16;
        }
    }
    return rows;
}

} // namespace zvtest
