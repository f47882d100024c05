#pragma once
// The last-error text every player operation keeps: "<operation>-><reason>",
// cut to 511 characters. The decoding thread may store a text while the
// caller reads one, so both sides go through a lock.

#include <mutex>

class PlayerError {
public:
    static constexpr size_t kMaxLength = 511;

    void Set(const char* text);
    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // The last text stored. The pointer stays valid until the next Get.
    const char* Get();

private:
    std::mutex mutex_;
    char text_[kMaxLength + 1] = "";
    char shown_[kMaxLength + 1] = "";
};
