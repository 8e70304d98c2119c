#include "app/WorkFiles.h"

namespace zv {

namespace {
bool Exists(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

void AddIfExists(std::vector<std::filesystem::path>& files, const std::filesystem::path& path) {
    if (Exists(path)) files.push_back(path);
}
} // namespace

std::vector<std::filesystem::path> ExistingWorkFiles(const std::filesystem::path& appHome,
                                                     const std::string& workFileStem) {
    std::vector<std::filesystem::path> files;
    if (workFileStem.empty()) return files;
    const auto data = appHome / "data";

    const auto catalogue = appHome / (std::string(kProgramTitle) + workFileStem + ".avc");
    if (Exists(catalogue)) {
        files.push_back(catalogue);
        for (const char* suffix : {"._d_", "._v_", "._n_", "._r_", "._c_"})
            AddIfExists(files, data / (workFileStem + suffix));
    }
    const auto pictureList = data / (workFileStem + ".zvp");
    if (Exists(pictureList)) {
        files.push_back(pictureList);
        AddIfExists(files, data / (workFileStem + ".dir"));
    }
    return files;
}

std::vector<std::filesystem::path> DeleteWorkFiles(const std::filesystem::path& appHome,
                                                   const std::string& workFileStem, Trash& trash) {
    std::vector<std::filesystem::path> failed;
    for (const auto& file : ExistingWorkFiles(appHome, workFileStem))
        if (!trash.Delete(file.string()).empty()) failed.push_back(file);
    return failed;
}

} // namespace zv
