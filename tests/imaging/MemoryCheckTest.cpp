#include "imaging/MemoryCheck.h"
#include "platform/ScriptedDialogs.h"

#include "FakeMemory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

namespace zv {
namespace {

ImageDescriptor Picture(std::int32_t width, std::int32_t height, std::int16_t bits,
                        int screenBits = 24) {
    ImageDescriptor descriptor;
    descriptor.ImageWidth = width;
    descriptor.ImageHeight = height;
    descriptor.ImageBits = bits;
    descriptor.ScreenBits = screenBits;
    return descriptor;
}

TEST(ImageByteSize, BytesPerDepthWithoutPaddingRoundedDownToPages) {
    EXPECT_EQ(ImageByteSize(Picture(1001, 1001, 24), false), 3002368); // 3,006,003
    EXPECT_EQ(ImageByteSize(Picture(1000, 1000, 1), false), 122880);   // 125,000
    EXPECT_EQ(ImageByteSize(Picture(1000, 1000, 4), false), 499712);   // 500,000
    EXPECT_EQ(ImageByteSize(Picture(1000, 1000, 15), false), 1998848); // 2,000,000
    EXPECT_EQ(ImageByteSize(Picture(100, 100, 1), false), 0);
    EXPECT_EQ(ImageByteSize(Picture(1000, 1000, 32), false), 0);
    EXPECT_EQ(ImageByteSize(Picture(50000, 50000, 24), false), 7499997184); // past 32 bits
}

TEST(ImageByteSize, AutoReduceOnAnEightBitDisplayCountsOneBytePerPixel) {
    EXPECT_EQ(ImageByteSize(Picture(1001, 1001, 24, 8), true), 999424); // 1,002,001
    EXPECT_EQ(ImageByteSize(Picture(1001, 1001, 24, 8), false), 3002368);
    EXPECT_EQ(ImageByteSize(Picture(1001, 1001, 24, 16), true), 3002368);
}

using zvtest::FakeMemory;

const char* const kWarning = "Free memory is fragmented or running low.\n"
                             "Select Tools | Memory to clear and check buffers.\n\n";

TEST(MemoryRunningLow, PlentyOfMemoryPassesSilentlyAfterBothJudgements) {
    FakeMemory memory;
    ScriptedDialogs dialogs;
    EXPECT_FALSE(MemoryRunningLow(Picture(1001, 1001, 24), false, memory, dialogs));
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(memory.asked, (std::vector<std::uint64_t>{3002368, 267386880}));
}

TEST(MemoryRunningLow, NoMemoryAtAllFailsWithoutAMessage) {
    FakeMemory memory;
    memory.free = 0;
    ScriptedDialogs dialogs;
    EXPECT_TRUE(MemoryRunningLow(Picture(1001, 1001, 24), false, memory, dialogs));
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST(MemoryRunningLow, AShortReservationWarnsWithRequiredAndActual) {
    FakeMemory memory;
    memory.free = 1000000;
    ScriptedDialogs dialogs;
    EXPECT_TRUE(MemoryRunningLow(Picture(1001, 1001, 24), false, memory, dialogs));
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].kind, BoxKind::Warning);
    EXPECT_EQ(dialogs.boxes[0].buttons, Buttons::Ok);
    EXPECT_EQ(dialogs.boxes[0].text, std::string(kWarning) + "Required=3002368 Actual=1000000");
}

TEST(MemoryRunningLow, AFragmentedProbeWarnsWithTheProbedSize) {
    FakeMemory memory;
    memory.probeGrant = 2000000;
    ScriptedDialogs dialogs;
    EXPECT_TRUE(MemoryRunningLow(Picture(1001, 1001, 24), false, memory, dialogs));
    EXPECT_EQ(dialogs.LastText(), std::string(kWarning) + "Required=3002368 Actual=2000000");
}

// The probe can never grant more than 255 MiB; a bigger picture with memory
// to spare must not be reported short.
TEST(MemoryRunningLow, APictureLargerThanTheProbeRestsOnItsReservation) {
    FakeMemory memory;
    memory.free = std::uint64_t{8} << 30;
    ScriptedDialogs dialogs;
    EXPECT_FALSE(MemoryRunningLow(Picture(20000, 20000, 24), false, memory, dialogs));
    EXPECT_TRUE(dialogs.boxes.empty());

    memory.probeGrant = 100000000; // fragmented below 255 MiB
    EXPECT_TRUE(MemoryRunningLow(Picture(20000, 20000, 24), false, memory, dialogs));
    EXPECT_EQ(dialogs.LastText(), std::string(kWarning) + "Required=1199996928 Actual=100000000");
}

TEST(MemoryRunningLow, AnEmptyPictureNeedsNothing) {
    FakeMemory memory;
    memory.free = 0;
    ScriptedDialogs dialogs;
    EXPECT_FALSE(MemoryRunningLow(Picture(0, 0, 24), false, memory, dialogs));
    EXPECT_TRUE(memory.asked.empty());
}

MemoryReport SampleReport() {
    MemoryReport report;
    report.status.load = 42;
    report.status.totalPhysical = std::uint64_t{8} << 30;
    report.status.totalPaged = std::uint64_t{10} << 30;
    report.status.availablePaged = 1048575;
    report.status.totalVirtual = std::uint64_t{128} << 40;
    report.status.availableVirtual = 0;
    report.largestFreeBlock = 267386880;
    report.osMajor = 6;
    report.osMinor = 15;
    report.screenWidth = 1920;
    report.screenHeight = 1080;
    report.screenBits = 24;
    report.bookmarkCount = 7;
    return report;
}

TEST(MemoryReportText, AllLinesWithMegabytesRoundedUpAndTheMinorVersionCut) {
    EXPECT_EQ(MemoryReportText(SampleReport()), "Memory Utilization: 42 (100=max)\n"
                                                "\n"
                                                "Total Physical Memory: 8193 Mb\n"
                                                "Total Paged Memory: 10241 Mb\n"
                                                "Free Paged Memory: 1 Mb\n"
                                                "Total Virtual Memory: 134217729 Mb\n"
                                                "Free Virtual Memory: 1 Mb\n"
                                                "Largest Free Block: 255 Mb\n"
                                                "\n"
                                                "Windows version: 6.1\n"
                                                "Display: 1920 x 1080 (24 bpp)\n"
                                                "\n"
                                                "Viewer bookmarks: 7 items");
    MemoryReport fromExplorer = SampleReport();
    fromExplorer.bookmarkCount.reset();
    const std::string text = MemoryReportText(fromExplorer);
    EXPECT_EQ(text.substr(text.size() - 13), "1080 (24 bpp)");
}

TEST(MemoryReportText, KernelReleaseGivesMajorAndMinor) {
    EXPECT_EQ(ParseKernelRelease("6.1.0-18-amd64"), std::make_pair(6, 1));
    EXPECT_EQ(ParseKernelRelease("5.15"), std::make_pair(5, 15));
    EXPECT_EQ(ParseKernelRelease("7"), std::make_pair(7, 0));
    EXPECT_EQ(ParseKernelRelease("unknown"), std::make_pair(0, 0));
}

TEST(MemoryCommand, ClearsTheWorkingCopiesEmptiesTheClipboardAndReports) {
    ImagingContext context;
    for (Bitmap* b : {&context.current, &context.UndoBitmap, &context.BackupBitmap,
                      &context.DuplicateBitmap, &context.ScratchBitmap}) {
        b->Create(4, 4, PixelFormat::Bits24);
    }
    context.descriptor.ScreenBits = 16;
    FakeMemory memory;
    memory.status.load = 9;
    ScriptedDialogs dialogs;
    DisplayInfo display;
    display.width = 800;
    display.height = 600;
    int clipboardEmptied = 0;
    MemoryCommand(context, memory, dialogs, display, 3, [&] { ++clipboardEmptied; });

    EXPECT_TRUE(context.memoryCleared);
    EXPECT_TRUE(context.ScratchBitmap.Empty());
    EXPECT_TRUE(context.BackupBitmap.Empty());
    EXPECT_TRUE(context.DuplicateBitmap.Empty());
    EXPECT_FALSE(context.current.Empty());
    EXPECT_FALSE(context.UndoBitmap.Empty());
    EXPECT_EQ(clipboardEmptied, 1);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].kind, BoxKind::Information);
    const std::string& text = dialogs.boxes[0].text;
    EXPECT_EQ(text.rfind("Memory Utilization: 9 (100=max)\n", 0), 0u);
    EXPECT_NE(text.find("Largest Free Block: 255 Mb\n"), std::string::npos);
    EXPECT_NE(text.find("\nDisplay: 800 x 600 (16 bpp)\n\nViewer bookmarks: 3 items"),
              std::string::npos);
}

} // namespace
} // namespace zv
