// The checks before a listing starts and what a target sees of it.

#include "explorer/SlideListing.h"

#include "catalog/MediaExtensions.h"
#include "platform/ScriptedDialogs.h"

#include "TempFolderTest.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// Records the calls; may refuse to begin or fail a write.
struct FakeTarget : zv::WalkTarget {
    std::string refuse;
    bool failWrite = false;
    std::vector<std::string> calls;
    std::vector<std::string> volumes;
    std::string Begin(std::size_t) override {
        calls.push_back("begin");
        return refuse;
    }
    void Clear() override { calls.push_back("clear"); }
    void Folders(const std::vector<zv::WalkFolder>&) override { calls.push_back("folders"); }
    void File(const zv::WalkFile&) override {
        if (failWrite) throw std::runtime_error("Could not write /data/x._d_");
        calls.push_back("file");
    }
    std::string End(const std::vector<std::string>& v) override {
        volumes = v;
        calls.push_back("end");
        return "made";
    }
};

TEST(StartPlaceOf, ServerRootsAndSharesByTheirPath) {
    EXPECT_EQ(zv::StartPlaceOf("//server"), zv::StartPlace::ServerRoot);
    EXPECT_EQ(zv::StartPlaceOf("//server/"), zv::StartPlace::ServerRoot);
    EXPECT_EQ(zv::StartPlaceOf("//server/share/"), zv::StartPlace::NetworkShare);
    EXPECT_EQ(zv::StartPlaceOf("/tmp/"), zv::StartPlace::Local);
}

class SlideListingTest : public zvtest::TempFolderTest {
protected:
    zv::SlideListingResult Run(zv::StartPlace place, zv::WalkTexts texts = zv::WalkTexts::Dialog) {
        listing.placeOf = [place](const std::string&) { return place; };
        listing.volumeOf = [](const std::string& f) { return "V" + f; };
        zv::WalkOptions options;
        options.extensions = zv::MediaExtensions;
        options.texts = texts;
        return listing.Run(folder.string(), options, target, progress);
    }
    zv::DocumentFlags flags;
    zv::ScriptedDialogs dialogs;
    zv::SlideListing listing{flags, dialogs};
    FakeTarget target;
    zv::Progress progress;
};

TEST_F(SlideListingTest, NetworkStartsAskOrRefuseBeforeAnythingIsMade) {
    struct Case {
        zv::StartPlace place;
        zv::Answer answer;
        zv::ListingOutcome outcome;
        const char* textStart;
    } cases[] = {
        {zv::StartPlace::ServerRoot, zv::Answer::Ok, zv::ListingOutcome::Refused,
         "Please select a shared folder from the server.\n/"},
        {zv::StartPlace::NetworkShare, zv::Answer::Cancel, zv::ListingOutcome::Refused,
         "Password dialogs are NOT invoked"},
        {zv::StartPlace::NetworkShare, zv::Answer::Ok, zv::ListingOutcome::Done,
         "Password dialogs are NOT invoked"},
    };
    for (const Case& c : cases) {
        dialogs.boxes.clear();
        target.calls.clear();
        dialogs.answers = {c.answer};
        EXPECT_EQ(Run(c.place).outcome, c.outcome);
        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_TRUE(dialogs.boxes[0].text.starts_with(c.textStart)) << dialogs.boxes[0].text;
        EXPECT_EQ(target.calls.empty(), c.outcome == zv::ListingOutcome::Refused);
    }
}

TEST_F(SlideListingTest, VolumesPerFolderAndFailuresEndAsAnAbort) {
    std::filesystem::create_directories(folder / "sub");
    Write("sub/a.jpg", "x");
    ASSERT_EQ(Run(zv::StartPlace::Local).outcome, zv::ListingOutcome::Done);
    // One folder each, looked up once per device.
    EXPECT_EQ(target.volumes, std::vector<std::string>(2, "V" + folder.string() + "/"));

    // A refused begin and a failed write: the user reads why, and the abort.
    target = {};
    target.refuse = "Could not create the file\n/data/x._d_";
    EXPECT_EQ(Run(zv::StartPlace::Local).outcome, zv::ListingOutcome::Refused);
    EXPECT_EQ(progress.Text(), "Slide listing aborted."); // the walk dialog's label
    target = {};
    target.failWrite = true;
    EXPECT_EQ(Run(zv::StartPlace::Local, zv::WalkTexts::ExplorerSlides).outcome,
              zv::ListingOutcome::Aborted);
    EXPECT_EQ(target.calls, (std::vector<std::string>{"begin", "folders", "clear"}));
    ASSERT_EQ(dialogs.boxes.size(), 3u);
    EXPECT_EQ(dialogs.boxes[0].text, "Could not create the file\n/data/x._d_");
    EXPECT_EQ(dialogs.boxes[1].text, "Could not write /data/x._d_");
    EXPECT_EQ(dialogs.boxes[2].text, "Slide listing aborted.");
    EXPECT_FALSE(flags.criticalProcess);
}

} // namespace

#include "explorer/SlideCommands.h"

namespace {

TEST(PlanSlideshow, SelectionFolderOrTreeAsTheRowsAndTheAnswerSay) {
    using zv::Answer;
    using zv::SlideshowStep;
    const std::vector<std::string> picked = {"/p/a.JPG", "/p/notes.txt", "/p/b.mp3"};
    struct Case {
        const char* what;
        bool critical;
        std::size_t rows, selected;
        std::vector<std::string> files;
        bool subfolders;
        std::vector<Answer> answers;
        SlideshowStep step;
        std::vector<std::string> slides;
        const char* box; // the one box shown, or none
    } cases[] = {
        // clang-format off
        {"long process", true, 5, 2, picked, true, {}, SlideshowStep::Nothing, {},
         "A critical process is being executed.\nCancel the process to proceed."},
        {"no rows", false, 0, 0, {}, true, {}, SlideshowStep::Nothing, {}, nullptr},
        {"selection", false, 3, 3, picked, true, {}, SlideshowStep::SelectedFiles,
         {"/p/a.JPG", "/p/b.mp3"}, nullptr},
        {"nothing playable", false, 3, 2, {"/p/x.txt"}, true, {}, SlideshowStep::Nothing, {},
         "No supported image or multimedia files found."},
        {"two rows only", false, 2, 2, picked, false, {}, SlideshowStep::FolderOnly, {}, nullptr},
        {"yes", false, 4, 1, {}, true, {Answer::Yes}, SlideshowStep::Tree, {},
         "All available slides from current folder will be imported.\n"
         "Do you want to include contents from sub-folders too?"},
        {"no", false, 4, 0, {}, true, {Answer::No}, SlideshowStep::FolderOnly, {}, "All available"},
        {"cancel, the unscripted answer", false, 4, 0, {}, true, {}, SlideshowStep::Nothing, {},
         "All available"},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        zv::DocumentFlags flags;
        flags.criticalProcess = c.critical;
        zv::ScriptedDialogs dialogs;
        dialogs.answers.assign(c.answers.begin(), c.answers.end());
        const zv::SlideshowPlan plan =
            zv::PlanSlideshow(flags, dialogs, c.rows, c.selected, c.files, c.subfolders);
        EXPECT_EQ(plan.step, c.step);
        EXPECT_EQ(plan.files, c.slides);
        ASSERT_EQ(dialogs.boxes.size(), c.box ? 1u : 0u);
        if (c.box) EXPECT_TRUE(dialogs.boxes[0].text.starts_with(c.box));
    }
}

} // namespace
