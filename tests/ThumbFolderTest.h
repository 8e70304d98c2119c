#pragma once
// A temporary folder with "pictures" and "cache" below it, and finished
// (aged) picture files in it, for the thumbnail tests of the catalog and the
// explorer.

#include "TempFolderTest.h"

#include "formats/JpegWriter.h"
#include "imaging/Bitmap.h"

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>

namespace zvtest {

// A 24-bit picture in horizontal stripes: every row one grey level.
inline zv::Bitmap StripedPicture(int width, int height) {
    zv::Bitmap picture;
    picture.Create(width, height, zv::PixelFormat::Bits24);
    for (int y = 0; y < height; ++y)
        std::memset(picture.ScanLine(y), (y * 7) & 0xFF, static_cast<std::size_t>(width) * 3);
    return picture;
}

class ThumbFolderTest : public TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        pictures = folder / "pictures";
        cache = folder / "cache";
        std::filesystem::create_directories(pictures);
    }

    // A file listed as finished: listings leave out files written in the last two seconds.
    static void Age(const std::filesystem::path& path) {
        std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() -
                                                   std::chrono::minutes(5));
    }
    std::filesystem::path WriteJpeg(const std::string& name, int width, int height) {
        const std::filesystem::path path = pictures / name;
        zv::TJpegWriter().SaveToFile(path, StripedPicture(width, height));
        Age(path);
        return path;
    }

    std::filesystem::path pictures;
    std::filesystem::path cache;
};

} // namespace zvtest
