#include "platform/AppFolders.h"

#include "platform/ScratchFolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace zv {
namespace {

namespace fs = std::filesystem;
using test::FakeEnvironment;
using test::ScratchFolder;

TEST(AppFolders, FollowsXdgVariablesAndHomeFallbacks) {
    AppFolders xdg = DefaultAppFolders(FakeEnvironment({{"HOME", "/home/ann"},
                                                        {"XDG_DATA_HOME", "/d"},
                                                        {"XDG_CONFIG_HOME", "/c"},
                                                        {"XDG_CACHE_HOME", "/k"}}));
    EXPECT_EQ(xdg.appHome, fs::path("/d/zelvan"));
    EXPECT_EQ(xdg.config, fs::path("/c/Corvane/Zelvan"));
    EXPECT_EQ(xdg.cacheRoot, fs::path("/k/zelvan/data"));
    EXPECT_TRUE(xdg.runTemp.empty());

    AppFolders home = DefaultAppFolders(FakeEnvironment({{"HOME", "/home/ann"}}));
    EXPECT_EQ(home.appHome, fs::path("/home/ann/.local/share/zelvan"));
    EXPECT_EQ(home.config, fs::path("/home/ann/.config/Corvane/Zelvan"));
    EXPECT_EQ(home.cacheRoot, fs::path("/home/ann/.cache/zelvan/data"));
}

TEST(AppFolders, ZelvanHomeHoldsAppHomeAndCacheButNotSettings) {
    AppFolders folders = DefaultAppFolders(FakeEnvironment(
        {{"HOME", "/home/ann"}, {"ZELVAN_HOME", "/opt/zv"}, {"XDG_CACHE_HOME", "/k"}}));
    EXPECT_EQ(folders.appHome, fs::path("/opt/zv"));
    EXPECT_EQ(folders.cacheRoot, fs::path("/opt/zv/cache/data"));
    EXPECT_EQ(folders.config, fs::path("/home/ann/.config/Corvane/Zelvan"));
}

TEST(AppFolders, RelativeXdgValuesAreIgnoredAndNoHomeIsAnError) {
    AppFolders folders = DefaultAppFolders(FakeEnvironment(
        {{"HOME", "/home/ann"}, {"XDG_DATA_HOME", "rel/data"}, {"XDG_CONFIG_HOME", "rel"}}));
    EXPECT_EQ(folders.appHome, fs::path("/home/ann/.local/share/zelvan"));
    EXPECT_EQ(folders.config, fs::path("/home/ann/.config/Corvane/Zelvan"));

    EXPECT_THROW(DefaultAppFolders(FakeEnvironment({})), std::runtime_error);
    EXPECT_THROW(DefaultAppFolders(FakeEnvironment({{"HOME", "relative"}})), std::runtime_error);
}

TEST(AppFolders, ProcessEnvironmentAlwaysHasAHome) {
    std::optional<std::string> home = ProcessEnvironment()("HOME");
    ASSERT_TRUE(home.has_value());
    EXPECT_FALSE(home->empty());
    EXPECT_FALSE(ProcessEnvironment()("ZV_SURELY_UNSET_VARIABLE").has_value());
}

TEST(RunTempFolder, IsPrivateAndRemovedWithItsContents) {
    ScratchFolder scratch;
    fs::path made;
    {
        RunTempFolder temp(FakeEnvironment({{"TMPDIR", scratch.Path().string()}}));
        made = temp.Path();
        EXPECT_EQ(made.parent_path(), scratch.Path());
        struct stat info {};
        ASSERT_EQ(::stat(made.c_str(), &info), 0);
        EXPECT_TRUE(S_ISDIR(info.st_mode));
        EXPECT_EQ(info.st_mode & 0777, 0700u);

        fs::create_directories(made / "sub" / "deeper");
        test::WriteFile(made / "sub" / "deeper" / "work.bmp", "x");
        fs::permissions(made / "sub", fs::perms::owner_read | fs::perms::owner_exec);
    }
    EXPECT_FALSE(fs::exists(made));
}

TEST(RunTempFolder, UnusableTmpdirFallsBackToTmp) {
    RunTempFolder temp(FakeEnvironment({{"TMPDIR", "/nonexistent/zv-no-such-folder"}}));
    EXPECT_EQ(temp.Path().parent_path(), fs::path("/tmp"));
    EXPECT_TRUE(fs::is_directory(temp.Path()));
}

} // namespace
} // namespace zv
