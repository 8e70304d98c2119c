#include "app/WorkFiles.h"
#include "app/WindowPlacement.h"

#include "TempFolderTest.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace {

using namespace zv;
namespace fs = std::filesystem;

class TempHome : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(home / "data"); }
    void Touch(const fs::path& path) { std::ofstream(path) << "x"; }
    zvtest::TempFolder temp;
    const fs::path home = temp.Path();
};

TEST_F(TempHome, AlbumDataFilesGoOnlyWithTheirCatalogue) {
    const std::string stem = "_0ABC12340042";
    Touch(home / "data" / (stem + "._n_"));
    Touch(home / "data" / (stem + ".dir"));
    EXPECT_TRUE(ExistingWorkFiles(home, stem).empty());

    Touch(home / ("Zelvan 7.04" + stem + ".avc"));
    Touch(home / "data" / (stem + "._d_"));
    Touch(home / "data" / (stem + ".zvp"));
    const std::vector<fs::path> expected = {
        home / ("Zelvan 7.04" + stem + ".avc"), home / "data" / (stem + "._d_"),
        home / "data" / (stem + "._n_"), home / "data" / (stem + ".zvp"),
        home / "data" / (stem + ".dir")};
    EXPECT_EQ(ExistingWorkFiles(home, stem), expected);
}

TEST_F(TempHome, AnotherRunsWorkFilesAreLeftAlone) {
    Touch(home / "data" / "_11111111AAAA.zvp");
    EXPECT_TRUE(ExistingWorkFiles(home, "_22222222BBBB").empty());
    EXPECT_TRUE(ExistingWorkFiles(home, "").empty());
}

DisplayInfo Screen(int left, int top, int width, int height) {
    DisplayInfo display;
    display.availableLeft = left;
    display.availableTop = top;
    display.availableWidth = width;
    display.availableHeight = height;
    return display;
}

TEST(WindowPlacement, ATinyWindowGetsHalfTheScreen) {
    const WindowRect rect = RestoreWindow({100, 100, 63, 400}, Screen(0, 0, 1920, 1040));
    EXPECT_EQ(rect, (WindowRect{480, 260, 960, 520}));
}

TEST(WindowPlacement, AWindowIsShrunkAndMovedIntoTheScreen) {
    EXPECT_EQ(RestoreWindow({1800, 900, 3000, 500}, Screen(0, 0, 1920, 1040)),
              (WindowRect{0, 540, 1920, 500}));
    EXPECT_EQ(RestoreWindow({-50, -10, 800, 600}, Screen(0, 0, 1920, 1040)),
              (WindowRect{0, 0, 800, 600}));
}

TEST(WindowPlacement, AWindowOnAMonitorLeftOfThePrimaryStaysThere) {
    EXPECT_EQ(RestoreWindow({-1500, 100, 800, 600}, Screen(-1920, 0, 3840, 1080)),
              (WindowRect{-1500, 100, 800, 600}));
}

TEST(WindowPlacement, SideBySideSharesTheScreen) {
    const SideBySide layout = ViewerLeftExplorerRight(Screen(0, 30, 1921, 1000));
    EXPECT_EQ(layout.viewer, (WindowRect{0, 30, 960, 1000}));
    EXPECT_EQ(layout.explorer, (WindowRect{960, 30, 961, 1000}));
}

TEST(WindowPlacement, TilesPutTheExplorerAtItsEdge) {
    const WindowRect area{0, 0, 1000, 700};
    SideBySide tiled = TileWindows(TileMode::ExplorerLeftViewerRight, area, 300, false);
    EXPECT_EQ(tiled.explorer, (WindowRect{0, 0, 500, 700}));
    EXPECT_EQ(tiled.viewer, (WindowRect{500, 0, 500, 700}));
    tiled = TileWindows(TileMode::ViewerLeftExplorerRight, area, 300, true);
    EXPECT_EQ(tiled.explorer, (WindowRect{700, 0, 300, 700}));
    EXPECT_EQ(tiled.viewer, (WindowRect{0, 0, 700, 700}));
    tiled = TileWindows(TileMode::OverlappedLeft, area, 300, true);
    EXPECT_EQ(tiled.viewer, tiled.explorer);
    EXPECT_EQ(tiled.explorer, (WindowRect{0, 0, 300, 700}));
}

} // namespace
