#include "processing/RowBands.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <thread>

namespace zv {

std::vector<RowBand> BandsFor(const Bitmap& picture, std::int32_t first, std::int32_t end) {
    std::vector<RowBand> bands;
    if (end <= first) return bands;
    const std::int64_t pixels = std::int64_t{picture.Width()} * picture.Height();
    const std::int32_t rows = end - first;
    const std::int32_t count =
        pixels < kBandedPixels ? 1 : std::clamp<std::int32_t>(RowThreads(), 1, rows);
    for (std::int32_t i = 0; i < count; ++i)
        bands.push_back({first + static_cast<std::int32_t>(std::int64_t{rows} * i / count),
                         first + static_cast<std::int32_t>(std::int64_t{rows} * (i + 1) / count)});
    return bands;
}

void RunBands(std::size_t count, const std::function<void(std::size_t)>& task) {
    if (count == 0) return;
    if (count == 1) {
        task(0);
        return;
    }
    std::mutex lock;
    std::exception_ptr failure;
    const auto guarded = [&](std::size_t i) {
        try {
            task(i);
        } catch (...) {
            const std::lock_guard<std::mutex> hold(lock);
            if (!failure) failure = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    threads.reserve(count - 1);
    try {
        for (std::size_t i = 1; i < count; ++i)
            threads.emplace_back([&guarded, i] {
                const RowThreadLimit single(1);
                guarded(i);
            });
    } catch (...) {
        // No thread to be had: the bands without one run here.
        for (std::size_t i = threads.size() + 1; i < count; ++i) guarded(i);
    }
    {
        const RowThreadLimit single(1);
        guarded(0);
    }
    for (std::thread& thread : threads) thread.join();
    if (failure) std::rethrow_exception(failure);
}

} // namespace zv
