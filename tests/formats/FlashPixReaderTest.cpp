#include "formats/FlashPixReader.h"
#include "FlashPixChecks.h"
#include "TempFolderTest.h"
#include "ToolRunner.h"
#include "formats/CompoundFile.h"
#include "formats/DecodeFile.h"
#include "formats/PictureLimits.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

using namespace zv;
using zvtest::FpxOptions;
using zvtest::FpxSpace;
using zvtest::FpxTiles;
using zvtest::PnmPicture;

// Every colour space, with and without opacity, every tile kind, shared
// and own JPEG tables, both container versions: each resolution decodes to
// the source (JPEG tiles within JPEG's error, the others within rounding).
TEST(FlashPixReader, DecodesEveryResolutionOfEveryKind) {
    // Colour differences sampled at half size spread over sharp edges, and
    // PhotoYCC enlarges them by up to 2.2 in red and blue.
    constexpr int kJpeg = 12, kJpegHalf = 24, kJpegYcc = 20, kJpegHalfYcc = 32, kRound = 3;
    const struct {
        const char* what;
        FpxSpace space;
        bool alpha;
        std::vector<FpxTiles> levels;
        bool shared, converts, subsample;
        int shift;
        int tolerance[2];
        int bits;
    } cases[] = {
        {"rgb, shared tables",
         FpxSpace::Rgb,
         false,
         {FpxTiles::Jpeg, FpxTiles::Raw},
         true,
         true,
         false,
         9,
         {kJpeg, 0},
         24},
        {"rgb as is, own tables",
         FpxSpace::Rgb,
         false,
         {FpxTiles::Jpeg, FpxTiles::Jpeg},
         false,
         false,
         false,
         12,
         {kJpeg, kJpeg},
         24},
        {"ycc, subsampled",
         FpxSpace::Ycc,
         false,
         {FpxTiles::Raw, FpxTiles::Jpeg},
         true,
         false,
         true,
         9,
         {kRound, kJpegHalfYcc},
         24},
        {"ycc, converted",
         FpxSpace::Ycc,
         false,
         {FpxTiles::Jpeg, FpxTiles::Raw},
         true,
         true,
         false,
         9,
         {kJpegYcc, kRound},
         24},
        {"mono",
         FpxSpace::Mono,
         false,
         {FpxTiles::Raw, FpxTiles::Jpeg},
         true,
         true,
         false,
         9,
         {0, kJpeg},
         8},
        {"rgb with opacity",
         FpxSpace::Rgb,
         true,
         {FpxTiles::Raw, FpxTiles::Raw},
         true,
         true,
         false,
         9,
         {kRound, kRound},
         32},
        {"ycc with opacity",
         FpxSpace::Ycc,
         true,
         {FpxTiles::Raw, FpxTiles::Raw},
         true,
         true,
         false,
         9,
         {kRound, kRound},
         32},
        {"mono with opacity",
         FpxSpace::Mono,
         true,
         {FpxTiles::Raw, FpxTiles::Raw},
         true,
         true,
         false,
         12,
         {kRound, kRound},
         32},
        {"rgb with opacity, JPEG converted and subsampled",
         FpxSpace::Rgb,
         true,
         {FpxTiles::Jpeg, FpxTiles::Raw},
         true,
         true,
         true,
         9,
         {kJpegHalf, kRound},
         32},
        {"ycc with opacity, JPEG as is",
         FpxSpace::Ycc,
         true,
         {FpxTiles::Raw, FpxTiles::Jpeg},
         false,
         false,
         false,
         12,
         {kRound, kJpegYcc},
         32},
        {"mono with opacity, JPEG",
         FpxSpace::Mono,
         true,
         {FpxTiles::Jpeg, FpxTiles::Jpeg},
         true,
         true,
         false,
         9,
         {kJpeg, kJpeg},
         32},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const PnmPicture source = zvtest::FpxSource(c.space == FpxSpace::Mono ? 1 : 3, c.alpha);
        FpxOptions options;
        options.space = c.space;
        options.levels = c.levels;
        options.sharedTables = c.shared;
        options.jpegConverts = c.converts;
        options.subsample = c.subsample;
        options.sectorShift = c.shift;
        const std::vector<std::uint8_t> bytes = zvtest::WriteFlashPix(source, options);
        const FlashPixFile file(bytes);
        ASSERT_EQ(file.LevelCount(), 2);
        EXPECT_EQ(file.OutputBits(), c.bits);
        const PnmPicture expected[2] = {source, zvtest::FpxHalf(source)};
        for (int level = 0; level < 2; ++level) {
            const int alphaTolerance = c.levels[level] == FpxTiles::Jpeg ? kJpeg : 0;
            const zvtest::FpxDifference d =
                zvtest::FpxCompare(expected[level], file.Decode(level), alphaTolerance);
            EXPECT_LE(d.most, c.tolerance[level]) << "level " << level;
            EXPECT_LE(d.mean, c.tolerance[level] / 4.0 + 0.5) << "level " << level;
        }
    }
}

TEST(FlashPixReader, ChoosesTheResolutionNearestTheBox) {
    FpxOptions options;
    options.levels = {FpxTiles::Raw, FpxTiles::Raw, FpxTiles::Raw};
    const std::vector<std::uint8_t> bytes =
        zvtest::WriteFlashPix(zvtest::FpxSource(3, false), options);
    const FlashPixFile file(bytes);
    const struct {
        int width, height, level;
    } cases[] = {{1000, 1000, 0}, {76, 60, 0}, {75, 200, 1}, {40, 40, 1}, {38, 25, 2}, {1, 1, 2}};
    for (const auto& c : cases)
        EXPECT_EQ(file.NearestLevel(c.width, c.height), c.level) << c.width << " x " << c.height;
}

// Each damage gives the reader's error, never a crash or another error.
TEST(FlashPixReader, RefusesDamagedFiles) {
    using zvtest::FpxStreams;
    const auto put = [](std::vector<std::uint8_t>& stream, std::size_t at, std::uint32_t v) {
        zvtest::cfb::Put32(stream, at, v);
    };
    const std::string header0 = "Subimage 0000 Header", header1 = "Subimage 0001 Header";
    const struct {
        const char* what;
        std::function<void(FpxStreams&)> damage;
    } cases[] = {
        {"no image contents", [](FpxStreams& s) { s.erase("\x05Image Contents"); }},
        {"contents cut", [](FpxStreams& s) { s["\x05Image Contents"].resize(60); }},
        {"no data", [](FpxStreams& s) { s.erase("Subimage 0000 Data"); }},
        {"resolution missing", [&](FpxStreams& s) { s.erase(header1); }},
        {"zero width", [&](FpxStreams& s) { put(s[header0], 4, 0); }},
        {"tile count", [&](FpxStreams& s) { put(s[header0], 12, 1000000); }},
        {"channel count", [&](FpxStreams& s) { put(s[header1], 24, 4); }},
        {"tile side", [&](FpxStreams& s) { put(s[header1], 16, 100000); }},
        {"table outside", [&](FpxStreams& s) { put(s[header1], 28, 0xFFFFFFF0); }},
        {"tile outside the data", [&](FpxStreams& s) { put(s[header1], 36, 0xFFFFFF00); }},
        {"raw tile cut", [&](FpxStreams& s) { put(s[header1], 36 + 4, 100); }},
        {"unknown compression", [&](FpxStreams& s) { put(s[header1], 36 + 8, 9); }},
        {"missing JPEG tables", [&](FpxStreams& s) { s[header0][36 + 16 + 15] = 7; }},
        {"JPEG garbage",
         [](FpxStreams& s) {
             auto& data = s["Subimage 0000 Data"];
             std::fill(data.begin(), data.end(), 0xFF);
         }},
        {"JPEG cut",
         [](FpxStreams& s) {
             auto& data = s["Subimage 0000 Data"];
             data.resize(data.size() / 2);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FpxOptions options;
        options.damage = c.damage;
        const std::vector<std::uint8_t> bytes =
            zvtest::WriteFlashPix(zvtest::FpxSource(3, false), options);
        EXPECT_THROW(
            {
                const FlashPixFile file(bytes);
                for (int level = 0; level < file.LevelCount(); ++level) file.Decode(level);
            },
            EFlashPixError);
    }
    const std::vector<std::uint8_t> whole = zvtest::WriteFlashPix(zvtest::FpxSource(3, false), {});
    for (const std::size_t size : {std::size_t{0}, std::size_t{600}, whole.size() / 2}) {
        const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + size);
        EXPECT_THROW(FlashPixFile{cut}, EFlashPixError) << size;
    }
}

// Bytes spoilt at random anywhere in small files of each kind give a
// picture or the reader's error, never a crash or another error.
TEST(FlashPixReader, SurvivesRandomDamage) {
    std::mt19937 random(20);
    for (const FpxSpace space : {FpxSpace::Rgb, FpxSpace::Ycc, FpxSpace::Mono}) {
        FpxOptions options;
        options.space = space;
        // JPEG and uncompressed tiles; PhotoYCC and monochrome with opacity.
        const bool mono = space == FpxSpace::Mono;
        options.levels = {FpxTiles::Jpeg, FpxTiles::Raw};
        const std::vector<std::uint8_t> whole = zvtest::WriteFlashPix(
            zvtest::FpxSource(mono ? 1 : 3, space != FpxSpace::Rgb, 70, 40), options);
        for (int round = 0; round < 300; ++round) {
            std::vector<std::uint8_t> bytes = whole;
            for (int flips = 1 + round % 8; flips > 0; --flips)
                bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random());
            try {
                const FlashPixFile file(bytes);
                for (int level = 0; level < file.LevelCount(); ++level) file.Decode(level);
            } catch (const EFlashPixError&) {
            } catch (const EPictureSizeError&) {
            }
        }
    }
}

class FlashPixFiles : public zvtest::TempFolderTest {
protected:
    std::string WriteSample(const std::string& name, const FpxOptions& options = {}) {
        const std::vector<std::uint8_t> bytes =
            zvtest::WriteFlashPix(zvtest::FpxSource(3, false), options);
        return Write(name, std::string(bytes.begin(), bytes.end()));
    }
};

// Another program's reader of the container lists what the writer made, and
// reads its streams (a small one and a big one) as ours does.
TEST_F(FlashPixFiles, ContainerListsCleanlyWithGsf) {
    if (std::system("command -v gsf > /dev/null 2>&1") != 0) GTEST_SKIP() << "gsf not installed";
    const auto run = [](const std::string& command, std::string& output) {
        FILE* pipe = ::popen(command.c_str(), "r");
        if (!pipe) return -1;
        char buffer[4096];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
        return ::pclose(pipe);
    };
    for (const int shift : {9, 12}) {
        FpxOptions options;
        options.sectorShift = shift;
        const std::string path = WriteSample("list.fpx", options);
        std::string listing;
        EXPECT_EQ(run("gsf list '" + path + "' 2>&1", listing), 0) << listing;
        for (const char* name :
             {"Data Object 000001", "Subimage 0000 Header", "Subimage 0001 Data", "Image Contents"})
            EXPECT_NE(listing.find(name), std::string::npos) << name << " in\n" << listing;
        const std::string bytes = zvtest::ReadText(path);
        const CompoundFile file(
            ByteSpan(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
        const int image = file.Find(CompoundFile::kRoot, "Data Object 000001");
        for (const char* stream : {"Subimage 0000 Header", "Subimage 0001 Data"}) {
            std::string theirs;
            EXPECT_EQ(run("gsf cat '" + path + "' 'Data Object 000001/" + stream + "'", theirs), 0);
            const Bytes ours = file.ReadStream(file.Find(image, stream));
            EXPECT_EQ(theirs, std::string(ours.begin(), ours.end())) << stream;
        }
    }
}

// With ZV_FUZZ_SEEDS naming a folder, small files of each kind go there for
// the fuzz targets' seed corpus (tests/fuzz/seeds/FlashPixFuzz).
TEST(FlashPixReader, WritesFuzzSeedsWhenAsked) {
    const char* folder = std::getenv("ZV_FUZZ_SEEDS");
    if (!folder) GTEST_SKIP() << "ZV_FUZZ_SEEDS is not set";
    const struct {
        const char* name;
        FpxSpace space;
        bool alpha;
        std::vector<FpxTiles> levels;
        int shift;
    } seeds[] = {
        {"rgb-jpeg-raw.fpx", FpxSpace::Rgb, false, {FpxTiles::Jpeg, FpxTiles::Raw}, 9},
        {"ycc-raw-jpeg.fpx", FpxSpace::Ycc, false, {FpxTiles::Raw, FpxTiles::Jpeg}, 9},
        {"mono-alpha.fpx", FpxSpace::Mono, true, {FpxTiles::Raw, FpxTiles::Raw}, 9},
        {"rgb-alpha-v4.fpx", FpxSpace::Rgb, true, {FpxTiles::Raw}, 12},
        {"ycc-alpha-jpeg.fpx", FpxSpace::Ycc, true, {FpxTiles::Jpeg}, 9},
    };
    for (const auto& seed : seeds) {
        FpxOptions options;
        options.space = seed.space;
        options.levels = seed.levels;
        options.sectorShift = seed.shift;
        options.subsample = options.jpegConverts = seed.space == FpxSpace::Ycc;
        const auto bytes = zvtest::WriteFlashPix(
            zvtest::FpxSource(seed.space == FpxSpace::Mono ? 1 : 3, seed.alpha, 70, 40), options);
        std::ofstream(std::filesystem::path(folder) / seed.name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
}
