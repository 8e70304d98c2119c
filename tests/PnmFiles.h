#pragma once
// Binary PNM files for tests: the reference pictures other tools decoded
// (P4, P5, P6 and P7, 8- or 16-bit samples) and the pictures handed to a
// peer tool (P5, P6).

#include "TestData.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace zvtest {

// Colours 0x00BBGGRR row by row.
using Grid = std::vector<std::vector<std::uint32_t>>;

// How samples above 8 bits come down to 8: rounded, or cut as libtiff does.
enum class PnmScale { Round, Truncate };

struct PnmPicture {
    int width = 0, height = 0;
    int channels = 0;                   // 1 for P4 and P5, 3 for P6, DEPTH for P7
    int maxValue = 0;                   // 1 for P4, whose samples are 0 black and 1 white
    std::vector<std::uint16_t> samples; // row by row, `channels` a pixel

    // False when the file was not a binary PNM or ended early.
    bool Complete() const {
        return width > 0 && height > 0 && channels > 0 && maxValue > 0 &&
               samples.size() == std::size_t(width) * height * channels;
    }

    std::uint16_t Sample(int x, int y, int channel) const {
        return samples[(std::size_t(y) * width + x) * channels + channel];
    }

    // The sample brought to 0..255.
    int Sample8(int x, int y, int channel, PnmScale scale = PnmScale::Round) const {
        const int v = Sample(x, y, channel);
        return scale == PnmScale::Round ? (v * 255 + maxValue / 2) / maxValue : v * 255 / maxValue;
    }

    // The colour 0x00BBGGRR of a pixel; grey repeats in all three, a fourth
    // channel (alpha) is left out.
    std::uint32_t Colour(int x, int y, PnmScale scale = PnmScale::Round) const {
        if (channels < 3) return std::uint32_t(Sample8(x, y, 0, scale)) * 0x010101u;
        return std::uint32_t(Sample8(x, y, 0, scale)) |
               std::uint32_t(Sample8(x, y, 1, scale)) << 8 |
               std::uint32_t(Sample8(x, y, 2, scale)) << 16;
    }

    Grid Rows(PnmScale scale = PnmScale::Round) const {
        Grid rows(height, std::vector<std::uint32_t>(width));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) rows[y][x] = Colour(x, y, scale);
        return rows;
    }

    // All colours in one list, row after row.
    std::vector<std::uint32_t> Colours(PnmScale scale = PnmScale::Round) const {
        std::vector<std::uint32_t> colours;
        colours.reserve(std::size_t(width) * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) colours.push_back(Colour(x, y, scale));
        return colours;
    }
};

inline PnmPicture ReadPnm(const std::filesystem::path& path) {
    const std::vector<std::uint8_t> bytes = ReadTestFile(path);
    const std::string text(bytes.begin(), bytes.end());
    PnmPicture picture;
    std::size_t headerEnd = 0;
    std::string magic = text.substr(0, 2);
    if (magic == "P7") {
        const std::size_t end = text.find("ENDHDR\n");
        if (end == std::string::npos) return picture;
        headerEnd = end + 7;
        std::istringstream header(text.substr(0, headerEnd));
        for (std::string key; header >> key;) {
            if (key == "WIDTH") header >> picture.width;
            if (key == "HEIGHT") header >> picture.height;
            if (key == "DEPTH") header >> picture.channels;
            if (key == "MAXVAL") header >> picture.maxValue;
        }
    } else if (magic == "P4" || magic == "P5" || magic == "P6") {
        std::istringstream header(text);
        header >> magic >> picture.width >> picture.height;
        picture.maxValue = 1;
        if (magic != "P4") header >> picture.maxValue;
        if (!header) return picture;
        picture.channels = magic == "P6" ? 3 : 1;
        headerEnd = static_cast<std::size_t>(header.tellg()) + 1; // one white space
    } else {
        return picture;
    }
    if (picture.width <= 0 || picture.height <= 0 || picture.channels <= 0) return picture;
    const auto at = [&](std::size_t i) { return i < bytes.size() ? bytes[i] : std::uint8_t(0); };
    std::size_t p = headerEnd;
    if (magic == "P4") {
        const std::size_t rowBytes = (std::size_t(picture.width) + 7) / 8;
        if (p + rowBytes * picture.height > bytes.size()) return picture;
        for (int y = 0; y < picture.height; ++y, p += rowBytes)
            for (int x = 0; x < picture.width; ++x)
                picture.samples.push_back((at(p + x / 8) >> (7 - x % 8) & 1) ? 0 : 1);
        return picture;
    }
    const int sampleBytes = picture.maxValue > 255 ? 2 : 1;
    const std::size_t count = std::size_t(picture.width) * picture.height * picture.channels;
    for (std::size_t i = 0; i < count && p + sampleBytes <= bytes.size(); ++i, p += sampleBytes)
        picture.samples.push_back(sampleBytes == 2 ? at(p) << 8 | at(p + 1) : at(p));
    return picture;
}

// Writes a P5 (one channel) or P6 (three) file of 8-bit samples.
inline bool WritePnm(const std::filesystem::path& path, const PnmPicture& picture) {
    std::ofstream out(path, std::ios::binary);
    out << (picture.channels == 1 ? "P5\n" : "P6\n") << picture.width << ' ' << picture.height
        << "\n255\n";
    for (const std::uint16_t sample : picture.samples) out.put(static_cast<char>(sample));
    return bool(out);
}

} // namespace zvtest
