#include "platform/RowThreads.h"

#include <algorithm>
#include <thread>

namespace zv {

namespace {

// 0 while no limit is set on this thread.
thread_local int tLimit = 0;

int Cores() {
    static const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return cores;
}

} // namespace

int RowThreads() {
    return tLimit > 0 ? tLimit : Cores();
}

RowThreadLimit::RowThreadLimit(int threads) : previous_(tLimit) {
    tLimit = std::max(1, threads);
}

RowThreadLimit::~RowThreadLimit() {
    tLimit = previous_;
}

} // namespace zv
