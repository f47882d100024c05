#pragma once
// CopyQueue: the pending data of a managed stream whose caller may free its
// blocks at once. Each push copies the block; the copy is freed when it has
// been read to its end or dropped. The caller's block address stays the key
// by which a queued block is found.
//
// Push runs on the caller's thread and Read on the decoding thread, so every
// operation takes the queue's own lock.

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

class CopyQueue {
public:
    CopyQueue() = default;
    ~CopyQueue() = default;
    CopyQueue(const CopyQueue&) = delete;
    CopyQueue& operator=(const CopyQueue&) = delete;

    // Frees every copy and zeroes the counters.
    void Empty();

    // Copies the block to the newest end. Returns size, or 0 for a null block,
    // size 0, a failed allocation, or unread bytes that would pass 4 GiB.
    uint32_t Push(const char* block, uint32_t size);

    // The oldest copy's read position and its bytes left. Returns 0 when
    // empty or when an out argument is null.
    int PeekFront(const char** data, uint32_t* size) const;

    // Copies up to 'wanted' bytes, oldest first, into 'dest' and returns the
    // bytes copied; '*usedUp' gets the blocks read to their end (and so
    // removed). A block read in part stays queued. 0 for a null argument or
    // an empty queue.
    uint32_t Read(char* dest, uint32_t wanted, uint32_t* usedUp);

    // True while a copy of the block with this address is queued.
    bool Contains(const void* block) const;

    uint32_t GetCount() const;
    uint32_t GetUnreadBytes() const;

private:
    struct Node {
        std::unique_ptr<char[]> copy;
        const char* read;      // read position inside the copy
        const void* key;       // the caller's block address
        uint32_t left;         // bytes left to read
    };

    mutable std::mutex mutex_;
    std::deque<Node> nodes_;
    uint32_t unreadBytes_ = 0;
};
