#pragma once
// Where the program keeps its files: the app home (where it writes its data,
// scripts, logs and work files), the settings folder, the thumbnail cache and
// a private temporary folder for this run.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace zv {

struct AppFolders {
    std::filesystem::path appHome;   // $ZELVAN_HOME, else $XDG_DATA_HOME/zelvan
    std::filesystem::path config;    // $XDG_CONFIG_HOME/Corvane/Zelvan
    std::filesystem::path cacheRoot; // $XDG_CACHE_HOME/zelvan/data, or $ZELVAN_HOME/cache/data
    std::filesystem::path runTemp;   // private per-run folder (mode 0700); empty until made
};

// Reads an environment variable; empty or unset gives nothing. The process's
// reader falls back to the user's password entry for an unset $HOME.
using EnvironmentReader = std::function<std::optional<std::string>(const std::string&)>;
EnvironmentReader ProcessEnvironment();

// Works out the folders from the environment (XDG rules with $HOME fallbacks;
// a relative XDG value is ignored, as those rules say). Creates nothing.
// Throws std::runtime_error when no absolute home folder can be found.
AppFolders DefaultAppFolders(const EnvironmentReader& env);

// The desktop's per-user data folder: $XDG_DATA_HOME, else $HOME/.local/share.
// Throws std::runtime_error when neither gives an absolute folder.
std::filesystem::path DataHome(const EnvironmentReader& env);

// A private temporary folder for one run, made on construction (mode 0700,
// under $TMPDIR or /tmp) and removed with everything in it on destruction.
// Throws std::system_error when no such folder can be made.
class RunTempFolder {
public:
    explicit RunTempFolder(const EnvironmentReader& env);
    ~RunTempFolder();
    RunTempFolder(const RunTempFolder&) = delete;
    RunTempFolder& operator=(const RunTempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace zv
