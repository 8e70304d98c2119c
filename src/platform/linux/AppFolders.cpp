#include "platform/AppFolders.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <stdexcept>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace zv {

namespace fs = std::filesystem;

namespace {

std::optional<std::string> PasswordHome() {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return std::nullopt;
    if (!found->pw_dir || !*found->pw_dir) return std::nullopt;
    return std::string(found->pw_dir);
}

// A folder named by an environment variable, when it is set and absolute.
std::optional<fs::path> AbsoluteFolder(const EnvironmentReader& env, const std::string& name) {
    std::optional<std::string> value = env(name);
    if (!value || value->empty()) return std::nullopt;
    fs::path folder(*value);
    if (!folder.is_absolute()) return std::nullopt;
    return folder;
}

fs::path HomeFolder(const EnvironmentReader& env) {
    if (std::optional<fs::path> home = AbsoluteFolder(env, "HOME")) return *home;
    throw std::runtime_error("No home folder: $HOME is not set to an absolute folder");
}

// $<variable>, else $HOME/<fallback>.
fs::path XdgFolder(const EnvironmentReader& env, const std::string& variable,
                   const fs::path& fallback) {
    if (std::optional<fs::path> folder = AbsoluteFolder(env, variable)) return *folder;
    return HomeFolder(env) / fallback;
}

// $ZELVAN_HOME as given; a relative value is taken from the current folder.
std::optional<fs::path> ZelvanHome(const EnvironmentReader& env) {
    std::optional<std::string> value = env("ZELVAN_HOME");
    if (!value || value->empty()) return std::nullopt;
    return fs::absolute(fs::path(*value));
}

fs::path MakePrivateFolderUnder(const fs::path& base) {
    std::string pattern = (base / "zelvan-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::system_error(errno, std::generic_category(),
                                "Cannot make a temporary folder under " + base.string());
    return fs::path(pattern);
}

// Gives the owner full rights on every folder below `root`, so that a folder
// the program made read-only can still be emptied.
void OpenUpFolders(const fs::path& root) noexcept {
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
}

} // namespace

EnvironmentReader ProcessEnvironment() {
    return [](const std::string& name) -> std::optional<std::string> {
        const char* value = std::getenv(name.c_str());
        if (value && *value) return std::string(value);
        if (name == "HOME") return PasswordHome();
        return std::nullopt;
    };
}

fs::path DataHome(const EnvironmentReader& env) {
    return XdgFolder(env, "XDG_DATA_HOME", ".local/share");
}

AppFolders DefaultAppFolders(const EnvironmentReader& env) {
    AppFolders folders;
    std::optional<fs::path> zelvanHome = ZelvanHome(env);
    folders.appHome = zelvanHome ? *zelvanHome : DataHome(env) / "zelvan";
    folders.config = XdgFolder(env, "XDG_CONFIG_HOME", ".config") / "Corvane" / "Zelvan";
    folders.cacheRoot = zelvanHome ? *zelvanHome / "cache" / "data"
                                   : XdgFolder(env, "XDG_CACHE_HOME", ".cache") / "zelvan" / "data";
    return folders;
}

RunTempFolder::RunTempFolder(const EnvironmentReader& env) {
    if (std::optional<fs::path> tmpdir = AbsoluteFolder(env, "TMPDIR")) {
        try {
            path_ = MakePrivateFolderUnder(*tmpdir);
            return;
        } catch (const std::system_error&) {
            // $TMPDIR names a folder we cannot use: /tmp is still there.
        }
    }
    path_ = MakePrivateFolderUnder("/tmp");
}

RunTempFolder::~RunTempFolder() {
    try {
        std::error_code ec;
        fs::remove_all(path_, ec);
        if (ec) {
            OpenUpFolders(path_);
            fs::remove_all(path_, ec);
        }
    } catch (...) {
        // Nothing may leave a destructor; the folder is left for the system to clean.
    }
}

} // namespace zv
