#include "processing/ImageReport.h"

#include "TempFolderTest.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

namespace zv {
namespace {

// Top-left black, top-right white, bottom-left red, bottom-right blue.
Bitmap FourColours() {
    Bitmap picture;
    picture.Create(2, 2, PixelFormat::Bits24);
    const std::uint8_t top[] = {0, 0, 0, 255, 255, 255};
    const std::uint8_t bottom[] = {0, 0, 255, 255, 0, 0};
    std::copy(std::begin(top), std::end(top), picture.ScanLine(0));
    std::copy(std::begin(bottom), std::end(bottom), picture.ScanLine(1));
    return picture;
}

Bitmap Flat(std::int32_t width, std::int32_t height, std::uint8_t value) {
    Bitmap picture;
    picture.Create(width, height, PixelFormat::Bits24);
    for (std::int32_t y = 0; y < height; ++y) std::fill_n(picture.ScanLine(y), 3 * width, value);
    return picture;
}

TEST(ImageReport, HandWorkedFigures) {
    const ImageAnalysis a = AnalyzePicture(FourColours(), 1000);
    EXPECT_EQ(a.pixels, 4);
    // Red 0, 255, 255, 0: mean and sd 127.5, both rounded (half to even) to 128.
    EXPECT_EQ(a.red.mean, 127.5);
    EXPECT_EQ(a.red.sd, 127.5);
    EXPECT_EQ(a.red.gamut, 255);
    // Green 0, 255, 0, 0: 63.75 and sqrt(12192.1875); 64 +- 110 gives 0..174.
    EXPECT_EQ(a.green.gamut, 174);
    // Grey 0, 255, 76, 25: mean 89, sd sqrt(9935.5), 0..189.
    EXPECT_EQ(a.gray.mean, 89);
    EXPECT_EQ(a.gray.gamut, 189);
    // Hue levels 170, 170, 0, 170: mean 127.5, sd sqrt(5418.75); 128 +- 74.
    EXPECT_EQ(a.hue.gamut, 148);
    EXPECT_EQ(a.redLevels, 2);
    // (255 x 2 / 255) x (174 x 2 / 255) x (255 x 2 / 255) = 5.4588..., but four
    // pixels hold four colours at most.
    EXPECT_EQ(a.uniqueColours, 4);
    EXPECT_NEAR(a.diversity, 5.458823529 / 16581375 * 10000, 1e-12);
    EXPECT_EQ(a.rawSize, 12);
    EXPECT_DOUBLE_EQ(a.compressionRatio, 0.012);
    // Too small for the 3x3 window: blur and sharpening change nothing.
    EXPECT_EQ(a.smoothness, 0);
    EXPECT_EQ(a.detail, 0);
    EXPECT_GT(a.jpegQuality, 0);
    EXPECT_EQ(a.overall, a.jpegQuality);
}

TEST(ImageReport, HandWorkedLines) {
    ImageAnalysis a = AnalyzePicture(FourColours(), 1000);
    a.jpegQuality = 12.5;
    a.overall = 12.5;
    a.complexity = 1234567;
    std::vector<std::string> lines;
    AppendReportLines(lines, {"four.bmp", "/pictures/", ReportedState::Modified}, a, false);
    const std::vector<std::string> expected = {
        "Filename: four.bmp (modified)",
        "Location: /pictures/",
        "",
        "Red values:  Mean = 127.50  sd. = 127.50  gamut = 255",
        "Grn values:  Mean = 63.75  sd. = 110.42  gamut = 174",
        "Blu values:  Mean = 127.50  sd. = 127.50  gamut = 255",
        "",
        "Gry values:  Mean = 89.00  sd. = 99.68  gamut = 189",
        "Sat values:  Mean = 127.50  sd. = 127.50  gamut = 255",
        "Hue values:  Mean = 127.50  sd. = 73.61  gamut = 148",
        "",
        "Estimated Unique Colors: 4",
        "",
        "Filesize: 1000 bytes (.01 : 1 compression)",
        "",
        "Color Diversity Index = 0.00 (higher is better)",
        "JPEG Quality Index = 12.50 (higher is better)",
        "Smoothness Index = 0.00 (lower is softer)",
        "Detail Index = 0.00 (higher is sharper)",
        "",
        "Overall Rating = 12.5 (higher is better)",
        "",
        "Complexity Rating = 1234567 (higher has more texture)",
    };
    EXPECT_EQ(lines, expected);
}

TEST(ImageReport, FlatPictureHasNoSpreadAndNoNotANumber) {
    const ImageAnalysis a = AnalyzePicture(Flat(16, 16, 100), 0);
    for (const ChannelFigures* c : {&a.red, &a.green, &a.blue, &a.gray, &a.saturation, &a.hue})
        EXPECT_EQ(c->gamut, 0);
    EXPECT_EQ(a.uniqueColours, 0);
    EXPECT_EQ(a.diversity, 0);
    EXPECT_EQ(a.rawSize, 256);
    EXPECT_EQ(a.compressionRatio, 0); // no file size to divide by
    EXPECT_EQ(a.smoothness, 0);
    EXPECT_EQ(a.detail, 0);
    EXPECT_FALSE(std::isnan(a.overall));
    EXPECT_EQ(a.overall, a.jpegQuality);
}

TEST(ImageReport, AllLevelsCountAs255) {
    Bitmap ramp;
    ramp.Create(256, 1, PixelFormat::Bits24);
    for (int x = 0; x < 256; ++x) std::fill_n(ramp.ScanLine(0) + 3 * x, 3, x);
    const ImageAnalysis a = AnalyzePicture(ramp, 100);
    EXPECT_EQ(a.redLevels, 255);
    EXPECT_EQ(a.greenLevels, 255);
    EXPECT_EQ(a.blueLevels, 255);
}

TEST(ImageReport, UniqueColourEstimateNeverExceedsThePixels) {
    // 256 pixels spread over every level of each channel: the estimate's
    // product is in the millions, but 256 pixels hold at most 256 colours.
    Bitmap spread;
    spread.Create(256, 1, PixelFormat::Bits24);
    std::uint8_t* row = spread.ScanLine(0);
    for (int x = 0; x < 256; ++x) {
        row[3 * x] = static_cast<std::uint8_t>(x);
        row[3 * x + 1] = static_cast<std::uint8_t>(x * 7);
        row[3 * x + 2] = static_cast<std::uint8_t>(x * 13);
    }
    EXPECT_EQ(AnalyzePicture(spread, 100).uniqueColours, 256);
}

TEST(ImageReport, SquaredDifferencesBeyond32Bits) {
    // 60,000 bytes differing by 255: 3,901,500,000.
    EXPECT_EQ(SquaredDifference(Flat(200, 100, 0), Flat(200, 100, 255)), 3901500000);
    EXPECT_THROW(SquaredDifference(Flat(2, 2, 0), Flat(2, 3, 0)), std::invalid_argument);
}

ImageAnalysis Compared(std::int64_t pixels, std::int64_t size, double q, double s, double t,
                       double o) {
    ImageAnalysis a;
    a.pixels = pixels;
    a.fileSize = size;
    a.jpegQuality = q;
    a.smoothness = s;
    a.detail = t;
    a.overall = o;
    return a;
}

TEST(ImageReport, CompareLayoutAndVerdicts) {
    const ReportedFile one{"one.jpg", "/a/", ReportedState::AsLoaded};
    const ReportedFile two{"two.jpg", "/b/", ReportedState::RegionOfInterest};
    ImageAnalysis a1 = Compared(100, 5000, 10, 4, 2, 7);
    a1.complexity = 9;
    const ImageAnalysis a2 = Compared(100, 4000, 8, 5, 3, 8);
    const std::vector<std::string> expected = {
        "Filename: one.jpg", "Location: /a/", "Estimated Unique Colors: 0",
        "Filesize: 5000 bytes ( : 1 compression)",
        "Color Diversity Index = 0.00 (higher is better)",
        "JPEG Quality Index = 10.00 (higher is better)",
        "Smoothness Index = 4.00 (lower is softer)", "Detail Index = 2.00 (higher is sharper)",
        "Overall Rating = 7 (higher is better)", "",
        "Complexity Rating = 9 (higher has more texture)", "", "",
        "Filename: two.jpg (region of interest)", "Location: /b/", "Estimated Unique Colors: 0",
        "Filesize: 4000 bytes ( : 1 compression)",
        "Color Diversity Index = 0.00 (higher is better)",
        "JPEG Quality Index = 8.00 (higher is better)", "Smoothness Index = 5.00 (lower is softer)",
        "Detail Index = 3.00 (higher is sharper)", "Overall Rating = 8 (higher is better)",
        // Q1 > Q2 and F2 < F1, and S2 x 1.03 is not at most S1.
        "", "/a/", "one.jpg is better."};
    EXPECT_EQ(CompareReportLines(one, a1, two, a2), expected);

    // The exception: the second is smoother, at least as detailed and rated.
    EXPECT_TRUE(VerdictLines(one, a1, two, Compared(100, 4000, 8, 3, 3, 8)).empty());
    // The second wins the mirrored rule.
    EXPECT_EQ(VerdictLines(one, Compared(100, 4000, 8, 5, 3, 8), two, a1),
              (std::vector<std::string>{"", "/b/", "two.jpg is better."}));
    // Different pixel counts: no verdict.
    EXPECT_TRUE(VerdictLines(one, a1, two, Compared(99, 4000, 8, 5, 3, 8)).empty());
}

TEST(ImageReport, NumberFormats) {
    EXPECT_EQ(FormatFixed2(12.345), "12.35"); // 12.3450000000000006...
    EXPECT_EQ(FormatOptionalDigits(3.10), "3.1");
    EXPECT_EQ(FormatOptionalDigits(0.25), ".25");
    EXPECT_EQ(FormatOptionalDigits(2), "2");
    EXPECT_EQ(FormatOptionalDigits(0.001), "");
    EXPECT_EQ(FormatOptionalDigits(1234567.891), "1234567.89");
    EXPECT_EQ(ReportQuestionText({"a", "b"}), "a\nb\n\nSave to text file?");
}

class ImageReportFiles : public zvtest::TempFolderTest {};

TEST_F(ImageReportFiles, WritingReplacesTheEarlierReport) {
    WriteImageReport(folder, {"old", "report", "longer"});
    const auto path = WriteImageReport(folder, {"Filename: x", "", "Location: /"});
    EXPECT_EQ(path, folder / "ImageReport.txt");
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "Filename: x\n\nLocation: /\n");
}

// A 2 x 2 BMP of FourColours: rows bottom-up, each padded to 8 bytes.
std::string FourColoursBmp() {
    std::string bmp = "BM";
    const auto le32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bmp += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    const auto le16 = [&](std::uint16_t v) {
        bmp += static_cast<char>(v & 0xFF);
        bmp += static_cast<char>(v >> 8);
    };
    le32(54 + 16), le32(0), le32(54);
    le32(40), le32(2), le32(2), le16(1), le16(24), le32(0), le32(16), le32(2835), le32(2835),
        le32(0), le32(0);
    bmp += std::string("\x00\x00\xFF\xFF\x00\x00\x00\x00", 8);
    bmp += std::string("\x00\x00\x00\xFF\xFF\xFF\x00\x00", 8);
    return bmp;
}

TEST_F(ImageReportFiles, ToolWritesAndPrintsTheReport) {
    if (!zvtest::ToolProgram()) GTEST_SKIP() << "ZV_TEST_TOOL is not set";
    const std::string file = Write("four.bmp", FourColoursBmp());
    const auto run = zvtest::RunTool("analyze --out '" + folder.string() + "' '" + file + "'");
    ASSERT_EQ(run.status, 0);
    std::ifstream in(folder / "ImageReport.txt", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), run.output);
    EXPECT_NE(run.output.find("Filename: four.bmp\nLocation: " + folder.string() + "/\n"),
              std::string::npos);
    EXPECT_NE(run.output.find("Grn values:  Mean = 63.75  sd. = 110.42  gamut = 174\n"),
              std::string::npos);
    EXPECT_NE(run.output.find("Filesize: 70 bytes (.17 : 1 compression)"), std::string::npos);

    const auto histogram = zvtest::RunTool("histogram '" + file + "'");
    ASSERT_EQ(histogram.status, 0);
    // Level 255: red 2, green 1, blue 2, grey 1, saturation 2, hue 0.
    EXPECT_NE(histogram.output.find("\n255\t2\t1\t2\t1\t2\t0\n"), std::string::npos);
    EXPECT_NE(histogram.output.find("\nmean\t127.50\t63.75\t127.50\t89.00\t127.50\t127.50\n"),
              std::string::npos);
}

} // namespace
} // namespace zv
