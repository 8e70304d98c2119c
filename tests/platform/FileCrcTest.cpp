#include "platform/FileCrc.h"

#include "TempFolderTest.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

TEST(FileCrc, IsTheComplementOfTheUsualCrc32) {
    const std::string text = "123456789";
    // The usual CRC-32 of "123456789" is CBF43926.
    EXPECT_EQ(zv::AlbumCrc(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
              ~0xCBF43926u);
    EXPECT_EQ(zv::CrcText(~0xCBF43926u), "340BC6D9");
    EXPECT_EQ(zv::AlbumCrc(nullptr, 0), 0xFFFFFFFFu);
}

TEST(FileCrc, AFileGivesTheSameAsItsBytesAcrossBlocks) {
    const zvtest::TempFolder temp;
    const auto path = temp / "crc.bin";
    std::string bytes(5000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
    std::ofstream(path, std::ios::binary) << bytes;
    EXPECT_EQ(zv::FileAlbumCrc(path),
              zv::AlbumCrc(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    std::filesystem::remove(path);
    EXPECT_FALSE(zv::FileAlbumCrc(path));
}

} // namespace
