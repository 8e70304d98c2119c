#include "app/StartupPlan.h"

#include "platform/Extensions.h"

#include <filesystem>

namespace zv {

namespace {
std::string JoinWithBlanks(const std::vector<std::string>& arguments) {
    std::string joined;
    for (const auto& argument : arguments) {
        if (!joined.empty()) joined += ' ';
        joined += argument;
    }
    return joined;
}
} // namespace

StartupPlan PlanStartup(const std::vector<std::string>& arguments, const FileExists& fileExists,
                        const ReadPictureInfo& readJpegInfo, const FileExists& folderExists) {
    StartupPlan plan;
    if (arguments.empty()) return plan;
    const std::string path = JoinWithBlanks(arguments);
    if (path.empty()) return plan;
    std::error_code error;
    const auto absolute = std::filesystem::absolute(path, error);
    if (!fileExists(path)) {
        if (folderExists && folderExists(path)) {
            plan.startFolder = error ? path : absolute.lexically_normal().string();
            if (plan.startFolder.back() != '/') plan.startFolder += '/';
        }
        return plan;
    }

    plan.startFile = error ? path : absolute.lexically_normal().string();
    plan.extension = UpperExtension(plan.startFile);
    if (!IsJpegExtension(plan.extension))
        plan.deferredOpen = true;
    else
        plan.startPictureReady = readJpegInfo(plan.startFile);
    return plan;
}

} // namespace zv
