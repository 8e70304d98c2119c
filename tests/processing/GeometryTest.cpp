// Resizing, rotation and colour reduction as toolbox commands: the two-step
// rule, the ranges, what is recorded, and that a failure keeps the picture.

#include "CorrectionHost.h"
#include "FilterReference.h"

#include "library/ImageLibrary.h"
#include "processing/ColourDepth.h"
#include "processing/GeometryOperations.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace {

using namespace zv;
using zvtest::PairHost;
using zvtest::RandomPicture;
using zvtest::RunLine;

PictureSize SizeOf(const Bitmap& picture) {
    return {picture.Width(), picture.Height()};
}

TEST(Resize, ShrinkingGoesThroughTwiceTheNewSize) {
    struct Case {
        PictureSize from, to;
        TwoStepRule rule;
        PictureSize middle;
    } const cases[] = {
        {{400, 300}, {200, 300}, TwoStepRule::WidthOnly, {400, 600}},
        {{400, 300}, {200, 150}, TwoStepRule::WidthOnly, {}}, // the height changes: one step
        {{400, 300}, {300, 400}, TwoStepRule::WidthOnly, {}},
        {{400, 300}, {200, 300}, TwoStepRule::AnyShrink, {400, 600}},
        {{400, 300}, {500, 200}, TwoStepRule::AnyShrink, {1000, 400}},
        {{400, 300}, {800, 600}, TwoStepRule::AnyShrink, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IntermediateSize(c.from, c.to, c.rule), c.middle)
            << c.from.width << "x" << c.from.height << " to " << c.to.width << "x" << c.to.height;
}

TEST(Resize, LinesResizeToTheirSizeOrDoNothing) {
    struct Case {
        const char* line;
        PictureSize out;
        RunOutcome run;
    } const cases[] = {
        {"RESAMPLE=200,300", {200, 300}, RunOutcome::Done},
        {"RESIZE=200,300", {200, 300}, RunOutcome::Done},
        {"RESIZE=1,1", {1, 1}, RunOutcome::Done},
        {"RESAMPLE=15,200", {400, 300}, RunOutcome::OutOfRange}, // 15 or less: nothing
        {"RESAMPLE=200,15", {400, 300}, RunOutcome::OutOfRange},
        {"RESIZE=16385,300", {400, 300}, RunOutcome::OutOfRange},
        {"DOWNSAMPLE=100,100", {100, 75}, RunOutcome::Done},   // fitted into the box
        {"DOWNSAMPLE=9000,150", {200, 150}, RunOutcome::Done}, // the box cut to the picture
        {"DOWNSAMPLE=9000,9000", {400, 300}, RunOutcome::Done},
        {"DOWNSAMPLE=12,12", {400, 300}, RunOutcome::Done}, // below 16 pixels: nothing
    };
    for (const auto& c : cases) {
        PairHost host;
        host.picture = RandomPicture(400, 300, 5);
        const LineResult result = RunLine(host, c.line);
        EXPECT_EQ(result.run, c.run) << c.line;
        EXPECT_EQ(SizeOf(host.picture), c.out) << c.line;
        if (c.run == RunOutcome::OutOfRange) {
            EXPECT_FALSE(result.message.empty()) << c.line;
        }
    }
}

// The viewer's host: the picture is its context's current picture, whose
// descriptor the work keeps.
struct ViewerHost : PairHost {
    Bitmap& Picture() override { return working.current; }
};

// A flat picture stays flat through both steps, at any depth: 8-bit colour
// pictures come back as true colour, and the descriptor follows.
TEST(Resize, ResampledPicturesKeepTheirColoursAndNoteTheirDepth) {
    ViewerHost host;
    host.working.current = zvtest::FlatPicture(40, 30, {200, 100, 50});
    host.working.current.SetPixelFormat(PixelFormat::Bits8);
    host.working.descriptor.ImageBits = 8;
    const Bitmap before = host.working.current;
    EXPECT_EQ(RunLine(host, "RESAMPLE=20,16").run, RunOutcome::Done);
    const Bitmap& after = host.working.current;
    ASSERT_EQ(SizeOf(after), (PictureSize{20, 16}));
    EXPECT_EQ(after.Format(), PixelFormat::Bits24);
    EXPECT_EQ(host.working.descriptor.ImageBits, 24);
    EXPECT_EQ(host.working.descriptor.ImageWidth, 20);
    const PaletteEntry colour = before.Colours()[before.ScanLine(0)[0]];
    const Bitmap flat = zvtest::FlatPicture(20, 16, {colour.red, colour.green, colour.blue});
    EXPECT_EQ(zvtest::FirstDifference(after, flat), "");
}

TEST(Resize, AutoResizeRecordsResampleAndLeavesTheModifiedMark) {
    PairHost host;
    host.picture = RandomPicture(400, 300, 6);
    ToolboxContext tb;
    EXPECT_EQ(RunAutoResize(host, tb, {200, 150}), RunOutcome::Done);
    EXPECT_EQ(SizeOf(host.picture), (PictureSize{200, 150}));
    EXPECT_EQ(host.lines, (std::vector<std::string>{"RESAMPLE=200,150"}));
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "modified"), 0);
    EXPECT_EQ(&ResampleCommandFor(4), TheToolbox().FindWord("RESIZE"));
    EXPECT_EQ(&ResampleCommandFor(8), TheToolbox().FindWord("RESAMPLE"));
}

TEST(Rotate, FineRecordsTheWholeDegreesTheWordCanReplay) {
    struct Case {
        int hundredths, degrees;
    } const cases[] = {{4550, 46},   {4500, 45}, {100, 1},  {1, 1},
                       {35900, 359}, {35901, 0}, {35999, 0}};
    for (const auto& c : cases) EXPECT_EQ(RecordedDegrees(c.hundredths), c.degrees) << c.hundredths;

    for (const auto& [hundredths, lines] :
         {std::pair{4550, std::vector<std::string>{"ROTATE=46"}}, {35950, {}}}) {
        PairHost host;
        host.picture = RandomPicture(30, 20, 7);
        ToolboxContext tb;
        EXPECT_EQ(RunRotateFine(host, tb, hundredths), RunOutcome::Done);
        EXPECT_EQ(host.lines, lines) << hundredths;
        EXPECT_NE(SizeOf(host.picture), (PictureSize{30, 20})) << hundredths; // it did turn
    }
    // The menu's 90 degrees is the batch word's.
    PairHost host;
    host.picture = RandomPicture(30, 20, 8);
    ToolboxContext tb;
    EXPECT_EQ(RunToolboxOperation(*TheToolbox().FindWord("ROTATE"), host, tb, RunMode::Interactive,
                                  {90, 0, 0}),
              RunOutcome::Done);
    EXPECT_EQ(host.lines, (std::vector<std::string>{"ROTATE=90"}));
    EXPECT_EQ(SizeOf(host.picture), (PictureSize{20, 30}));
}

TEST(Reduce, PosterAndDitherReductionsGiveIndexedPictures) {
    struct Case {
        const char* line;
        LineScope scope;
        PixelFormat format;
    } const cases[] = {
        {"QUANTIZE16", LineScope::Script, PixelFormat::Bits4},
        {"QUANTIZE256", LineScope::Script, PixelFormat::Bits8},
        {"REDUCE_256=2", LineScope::Tool, PixelFormat::Bits8},
        {"REDUCE_GRAY256=0", LineScope::Tool, PixelFormat::Bits8},
        {"REDUCE_16=1", LineScope::Tool, PixelFormat::Bits4},
        {"REDUCE_BW=0", LineScope::Tool, PixelFormat::Bits1},
    };
    for (const auto& c : cases) {
        PairHost host;
        host.picture = RandomPicture(40, 30, 9);
        EXPECT_EQ(RunLine(host, c.line, c.scope).run, RunOutcome::Done) << c.line;
        EXPECT_EQ(host.picture.Format(), c.format) << c.line;
    }
    PairHost script;
    script.picture = RandomPicture(4, 3, 9);
    EXPECT_EQ(RunLine(script, "REDUCE_256=2").outcome, LineOutcome::ToolOnly);
    EXPECT_EQ(ReductionModeOf(Reduction::Colours256, 2, 8).colours, 236);
    EXPECT_EQ(ReductionModeOf(Reduction::Greys256, 0, 24).mode,
              kReduceFixed | kReduceDiffuse | kReduceGrey);
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitised = true;
#else
constexpr bool kSanitised = false;
#endif

// Caps this process's address space at what it uses now plus `spare`.
void LimitMemory(std::size_t spare) {
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    statm >> pages;
    const rlim_t limit = pages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE)) + spare;
    const rlimit bound{limit, limit};
    setrlimit(RLIMIT_AS, &bound);
}

// In a child process whose memory is capped: a result that cannot be made
// leaves the picture as it was and reports the library's error; a 2w x 2h
// copy that cannot be made gives way to one step.
TEST(Resize, WhatCannotBeAllocatedKeepsThePicture) {
    if (kSanitised) GTEST_SKIP() << "address-space limits and sanitisers do not mix";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto tooLarge = [] {
        PairHost host;
        host.picture = RandomPicture(100, 100, 10);
        const Bitmap before = host.picture;
        LimitMemory(std::size_t{300} << 20);
        const LineResult result = RunLine(host, "RESAMPLE=16384,16384"); // 805 MB
        const bool kept = zvtest::SamePixels(host.picture, before);
        std::fprintf(stderr, "%s|%d\n", result.message.c_str(), kept);
        std::exit(result.run == RunOutcome::Failed && kept ? 0 : 1);
    };
    EXPECT_EXIT(tooLarge(), testing::ExitedWithCode(0), "memory.*\\|1");

    const auto oneStep = [] {
        PairHost host;
        host.picture = RandomPicture(10, 3001, 11);
        LimitMemory(std::size_t{250} << 20);
        // Through 20000 x 6000 (360 MB) it cannot go; 10000 x 3000 (90 MB) it can.
        const LineResult result = RunLine(host, "RESAMPLE=10000,3000");
        std::exit(result.run == RunOutcome::Done && host.picture.Width() == 10000 ? 0 : 1);
    };
    EXPECT_EXIT(oneStep(), testing::ExitedWithCode(0), "");
}

} // namespace
