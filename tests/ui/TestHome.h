#pragma once
// A private home for one window test: every folder the program reads or
// writes (settings, data, cache, run files) lies inside a temporary folder.

#include "platform/AppFolders.h"

#include <QTemporaryDir>

#include <filesystem>
#include <map>
#include <string>

namespace zvtest {

class TestHome {
public:
    TestHome() {
        const std::string home = folder_.path().toStdString();
        environment_ = {{"HOME", home},
                        {"ZELVAN_HOME", home + "/zelvan"},
                        {"XDG_CONFIG_HOME", home + "/config"},
                        {"XDG_DATA_HOME", home + "/data"},
                        {"XDG_CACHE_HOME", home + "/cache"},
                        {"XDG_RUNTIME_DIR", home},
                        {"TMPDIR", home}};
    }

    std::filesystem::path Path() const { return folder_.path().toStdString(); }
    std::filesystem::path ConfigFolder() const { return Path() / "config/Corvane/Zelvan"; }

    zv::EnvironmentReader Environment() const {
        return [this](const std::string& name) -> std::optional<std::string> {
            auto it = environment_.find(name);
            if (it == environment_.end()) return std::nullopt;
            return it->second;
        };
    }

    const std::map<std::string, std::string>& Variables() const { return environment_; }

private:
    QTemporaryDir folder_;
    std::map<std::string, std::string> environment_;
};

} // namespace zvtest
