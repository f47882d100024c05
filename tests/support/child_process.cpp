#include "tests/support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>

extern char** environ;

namespace testsupport {
namespace {

int64_t NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

ChildProcess::~ChildProcess()
{
    if (Running()) {
        Terminate();
        if (!Wait(10000)) {
            ::kill(pid_, SIGKILL);  // last resort, so a broken test cannot hang the run
            Wait(10000);
        }
    }
    if (outFd_ >= 0)
        close(outFd_);
    if (errFd_ >= 0)
        close(errFd_);
}

bool ChildProcess::Start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                         const std::string& workingFolder)
{
    if (pid_ > 0 || argv.empty())
        return false;
    std::map<std::string, std::string> vars;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        vars[entry.substr(0, entry.find('='))] = entry;
    }
    for (const std::string& entry : env)
        vars[entry.substr(0, entry.find('='))] = entry;
    std::vector<std::string> envStore;
    for (auto& [name, entry] : vars)
        envStore.push_back(entry);
    std::vector<char*> envp;
    for (std::string& s : envStore)
        envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> argStore = argv;
    std::vector<char*> args;
    for (std::string& s : argStore)
        args.push_back(s.data());
    args.push_back(nullptr);

    int outPipe[2];
    int errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0)
        return false;
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    if (!workingFolder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    if (rc != 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        return false;
    }
    pid_ = pid;
    outFd_ = outPipe[0];
    errFd_ = errPipe[0];
    return true;
}

void ChildProcess::Collect(int ms)
{
    pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    if (poll(fds, 2, ms) <= 0)
        return;
    std::string* sinks[2] = {&out_, &err_};
    int* fdOf[2] = {&outFd_, &errFd_};
    for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP)))
            continue;
        char buffer[4096];
        const ssize_t n = read(fds[i].fd, buffer, sizeof(buffer));
        if (n > 0) {
            sinks[i]->append(buffer, static_cast<size_t>(n));
        } else if (n == 0) {
            // The end: poll ignores a closed slot from now on.
            close(*fdOf[i]);
            *fdOf[i] = -1;
        }
    }
}

bool ChildProcess::WaitForOutput(const std::function<bool(const std::string&, const std::string&)>& done,
                                 int timeoutMs)
{
    const int64_t end = NowMs() + timeoutMs;
    while (!done(out_, err_)) {
        const int64_t left = end - NowMs();
        if (left <= 0)
            return false;
        Collect(static_cast<int>(std::min<int64_t>(left, 50)));
    }
    return true;
}

bool ChildProcess::WaitForOutputText(const std::string& text, int timeoutMs)
{
    return WaitForOutput([&](const std::string& out, const std::string& err) {
        return out.find(text) != std::string::npos || err.find(text) != std::string::npos;
    }, timeoutMs);
}

bool ChildProcess::CollectRest(int timeoutMs)
{
    const int64_t end = NowMs() + timeoutMs;
    while (outFd_ >= 0 || errFd_ >= 0) {
        const int64_t left = end - NowMs();
        if (left <= 0)
            return false;
        Collect(static_cast<int>(std::min<int64_t>(left, 50)));
    }
    return true;
}

std::optional<int> ChildProcess::Wait(int timeoutMs)
{
    if (exitCode_ || pid_ <= 0)
        return exitCode_;
    const int64_t end = NowMs() + timeoutMs;
    for (;;) {
        int status = 0;
        const pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1 - WTERMSIG(status);
            Collect(0);
            return exitCode_;
        }
        if (r < 0 && errno != EINTR)
            return std::nullopt;
        if (NowMs() >= end)
            return std::nullopt;
        Collect(20);
    }
}

void ChildProcess::Terminate()
{
    Signal(SIGTERM);
}

void ChildProcess::Signal(int signal)
{
    if (Running())
        ::kill(pid_, signal);
}

}  // namespace testsupport
