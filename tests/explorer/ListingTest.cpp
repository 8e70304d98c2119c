#include "explorer/Listing.h"

#include "TempFolderTest.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace {

using namespace zv;
namespace fs = std::filesystem;
using Clock = std::chrono::system_clock;

class Listing : public zvtest::TempFolderTest {
protected:
    // Writes a file dated `age` before `now`.
    void WriteAged(const std::string& name, Clock::duration age, const std::string& bytes = "x") {
        Write(name, bytes);
        fs::last_write_time(folder / name, fs::file_time_type::clock::from_sys(now - age));
    }

    std::vector<std::string> List(Clock::time_point at) {
        ListingOptions options;
        options.now = at;
        options.sortByName = true;
        result = ListFolder(folder.string(), store, order, icons, options);
        std::vector<std::string> names;
        for (int n : order) names.push_back(store[n].Name);
        return names;
    }

    const FileRecord& Record(const std::string& name) {
        for (int n : order) {
            if (store[n].Name == name) return store[n];
        }
        throw std::runtime_error(name + " not listed");
    }

    Clock::time_point now = Clock::now();
    RecordStore store;
    ViewOrder order;
    IconCache icons;
    ListingResult result;
};

using Names = std::vector<std::string>;

TEST_F(Listing, HiddenEmptyAndOddEntriesAreLeftOut) {
    WriteAged("photo.jpg", std::chrono::hours(1));
    WriteAged(".hidden.jpg", std::chrono::hours(1));
    WriteAged("empty.jpg", std::chrono::hours(1), "");
    fs::create_directory(folder / "Trip");
    fs::create_directory(folder / ".cache");
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    fs::create_symlink(folder / "photo.jpg", folder / "link.jpg");
    fs::create_symlink(folder / "Trip", folder / "trip-link");
    fs::create_symlink(folder / "gone.jpg", folder / "broken.jpg");
    fs::create_symlink("/dev/null", folder / "device");

    EXPECT_EQ(List(now), (Names{"Trip", "trip-link", "link.jpg", "photo.jpg"}));
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.folderCount, 2);
    EXPECT_EQ(Record("Trip").SortPrefix, " ");
    EXPECT_TRUE(Record("trip-link").IsFolder());
    EXPECT_EQ(Record("link.jpg").ThumbState, kThumbPending);
    EXPECT_EQ(Record("link.jpg").IconIndex, Record("photo.jpg").IconIndex);
    EXPECT_EQ(icons.ExtensionOf(Record("photo.jpg").IconIndex), ".JPG");
}

TEST_F(Listing, FileStillBeingWrittenAppearsAtALaterListing) {
    WriteAged("new.jpg", std::chrono::milliseconds(500));
    EXPECT_EQ(List(now), Names{});
    EXPECT_EQ(List(now + std::chrono::seconds(3)), Names{"new.jpg"});
}

TEST_F(Listing, FileDatedInTheFutureIsListed) {
    WriteAged("camera.jpg", -std::chrono::hours(24 * 400));
    EXPECT_EQ(List(now), Names{"camera.jpg"});
}

TEST_F(Listing, RecordHoldsLowSizeBitsAndLocalWriteTime) {
    WriteAged("huge.bin", std::chrono::hours(1));
    fs::resize_file(folder / "huge.bin", 5'000'000'000ULL);
    fs::last_write_time(folder / "huge.bin",
                        fs::file_time_type::clock::from_sys(now - std::chrono::hours(1)));
    List(now);
    const FileRecord& huge = Record("huge.bin");
    EXPECT_EQ(huge.Size, 705'032'704);
    EXPECT_EQ(huge.FileName, "huge.bin");
    std::tm local{};
    const std::time_t when = Clock::to_time_t(now - std::chrono::hours(1));
    ::localtime_r(&when, &local);
    EXPECT_EQ(huge.TimeOfDayMs / 1000, (local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec);
    EXPECT_EQ(huge.FileDate >> 16,
              static_cast<std::uint32_t>((local.tm_year - 80) << 9 | (local.tm_mon + 1) << 5 |
                                         local.tm_mday));
}

TEST_F(Listing, MissingFolderFailsWithAnEmptyList) {
    WriteAged("a.jpg", std::chrono::hours(1));
    List(now);
    ASSERT_EQ(order.size(), 1u);
    EXPECT_FALSE(ListFolder((folder / "none").string(), store, order, icons).ok);
    EXPECT_TRUE(order.empty());
    EXPECT_EQ(store.Count(), 0);
}

TEST(RecordStore, GrowsToTwiceTheNeedAndNeverShrinks) {
    RecordStore store;
    EXPECT_GE(store.Capacity(), 2048u);
    store.EnsureRoom(3000);
    EXPECT_GE(store.Capacity(), 6000u);
    store.Clear();
    store.EnsureRoom(10);
    EXPECT_GE(store.Capacity(), 6000u);
}

} // namespace
