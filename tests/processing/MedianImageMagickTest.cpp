// The square medians against ImageMagick's `-statistic Median`, a second
// implementation, on the pixels whose window lies inside the picture (the
// two treat edges differently). Skipped where ImageMagick is not installed.

#include "FilterReference.h"
#include "PnmFiles.h"
#include "TempFolderTest.h"

#include "processing/Median.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace zv {
namespace {

namespace fs = std::filesystem;

bool ImageMagickPresent() {
    FILE* out = ::popen("convert -version 2>/dev/null", "r");
    if (!out) return false;
    char line[256] = {};
    const bool named = std::fgets(line, sizeof line, out) &&
                       std::string(line).find("ImageMagick") != std::string::npos;
    return ::pclose(out) == 0 && named;
}

void WritePpm(const Bitmap& picture, const fs::path& path) {
    zvtest::PnmPicture ppm{picture.Width(), picture.Height(), 3, 255, {}};
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x)
            for (const int c : {2, 1, 0}) ppm.samples.push_back(zvtest::ByteOf(picture, x, y, c));
    zvtest::WritePnm(path, ppm);
}

// A binary PPM of 8-bit samples, as convert writes it with -depth 8.
Bitmap ReadPpm(const fs::path& path) {
    const zvtest::PnmPicture ppm = zvtest::ReadPnm(path);
    Bitmap picture;
    if (!ppm.Complete() || ppm.channels != 3 || ppm.maxValue != 255) return picture;
    picture.Create(ppm.width, ppm.height, PixelFormat::Bits24);
    for (int y = 0; y < ppm.height; ++y)
        for (int x = 0; x < ppm.width; ++x)
            for (int c = 0; c < 3; ++c) zvtest::SetByte(picture, x, y, 2 - c, ppm.Sample(x, y, c));
    return picture;
}

class MedianPeer : public ::testing::Test {
protected:
    void SetUp() override {
        if (!ImageMagickPresent()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    }
    zvtest::TempFolder temp;
    const fs::path folder = temp.Path();
};

TEST_F(MedianPeer, SquareShapesAgreeWithImageMagickInside) {
    const Bitmap source = zvtest::RandomPicture(37, 29, 2024);
    WritePpm(source, folder / "in.ppm");
    for (const auto& [shape, size] : {std::pair{2, 3}, std::pair{6, 5}, std::pair{9, 7}}) {
        const fs::path out = folder / ("median" + std::to_string(size) + ".ppm");
        const std::string command = "convert '" + (folder / "in.ppm").string() +
                                    "' -statistic Median " + std::to_string(size) + "x" +
                                    std::to_string(size) + " -depth 8 '" + out.string() + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        const Bitmap peer = ReadPpm(out);
        ASSERT_EQ(peer.Width(), source.Width());
        ASSERT_EQ(peer.Height(), source.Height());

        Bitmap picture = source;
        Median(picture, shape, 0);
        const int r = size / 2;
        int compared = 0;
        for (int y = r; y < source.Height() - r; ++y)
            for (int x = r; x < source.Width() - r; ++x)
                for (int c = 0; c < 3; ++c, ++compared)
                    ASSERT_EQ(zvtest::ByteOf(picture, x, y, c), zvtest::ByteOf(peer, x, y, c))
                        << size << "x" << size << " at (" << x << ", " << y << ") byte " << c;
        EXPECT_GT(compared, 1000);
    }
}

} // namespace
} // namespace zv
