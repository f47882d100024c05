#include "tests/support/fifo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace testsupport {

Fifo::Fifo(std::string path) : path_(std::move(path))
{
    ::unlink(path_.c_str());
    made_ = ::mkfifo(path_.c_str(), 0600) == 0;
}

Fifo::~Fifo()
{
    if (!made_)
        return;
    Unblock();
    ::unlink(path_.c_str());
}

void Fifo::Unblock() const
{
    // Opening for writing without waiting succeeds only while someone has
    // it open (or is opening it) for reading; closing it at once gives that
    // reader the end of the data.
    const int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0)
        ::close(fd);
}

std::optional<double> RunsWithin(const std::function<void()>& work, int timeoutMs, const Fifo& fifo)
{
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    const auto start = std::chrono::steady_clock::now();
    std::thread worker([&] {
        work();
        std::lock_guard<std::mutex> lock(mutex);
        done = true;
        ended.notify_all();
    });
    std::optional<double> took;
    {
        std::unique_lock<std::mutex> lock(mutex);
        if (ended.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return done; }))
            took = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        // A reader that got stuck is freed, as often as it opens the FIFO
        // again, so that the test can end.
        while (!done) {
            lock.unlock();
            fifo.Unblock();
            lock.lock();
            ended.wait_for(lock, std::chrono::milliseconds(20), [&] { return done; });
        }
    }
    worker.join();
    return took;
}

}  // namespace testsupport
