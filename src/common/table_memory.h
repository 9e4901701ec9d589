#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

#ifdef __linux__
#include <sys/mman.h>
#endif

// Where large tables lie (the overview's, the crawl's pages): below a huge
// page (2 MiB) in the heap, from there mapped apart in whole huge pages, each
// unmapped when freed.
namespace TableMemory {

inline constexpr std::size_t kHugePage = std::size_t(2) << 20;

// The bytes to map for `bytes` in huge pages, rounded up to whole ones; 0
// below one huge page, where the heap serves.
inline std::size_t hugeBytes(std::size_t bytes)
{
    return bytes < kHugePage ? 0 : (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

// The room a block asked for `bytes` has.
inline std::size_t capacityOf(std::size_t bytes)
{
    const std::size_t huge = hugeBytes(bytes);
    return huge != 0 ? huge : bytes;
}

// `bytes` (whole huge pages) mapped at a huge page's boundary, and asked for in huge pages.
inline void *map(std::size_t bytes)
{
#ifdef __linux__
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
    return aligned;
#else
    return ::operator new(bytes);
#endif
}

inline void unmap(void *memory, std::size_t bytes)
{
#ifdef __linux__
    munmap(memory, bytes);
#else
    ::operator delete(memory, bytes);
#endif
}

// Frees a block of `capacity` bytes that grow() made.
inline void release(void *memory, std::size_t capacity)
{
    if (!memory)
        return;
    if (hugeBytes(capacity) != 0)
        unmap(memory, capacity);
    else
        std::free(memory);
}

// A block of capacityOf(`bytes`) bytes holding the `used` first bytes of
// `memory` (of `capacity` bytes, or null). Mapped blocks are moved, not
// copied: their pages go over whole to a new place at a huge page's
// boundary, where the rest is added.
inline void *grow(void *memory, std::size_t used, std::size_t capacity, std::size_t bytes)
{
    const std::size_t huge = hugeBytes(bytes);
    if (huge == 0) {
        void *grown = std::realloc(memory, bytes);
        if (!grown)
            throw std::bad_alloc();
        return grown;
    }
    void *grown = map(huge);
#ifdef __linux__
    if (hugeBytes(capacity) != 0
        && mremap(memory, capacity, huge, MREMAP_MAYMOVE | MREMAP_FIXED, grown) != MAP_FAILED) {
        madvise(grown, huge, MADV_HUGEPAGE);  // the moved pages keep their hint; the rest is asked again
        return grown;
    }
#endif
    if (used != 0)
        std::memcpy(grown, memory, used);
    release(memory, capacity);
    return grown;
}

}  // namespace TableMemory

// Memory for large hash tables. A table of millions of slots
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
        if (const std::size_t bytes = TableMemory::hugeBytes(count * sizeof(T)))
            return static_cast<T *>(TableMemory::map(bytes));
        return std::allocator<T>().allocate(count);
    }

    void deallocate(T *memory, std::size_t count)
    {
        if (const std::size_t bytes = TableMemory::hugeBytes(count * sizeof(T))) {
            TableMemory::unmap(memory, bytes);
            return;
        }
        std::allocator<T>().deallocate(memory, count);
    }

    friend bool operator==(const TableAllocator &, const TableAllocator &) { return true; }
};

// An array of plain values that only grows (a table's page bytes, its
// per-page ends, an agent's words by page id). A large one lies in huge pages
// as TableAllocator's tables do, and grows where it lies (mremap): the pages
// already written are neither copied nor zeroed again, as a vector's growth
// would have them (the kernel zeroing fresh memory was about a quarter of a
// run over millions of pages, and a doubling vector asks for twice what it keeps).
template <typename T>
class GrowingArray
{
    static_assert(std::is_trivially_copyable_v<T>, "moved as bytes");

public:
    GrowingArray() = default;
    GrowingArray(const GrowingArray &other) { append(other.data_, other.size_); }
    GrowingArray &operator=(const GrowingArray &other)
    {
        GrowingArray(other).swap(*this);
        return *this;
    }
    GrowingArray(GrowingArray &&other) noexcept { swap(other); }
    GrowingArray &operator=(GrowingArray &&other) noexcept
    {
        GrowingArray(std::move(other)).swap(*this);
        return *this;
    }
    ~GrowingArray() { TableMemory::release(data_, capacityBytes_); }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T *data() { return data_; }
    const T *data() const { return data_; }
    T &operator[](std::size_t i) { return data_[i]; }
    const T &operator[](std::size_t i) const { return data_[i]; }
    const T *begin() const { return data_; }
    const T *end() const { return data_ + size_; }
    // Empty, its room kept.
    void clear() { size_ = 0; }

    void push_back(T value)  // by value: a value of the array itself would move as it grows
    {
        if (size_ == capacity())
            reserve(std::max<std::size_t>(16, capacity() * 2));
        data_[size_++] = value;
    }
    // `values` must not lie in the array.
    void append(const T *values, std::size_t count)
    {
        if (size_ + count > capacity())
            reserve(std::max(size_ + count, capacity() * 2));
        if (count != 0)
            std::memcpy(data_ + size_, values, count * sizeof(T));
        size_ += count;
    }
    // Grows to `count` values, the new ones all bytes zero.
    void resize(std::size_t count)
    {
        reserve(count);
        if (count > size_)
            std::memset(static_cast<void *>(data_ + size_), 0, (count - size_) * sizeof(T));
        size_ = std::max(size_, count);
    }
    void reserve(std::size_t count)
    {
        if (count <= capacity())
            return;
        data_ = static_cast<T *>(TableMemory::grow(data_, size_ * sizeof(T), capacityBytes_, count * sizeof(T)));
        capacityBytes_ = TableMemory::capacityOf(count * sizeof(T));
    }

private:
    std::size_t capacity() const { return capacityBytes_ / sizeof(T); }
    void swap(GrowingArray &other) noexcept
    {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        std::swap(capacityBytes_, other.capacityBytes_);
    }

    T *data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacityBytes_ = 0;  // in bytes: the block's size tells how it was made (see TableMemory::release)
};
