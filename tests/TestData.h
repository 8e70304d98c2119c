#pragma once
// Where the tests' reference files live: tests/data/<format>/.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace zvtest {

inline std::filesystem::path TestDataFolder() {
#ifdef ZV_TEST_DATA_DIR
    return ZV_TEST_DATA_DIR;
#else
    return std::filesystem::path(__FILE__).parent_path() / "data";
#endif
}

inline std::vector<std::uint8_t> ReadTestFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace zvtest
