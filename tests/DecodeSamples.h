#pragma once
// The pictures the stateless decode is tried on: every test picture of a
// known format, and made here JPEG files, a two-page DCX, a Photo CD pack
// and a top-down BMP with padded rows. Shared by the decode's own tests and
// the imaging library's comparison with it.

#include "TempFolderTest.h"
#include "TestData.h"
#include "formats/BmpGraphic.h"
#include "formats/FormatTable.h"
#include "formats/JpegWriter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>

namespace zvtest {

inline void ExpectSamePixels(const zv::Bitmap& got, const zv::Bitmap& want) {
    ASSERT_EQ(got.Format(), want.Format());
    ASSERT_EQ(got.Width(), want.Width());
    ASSERT_EQ(got.Height(), want.Height());
    EXPECT_EQ(got.Colours(), want.Colours());
    const auto rowBytes = static_cast<std::size_t>((got.Width() * got.BitsPerPixel() + 7) / 8);
    for (std::int32_t y = 0; y < got.Height(); ++y)
        ASSERT_EQ(std::memcmp(got.ScanLine(y), want.ScanLine(y), rowBytes), 0) << "row " << y;
}

inline zv::Bitmap Gradient(int width, int height) {
    zv::Bitmap picture;
    picture.Create(width, height, zv::PixelFormat::Bits24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < 3 * width; ++x)
            picture.ScanLine(y)[x] = static_cast<std::uint8_t>(x * 7 + y * 13);
    return picture;
}

struct DecodeSamples {
    TempFolder temp;
    std::vector<std::filesystem::path> files;

    DecodeSamples() {
        namespace fs = std::filesystem;
        for (const auto& entry : fs::recursive_directory_iterator(TestDataFolder())) {
            const std::string extension = entry.path().extension().string();
            if (zv::FormatForExtension(extension) &&
                entry.path().parent_path().filename() != "media")
                files.push_back(entry.path());
        }
        zv::TJpegWriter colour;
        colour.xDpi = colour.yDpi = 150;
        colour.SaveToFile(temp / "colour.jpg", Gradient(67, 45));
        zv::TJpegWriter grey;
        grey.grey = true;
        grey.SaveToFile(temp / "grey.jpeg", Gradient(40, 30));

        const auto data = TestDataFolder();
        const zv::Bytes first = ReadTestFile(data / "pcx/im-8.pcx");
        const zv::Bytes second = ReadTestFile(data / "pcx/netpbm-1.pcx");
        zv::Bytes dcx = {0xB1, 0x68, 0xDE, 0x3A};
        const std::uint32_t offsets[] = {16, static_cast<std::uint32_t>(16 + first.size()), 0};
        for (std::uint32_t offset : offsets)
            for (int i = 0; i < 4; ++i) dcx.push_back(static_cast<std::uint8_t>(offset >> 8 * i));
        dcx.insert(dcx.end(), first.begin(), first.end());
        dcx.insert(dcx.end(), second.begin(), second.end());
        Write("fax.dcx", dcx);
        Write("img0001.pcd", ReadGzippedTestFile(data / "pcd/portrait.pcd.gz"));

        // Top-down: the height negated and the rows in top-down order.
        zv::TBmpGraphic bmp;
        bmp.Assign(Gradient(5, 3));
        zv::Bytes bottomUp;
        bmp.SaveToStream(bottomUp);
        zv::Bytes topDown(bottomUp.begin(), bottomUp.begin() + 54);
        const std::int32_t height = -3;
        std::memcpy(&topDown[22], &height, 4);
        for (int row = 2; row >= 0; --row)
            topDown.insert(topDown.end(), bottomUp.begin() + 54 + row * 16,
                           bottomUp.begin() + 54 + (row + 1) * 16);
        Write("top-down.bmp", topDown);
        for (const char* name :
             {"colour.jpg", "grey.jpeg", "fax.dcx", "img0001.pcd", "top-down.bmp"})
            files.push_back(temp / name);
    }

    void Write(const std::string& name, const zv::Bytes& bytes) const {
        temp.Write(name, std::string(bytes.begin(), bytes.end()));
    }
};

} // namespace zvtest
