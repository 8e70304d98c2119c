#pragma once
// A PNG picture's image data, filtered and compressed in bands of rows on
// every core (the rows of the seven passes one after the other, for an
// interlaced file). Each band is a raw deflate stream that starts with the last
// 32 KiB of the filtered bytes before it as its dictionary and ends on a
// byte boundary (a sync flush), so the bands joined make one zlib stream;
// their checksums are combined. The bands have a fixed size, so the bytes
// never depend on the number of cores.
//
// Rows are filtered as libpng chooses by default: with the five filters,
// the one whose bytes taken as signed have the least absolute sum, for
// pictures of 8 bits a sample or more without a palette; with none for the
// others.

#include <cstdint>
#include <functional>
#include <vector>

namespace zv {

struct PngImageData {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int bitsPerPixel = 24;   // bit depth x samples per pixel
    bool filtered = true;    // choose among the five filters; otherwise none
    int level = 6;           // zlib's compression level
    bool interlaced = false; // the seven passes of Adam7; whole bytes per pixel only
    // Writes row y's bytes in the file's order (packed, red first) to `to`.
    std::function<void(std::uint32_t y, std::uint8_t* to)> row;
};

// Appends the picture's image data as IDAT chunks, and the IEND chunk.
// Throws std::runtime_error when zlib fails.
void AppendPngImageData(std::vector<std::uint8_t>& file, const PngImageData& image);

} // namespace zv
