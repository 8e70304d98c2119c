#pragma once
// The memory checks made before large copies of the current picture, and the
// Memory command that clears the working bitmaps and reports the machine's memory.

#include "imaging/ImagingContext.h"
#include "platform/Dialogs.h"
#include "platform/Display.h"
#include "platform/MemoryStatus.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace zv {

// The largest block the memory probe asks for: 255 MiB.
inline constexpr std::uint64_t kLargestBlockProbe = 267386880;

// Bytes one copy of the described picture takes, without row padding and
// rounded down to a multiple of 4096. On an 8-bit display with Auto Reduce
// on, a 24-bit picture counts one byte a pixel. 0 for unknown depths.
std::int64_t ImageByteSize(const ImageDescriptor& descriptor, bool autoReduce);

// True when one more copy of the picture would not fit; a warning box says
// so when memory is short but not exhausted. Linux overcommits, so nothing is
// allocated to find out: the reservation of the copy is judged by
// LargestFreeBlock(required) and the fragmentation probe by
// LargestFreeBlock(kLargestBlockProbe). The probe can grant at most 255 MiB,
// so it is compared with the copy's size capped at 255 MiB: a larger copy
// rests on the first judgement alone.
bool MemoryRunningLow(const ImageDescriptor& descriptor, bool autoReduce,
                      const MemoryStatusSource& memory, Dialogs& dialogs);

// What the Memory command reports.
struct MemoryReport {
    MemoryStatus status;
    std::uint64_t largestFreeBlock = 0;
    int osMajor = 0; // the kernel's version
    int osMinor = 0; // shown reduced to its first digit
    int screenWidth = 0;
    int screenHeight = 0;
    int screenBits = 0;
    std::optional<int> bookmarkCount; // none when the command came from the explorer window
};

std::string MemoryReportText(const MemoryReport& report);

// The kernel's major and minor version from a release string ("6.1.0-18-amd64"
// gives 6, 1); 0 where a number is missing.
std::pair<int, int> ParseKernelRelease(const std::string& release);
// The running kernel's major and minor version.
std::pair<int, int> KernelVersion();

// The Memory command: marks memory cleared, clears the scratch, backup and
// duplicate bitmaps, empties the clipboard, then shows the report in an
// information box. bookmarkCount is none when called from the explorer window.
void MemoryCommand(ImagingContext& context, const MemoryStatusSource& memory, Dialogs& dialogs,
                   const DisplayInfo& display, std::optional<int> bookmarkCount,
                   const std::function<void()>& emptyClipboard);

} // namespace zv
