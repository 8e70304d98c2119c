#include "platform/linux/ProcMemoryStatus.h"

#include "platform/ScratchFolder.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

using test::ScratchFolder;

constexpr std::uint64_t KiB = 1024;
constexpr std::uint64_t TiB = KiB * KiB * KiB * KiB;

const char* const kMeminfo = "MemTotal:        8000000 kB\n"
                             "MemFree:          500000 kB\n"
                             "MemAvailable:    2000000 kB\n"
                             "Buffers:          100000 kB\n"
                             "Cached:          1000000 kB\n"
                             "SwapCached:            0 kB\n"
                             "SwapTotal:       4000000 kB\n"
                             "SwapFree:        3000000 kB\n";

TEST(ProcMemoryStatus, MeminfoGivesEveryFigureInBytes) {
    MemoryStatus status = ProcMemoryStatus::FromMemInfo(kMeminfo, 1000 * KiB);
    EXPECT_EQ(status.totalPhysical, 8000000 * KiB);
    EXPECT_EQ(status.availablePhysical, 2000000 * KiB);
    EXPECT_EQ(status.load, 75);
    EXPECT_EQ(status.totalPaged, 12000000 * KiB);
    EXPECT_EQ(status.availablePaged, 5000000 * KiB);
    EXPECT_EQ(status.totalVirtual, 128 * TiB);
    EXPECT_EQ(status.availableVirtual, 128 * TiB - 1000 * KiB);

    EXPECT_EQ(ProcMemoryStatus::FromMemInfo(kMeminfo, std::nullopt).availableVirtual,
              5000000 * KiB);
}

TEST(ProcMemoryStatus, OlderKernelsWithoutMemAvailableCountFreeAndCaches) {
    MemoryStatus status = ProcMemoryStatus::FromMemInfo("MemTotal: 1000 kB\n"
                                                        "MemFree: 100 kB\n"
                                                        "Buffers: 50 kB\n"
                                                        "Cached: 250 kB\n",
                                                        std::nullopt);
    EXPECT_EQ(status.availablePhysical, 400 * KiB);
    EXPECT_EQ(status.load, 60);
    EXPECT_EQ(status.totalPaged, 1000 * KiB);
}

TEST(ProcMemoryStatus, OddTextGivesNoWrongOrOverflowedFigures) {
    // Keys count only at the start of a line; numbers too big for bytes are ignored.
    EXPECT_EQ(ProcMemoryStatus::ValueInBytes("HugeMemTotal: 5 kB\nMemTotal: 7 kB\n", "MemTotal"),
              7 * KiB);
    EXPECT_FALSE(ProcMemoryStatus::ValueInBytes("MemTotal: 18014398509481984 kB\n", "MemTotal"));
    EXPECT_FALSE(
        ProcMemoryStatus::ValueInBytes("MemTotal: 99999999999999999999999 kB\n", "MemTotal"));
    EXPECT_FALSE(ProcMemoryStatus::ValueInBytes("MemTotal: kB\n", "MemTotal"));

    MemoryStatus status = ProcMemoryStatus::FromMemInfo(
        "MemTotal: 100 kB\nMemAvailable: 500 kB\nSwapTotal: 10 kB\nSwapFree: 90 kB\n", 200 * TiB);
    EXPECT_EQ(status.availablePhysical, 100 * KiB);
    EXPECT_EQ(status.load, 0);
    EXPECT_EQ(status.availablePaged, 110 * KiB);
    EXPECT_EQ(status.availableVirtual, 0u);

    EXPECT_EQ(ProcMemoryStatus::FromMemInfo("", std::nullopt).load, 0);
}

TEST(ProcMemoryStatus, LargestFreeBlockIsCappedByAvailableMemoryAndSwap) {
    ScratchFolder scratch;
    test::WriteFile(scratch / "meminfo", kMeminfo);
    test::WriteFile(scratch / "status", "Name:\tzelvan\nVmSize:\t  2048 kB\n");
    ProcMemoryStatus memory(scratch / "meminfo", scratch / "status");
    EXPECT_EQ(memory.Read().availableVirtual, 128 * TiB - 2048 * KiB);
    EXPECT_EQ(memory.LargestFreeBlock(1000), 1000u);
    EXPECT_EQ(memory.LargestFreeBlock(64 * TiB), 5000000 * KiB);

    // Unknown memory refuses nothing.
    ProcMemoryStatus unknown(scratch / "missing", scratch / "missing");
    EXPECT_EQ(unknown.Read().totalPhysical, 0u);
    EXPECT_EQ(unknown.LargestFreeBlock(64 * TiB), 64 * TiB);
}

TEST(ProcMemoryStatus, ReadsThisMachine) {
    MemoryStatus status = ProcMemoryStatus().Read();
    EXPECT_GT(status.totalPhysical, 0u);
    EXPECT_LE(status.availablePhysical, status.totalPhysical);
    EXPECT_GE(status.load, 0);
    EXPECT_LE(status.load, 100);
    EXPECT_GE(status.totalPaged, status.totalPhysical);
    EXPECT_LT(status.availableVirtual, status.totalVirtual);
}

} // namespace
} // namespace zv
