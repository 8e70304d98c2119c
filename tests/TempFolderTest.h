#pragma once
// A fresh temporary folder, removed with its contents afterwards: as a plain
// object for any test, and as a fixture for tests that want one each.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace zvtest {

class TempFolder {
public:
    TempFolder() : TempFolder(std::filesystem::temp_directory_path()) {}
    explicit TempFolder(const std::filesystem::path& under) {
        std::string pattern = (under / "zvtest-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a temporary folder under " + under.string());
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

    // Writes the bytes to a file of the folder and returns its path.
    std::string Write(const std::string& name, const std::string& bytes) const {
        const std::filesystem::path path = path_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

private:
    std::filesystem::path path_;
};

// A file's bytes as a string; empty when it cannot be read.
inline std::string ReadText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Everything below a folder, as sorted relative paths.
inline std::vector<std::string> FilesIn(const std::filesystem::path& folder) {
    std::vector<std::string> files;
    for (const auto& item : std::filesystem::recursive_directory_iterator(folder))
        files.push_back(std::filesystem::relative(item.path(), folder).string());
    std::sort(files.begin(), files.end());
    return files;
}

class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        temp_.emplace();
        folder = temp_->Path();
    }
    void TearDown() override { temp_.reset(); }

    std::string Write(const std::string& name, const std::string& bytes) {
        return temp_->Write(name, bytes);
    }

    std::filesystem::path folder;

private:
    std::optional<TempFolder> temp_;
};

} // namespace zvtest
