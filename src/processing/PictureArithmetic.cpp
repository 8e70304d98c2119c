#include "processing/PictureArithmetic.h"

#include "processing/ByteBlocks.h"
#include "processing/RowBands.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <new>
#include <optional>
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

// rule(P, D) for every byte of the rows the predicate keeps. The rows are
// read as two separate pictures, so a picture combined with itself is read
// from a copy.
template <class Keep, class Rule>
void PairRows(Bitmap& picture, const Bitmap& duplicate, Keep keep, Rule rule) {
    RequirePair(picture, duplicate);
    std::optional<Bitmap> copy;
    if (&picture == &duplicate) copy.emplace(duplicate);
    const Bitmap& other = copy ? *copy : duplicate;
    const std::int64_t bytes = 3 * static_cast<std::int64_t>(picture.Width());
    ParallelRows(picture, 0, picture.Height(), [&](std::int32_t first, std::int32_t end) {
        for (std::int32_t y = first; y < end; ++y)
            if (keep(y)) ForEachBytePair(picture.ScanLine(y), other.ScanLine(y), bytes, rule);
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
    const auto each = [&](auto rule) {
        PairRows(
            picture, duplicate, [](std::int32_t) { return true; }, rule);
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
    const int parity = oddField ? 1 : 0;
    const auto rows = [&](std::int32_t y) { return everyRow || (parity + y) % 2 == 1; };
    // Each share is a product of at most 16 bits divided by 100, which the
    // compiler does on 16-bit lanes; past 100 percent the picture's share is
    // negative (rounded toward zero, as a signed quotient is).
    if (percent >= 0 && percent <= 100) {
        const auto own = static_cast<std::uint16_t>(100 - percent);
        const auto other = static_cast<std::uint16_t>(percent);
        PairRows(picture, duplicate, rows, [own, other](std::uint16_t p, std::uint16_t d) {
            return static_cast<std::uint16_t>(p * own) / 100 +
                   static_cast<std::uint16_t>(d * other) / 100;
        });
    } else if (percent > 100 && percent <= 257) {
        const auto own = static_cast<std::uint16_t>(percent - 100);
        const auto other = static_cast<std::uint16_t>(percent);
        PairRows(picture, duplicate, rows, [own, other](std::uint16_t p, std::uint16_t d) {
            return std::clamp(static_cast<std::uint16_t>(d * other) / 100 -
                                  static_cast<std::uint16_t>(p * own) / 100,
                              0, 255);
        });
    } else {
        PairRows(picture, duplicate, rows, [percent](int p, int d) {
            return std::clamp(p * (100 - percent) / 100 + d * percent / 100, 0, 255);
        });
    }
}

} // namespace zv
