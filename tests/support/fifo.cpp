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
    bool fired = false;
    std::thread watch([&] {
        std::unique_lock<std::mutex> lock(mutex);
        if (ended.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return done; }))
            return;
        fired = true;
        while (!done) {
            lock.unlock();
            fifo.Unblock();
            lock.lock();
            ended.wait_for(lock, std::chrono::milliseconds(20), [&] { return done; });
        }
    });
    const auto start = std::chrono::steady_clock::now();
    work();
    const double took = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    {
        std::lock_guard<std::mutex> lock(mutex);
        done = true;
        ended.notify_all();
    }
    watch.join();
    return fired ? std::nullopt : std::optional<double>(took);
}

}  // namespace testsupport
