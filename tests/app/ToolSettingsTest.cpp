// zelvan-tool settings and --help, run as the user runs them.

#include "platform/linux/FileSettingsStore.h"
#include "viewer/ViewerSettings.h"

#include "TempFolderTest.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

zvtest::ToolRun RunTool(const std::string& arguments, const fs::path& configHome) {
    return zvtest::RunTool(arguments, "XDG_CONFIG_HOME='" + configHome.string() + "'");
}

class ToolSettings : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("ZV_TEST_TOOL")) GTEST_SKIP() << "ZV_TEST_TOOL names the tool";
    }
    zvtest::TempFolder temp;
    const fs::path home = temp.Path();
};

TEST_F(ToolSettings, PrintsTheStoredRecordAsStored) {
    zv::ViewerSettings settings;
    settings.delayMs = 90000;
    settings.viewerBounds = {-100, 20, 700, 620};
    const auto record = zv::SerializeViewerSettings(settings);
    zv::FileSettingsStore(home / "Corvane/Zelvan")
        .WriteBinary("VControls6014", zv::Bytes(record.begin(), record.end()));

    const zvtest::ToolRun run = RunTool("settings", home);
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find("\n0x54 delayMs 90000\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("\n0x20 viewerBounds -100 20 700 620\n"), std::string::npos);
    EXPECT_NE(run.output.find("\n0x92 fullScreenMenus 0\n"), std::string::npos);
}

TEST_F(ToolSettings, WithoutARecordShowsTheDefaults) {
    const zvtest::ToolRun run = RunTool("settings", home);
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find("\n0x54 delayMs 500\n"), std::string::npos) << run.output;
}

TEST_F(ToolSettings, HelpListsOnlyWorkingSubcommands) {
    const zvtest::ToolRun help = RunTool("--help", home);
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("settings"), std::string::npos);
    EXPECT_NE(RunTool("no-such-command", home).status, 0);
}

} // namespace
