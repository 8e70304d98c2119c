#include "explorer/Drives.h"
#include "explorer/FolderPaths.h"

#include "TempFolderTest.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using namespace zv;

constexpr const char* kMounts = "proc /proc proc rw 0 0\n"
                                "sysfs /sys sysfs rw 0 0\n"
                                "tmpfs /dev/shm tmpfs rw 0 0\n"
                                "/dev/sda1 / ext4 rw 0 0\n"
                                "tmpfs /run/user/1000 tmpfs rw 0 0\n"
                                "tmpfs /tmp tmpfs rw 0 0\n"
                                "cgroup2 /data/cgroup cgroup2 rw 0 0\n"
                                "/dev/sdb1 /run/media/ann/USB\\040STICK vfat rw 0 0\n"
                                "/dev/sr0 /media/cdrom iso9660 ro 0 0\n"
                                "server:/export /mnt/photos nfs4 rw 0 0\n"
                                "/dev/sdc1 /srv/photos ext4 rw 0 0\n"
                                "tmpfs /srv/photos tmpfs rw 0 0\n"
                                "garbage\n"
                                "/dev/sdd1 /home ext4 rw 0 0\n";

TEST(Drives, ParsedFromTheMountsTable) {
    const std::vector<KnownDrive> drives = ParseKnownDrives(kMounts, "/home/ann");
    const std::vector<KnownDrive> expected = {
        {"/", "File System", kDriveFixed},
        {"/home/ann/", "Home", kDriveFixed},
        {"/tmp/", "tmp", kDriveRamDisk},
        {"/run/media/ann/USB STICK/", "USB STICK", kDriveRemovable},
        {"/media/cdrom/", "cdrom", kDriveOptical},
        {"/mnt/photos/", "/mnt/photos", kDriveNetwork},
        {"/srv/photos/", "/srv/photos", kDriveRamDisk},
        {"/home/", "home", kDriveFixed}};
    EXPECT_EQ(drives, expected);

    // The home folder takes the type of the mount holding it, or its own.
    EXPECT_EQ(ParseKnownDrives("h:/x /net nfs rw 0 0\n", "/net/ann/")[1].type, kDriveNetwork);
    EXPECT_EQ(ParseKnownDrives("h:/x /net/ann nfs rw 0 0\n", "/net/ann/")[1].type, kDriveNetwork);
    EXPECT_EQ(ParseKnownDrives("", "").size(), 1u);
    EXPECT_EQ(ParseKnownDrives("", "/").size(), 1u);
}

TEST(Drives, LongMountPointsAreKeptWhole) {
    const std::string longName(5000, 'x');
    const auto drives = ParseKnownDrives("/dev/sde1 /mnt/" + longName + " ext4 rw 0 0\n", "");
    ASSERT_EQ(drives.size(), 2u);
    EXPECT_EQ(drives[1].root, "/mnt/" + longName + "/");
}

TEST(Drives, IndexOfThePathIsTheLongestRootHoldingIt) {
    const std::vector<KnownDrive> drives = {{"/", "File System", kDriveFixed},
                                            {"/home/ann/", "Home", kDriveFixed},
                                            {"/home/ann/Media/", "Media", kDriveRemovable}};
    EXPECT_EQ(GetDriveIndex(drives, "/home/ann/x/"), 1);
    EXPECT_EQ(GetDriveIndex(drives, "/home/ann"), 1);
    EXPECT_EQ(GetDriveIndex(drives, "/home/anna/"), 0);
    EXPECT_EQ(GetDriveIndex(drives, "/home/Ann/x/"), 0);
    EXPECT_EQ(GetDriveIndex(drives, "/home/ann/Media/2004/"), 2);
    EXPECT_EQ(GetDriveIndex(drives, "relative/"), -1);
    EXPECT_EQ(GetDriveIndex({}, "/"), -1);
}

TEST(FolderPaths, UpStopsAtDriveRoots) {
    const std::vector<KnownDrive> drives = {{"/", "File System", kDriveFixed},
                                            {"/home/ann/", "Home", kDriveFixed}};
    EXPECT_EQ(ParentFolder("/photos/2004/", drives), "/photos/");
    EXPECT_EQ(ParentFolder("/photos/2004", drives), "/photos/");
    EXPECT_EQ(ParentFolder("/photos/", drives), "/");
    EXPECT_EQ(ParentFolder("/home/ann/Pictures/", drives), "/home/ann/");
    EXPECT_FALSE(ParentFolder("/", drives));
    EXPECT_FALSE(ParentFolder("/home/ann/", drives));
    EXPECT_FALSE(ParentFolder("", drives));
    EXPECT_FALSE(ParentFolder("/a/../b/", drives));
    EXPECT_EQ(PathParent("/home/ann/"), "/home/");
    EXPECT_TRUE(IsDriveRoot("/home/ann", drives));
    EXPECT_FALSE(IsDriveRoot("/home/Ann/", drives));
    EXPECT_EQ(ProgramDriveRoot(drives, "/home/ann/.local/share/zelvan"), "/home/ann/");
    EXPECT_EQ(ProgramDriveRoot({}, "/opt"), "/");
    EXPECT_EQ(CannotAccessPathText("/x/"),
              "Cannot access drive/folder.\nCheck device or security settings.\n\n/x/");
}

using FolderTests = zvtest::TempFolderTest;

TEST_F(FolderTests, DotFoldersExistButDotComponentsDoNot) {
    std::filesystem::create_directories(folder / ".config" / "..data");
    Write("file", "x");
    const std::string base = folder.string() + "/";
    EXPECT_TRUE(ShellFolderExists(""));
    EXPECT_TRUE(ShellFolderExists(base + ".config/"));
    EXPECT_TRUE(ShellFolderExists(base + ".config/..data"));
    EXPECT_FALSE(ShellFolderExists(base + ".config/../"));
    EXPECT_FALSE(ShellFolderExists(base + "./.config/"));
    EXPECT_FALSE(ShellFolderExists(base + "file"));
    EXPECT_FALSE(ShellFolderExists(base + "missing/"));
    EXPECT_FALSE(ShellFolderExists(".config/"));

    EXPECT_TRUE(IsFolderAccessible(""));
    EXPECT_TRUE(IsFolderAccessible(base + ".config/"));
    EXPECT_FALSE(IsFolderAccessible(base + "missing/"));
    if (geteuid() != 0) { // root may list any folder
        std::filesystem::create_directory(folder / "locked");
        chmod((folder / "locked").c_str(), 0);
        EXPECT_FALSE(IsFolderAccessible(base + "locked/"));
        chmod((folder / "locked").c_str(), 0700);
    }
}

} // namespace
