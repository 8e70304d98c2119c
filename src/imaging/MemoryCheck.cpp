#include "imaging/MemoryCheck.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <sys/utsname.h>
#include <tuple>

namespace zv {

namespace {

constexpr std::uint64_t kMiB = 1048576;

void WarnShort(Dialogs& dialogs, std::int64_t required, std::uint64_t actual) {
    dialogs.Warning("Free memory is fragmented or running low.\n"
                    "Select Tools | Memory to clear and check buffers.\n"
                    "\nRequired=" +
                    std::to_string(required) + " Actual=" + std::to_string(actual));
}

// The report's size in MiB: one more than the whole MiB the bytes hold.
std::string MegabyteLine(const char* label, std::uint64_t bytes) {
    return std::string(label) + std::to_string(bytes / kMiB + 1) + " Mb\n";
}

int FirstDigit(int number) {
    while (number >= 10) number /= 10;
    return number;
}

} // namespace

std::int64_t ImageByteSize(const ImageDescriptor& descriptor, bool autoReduce) {
    int depth = descriptor.ImageBits;
    if (descriptor.ScreenBits == 8 && autoReduce && depth == 24) depth = 8;
    // Unsigned: 3 x (2^31)^2 fits in 64 unsigned bits but not in 64 signed ones.
    const std::uint64_t pixels = static_cast<std::uint64_t>(std::max(descriptor.ImageWidth, 0)) *
                                 static_cast<std::uint64_t>(std::max(descriptor.ImageHeight, 0));
    std::uint64_t bytes = 0;
    switch (depth) {
    case 1: bytes = pixels / 8; break;
    case 4: bytes = pixels / 2; break;
    case 8: bytes = pixels; break;
    case 15:
    case 16: bytes = 2 * pixels; break;
    case 24: bytes = 3 * pixels; break;
    default: bytes = 0; break;
    }
    bytes = std::min<std::uint64_t>(bytes, std::numeric_limits<std::int64_t>::max());
    return static_cast<std::int64_t>(bytes / 4096 * 4096);
}

bool MemoryRunningLow(const ImageDescriptor& descriptor, bool autoReduce,
                      const MemoryStatusSource& memory, Dialogs& dialogs) {
    const std::int64_t required = ImageByteSize(descriptor, autoReduce);
    if (required <= 0) return false;
    const auto wanted = static_cast<std::uint64_t>(required);
    const std::uint64_t reserved = memory.LargestFreeBlock(wanted);
    if (reserved == 0) return true;
    if (reserved < wanted) {
        WarnShort(dialogs, required, reserved);
        return true;
    }
    const std::uint64_t probed = memory.LargestFreeBlock(kLargestBlockProbe);
    if (probed < std::min(wanted, kLargestBlockProbe)) {
        WarnShort(dialogs, required, probed);
        return true;
    }
    return false;
}

std::string MemoryReportText(const MemoryReport& report) {
    const MemoryStatus& status = report.status;
    std::string text = "Memory Utilization: " + std::to_string(status.load) + " (100=max)\n\n";
    text += MegabyteLine("Total Physical Memory: ", status.totalPhysical);
    text += MegabyteLine("Total Paged Memory: ", status.totalPaged);
    text += MegabyteLine("Free Paged Memory: ", status.availablePaged);
    text += MegabyteLine("Total Virtual Memory: ", status.totalVirtual);
    text += MegabyteLine("Free Virtual Memory: ", status.availableVirtual);
    text += "Largest Free Block: " + std::to_string(report.largestFreeBlock / kMiB) + " Mb\n\n";
    text += "Windows version: " + std::to_string(report.osMajor) + "." +
            std::to_string(FirstDigit(report.osMinor)) + "\n";
    text += "Display: " + std::to_string(report.screenWidth) + " x " +
            std::to_string(report.screenHeight) + " (" + std::to_string(report.screenBits) +
            " bpp)";
    if (report.bookmarkCount) {
        text += "\n\nViewer bookmarks: " + std::to_string(*report.bookmarkCount) + " items";
    }
    return text;
}

std::pair<int, int> ParseKernelRelease(const std::string& release) {
    const char* p = release.c_str();
    char* end = nullptr;
    const long major = std::strtol(p, &end, 10);
    if (end == p) return {0, 0};
    long minor = 0;
    if (*end == '.') minor = std::strtol(end + 1, nullptr, 10);
    return {static_cast<int>(std::clamp(major, 0L, 99999L)),
            static_cast<int>(std::clamp(minor, 0L, 99999L))};
}

std::pair<int, int> KernelVersion() {
    utsname name{};
    if (uname(&name) != 0) return {0, 0};
    return ParseKernelRelease(name.release);
}

void MemoryCommand(ImagingContext& context, const MemoryStatusSource& memory, Dialogs& dialogs,
                   const DisplayInfo& display, std::optional<int> bookmarkCount,
                   const std::function<void()>& emptyClipboard) {
    context.memoryCleared = true;
    ClearBitmap(context.ScratchBitmap);
    ClearBitmap(context.BackupBitmap);
    ClearBitmap(context.DuplicateBitmap);
    if (emptyClipboard) emptyClipboard();
    MemoryReport report;
    report.status = memory.Read();
    report.largestFreeBlock = memory.LargestFreeBlock(kLargestBlockProbe);
    std::tie(report.osMajor, report.osMinor) = KernelVersion();
    report.screenWidth = display.width;
    report.screenHeight = display.height;
    report.screenBits = context.descriptor.ScreenBits;
    report.bookmarkCount = bookmarkCount;
    dialogs.Information(MemoryReportText(report));
}

} // namespace zv
