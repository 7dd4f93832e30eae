#pragma once
#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

// Allocates blocks of a megabyte and more in whole 2 MB pages where the
// kernel offers them: first touches cost one fault per 2 MB instead of one
// per 4 kB, which on virtual machines takes several microseconds each. Such
// a block goes back to the system when freed, where a heap (one per thread
// that allocates) may keep it. Smaller blocks come from operator new.
template <typename T>
struct HugePageAllocator {
    using value_type = T;
    static constexpr size_t HugePage = size_t{2} << 20;
    static constexpr size_t SmallestMapped = HugePage / 2;

    HugePageAllocator() = default;
    template <typename U>
    HugePageAllocator(const HugePageAllocator<U>&) noexcept
    {
    }

    T* allocate(size_t count)
    {
        if (count > SIZE_MAX / sizeof(T))
            throw std::bad_array_new_length();
        const size_t bytes = count * sizeof(T);
        if (bytes < SmallestMapped)
            return static_cast<T*>(::operator new(bytes));
        const size_t mapped = Rounded(bytes) + HugePage;
        void* start = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (start == MAP_FAILED)
            throw std::bad_alloc();
        // Aligned to 2 MB: the unused head and tail go back at once.
        const uintptr_t address = reinterpret_cast<uintptr_t>(start);
        const uintptr_t aligned = (address + HugePage - 1) & ~(HugePage - 1);
        if (aligned > address)
            munmap(start, aligned - address);
        const uintptr_t end = address + mapped;
        const uintptr_t used = aligned + Rounded(bytes);
        if (end > used)
            munmap(reinterpret_cast<void*>(used), end - used);
        madvise(reinterpret_cast<void*>(aligned), Rounded(bytes), MADV_HUGEPAGE);
        return reinterpret_cast<T*>(aligned);
    }

    void deallocate(T* pointer, size_t count) noexcept
    {
        const size_t bytes = count * sizeof(T);
        if (bytes < SmallestMapped)
            ::operator delete(pointer);
        else
            munmap(pointer, Rounded(bytes));
    }

    template <typename U>
    bool operator==(const HugePageAllocator<U>&) const noexcept
    {
        return true;
    }

private:
    static size_t Rounded(size_t bytes) { return (bytes + HugePage - 1) & ~(HugePage - 1); }
};

template <typename T>
using HugePageVector = std::vector<T, HugePageAllocator<T>>;
