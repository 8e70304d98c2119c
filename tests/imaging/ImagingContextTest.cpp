#include "imaging/ImagingContext.h"
#include "imaging/Promote.h"

#include "PixelHelpers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace zv {
namespace {

using test::Bgr;
using test::Pixel24;

class FakeHost : public ImageHost {
public:
    void RefreshCaption() override { ++captions; }
    bool BatchRunning() const override { return batch; }
    bool SlideshowRunning() const override { return slideshow; }
    int captions = 0;
    bool batch = false;
    bool slideshow = false;
};

struct Fixture {
    FakeHost host;
    ImagingContext context;
    Fixture(PixelFormat format, int bits) {
        context.host = &host;
        context.current.Create(3, 2, format);
        context.descriptor = {3, 2, static_cast<std::int16_t>(bits), 24};
    }
};

TEST(EnsureTrueColour, ATwentyFourBitDibChangesOnlyImageBits) {
    Fixture f(PixelFormat::Bits24, 8);
    test::SetPixel24(f.context.current, 2, 1, {1, 2, 3});
    const Bitmap before = f.context.current;
    EnsureTrueColour(f.context);
    const Bitmap& after = f.context.current;
    EXPECT_EQ(after.Format(), PixelFormat::Bits24);
    EXPECT_EQ(after.Storage(), StorageKind::DIB);
    EXPECT_EQ(after.Width(), 3);
    EXPECT_EQ(after.Height(), 2);
    EXPECT_TRUE(after.Colours().empty());
    for (int y = 0; y < 2; ++y)
        EXPECT_EQ(std::memcmp(after.ScanLine(y), before.ScanLine(y), 12), 0);
    EXPECT_EQ(f.context.descriptor.ImageBits, 24);
    EXPECT_EQ(f.host.captions, 1);
}

TEST(EnsureTrueColour, ADdbBecomesATwentyFourBitDibWithItsColours) {
    Fixture f(PixelFormat::Device, 24);
    std::memcpy(f.context.current.ScanLine(1) + 4, "\x0A\x0B\x0C\x00", 4);
    EnsureTrueColour(f.context);
    EXPECT_EQ(f.context.current.Format(), PixelFormat::Bits24);
    EXPECT_EQ(f.context.current.Storage(), StorageKind::DIB);
    EXPECT_EQ(Pixel24(f.context.current, 1, 1), (Bgr{10, 11, 12}));
}

TEST(EnsureTrueColour, CaptionStaysDuringBatchRunsAndSlideshows) {
    Fixture f(PixelFormat::Bits8, 8);
    f.host.batch = true;
    EnsureTrueColour(f.context);
    f.host.batch = false;
    f.host.slideshow = true;
    EnsureTrueColour(f.context);
    EXPECT_EQ(f.host.captions, 0);
    f.context.host = nullptr;
    EnsureTrueColour(f.context); // no window: nothing to refresh
}

TEST(EnsureIndexed, TheyRefreshTheCaptionInBatchRunsButNotInSlideshows) {
    Fixture f(PixelFormat::Bits24, 24);
    test::SetPixel24(f.context.current, 0, 0, {0xFF, 0xFF, 0xFF});
    f.host.batch = true;
    EnsureIndexed4(f.context);
    EXPECT_EQ(f.context.current.Format(), PixelFormat::Bits4);
    EXPECT_EQ(f.context.current.ScanLine(0)[0], 0xF0); // white, black
    EXPECT_EQ(f.context.descriptor.ImageBits, 4);
    EXPECT_EQ(f.host.captions, 1);

    f.host.slideshow = true;
    EnsureIndexed8(f.context);
    EXPECT_EQ(f.context.current.Format(), PixelFormat::Bits8);
    EXPECT_EQ(f.context.current.ScanLine(0)[0], 225); // the halftone's first white
    EXPECT_EQ(f.context.descriptor.ImageBits, 8);
    EXPECT_EQ(f.host.captions, 1);
}

TEST(ConvertToDib, ADibIsLeftAloneAndTheDepthGivenComesBack) {
    Fixture f(PixelFormat::Bits8, 8);
    EXPECT_EQ(ConvertToDib(f.context, 3, 2, 15), 15);
    EXPECT_EQ(f.context.current.Format(), PixelFormat::Bits8);
}

TEST(ConvertToDib, ADdbIsRedrawnAtTheDepthAsked) {
    Fixture mono(PixelFormat::Device, 24);
    std::memcpy(mono.context.current.ScanLine(0), "\xF0\xF0\xF0\x00", 4);
    EXPECT_EQ(ConvertToDib(mono.context, 3, 2, 1), 1);
    EXPECT_EQ(mono.context.current.Format(), PixelFormat::Bits1);
    EXPECT_EQ(mono.context.current.ScanLine(0)[0], 0x80);

    Fixture wide(PixelFormat::Device, 24);
    EXPECT_EQ(ConvertToDib(wide.context, 3, 2, 15), 24);
    EXPECT_EQ(wide.context.current.Format(), PixelFormat::Bits24);
    EXPECT_EQ(wide.context.current.Storage(), StorageKind::DIB);
}

TEST(ConvertToDib, AnotherSizeKeepsTheTopLeftAndTheDescriptorFollows) {
    Fixture f(PixelFormat::Device, 24);
    std::memcpy(f.context.current.ScanLine(0), "\x01\x02\x03\x00\x04\x05\x06\x00", 8);
    EXPECT_EQ(ConvertToDib(f.context, 1, 3, 24), 24);
    EXPECT_EQ(f.context.current.Width(), 1);
    EXPECT_EQ(f.context.current.Height(), 3);
    EXPECT_EQ(Pixel24(f.context.current, 0, 0), (Bgr{1, 2, 3}));
    EXPECT_EQ(Pixel24(f.context.current, 0, 2), (Bgr{0, 0, 0}));
    EXPECT_EQ(f.context.descriptor.ImageWidth, 1);
    EXPECT_EQ(f.context.descriptor.ImageHeight, 3);
}

TEST(ConvertToDib, AFailureLeavesThePictureClearedNotHalfMade) {
    Fixture f(PixelFormat::Device, 24);
    EXPECT_THROW(ConvertToDib(f.context, -1, 2, 24), EBitmapError);
    EXPECT_TRUE(f.context.current.Empty());
    EXPECT_EQ(f.context.descriptor.ImageWidth, 0);
}

class FakePromoteHost : public PromoteHost {
public:
    bool AutoBackUp() override {
        calls.push_back("backup");
        return allowBackup;
    }
    void ShowStatus(const std::string& text) override { calls.push_back("status " + text); }
    void RecordBatchLine(const std::string& line) override { calls.push_back("batch " + line); }
    void RefreshView() override { calls.push_back("view"); }
    void MarkModified() override { calls.push_back("modified"); }
    bool allowBackup = true;
    std::vector<std::string> calls;
};

TEST(PromoteCommand, SixteenMillionColoursRecordsTrueColourAndEndsReady) {
    Fixture f(PixelFormat::Bits8, 8);
    FakePromoteHost host;
    EXPECT_TRUE(PromoteCommand(f.context, host, 24));
    EXPECT_EQ(host.calls,
              (std::vector<std::string>{"backup", "status Promoting...", "batch TRUECOLOR", "view",
                                        "modified", "status Ready."}));
    EXPECT_EQ(f.context.current.Format(), PixelFormat::Bits24);
    EXPECT_EQ(f.context.descriptor.ImageBits, 24);
}

TEST(PromoteCommand, SixteenColoursRecordsNoLine) {
    Fixture f(PixelFormat::Bits24, 24);
    FakePromoteHost host;
    EXPECT_TRUE(PromoteCommand(f.context, host, 4));
    EXPECT_EQ(host.calls, (std::vector<std::string>{"backup", "status Promoting...", "view",
                                                    "modified", "status Ready."}));
    EXPECT_EQ(f.context.current.Format(), PixelFormat::Bits4);
    EXPECT_EQ(f.context.descriptor.ImageBits, 4);
}

TEST(PromoteCommand, ARefusedUndoCopyOrAnUnknownTagChangesNothing) {
    Fixture f(PixelFormat::Bits24, 24);
    FakePromoteHost host;
    host.allowBackup = false;
    EXPECT_FALSE(PromoteCommand(f.context, host, 8));
    EXPECT_EQ(host.calls, (std::vector<std::string>{"backup"}));
    host.allowBackup = true;
    EXPECT_FALSE(PromoteCommand(f.context, host, 16));
    EXPECT_EQ(host.calls.size(), 1u);
    EXPECT_EQ(f.context.current.Format(), PixelFormat::Bits24);
    EXPECT_EQ(f.context.descriptor.ImageBits, 24);
}

} // namespace
} // namespace zv
