#include "viewer/UndoStore.h"

#include "imaging/BitmapFile.h"
#include "platform/ScriptedDialogs.h"

#include "FakeMemory.h"
#include "TempFolderTest.h"

#include <gtest/gtest.h>

namespace {

using namespace zv;
namespace fs = std::filesystem;

class RemovingTrash : public Trash {
public:
    std::string Delete(const std::string& path) override {
        fs::remove(path);
        return {};
    }
    std::string Recycle(const std::string& path) override { return Delete(path); }
};

class UndoStoreTest : public zvtest::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        names = std::make_unique<TempNames>(folder, 3);
        names->DrawPrefix(1u);
        store = std::make_unique<UndoStore>(UndoServices{
            imaging, *names, trash, memory, dialogs, flags, [this] { ++released; }, {}, {}});
    }

    // A picture of the given format with every byte of row y set to y + x.
    void Picture(int width, int height, PixelFormat format, int bits) {
        imaging.current.Create(width, height, format);
        for (int y = 0; y < height; ++y) {
            std::uint8_t* row = imaging.current.ScanLine(y);
            for (std::int64_t x = 0; x < imaging.current.Stride(); ++x)
                row[x] = static_cast<std::uint8_t>(y + x);
        }
        imaging.descriptor.ImageWidth = width;
        imaging.descriptor.ImageHeight = height;
        imaging.descriptor.ImageBits = static_cast<std::int16_t>(bits);
    }
    std::vector<std::uint8_t> Row(int y) const {
        const std::uint8_t* row = imaging.current.ScanLine(y);
        const int bytes = (imaging.current.Width() * imaging.descriptor.ImageBits + 7) / 8;
        return {row, row + bytes};
    }
    void Change() {
        imaging.current.ScanLine(0)[0] ^= 0xFF;
        flags.modified = true;
    }

    std::unique_ptr<TempNames> names;
    ImagingContext imaging;
    RemovingTrash trash;
    zvtest::FakeMemory memory;
    ScriptedDialogs dialogs;
    DocumentFlags flags;
    int released = 0;
    std::unique_ptr<UndoStore> store;
};

TEST_F(UndoStoreTest, AChangeIsUndoneOnceWithItsDepth) {
    Picture(37, 5, PixelFormat::Bits24, 24);
    const auto before = Row(0);
    ASSERT_TRUE(store->AutoBackUp(false));
    EXPECT_TRUE(store->Available());
    Change();
    ASSERT_TRUE(store->Undo());
    EXPECT_EQ(Row(0), before);
    EXPECT_EQ(imaging.descriptor.ImageBits, 24);
    EXPECT_TRUE(flags.modified); // the undo is itself a change
    EXPECT_FALSE(store->Available());
    EXPECT_FALSE(store->Undo()); // no second undo
}

TEST_F(UndoStoreTest, OneAndFourBitPicturesKeepPaletteAndDepth) {
    for (const auto& [format, bits] : {std::pair{PixelFormat::Bits1, 1}, {PixelFormat::Bits4, 4}}) {
        Picture(19, 4, format, bits);
        Palette palette = imaging.current.Colours();
        palette[1] = {10, 200, 30, 0};
        imaging.current.SetPalette(palette);
        const auto before = Row(2);
        ASSERT_TRUE(store->AutoBackUp(false));
        Change();
        ASSERT_TRUE(store->Undo());
        EXPECT_EQ(imaging.current.Format(), format);
        EXPECT_EQ(imaging.descriptor.ImageBits, bits);
        EXPECT_EQ(Row(2), before);
        EXPECT_EQ(imaging.current.Colours()[1].green, 200);
    }
}

TEST_F(UndoStoreTest, BatchRunsTakeNoCopyAndShortMemoryRefuses) {
    Picture(8, 8, PixelFormat::Bits24, 24);
    EXPECT_TRUE(store->AutoBackUp(true));
    EXPECT_FALSE(store->Available());

    imaging.BackupBitmap.Create(4, 4, PixelFormat::Bits24);
    memory.free = 0;
    Picture(2000, 1000, PixelFormat::Bits24, 24);
    EXPECT_FALSE(store->AutoBackUp(false));
    EXPECT_FALSE(store->Available());
    EXPECT_TRUE(flags.modified);
    EXPECT_EQ(released, 1);
    EXPECT_TRUE(imaging.BackupBitmap.Empty());
    EXPECT_NE(dialogs.LastText().find("Backup failed. "), std::string::npos);
    EXPECT_NE(dialogs.LastText().find("It is recommended that you save modifications"),
              std::string::npos);
}

TEST_F(UndoStoreTest, TheUndoFileIsReadBackAndKeptWhenItCannotBe) {
    Picture(12, 3, PixelFormat::Bits8, 8);
    const auto before = Row(1);
    EXPECT_FALSE(store->CopyToUndoBitmap(true));
    ASSERT_TRUE(fs::exists(store->UndoFilePath()));
    Change();
    EXPECT_FALSE(store->CopyFromUndoBitmap());
    EXPECT_EQ(Row(1), before);
    EXPECT_FALSE(fs::exists(store->UndoFilePath()));

    EXPECT_FALSE(store->CopyToUndoBitmap(true));
    std::ofstream(store->UndoFilePath(), std::ios::trunc) << "not a picture";
    const auto shown = Row(1);
    EXPECT_TRUE(store->CopyFromUndoBitmap());
    EXPECT_EQ(Row(1), shown); // the picture stays as it was
    EXPECT_TRUE(fs::exists(store->UndoFilePath()));
    EXPECT_NE(dialogs.LastText().find(store->UndoFilePath().string()), std::string::npos);
}

TEST_F(UndoStoreTest, RecoveryParksThePictureAndLeavesNoFileBehind) {
    int restarts = 0, backs = 0;
    UndoStore recovering(UndoServices{imaging,
                                      *names,
                                      trash,
                                      memory,
                                      dialogs,
                                      flags,
                                      {},
                                      [&] {
                                          ++restarts;
                                          ClearBitmap(imaging.current); // as the empty picture does
                                      },
                                      [&] { ++backs; }});
    Picture(16, 9, PixelFormat::Bits24, 24);
    const auto before = Row(4);
    recovering.RecoverBitmap();
    EXPECT_EQ(restarts, 1);
    EXPECT_EQ(backs, 1);
    EXPECT_EQ(Row(4), before);
    EXPECT_FALSE(fs::exists(recovering.UndoFilePath()));
}

TEST_F(UndoStoreTest, TheBackupBringsItsOwnSize) {
    Picture(30, 20, PixelFormat::Bits24, 24);
    ASSERT_TRUE(store->CopyFromBackUp()); // nothing backed up yet: the picture stays
    EXPECT_EQ(imaging.current.Width(), 30);
    EXPECT_EQ(imaging.descriptor.ImageHeight, 20);
    ASSERT_TRUE(store->CopyToBackUp());
    Picture(5, 5, PixelFormat::Bits24, 24);
    ASSERT_TRUE(store->CopyFromBackUp());
    EXPECT_EQ(imaging.descriptor.ImageWidth, 30);
    EXPECT_EQ(imaging.descriptor.ImageHeight, 20);
    EXPECT_TRUE(imaging.ScratchBitmap.Empty());
}

TEST(NormaliseBmp, PixelsAfterAGapMoveUpAndAMissingSizeIsComputed) {
    Bitmap picture;
    picture.Create(3, 2, PixelFormat::Bits24); // rows of 12 bytes
    picture.ScanLine(0)[0] = 7;
    std::vector<std::uint8_t> tight = BitmapFileBytes(picture);
    std::vector<std::uint8_t> gapped(tight.begin(), tight.begin() + 54);
    gapped.insert(gapped.end(), 10, 0xEE); // a gap before the pixels
    gapped.insert(gapped.end(), tight.begin() + 54, tight.end());
    for (int i = 34; i < 38; ++i) gapped[static_cast<std::size_t>(i)] = 0; // image size 0
    NormaliseBmp(gapped);
    EXPECT_EQ(gapped.size(), tight.size());
    EXPECT_EQ(ParseBitmapFileBytes(gapped.data(), gapped.size()).ScanLine(0)[0], 7);
    EXPECT_EQ(gapped[34], 24); // 2 rows x 12 bytes

    std::vector<std::uint8_t> truncated(tight.begin(), tight.begin() + 20);
    NormaliseBmp(truncated); // too short to touch
    EXPECT_EQ(truncated.size(), 20u);
}

} // namespace
