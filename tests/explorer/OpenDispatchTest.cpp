#include "explorer/OpenDispatch.h"

#include <gtest/gtest.h>

namespace {

using namespace zv;
using Kind = OpenActionKind;

Kind OneFile(const std::string& path, bool useViewer = true) {
    const auto actions = PlanOpen({path}, useViewer);
    EXPECT_EQ(actions.size(), 1u);
    return actions.front().kind;
}

TEST(OpenDispatch, OneFileGoesWhereItsExtensionSays) {
    EXPECT_EQ(OneFile("/p/run.bip"), Kind::OpenBatchEditor);
    EXPECT_EQ(OneFile("/p/trip.AVL"), Kind::OpenAlbum);
    EXPECT_EQ(OneFile("/p/a.jpeg", false), Kind::OpenInViewer);
    EXPECT_EQ(OneFile("/p/song.mp3"), Kind::OpenInViewer);
    EXPECT_EQ(OneFile("/p/song.mp3", false), Kind::ShellOpen);
    EXPECT_EQ(OneFile("/p/pack.zip"), Kind::OpenInViewer);
    EXPECT_EQ(OneFile("/p/pack.zip", false), Kind::ShellOpen);
    EXPECT_EQ(OneFile("/p/notes.txt"), Kind::ShellOpen);
    EXPECT_EQ(OneFile("/p/README"), Kind::ShellOpen);
}

TEST(OpenDispatch, SeveralFilesOpenTheFirstPictureAndQueueTheRest) {
    const auto actions =
        PlanOpen({"/p/notes.txt", "/p/a.jpg", "/p/trip.avl", "/p/b.png", "/p/pack.zip"}, true);
    const std::vector<OpenAction> expected = {{Kind::ShellOpen, "/p/notes.txt"},
                                              {Kind::OpenInViewer, "/p/a.jpg"},
                                              {Kind::AddToViewerList, "/p/b.png"},
                                              {Kind::AddToViewerList, "/p/pack.zip"},
                                              {Kind::OpenZipBrowser, "/p/pack.zip"}};
    EXPECT_EQ(actions, expected);
}

} // namespace
