#include "platform/Extensions.h"
#include "platform/Progress.h"

#include <gtest/gtest.h>

namespace {

using namespace zv;

TEST(Extensions, TheExtensionComesFromTheFileNameOnly) {
    EXPECT_EQ(UpperExtension("/home/me/photo.jpeg"), ".JPEG");
    EXPECT_EQ(UpperExtension("/home/me.d/README"), "");
    EXPECT_EQ(UpperExtension("archive.tar.gz"), ".GZ");
    EXPECT_EQ(UpperExtension("trailing."), ".");
}

TEST(Extensions, MembershipIsASubstringTestThatNeverMatchesNothing) {
    const char* list = ".JPG.JPEG.PNG";
    EXPECT_TRUE(ExtensionIn(".JPG", list));
    EXPECT_TRUE(ExtensionIn(".JPE", list)); // a substring, as the program has always tested
    EXPECT_FALSE(ExtensionIn(".GIF", list));
    EXPECT_FALSE(ExtensionIn("", list));
    EXPECT_FALSE(ExtensionIn(".", list));
}

TEST(Progress, BarsReportPercentAndTheStopFlagSticks) {
    Progress progress;
    progress.SetBar(0, 3, 4);
    progress.SetBar(1, 10, 0);
    EXPECT_EQ(progress.Percent(0), 75);
    EXPECT_EQ(progress.Percent(1), 0);
    progress.SetBar(0, 9, 4);
    EXPECT_EQ(progress.Percent(0), 100);
    EXPECT_FALSE(progress.Stopped());
    progress.RequestStop();
    EXPECT_TRUE(progress.Stopped());
}

} // namespace
