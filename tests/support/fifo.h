// A FIFO (named pipe) in a test's folder, for showing that a reader refuses
// it at once instead of waiting for a writer, and a bounded run of the
// reader: should a reader open the FIFO after all, the test ends it by
// opening the FIFO for writing, so that it sees the FIFO's end, and fails
// instead of hanging.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace testsupport {

class Fifo {
public:
    explicit Fifo(std::string path);  // makes it; Made() tells whether it could
    ~Fifo();                          // frees any reader still waiting, removes it
    Fifo(const Fifo&) = delete;
    Fifo& operator=(const Fifo&) = delete;

    const std::string& Path() const { return path_; }
    bool Made() const { return made_; }
    // A reader waiting in its open (or its first read) gets the FIFO's end.
    void Unblock() const;

private:
    std::string path_;
    bool made_ = false;
};

// Runs 'work' here (a window's work stays on its thread) while a watch on
// another thread frees the FIFO's readers, again and again, once timeoutMs
// have passed. The milliseconds 'work' took when it returned in time;
// otherwise nothing.
std::optional<double> RunsWithin(const std::function<void()>& work, int timeoutMs, const Fifo& fifo);

}  // namespace testsupport
