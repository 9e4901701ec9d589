#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

// Memory for the overview's large hash tables. A table of millions of slots
// is written all over as soon as it is made (every slot marked empty), and
// each growth makes a new one: in pages of 4 KiB that is a page fault every
// few dozen slots, which took a fifth of a run over millions of pages. On
// Linux large tables are asked for in huge pages (2 MiB) where the system
// gives them on request; elsewhere, or below that size, as usual.
template <typename T>
class TableAllocator
{
public:
    using value_type = T;

    TableAllocator() = default;
    template <typename Other>
    TableAllocator(const TableAllocator<Other> &)  // NOLINT: rebinding, as std::allocator does
    {
    }

    T *allocate(std::size_t count)
    {
#ifdef __linux__
        if (const std::size_t bytes = hugeBytes(count)) {
            // Mapped apart, and unmapped when freed: a freed table goes back
            // to the system at once instead of staying in the heap.
            const std::size_t mapped = bytes + kHugePage;
            void *raw = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (raw == MAP_FAILED)
                throw std::bad_alloc();
            char *const start = static_cast<char *>(raw);
            char *const aligned = start + (kHugePage - reinterpret_cast<std::uintptr_t>(start) % kHugePage) % kHugePage;
            if (aligned != start)
                munmap(start, std::size_t(aligned - start));
            if (const std::size_t tail = std::size_t(start + mapped - (aligned + bytes)))
                munmap(aligned + bytes, tail);
            madvise(aligned, bytes, MADV_HUGEPAGE);  // a hint: without it the table works the same
            return reinterpret_cast<T *>(aligned);
        }
#endif
        return std::allocator<T>().allocate(count);
    }

    void deallocate(T *memory, std::size_t count)
    {
#ifdef __linux__
        if (const std::size_t bytes = hugeBytes(count)) {
            munmap(memory, bytes);
            return;
        }
#endif
        std::allocator<T>().deallocate(memory, count);
    }

    friend bool operator==(const TableAllocator &, const TableAllocator &) { return true; }

private:
    static constexpr std::size_t kHugePage = std::size_t(2) << 20;

    // The size to ask for in huge pages, rounded up to whole ones; 0 for a
    // table smaller than one.
    static std::size_t hugeBytes(std::size_t count)
    {
        const std::size_t bytes = count * sizeof(T);
        return bytes < kHugePage ? 0 : (bytes + kHugePage - 1) / kHugePage * kHugePage;
    }
};
