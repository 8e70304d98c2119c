#include "platform/RowSplit.h"

#include "platform/RowThreads.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace zv {

void SplitRows(std::int32_t rows, std::int64_t pixels,
               const std::function<void(std::int32_t first, std::int32_t end)>& band) {
    if (rows <= 0) return;
    const std::int32_t count =
        pixels < kSplitPixels ? 1 : std::clamp<std::int32_t>(RowThreads(), 1, rows);
    const auto bounds = [rows, count](std::int32_t i) {
        return static_cast<std::int32_t>(std::int64_t{rows} * i / count);
    };
    if (count == 1) {
        band(0, rows);
        return;
    }
    std::mutex lock;
    std::exception_ptr failure;
    const auto guarded = [&](std::int32_t i) {
        const RowThreadLimit single(1);
        try {
            band(bounds(i), bounds(i + 1));
        } catch (...) {
            const std::lock_guard<std::mutex> hold(lock);
            if (!failure) failure = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    threads.reserve(static_cast<std::size_t>(count - 1));
    try {
        for (std::int32_t i = 1; i < count; ++i) threads.emplace_back(guarded, i);
    } catch (...) {
        // No thread to be had: the bands without one run here.
        for (auto i = static_cast<std::int32_t>(threads.size()) + 1; i < count; ++i) guarded(i);
    }
    guarded(0);
    for (std::thread& thread : threads) thread.join();
    if (failure) std::rethrow_exception(failure);
}

} // namespace zv
