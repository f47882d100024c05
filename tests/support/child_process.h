// Another program run by a test: started without a shell, with extra
// environment, its standard output and error collected as the test asks
// for them, and waited for with a bound.
#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

class ChildProcess {
public:
    ChildProcess() = default;
    // A child still running is asked to end (SIGTERM) and waited for.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // argv[0] is the program's path; env entries "NAME=VALUE" are added to
    // (or replace those of) this process's environment. A non-empty
    // workingFolder is the child's current folder.
    bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
               const std::string& workingFolder = "");

    // Collects output until 'done' holds for what arrived so far (standard
    // output, standard error) or timeoutMs passes; returns done's answer.
    bool WaitForOutput(const std::function<bool(const std::string& out, const std::string& err)>& done,
                       int timeoutMs);
    bool WaitForOutputText(const std::string& text, int timeoutMs);
    // After the child has ended: collects the rest of what it wrote, until
    // both pipes are closed (true) or timeoutMs passes, as it does while
    // something the child started still holds them open.
    bool CollectRest(int timeoutMs);

    // The exit code once the child ended within timeoutMs; -1 - signal for
    // a child ended by a signal; nothing while it still runs.
    std::optional<int> Wait(int timeoutMs);
    // Asks the child to end (SIGTERM).
    void Terminate();
    // Sends the child a signal (while it runs).
    void Signal(int signal);

    bool Running() const { return pid_ > 0 && !exitCode_; }
    pid_t Pid() const { return pid_; }
    const std::string& Out() const { return out_; }
    const std::string& Err() const { return err_; }

private:
    // Reads what is there now, waiting up to ms for something.
    void Collect(int ms);

    pid_t pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    std::string out_;
    std::string err_;
    std::optional<int> exitCode_;
};

}  // namespace testsupport
