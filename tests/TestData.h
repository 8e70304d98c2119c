#pragma once
// Where the tests' reference files live: tests/data/<format>/, each input
// beside the picture another tool decoded from it.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <zlib.h>

namespace zvtest {

inline std::filesystem::path TestDataFolder() {
#ifdef ZV_TEST_DATA_DIR
    return ZV_TEST_DATA_DIR;
#else
    return std::filesystem::path(__FILE__).parent_path() / "data";
#endif
}

inline std::filesystem::path TestDataFile(const std::string& format, const std::string& name) {
    return TestDataFolder() / format / name;
}

struct ReferencePair {
    std::filesystem::path input;
    std::filesystem::path expected; // a .pnm, .ppm, .pgm or .pam of the same stem
};

// The files of tests/data/<format>/ with the extension that have a reference
// picture beside them, in name order.
inline std::vector<ReferencePair> ReferencePairs(const std::string& format,
                                                 const std::string& extension) {
    std::vector<ReferencePair> pairs;
    for (const auto& entry : std::filesystem::directory_iterator(TestDataFolder() / format)) {
        if (entry.path().extension() != extension) continue;
        for (const char* reference : {".pnm", ".ppm", ".pgm", ".pam"}) {
            std::filesystem::path expected = entry.path();
            expected.replace_extension(reference);
            if (!std::filesystem::exists(expected)) continue;
            pairs.push_back({entry.path(), expected});
            break;
        }
    }
    std::sort(pairs.begin(), pairs.end(),
              [](const ReferencePair& a, const ReferencePair& b) { return a.input < b.input; });
    return pairs;
}

inline std::vector<std::uint8_t> ReadTestFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A reference file kept gzip-compressed, inflated; empty when it does not inflate.
inline std::vector<std::uint8_t> ReadGzippedTestFile(const std::filesystem::path& path) {
    std::vector<std::uint8_t> packed = ReadTestFile(path);
    std::vector<std::uint8_t> out(std::max<std::size_t>(4 * packed.size(), 65536));
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) return {};
    stream.next_in = packed.data();
    stream.avail_in = static_cast<uInt>(packed.size());
    int status = Z_OK;
    while (status == Z_OK) {
        if (stream.total_out == out.size()) out.resize(2 * out.size());
        stream.next_out = out.data() + stream.total_out;
        stream.avail_out = static_cast<uInt>(out.size() - stream.total_out);
        status = inflate(&stream, Z_NO_FLUSH);
    }
    out.resize(status == Z_STREAM_END ? stream.total_out : 0);
    inflateEnd(&stream);
    return out;
}

} // namespace zvtest
