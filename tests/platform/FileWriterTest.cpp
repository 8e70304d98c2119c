// Every step of a write failing in turn: the platform's own writers report
// it and leave what was on disk as it was.

#include "platform/linux/AtomicFile.h"
#include "platform/linux/FileSettingsStore.h"
#include "platform/linux/FreedesktopTrash.h"

#include "FailingWrites.h"
#include "platform/ScratchFolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>

namespace zv {
namespace {

namespace fs = std::filesystem;
using test::ScratchFolder;
using test::WriteFile;
using zvtest::FailingWrites;
using zvtest::Reporting;
using zvtest::WalkWriteFailures;

unsigned ModeOf(const fs::path& file) {
    struct stat status {};
    ::stat(file.c_str(), &status);
    return status.st_mode & 07777;
}

TEST(FileWriterTest, AtomicWriteKeepsTheOldFileAtEveryFailedStep) {
    struct Case {
        FolderSync sync;
        unsigned mode;
        int calls; // temporary, write, sync, close, rename (and the folder's sync)
    };
    for (const Case& c : {Case{FolderSync::Yes, 0644, 6}, Case{FolderSync::No, 0600, 5}}) {
        ScratchFolder scratch;
        const fs::path target = scratch / "HistoryList.txt";
        WriteFile(target, "old list\n");
        EXPECT_EQ(WalkWriteFailures(target, Reporting<EFileWriteError>([&] {
                                        WriteFileAtomically(target, "a longer, newer list\n",
                                                            c.sync, c.mode);
                                    })),
                  c.calls);
        EXPECT_EQ(ModeOf(target), c.mode);
    }
}

// Many small pieces across chunk boundaries arrive in order; a stream given
// up without Commit leaves the old file and no temporary one.
TEST(FileWriterTest, StreamedWriteCommitsItsPiecesOrLeavesTheOldFile) {
    ScratchFolder scratch;
    const fs::path target = scratch / "large.bin";
    WriteFile(target, "old");
    std::string expected;
    for (int i = 0; expected.size() < AtomicFileStream::kChunkBytes * 2 + 5; ++i)
        expected += "piece " + std::to_string(i) + ";";
    {
        AtomicFileStream file(target);
        file.Write(expected.data(), 1000);
    }
    EXPECT_EQ(test::ReadFile(target), "old");
    EXPECT_EQ(zvtest::NamesBelow(scratch.Path()), std::vector<std::string>{"large.bin"});
    AtomicFileStream file(target);
    for (std::size_t at = 0; at < expected.size(); at += 1000)
        file.Write(expected.data() + at, std::min<std::size_t>(1000, expected.size() - at));
    file.Commit();
    EXPECT_EQ(test::ReadFile(target), expected);
}

TEST(FileWriterTest, FailureMessageNamesTheFileAndTheCause) {
    ScratchFolder scratch;
    const fs::path target = scratch / "Report.txt";
    FailingWrites writes(2, ENOSPC);
    try {
        WriteFileAtomically(target, "text");
        ADD_FAILURE() << "no failure reported";
    } catch (const EFileWriteError& error) {
        EXPECT_STREQ(error.what(), ("Cannot write " + target.string() + ": write failed (" +
                                    std::strerror(ENOSPC) + ")")
                                       .c_str());
    }
}

TEST(FileWriterTest, SettingsValueSurvivesEveryFailedStep) {
    ScratchFolder scratch;
    FileSettingsStore store(scratch.Path());
    store.WriteBinary("WindowPos", {1, 2, 3, 4});
    EXPECT_EQ(WalkWriteFailures(scratch / "WindowPos", Reporting<ESettingsError>([&] {
                                    store.WriteBinary("WindowPos", {5, 6, 7, 8, 9});
                                })),
              6);
}

TEST(FileWriterTest, RecycleLeavesFileAndTrashAsTheyWereAtEveryFailedStep) {
    ScratchFolder scratch;
    FreedesktopTrash trash(test::FakeEnvironment({{"XDG_DATA_HOME", (scratch / "data").string()}}));
    WriteFile(scratch / "earlier.jpg", "recycled before");
    ASSERT_EQ(trash.Recycle((scratch / "earlier.jpg").string()), "");
    const fs::path photo = scratch / "photo.jpg";
    WriteFile(photo, "JPEGDATA");
    // Record, its bytes, sync, close, the move, the trash folder's sync.
    EXPECT_EQ(WalkWriteFailures(photo, [&] { return trash.Recycle(photo.string()).empty(); }), 6);
    EXPECT_EQ(test::ReadFile(scratch / "data/Trash/files/photo.jpg"), "JPEGDATA");
}

} // namespace
} // namespace zv
