#pragma once
// BlockQueue: the pending data of a managed stream whose caller lends its
// blocks. The queue never copies or frees a block: the caller keeps each one
// alive until the queue reports it used up (Contains answers false).
//
// Push runs on the caller's thread and Read on the decoding thread, so every
// operation takes the queue's own lock.

#include <cstdint>
#include <deque>
#include <mutex>

class BlockQueue {
public:
    BlockQueue() = default;
    ~BlockQueue() = default;
    BlockQueue(const BlockQueue&) = delete;
    BlockQueue& operator=(const BlockQueue&) = delete;

    // Forgets every block (they stay the caller's) and zeroes the counters.
    void Empty();

    // Appends a block at the newest end. Returns 1, or 0 when the node cannot
    // be allocated, for a null block with a non-zero size, or when the
    // unread bytes would pass 4 GiB.
    int Push(const char* block, uint32_t size);

    // Copies up to 'wanted' bytes, oldest first, into 'dest'. '*delivered'
    // gets the bytes copied, '*usedUp' the blocks read to their end (and so
    // removed). A block read in part stays queued and the next read goes on
    // inside it. Returns false for a null argument, or when the queue was
    // empty and nothing was delivered.
    bool Read(char* dest, uint32_t wanted, uint32_t* delivered, uint32_t* usedUp);

    // True while a block with this address is queued.
    bool Contains(const void* block) const;

    uint32_t GetCount() const;
    uint32_t GetUnreadBytes() const;

private:
    struct Node {
        const char* block;
        uint32_t size;
    };
    void PopOldestLocked();

    mutable std::mutex mutex_;
    std::deque<Node> nodes_;
    uint32_t unreadBytes_ = 0;
    // Read position inside the oldest block when a read stopped inside it.
    const char* current_ = nullptr;
    uint32_t currentRemaining_ = 0;
};
