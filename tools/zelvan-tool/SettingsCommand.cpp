// zelvan-tool settings: the viewer's settings record as stored.

#include "Subcommands.h"

#include "app/SettingsSession.h"
#include "platform/AppFolders.h"
#include "platform/linux/FileSettingsStore.h"
#include "viewer/ViewerSettings.h"

#include <iostream>

namespace zvtool {

const char* const kSettingsUsage =
    "Usage: zelvan-tool settings\n\n"
    "Prints the viewer's settings record \"VControls6014\" field by field, as stored:\n"
    "offset, field name and value (window bounds as left top right bottom). Values\n"
    "out of range are shown as stored; the program corrects them when it reads them.\n"
    "Also prints the \"OpenDir\" and \"SaveDir\" folders. When no record is stored,\n"
    "says so on standard error and prints the defaults a first run starts from.\n";

int RunSettings(const Arguments& arguments) {
    if (!arguments.empty()) {
        std::cerr << kSettingsUsage;
        return 2;
    }
    const zv::AppFolders folders = zv::DefaultAppFolders(zv::ProcessEnvironment());
    const zv::FileSettingsStore store(folders.config);
    std::cout << "# " << (folders.config / zv::kViewerSettingsName).string() << '\n';

    std::optional<zv::ViewerSettings> settings;
    if (auto record = store.ReadBinary(zv::kViewerSettingsName)) {
        settings = zv::ParseViewerSettings(*record);
        if (!settings)
            std::cerr << "zelvan-tool settings: the stored record has " << record->size()
                      << " bytes, not " << zv::kViewerSettingsSize << "; showing the defaults\n";
    } else {
        std::cerr << "zelvan-tool settings: no record stored; showing the defaults\n";
    }
    if (!settings) settings = zv::DefaultViewerSettings(24);
    std::cout << zv::DescribeViewerSettings(*settings);
    std::cout << zv::kOpenDirName << ' ' << store.ReadString(zv::kOpenDirName).value_or("") << '\n';
    std::cout << zv::kSaveDirName << ' ' << store.ReadString(zv::kSaveDirName).value_or("") << '\n';
    return 0;
}

} // namespace zvtool
