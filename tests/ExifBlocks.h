#pragma once
// EXIF APP1 segment data for tests: a first directory and an Exif
// sub-directory of short, long, text and fraction entries, in either byte order.

#include <cstdint>
#include <string>
#include <vector>

namespace zvtest {

struct ExifEntry {
    std::uint16_t tag;
    std::uint16_t type;                // 2 text, 3 short, 4 long, 5 fraction, 10 signed fraction
    std::vector<std::int64_t> numbers; // a fraction takes two
    std::string text;
};

class ExifBlock {
public:
    explicit ExifBlock(bool littleEndian = true) : little_(littleEndian) {}

    // "Exif\0\0", the TIFF header, the first directory, then the sub-directory when given.
    std::vector<std::uint8_t> Build(const std::vector<ExifEntry>& first,
                                    const std::vector<ExifEntry>& exif = {}) {
        out_.assign({'E', 'x', 'i', 'f', 0, 0});
        out_.push_back(little_ ? 'I' : 'M');
        out_.push_back(little_ ? 'I' : 'M');
        Put(42, 2);
        Put(8, 4);
        std::vector<ExifEntry> entries = first;
        const std::size_t firstSize = Size(entries.size() + (exif.empty() ? 0 : 1));
        if (!exif.empty()) entries.push_back({0x8769, 4, {std::int64_t(8 + firstSize)}, {}});
        Directory(entries, 8);
        if (!exif.empty()) Directory(exif, 8 + firstSize);
        return out_;
    }

private:
    static std::size_t Size(std::size_t entries) { return 2 + 12 * entries + 4 + 256; }

    void Put(std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out_.push_back(std::uint8_t(value >> (8 * (little_ ? i : bytes - 1 - i))));
    }

    // The entries, then their values in a 256-byte area after the directory.
    void Directory(const std::vector<ExifEntry>& entries, std::size_t at) {
        std::size_t data = at + 2 + 12 * entries.size() + 4;
        std::vector<std::uint8_t> values;
        Put(entries.size(), 2);
        for (const ExifEntry& e : entries) {
            Put(e.tag, 2);
            Put(e.type, 2);
            if (e.type == 2) {
                Put(e.text.size() + 1, 4);
                Put(data + values.size(), 4);
                values.insert(values.end(), e.text.begin(), e.text.end());
                values.push_back(0);
            } else if (e.type == 5 || e.type == 10) {
                Put(1, 4);
                Put(data + values.size(), 4);
                std::swap(out_, values);
                Put(std::uint32_t(e.numbers[0]), 4);
                Put(std::uint32_t(e.numbers[1]), 4);
                std::swap(out_, values);
            } else {
                Put(1, 4);
                Put(std::uint64_t(e.numbers[0]), e.type == 3 ? 2 : 4);
                if (e.type == 3) Put(0, 2);
            }
        }
        Put(0, 4);
        values.resize(256);
        out_.insert(out_.end(), values.begin(), values.end());
    }

    bool little_;
    std::vector<std::uint8_t> out_;
};

} // namespace zvtest
