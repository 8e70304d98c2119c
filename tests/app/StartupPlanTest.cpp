#include "app/StartupPlan.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using namespace zv;

struct Files {
    std::set<std::string> existing;
    std::vector<std::string> jpegInfoRead;
    bool jpegReadable = true;
    FileExists Exists() {
        return [this](const std::string& path) { return existing.count(path) > 0; };
    }
    ReadPictureInfo Jpeg() {
        return [this](const std::string& path) {
            jpegInfoRead.push_back(path);
            return jpegReadable;
        };
    }
};

TEST(StartupPlan, NoArgumentsMeansNoStartFile) {
    Files files;
    const StartupPlan plan = PlanStartup({}, files.Exists(), files.Jpeg());
    EXPECT_EQ(plan.startFile, "*");
    EXPECT_FALSE(plan.deferredOpen);
    EXPECT_FALSE(plan.startPictureReady);
}

TEST(StartupPlan, AMissingFileBehavesAsNoArguments) {
    Files files;
    const StartupPlan plan = PlanStartup({"/pictures/gone.bmp"}, files.Exists(), files.Jpeg());
    EXPECT_EQ(plan.startFile, "*");
    EXPECT_FALSE(plan.deferredOpen);
}

TEST(StartupPlan, AFolderStartsTheExplorerThere) {
    Files files;
    const auto isFolder = [](const std::string& path) { return path == "/home/me/My Pictures"; };
    const StartupPlan plan =
        PlanStartup({"/home/me/My", "Pictures"}, files.Exists(), files.Jpeg(), isFolder);
    EXPECT_EQ(plan.startFile, "*");
    EXPECT_EQ(plan.startFolder, "/home/me/My Pictures/");
    EXPECT_FALSE(plan.deferredOpen);
}

TEST(StartupPlan, AnUnquotedPathWithBlanksArrivesWhole) {
    Files files;
    files.existing.insert("/home/me/My Pictures/summer day.jpg");
    const StartupPlan plan =
        PlanStartup({"/home/me/My", "Pictures/summer", "day.jpg"}, files.Exists(), files.Jpeg());
    EXPECT_EQ(plan.startFile, "/home/me/My Pictures/summer day.jpg");
    EXPECT_EQ(plan.extension, ".JPG");
    EXPECT_TRUE(plan.startPictureReady);
    EXPECT_FALSE(plan.deferredOpen);
    EXPECT_EQ(files.jpegInfoRead, std::vector<std::string>{plan.startFile});
}

TEST(StartupPlan, AnUnreadableJpegIsNotReady) {
    Files files;
    files.jpegReadable = false;
    files.existing.insert("/p/broken.JPEG");
    const StartupPlan plan = PlanStartup({"/p/broken.JPEG"}, files.Exists(), files.Jpeg());
    EXPECT_EQ(plan.startFile, "/p/broken.JPEG");
    EXPECT_FALSE(plan.startPictureReady);
    EXPECT_FALSE(plan.deferredOpen);
}

TEST(StartupPlan, OtherFilesOpenLaterAndScriptsPlay) {
    Files files;
    files.existing = {"/p/a.bmp", "/p/show.avl", "/p/noextension"};
    const StartupPlan bmp = PlanStartup({"/p/a.bmp"}, files.Exists(), files.Jpeg());
    EXPECT_TRUE(bmp.deferredOpen);
    EXPECT_FALSE(bmp.AvlStart());
    const StartupPlan avl = PlanStartup({"/p/show.avl"}, files.Exists(), files.Jpeg());
    EXPECT_TRUE(avl.deferredOpen);
    EXPECT_TRUE(avl.AvlStart());
    const StartupPlan bare = PlanStartup({"/p/noextension"}, files.Exists(), files.Jpeg());
    EXPECT_TRUE(bare.deferredOpen);
    EXPECT_TRUE(files.jpegInfoRead.empty());
}

TEST(StartupPlan, ARelativePathIsMadeAbsolute) {
    Files files;
    files.existing.insert("pictures/a.bmp");
    const StartupPlan plan = PlanStartup({"pictures/a.bmp"}, files.Exists(), files.Jpeg());
    EXPECT_EQ(plan.startFile.front(), '/');
    EXPECT_TRUE(plan.startFile.ends_with("/pictures/a.bmp"));
}

} // namespace
