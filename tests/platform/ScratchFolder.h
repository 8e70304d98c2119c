#pragma once
// A fresh temporary folder for one test, removed with its contents afterwards,
// and a fake environment to point the platform services at it.

#include "platform/AppFolders.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>

namespace zv::test {

class ScratchFolder {
public:
    ScratchFolder() : ScratchFolder("/tmp") {}
    explicit ScratchFolder(const std::filesystem::path& under) {
        std::string pattern = (under / "zvtest-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed under " + pattern);
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

inline EnvironmentReader FakeEnvironment(std::map<std::string, std::string> values) {
    return [values = std::move(values)](const std::string& name) -> std::optional<std::string> {
        auto found = values.find(name);
        if (found == values.end() || found->second.empty()) return std::nullopt;
        return found->second;
    };
}

inline void WriteFile(const std::filesystem::path& file, const std::string& content) {
    std::ofstream out(file, std::ios::binary);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

inline std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace zv::test
