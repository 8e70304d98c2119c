#pragma once
// A test fixture with a fresh temporary folder, removed after each test.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace zvtest {

class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "zvtestXXXXXX").string();
        folder = ::mkdtemp(pattern.data());
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    // Writes the bytes to a file of the folder and returns its path.
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::filesystem::path path = folder / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    std::filesystem::path folder;
};

} // namespace zvtest
