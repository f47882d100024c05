#include "libkvo/src/copyqueue.h"

#include <cstring>
#include <new>

void CopyQueue::Empty()
{
    std::lock_guard<std::mutex> lock(mutex_);
    nodes_.clear();
    unreadBytes_ = 0;
}

uint32_t CopyQueue::Push(const char* block, uint32_t size)
{
    if (!block || size == 0)
        return 0;
    std::unique_ptr<char[]> copy(new (std::nothrow) char[size]);
    if (!copy)
        return 0;
    memcpy(copy.get(), block, size);
    std::lock_guard<std::mutex> lock(mutex_);
    if (size > UINT32_MAX - unreadBytes_)
        return 0;
    const char* start = copy.get();
    try {
        nodes_.push_back(Node{std::move(copy), start, block, size});
    } catch (const std::bad_alloc&) {
        return 0;
    }
    unreadBytes_ += size;
    return size;
}

int CopyQueue::PeekFront(const char** data, uint32_t* size) const
{
    if (!data || !size)
        return 0;
    std::lock_guard<std::mutex> lock(mutex_);
    if (nodes_.empty())
        return 0;
    *data = nodes_.front().read;
    *size = nodes_.front().left;
    return 1;
}

uint32_t CopyQueue::Read(char* dest, uint32_t wanted, uint32_t* usedUp)
{
    if (!usedUp)
        return 0;
    *usedUp = 0;
    if (!dest || wanted == 0)
        return 0;
    std::lock_guard<std::mutex> lock(mutex_);
    uint32_t delivered = 0;
    uint32_t n = wanted;
    while (n > 0 && !nodes_.empty()) {
        Node& front = nodes_.front();
        if (front.left < n) {
            memcpy(dest + delivered, front.read, front.left);
            unreadBytes_ -= front.left;
            delivered += front.left;
            n -= front.left;
            nodes_.pop_front();
            ++*usedUp;
        } else {
            memcpy(dest + delivered, front.read, n);
            front.left -= n;
            unreadBytes_ -= n;
            delivered += n;
            if (front.left > 0) {
                front.read += n;
            } else {
                nodes_.pop_front();
                ++*usedUp;
            }
            n = 0;
        }
    }
    return delivered;
}

bool CopyQueue::Contains(const void* block) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (const Node& node : nodes_) {
        if (node.key == block)
            return true;
    }
    return false;
}

uint32_t CopyQueue::GetCount() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<uint32_t>(nodes_.size());
}

uint32_t CopyQueue::GetUnreadBytes() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return unreadBytes_;
}
