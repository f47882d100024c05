#pragma once
// Byte buffers that a read fills at once: growing one leaves the new bytes
// as they are instead of zeroing them first, which for a whole song's
// streams doubled the time a song took to open. Large buffers are asked
// to be backed by huge pages, so that filling them faults far fewer times.

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

template <typename T>
struct RawAllocator {
    using value_type = T;
    // From this size on a buffer is aligned and advised to huge pages.
    static constexpr size_t kHuge = size_t(2) << 20;

    RawAllocator() = default;
    template <typename U>
    RawAllocator(const RawAllocator<U>&) noexcept
    {
    }

    T* allocate(size_t n)
    {
        const size_t bytes = n * sizeof(T);
        if (bytes < kHuge)
            return static_cast<T*>(::operator new(bytes));
        void* p = ::operator new(bytes, std::align_val_t(kHuge));
        // Only advice: without huge pages the buffer works the same.
        madvise(p, bytes, MADV_HUGEPAGE);
        return static_cast<T*>(p);
    }
    void deallocate(T* p, size_t n) noexcept
    {
        if (n * sizeof(T) < kHuge)
            ::operator delete(p);
        else
            ::operator delete(p, std::align_val_t(kHuge));
    }

    // A new element is left uninitialised; one built from a value is copied.
    template <typename U>
    void construct(U* p) noexcept
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    template <typename U>
    bool operator==(const RawAllocator<U>&) const noexcept
    {
        return true;
    }
};

using RawBytes = std::vector<uint8_t, RawAllocator<uint8_t>>;
