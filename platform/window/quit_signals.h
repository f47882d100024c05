#pragma once
// SIGINT and SIGTERM (Ctrl+C, kill) as a request to close, taken on the UI
// thread: while a watch is alive the signals no longer end the process on
// the spot; each one calls the watch's handler from the UI loop, so that
// the program can close the way its own close button does.

#include <functional>

namespace platform {

class QuitSignalWatch {
public:
    // 'close' runs on the UI thread; it answers whether it took the
    // request. Until it does (say the window that closes is not up yet),
    // it is asked again every 100 ms.
    explicit QuitSignalWatch(std::function<bool()> close);
    // The signals take their default course again.
    ~QuitSignalWatch();
    QuitSignalWatch(const QuitSignalWatch&) = delete;
    QuitSignalWatch& operator=(const QuitSignalWatch&) = delete;

private:
    static int OnSignal(void* self);
    static int OnRetry(void* self);
    void Ask();

    std::function<bool()> close_;
    unsigned interruptSource_ = 0;
    unsigned terminateSource_ = 0;
    unsigned retrySource_ = 0;
};

}  // namespace platform
