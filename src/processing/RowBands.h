#pragma once
// Passes over a picture's rows split into bands, one band per core, for
// pictures of a megapixel or more. A band writes only its own rows, and a
// pass whose rows read neighbouring rows reads them as they were before the
// pass (see SourceRows), so the bytes never depend on how many bands ran.
//
// Threads come from RowThreads (platform/RowThreads.h). A band's own thread
// runs with a limit of 1, so passes never nest their threads.

#include "imaging/Bitmap.h"
#include "platform/RowThreads.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace zv {

// Pictures with fewer pixels run in one band on the calling thread.
inline constexpr std::int64_t kBandedPixels = 1'000'000;

// Rows first .. end-1.
struct RowBand {
    std::int32_t first = 0;
    std::int32_t end = 0;
};

// Rows first .. end-1 of the picture in as many bands as the pass may use
// threads, or one band for a small picture; nearly equal bands, none empty.
std::vector<RowBand> BandsFor(const Bitmap& picture, std::int32_t first, std::int32_t end);

// Runs task(i) for every band index i, band 0 on the calling thread and the
// others on threads of their own, and returns when all are done. The first
// exception a band throws is thrown again once every band has finished.
void RunBands(std::size_t count, const std::function<void(std::size_t)>& task);

// rows(first, end) over rows first .. end-1 of the picture, in bands; for
// passes where each row reads only itself.
template <class Rows>
void ParallelRows(const Bitmap& picture, std::int32_t first, std::int32_t end, Rows rows) {
    const std::vector<RowBand> bands = BandsFor(picture, first, end);
    RunBands(bands.size(), [&](std::size_t i) { rows(bands[i].first, bands[i].end); });
}

// For passes that read rows around the one they write: prepare(band) makes
// each band's state on the calling thread before any band starts, so it can
// copy the rows next to the band that the neighbouring bands will write;
// then run(state, band) works the bands in parallel.
template <class Prepare, class Run>
void ParallelBands(const Bitmap& picture, std::int32_t first, std::int32_t end, Prepare prepare,
                   Run run) {
    const std::vector<RowBand> bands = BandsFor(picture, first, end);
    using State = decltype(prepare(bands.front()));
    std::vector<State> states;
    states.reserve(bands.size());
    for (const RowBand& band : bands) states.push_back(prepare(band));
    RunBands(bands.size(), [&](std::size_t i) { run(states[i], bands[i]); });
}

} // namespace zv
