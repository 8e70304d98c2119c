#include "viewer/ImageInformation.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

TEST(ImageInformation, LinesForAScaledJpegAndAPlainPicture) {
    ImageInformation info;
    info.width = 4000;
    info.height = 3000;
    info.imageBits = 24;
    info.scaledDecode = true;
    info.jpegScale = 4;
    info.name = "photo.jpg";
    info.path = "/pics/";
    info.date = "12/09/26 10:00:00";
    info.fileSize = 123456;
    info.crc = 0xCADBBE3D;
    info.pages = 1;
    info.usesBytes = PictureMemoryBytes(1000, 750, 24);
    EXPECT_EQ(ImageInformationText(info, false),
              "4000x3000(24) [1:4] dib\nDate: 12/09/26 10:00:00\nSize: 123456 bytes\n"
              "CRC: CADBBE3D\nUses: 2250000 bytes\nVideo: 24 bpp");
    info.scaledDecode = false;
    info.deviceStorage = true;
    info.pages = 3;
    EXPECT_EQ(ImageInformationText(info, true),
              "4000x3000(24) ddb\nName: photo.jpg\nPath: /pics/\nDate: 12/09/26 10:00:00\n"
              "Size: 123456 bytes\nCRC: CADBBE3D\nPages: 3\nUses: 2250000 bytes\nVideo: 24 bpp");
}

TEST(ImageInformation, MemoryOfPackedDepths) {
    EXPECT_EQ(PictureMemoryBytes(16, 2, 1), 4);
    EXPECT_EQ(PictureMemoryBytes(16, 2, 4), 16);
    EXPECT_EQ(PictureMemoryBytes(16, 2, 8), 32);
    EXPECT_EQ(PictureMemoryBytes(16, 2, 16), 64);
    EXPECT_EQ(PictureMemoryBytes(16, 2, 32), 128);
}

} // namespace
} // namespace zv
