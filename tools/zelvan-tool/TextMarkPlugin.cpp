#include "TextMarkPlugin.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace zvtool {

namespace {

constexpr const char* kModuleName = "zelvan-textmark.so";

// Where the module may be, in order: named by ZV_TEXTMARK_PLUGIN, beside the
// tool, and where the build put it.
std::vector<std::string> ModuleCandidates() {
    std::vector<std::string> candidates;
    if (const char* named = std::getenv("ZV_TEXTMARK_PLUGIN"); named && *named)
        candidates.emplace_back(named);
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) candidates.push_back((self.parent_path() / kModuleName).string());
#ifdef ZV_TEXTMARK_BUILT_MODULE
    candidates.emplace_back(ZV_TEXTMARK_BUILT_MODULE);
#endif
    return candidates;
}

} // namespace

std::unique_ptr<zv::TextMarkPainter> LoadTextMarkPainter() {
    using Factory = zv::TextMarkPainter* (*)();
    for (const std::string& candidate : ModuleCandidates()) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(candidate, error)) continue;
        void* module = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) continue;
        if (auto make = reinterpret_cast<Factory>(dlsym(module, "ZvMakeTextMarkPainter")))
            return std::unique_ptr<zv::TextMarkPainter>(make());
        dlclose(module);
    }
    return nullptr;
}

} // namespace zvtool
