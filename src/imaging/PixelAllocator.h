#pragma once
// Memory for picture rows. Large pictures are placed on huge pages: the first
// write to fresh memory costs a page fault per page, and with 4 KiB pages that
// alone takes longer than decoding a big JPEG; 2 MiB pages cut the faults 512-fold.

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <sys/mman.h>

namespace zv {

template <typename T> struct PixelAllocator {
    using value_type = T;
    static constexpr std::size_t kHugePage = std::size_t{2} << 20;
    static constexpr std::size_t kHugeFrom = std::size_t{4} << 20;

    PixelAllocator() = default;
    template <typename U> PixelAllocator(const PixelAllocator<U>&) noexcept {}

    T* allocate(std::size_t count) {
        const std::size_t bytes = count * sizeof(T);
        if (bytes < kHugeFrom) return std::allocator<T>{}.allocate(count);
        const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        void* memory = std::aligned_alloc(kHugePage, rounded);
        if (!memory) throw std::bad_alloc();
        ::madvise(memory, rounded, MADV_HUGEPAGE); // a hint; without it pages are small
        return static_cast<T*>(memory);
    }
    void deallocate(T* memory, std::size_t count) noexcept {
        if (count * sizeof(T) < kHugeFrom)
            std::allocator<T>{}.deallocate(memory, count);
        else
            std::free(memory);
    }
    template <typename U> bool operator==(const PixelAllocator<U>&) const noexcept { return true; }
};

} // namespace zv
