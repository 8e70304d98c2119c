#pragma once
// A fresh temporary folder for one test, removed with its contents afterwards,
// and a fake environment to point the platform services at it.

#include "TempFolderTest.h"
#include "platform/AppFolders.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>

namespace zv::test {

using ScratchFolder = zvtest::TempFolder;

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
    return zvtest::ReadText(file);
}

} // namespace zv::test
