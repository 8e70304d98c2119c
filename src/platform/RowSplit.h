#pragma once
// Work over a picture's rows split into bands, one band per thread the
// caller may use (RowThreads), for the layers below the toolbox, whose
// passes use processing/RowBands.h. Each band's thread runs with a thread
// limit of 1, so the work it calls starts no threads of its own.

#include <cstdint>
#include <functional>

namespace zv {

// Work on fewer pixels than this runs in one band on the calling thread.
inline constexpr std::int64_t kSplitPixels = 1'000'000;

// band(first, end) over rows 0 .. rows-1 in nearly equal bands, none empty.
// A band must write only its own rows, so the result never depends on how
// many bands ran. The first exception a band throws is thrown again once
// every band has finished.
void SplitRows(std::int32_t rows, std::int64_t pixels,
               const std::function<void(std::int32_t first, std::int32_t end)>& band);

} // namespace zv
