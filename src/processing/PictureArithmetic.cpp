#include "processing/PictureArithmetic.h"

#include "processing/RowBands.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <utility>

namespace zv {

namespace {

// The copy a buffer command makes; false when there was no memory for it,
// which also stops a running batch.
bool CopyInto(Bitmap& target, const Bitmap& source, ImagingContext& working) {
    try {
        target = source;
        return true;
    } catch (const std::bad_alloc&) {
    } catch (const EBitmapError&) {
    }
    ClearBitmap(target);
    working.memoryRanShort = true;
    return false;
}

// The duplicate is kept true colour, so two-picture commands read it as such.
void DuplicateWork(ToolboxJob& job) {
    if (!job.working) return;
    Bitmap& duplicate = job.working->DuplicateBitmap;
    ClearBitmap(duplicate);
    if (CopyInto(duplicate, job.picture, *job.working) &&
        duplicate.Format() != PixelFormat::Bits24) {
        try {
            duplicate.SetPixelFormat(PixelFormat::Bits24);
        } catch (const EBitmapError&) {
            ClearBitmap(duplicate);
            job.working->memoryRanShort = true;
        }
    }
}

// An exchange of the two pictures' storage: nothing is copied.
void SwapWork(ToolboxJob& job) {
    if (!job.working) return;
    Bitmap held = std::move(job.picture);
    job.picture = std::move(job.working->DuplicateBitmap);
    job.working->DuplicateBitmap = std::move(held);
}

void CopyToBackupWork(ToolboxJob& job) {
    if (job.working) CopyInto(job.working->BackupBitmap, job.picture, *job.working);
}

// An empty backup leaves the picture as it is, rather than emptying it.
void CopyFromBackupWork(ToolboxJob& job) {
    if (!job.working || job.working->BackupBitmap.Empty()) return;
    Bitmap copy;
    if (CopyInto(copy, job.working->BackupBitmap, *job.working))
        job.picture = std::move(copy);
    else
        ClearBitmap(job.working->BackupBitmap);
}

void ClearBuffersWork(ToolboxJob& job) {
    if (!job.working) return;
    for (Bitmap* b : {&job.working->DuplicateBitmap, &job.working->BackupBitmap,
                      &job.working->ScratchBitmap, &job.working->UndoBitmap})
        ClearBitmap(*b);
}

template <ByteCombination how> void CombineWork(ToolboxJob& job) {
    CombineBytes(job.picture, *job.second, how);
}
void AverageWork(ToolboxJob& job) {
    AverageRows(job.picture, *job.second, job.values.V1, true, false);
}
void InterlaceWork(ToolboxJob& job) {
    AverageRows(job.picture, *job.second, job.values.V1, false, job.values.V2 != 0);
}

void RequirePair(const Bitmap& picture, const Bitmap& duplicate) {
    if (picture.Format() != PixelFormat::Bits24 || duplicate.Format() != PixelFormat::Bits24 ||
        duplicate.Width() != picture.Width() || duplicate.Height() != picture.Height())
        throw std::invalid_argument("two 24-bit pictures of one size are needed");
}

// rows(p, d, bytes) over the rows the predicate keeps.
template <class Keep, class Row>
void PairRows(Bitmap& picture, const Bitmap& duplicate, Keep keep, Row row) {
    RequirePair(picture, duplicate);
    const std::int64_t bytes = 3 * static_cast<std::int64_t>(picture.Width());
    ParallelRows(picture, 0, picture.Height(), [&](std::int32_t first, std::int32_t end) {
        for (std::int32_t y = first; y < end; ++y)
            if (keep(y)) row(picture.ScanLine(y), duplicate.ScanLine(y), bytes);
    });
}

constexpr EffectDialogLayout kAverageDialog{
    "Compute Average Bitmap (%)",
    1,
    {EffectSlider{1, 99, 50, 10, 1, "&Filter", "1 (less)", "99 (more)"}}};
constexpr EffectDialogLayout kInterlaceDialog{
    "Compute Interlaced Bitmap (%)",
    2,
    {EffectSlider{1, 99, 99, 10, 1, "&Blend", "1 (less)", "99 (more)"},
     EffectSlider{0, 1, 1, 1, 1, "&Field", "Even", "Odd"}}};

// The buffer commands keep the picture's depth, take no undo copy and
// leave the modified mark alone.
constexpr unsigned kBufferSteps = kStepRecord;
// Swap and the restore change the picture.
constexpr unsigned kExchangeSteps = kStepRecord | kStepModified;
// The two-picture commands take the undo copy once their duplicate is there.
constexpr unsigned kBlendSteps = kDialogSteps & ~kStepColourWarning;

constexpr ToolboxOperation CombineEntry(const char* word, ToolboxWork work, unsigned needs) {
    return {.word = word, .status = "", .work = work, .needs = needs};
}

constexpr ToolboxOperation kArithmeticOperations[] = {
    {.word = "DUPLICATE",
     .status = "Duplicated.",
     .steps = kBufferSteps | kStepTrueColour,
     .work = DuplicateWork,
     .needs = kAnyDepth},
    {.word = "SWAP", .steps = kExchangeSteps, .work = SwapWork, .needs = kNeedDuplicateQuiet},
    {.word = "COPYTOBACKUP", .steps = kBufferSteps, .work = CopyToBackupWork, .needs = kAnyDepth},
    {.word = "COPYFROMBACKUP",
     .steps = kExchangeSteps,
     .work = CopyFromBackupWork,
     .needs = kAnyDepth},
    {.word = "CLEARBUFFERS", .steps = kBufferSteps, .work = ClearBuffersWork, .needs = kAnyDepth},
    CombineEntry("MULTIPLY", CombineWork<ByteCombination::Multiply>, kNeedDuplicateQuiet),
    CombineEntry("MINIMUM", CombineWork<ByteCombination::Minimum>, kNeedDuplicateQuiet),
    CombineEntry("MAXIMUM", CombineWork<ByteCombination::Maximum>, kNeedDuplicateQuiet),
    CombineEntry("DIFFERENCE", CombineWork<ByteCombination::Difference>, kNeedDuplicateQuiet),
    CombineEntry("SUBTRACT", CombineWork<ByteCombination::Subtract>, kNeedDuplicate),
    {.word = "AVERAGE",
     .effectCode = 500,
     .paramCount = 1,
     .ranges = {ParamRange{1, 255}},
     .steps = kBlendSteps,
     .dialog = &kAverageDialog,
     .work = AverageWork,
     .needs = kNeedDuplicate},
    {.word = "INTERLACE",
     .effectCode = 510,
     .paramCount = 2,
     .ranges = {ParamRange{1, 255}, ParamRange{0, 1}},
     .steps = kBlendSteps,
     .dialog = &kInterlaceDialog,
     .work = InterlaceWork,
     .needs = kNeedDuplicate},
};

} // namespace

std::span<const ToolboxOperation> ArithmeticOperations() {
    return kArithmeticOperations;
}

void CombineBytes(Bitmap& picture, const Bitmap& duplicate, ByteCombination how) {
    const auto all = [](std::int32_t) { return true; };
    const auto each = [&](auto rule) {
        PairRows(picture, duplicate, all,
                 [rule](std::uint8_t* p, const std::uint8_t* d, std::int64_t bytes) {
                     for (std::int64_t i = 0; i < bytes; ++i)
                         p[i] = static_cast<std::uint8_t>(rule(int{p[i]}, int{d[i]}));
                 });
    };
    switch (how) {
    case ByteCombination::Multiply: each([](int p, int d) { return d * p / 255; }); break;
    case ByteCombination::Minimum: each([](int p, int d) { return std::min(p, d); }); break;
    case ByteCombination::Maximum: each([](int p, int d) { return std::max(p, d); }); break;
    case ByteCombination::Difference:
        each([](int p, int d) { return std::clamp(127 + p - d, 0, 255); });
        break;
    case ByteCombination::Subtract: each([](int p, int d) { return std::max(p - d, 0); }); break;
    }
}

void AverageRows(Bitmap& picture, const Bitmap& duplicate, int percent, bool everyRow,
                 bool oddField) {
    // Two quotients per byte, from tables: P's share and D's share.
    std::array<int, 256> own{}, other{};
    for (int v = 0; v < 256; ++v) {
        own[v] = v * (100 - percent) / 100;
        other[v] = v * percent / 100;
    }
    const int parity = oddField ? 1 : 0;
    PairRows(
        picture, duplicate, [&](std::int32_t y) { return everyRow || (parity + y) % 2 == 1; },
        [&](std::uint8_t* p, const std::uint8_t* d, std::int64_t bytes) {
            for (std::int64_t i = 0; i < bytes; ++i)
                p[i] = static_cast<std::uint8_t>(std::clamp(own[p[i]] + other[d[i]], 0, 255));
        });
}

} // namespace zv
