#include "catalog/ThumbCache.h"

#include "TempFolderTest.h"

#include <gtest/gtest.h>

namespace {

using namespace zv;
namespace fs = std::filesystem;

constexpr std::uint32_t kWindowColour = 0x80000005;

TEST(ThumbSizes, TableNormalisingAndDefaults) {
    EXPECT_EQ(ThumbBoxFor(1), (ThumbBox{84, 63}));
    EXPECT_EQ(ThumbBoxFor(2), (ThumbBox{84, 63}));
    EXPECT_EQ(ThumbBoxFor(3), (ThumbBox{120, 90}));
    EXPECT_EQ(ThumbBoxFor(7), (ThumbBox{208, 156}));
    EXPECT_EQ(ThumbBoxFor(8), (ThumbBox{224, 168}));
    EXPECT_EQ(ThumbBoxFor(0), (ThumbBox{224, 168}));
    EXPECT_EQ(ThumbBoxFor(42), (ThumbBox{224, 168}));

    EXPECT_EQ(NormaliseThumbSizeIndex(0), 3);
    EXPECT_EQ(NormaliseThumbSizeIndex(-7), 3);
    EXPECT_EQ(NormaliseThumbSizeIndex(9), 8);
    EXPECT_EQ(NormaliseThumbSizeIndex(2), 2);

    EXPECT_EQ(DefaultThumbSizeIndex(1151), 3);
    EXPECT_EQ(DefaultThumbSizeIndex(1152), 4);
    EXPECT_EQ(DefaultThumbSizeIndex(1280), 5);

    EXPECT_EQ(ThumbSizeCaptions().front(), "  84 x 63");
    EXPECT_EQ(ThumbSizeCaptions().back(), "224 x 168");
    EXPECT_EQ(ThumbSizeIndexOfOption(0), 2);
    EXPECT_EQ(ThumbSizeOptionOfIndex(1), 0);
    EXPECT_EQ(ThumbSizeOptionOfIndex(5), 3);
    EXPECT_EQ(ThumbSizeOptionOfIndex(99), 6);
}

TEST(ThumbNames, HashAndBase32Digits) {
    EXPECT_EQ(CacheHash("abc"), "CADBBE3D");
    EXPECT_EQ(CacheHash(""), "FFFFFFFF");
    EXPECT_EQ(Base32Digits(100), "000034");
    EXPECT_EQ(Base32Digits(1000), "0000V8");
    EXPECT_EQ(Base32Digits((1u << 30) - 1), "VVVVVV");
    EXPECT_EQ(Base32Digits(1u << 30), "40000000");
}

TEST(ThumbNames, VariantFolderFollowsColourSizeAndDepth) {
    EXPECT_EQ(ThumbColourNumber(kWindowColour), 0x80u);
    EXPECT_EQ(ThumbColourNumber(0x000000FF), 0xFF0000u); // red as 0x00BBGGRR
    EXPECT_EQ(BlankThumbFileSize({120, 90}, 24), 32454u);
    EXPECT_EQ(BlankThumbFileSize({85, 2}, 32), 54u + 2 * 256);      // rows padded to 4 bytes
    EXPECT_EQ(BlankThumbFileSize({85, 2}, 8), 54u + 2 * 88 + 1024); // plus the colour table

    EXPECT_EQ(VariantFolderName(kWindowColour, {120, 90}, 24), "000400.VM6");
    EXPECT_EQ(VariantFolderName(kWindowColour, {120, 90}, 32), "000400.VM6");
    EXPECT_EQ(VariantFolderName(0x00FFFFFF, {120, 90}, 24), "FVVVV0.VM6");
    EXPECT_EQ(VariantFolderName(kWindowColour, {120, 90}, 8), "000400.BJ6"); // 11878 bytes
}

TEST(ThumbNames, KeysAndFileNames) {
    EXPECT_EQ(FolderKey("DATA.1A2B3C4D", "/home/ann/Pics"), "DATA.1A2B3C4D\r\n/HOME/ANN/PICS/\r\n");
    EXPECT_EQ(ThumbKey("", "/home/ann/b.jpg", 1234, 5678, -9),
              "\r\n/HOME/ANN/B.JPG\r\n1234\r\n5678\r\n-9\r\n");

    EXPECT_EQ(ThumbFileName("abc"), "CADBBE3D.003");
    const std::string longest(32767, 'x');
    EXPECT_EQ(ThumbFileName(longest), CacheHash(longest) + ".VVV");
    const std::string tooLong(32768, 'x');
    EXPECT_EQ(ThumbFileName(tooLong), "00008000" + CacheHash(tooLong));

    EXPECT_EQ(GenericThumbName(kGenericFolderThumb), "00000001");
    EXPECT_EQ(GenericThumbName(kGenericFailedThumb), "00000004");
    EXPECT_EQ(ExtensionThumbName(".mp3"), "MP3");
    EXPECT_EQ(ExtensionThumbName("MP3"), "MP3");
    // Never the variant folder itself nor a path out of it.
    EXPECT_EQ(ExtensionThumbName(""), "00000002");
    EXPECT_EQ(ExtensionThumbName("."), "00000002");
    EXPECT_EQ(ExtensionThumbName("./x"), "00000002");
}

class ThumbCacheFiles : public zvtest::TempFolderTest {};

TEST_F(ThumbCacheFiles, PrepareCreatesVariantAndFolderCache) {
    const CachePaths paths =
        PrepareCacheFolders(folder / "data", "000400.VM6", FolderKey("", "/pics/"));
    EXPECT_EQ(paths.variantFolder, folder / "data" / "000400.VM6");
    EXPECT_EQ(paths.folderCacheFolder, paths.variantFolder / CacheHash("\r\n/PICS/\r\n"));
    EXPECT_TRUE(fs::is_directory(paths.folderCacheFolder));
    EXPECT_NO_THROW(PrepareCacheFolders(folder / "data", "000400.VM6", FolderKey("", "/pics/")));
}

TEST_F(ThumbCacheFiles, PresentOnlyWhenLargerThan256Bytes) {
    EXPECT_FALSE(ThumbPresent(folder / "missing"));
    EXPECT_FALSE(ThumbPresent(Write("short", std::string(256, 'x'))));
    EXPECT_TRUE(ThumbPresent(Write("made", std::string(257, 'x'))));
    EXPECT_FALSE(ThumbPresent(folder)); // a folder is no thumbnail
}

TEST(ThumbVolume, FromMountTableAndDiskListings) {
    constexpr const char* kMounts = "/dev/sda1 / ext4 rw 0 0\n"
                                    "proc /proc proc rw 0 0\n"
                                    "/dev/sdb1 /home ext4 rw 0 0\n"
                                    "/dev/sdc1 /home/ann/USB\\040STICK vfat rw 0 0\n"
                                    "/dev/sdd1 /homework ext4 rw 0 0\n"
                                    "/dev/sde1 /srv ext4 rw 0 0\n"
                                    "/dev/sdf1 /srv ext4 rw 0 0\n"
                                    "garbage\n";
    EXPECT_EQ(MountDeviceOf(kMounts, "/home/ann/Pics/"), "/dev/sdb1");
    EXPECT_EQ(MountDeviceOf(kMounts, "/home"), "/dev/sdb1");
    EXPECT_EQ(MountDeviceOf(kMounts, "/homework/x/"), "/dev/sdd1");
    EXPECT_EQ(MountDeviceOf(kMounts, "/home/ann/USB STICK/DCIM/"), "/dev/sdc1");
    EXPECT_EQ(MountDeviceOf(kMounts, "/srv/"), "/dev/sdf1"); // the mount on top
    EXPECT_EQ(MountDeviceOf(kMounts, "/etc/"), "/dev/sda1");
    EXPECT_EQ(MountDeviceOf("", "/etc/"), "");

    const std::vector<DiskLink> byLabel = {{"My\\x20Photos", "/dev/sdc1"}, {"data", "/dev/sdd1"}};
    const std::vector<DiskLink> byUuid = {{"1a2b-3c4d", "/dev/sdc1"},
                                          {"0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0", "/dev/sda1"}};
    EXPECT_EQ(VolumeStringOfDevice("/dev/sdc1", byLabel, byUuid), "MY PHOTOS.1A2B3C4D");
    EXPECT_EQ(VolumeStringOfDevice("/dev/sda1", byLabel, byUuid), ".0F1E2D3C");
    EXPECT_EQ(VolumeStringOfDevice("/dev/sdd1", byLabel, byUuid), "DATA.00000000");
    EXPECT_EQ(VolumeStringOfDevice("/dev/sdb1", byLabel, byUuid), "");
    EXPECT_EQ(VolumeStringOfDevice("", byLabel, byUuid), "");
}

} // namespace
