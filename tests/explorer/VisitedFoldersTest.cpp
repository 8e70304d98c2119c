#include "explorer/VisitedFolders.h"

#include "ChooserScript.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using zv::ChooserRequest;
using zv::ListChooser;

TEST(VisitedFolders, ChosenFolderOrEmptiedHistory) {
    zv::FolderHistory history;
    for (const char* folder : {"/a/", "/B/", "/b/"}) history.Update(folder);
    auto exists = [](const std::string& folder) { return folder != "/a/"; };
    ChooserRequest seen;
    // The user picks row `pick` (or deletes every row when pick < 0).
    auto run = [&](int pick) {
        return zv::ChooseVisitedFolder(
            history, "/b/",
            [&](ChooserRequest& request) {
                seen = request;
                return zvtest::PickOrDeleteAll(request, pick);
            },
            exists);
    };
    auto choice = run(1);
    EXPECT_EQ(seen.mode, 401);
    EXPECT_EQ(seen.helpTopic, 200);
    EXPECT_EQ(seen.caption, "Visited Folders");
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->position, 1u);
    EXPECT_EQ(choice->folder, "/B/");
    EXPECT_EQ(run(0)->folder, ""); // "/a/" is gone: stay
    choice = run(-1);
    ASSERT_TRUE(choice);
    EXPECT_TRUE(choice->entries.empty());
    EXPECT_EQ(choice->folder, "");
    EXPECT_FALSE(zv::ChooseVisitedFolder(
        history, "/b/", [](ChooserRequest&) { return -1; }, exists));
}

} // namespace
