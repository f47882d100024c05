#include "platform/shell/web_page.h"

#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <strings.h>

extern char** environ;

namespace platform {
namespace {

struct Recording {
    std::mutex mutex;
    int recorders = 0;
    std::vector<std::string> pages;
};

Recording& Recorded()
{
    static Recording r;
    return r;
}

bool StartsWithNoCase(const std::string& s, const char* prefix, size_t n)
{
    return s.size() >= n && strncasecmp(s.c_str(), prefix, n) == 0;
}

// The first executable xdg-open in PATH's absolute folders; empty when
// there is none.
std::string FindOpener()
{
    const char* path = std::getenv("PATH");
    std::string dirs = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        // Only absolute folders: an empty or relative entry would run
        // whatever xdg-open lies in the current folder.
        if (end > start && dirs[start] == '/') {
            std::string candidate = dirs.substr(start, end - start);
            candidate += "/xdg-open";
            if (access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        start = end + 1;
    }
    return {};
}

// Runs in the grandchild after fork: only async-signal-safe calls. The
// status pipe's write end is closed by a successful exec, so the parent
// reads end of file; a failed exec writes its errno there.
[[noreturn]] void ExecOpener(const char* program, char* const argv[], int statusFd)
{
    setsid();  // the browser outlives us and ignores our terminal's signals
    if (statusFd != 3) {
        dup2(statusFd, 3);
        close(statusFd);
    }
    fcntl(3, F_SETFD, FD_CLOEXEC);
    syscall(SYS_close_range, 4u, ~0u, 0u);
    // The browser neither reads our input nor writes into our output (a
    // caller reading that output to its end would wait for the browser).
    const int devNull = open("/dev/null", O_RDWR);
    if (devNull >= 0) {
        dup2(devNull, 0);
        dup2(devNull, 1);
        dup2(devNull, 2);
        if (devNull > 2)
            close(devNull);
    }
    execve(program, argv, environ);
    const int err = errno;
    [[maybe_unused]] ssize_t n = write(3, &err, sizeof err);
    _exit(127);
}

// Starts the opener in a grandchild that the system adopts, so no child of
// ours is left to reap and nothing here waits for the browser.
bool StartDetached(const std::string& program, const std::string& url)
{
    int status[2];
    if (pipe2(status, O_CLOEXEC) != 0)
        return false;
    // Everything the children need is made before fork.
    std::string arg0 = "xdg-open";
    std::string arg1 = url;
    char* argv[] = {arg0.data(), arg1.data(), nullptr};
    const pid_t child = fork();
    if (child < 0) {
        close(status[0]);
        close(status[1]);
        return false;
    }
    if (child == 0) {
        close(status[0]);
        const pid_t grandchild = fork();
        if (grandchild == 0)
            ExecOpener(program.c_str(), argv, status[1]);
        _exit(grandchild < 0 ? 1 : 0);
    }
    close(status[1]);
    int childStatus = 0;
    while (waitpid(child, &childStatus, 0) < 0 && errno == EINTR) {
    }
    bool started = WIFEXITED(childStatus) && WEXITSTATUS(childStatus) == 0;
    int execError = 0;
    ssize_t n;
    while ((n = read(status[0], &execError, sizeof execError)) < 0 && errno == EINTR) {
    }
    if (n > 0)
        started = false;
    close(status[0]);
    return started;
}

}  // namespace

bool IsWebPageAddress(const std::string& url)
{
    size_t schemeLength;
    if (StartsWithNoCase(url, "http://", 7))
        schemeLength = 7;
    else if (StartsWithNoCase(url, "https://", 8))
        schemeLength = 8;
    else
        return false;
    if (url.size() == schemeLength)
        return false;
    for (unsigned char c : url)
        if (c < 0x20 || c == 0x7F)
            return false;
    return true;
}

bool OpenWebPage(const std::string& url)
{
    if (!IsWebPageAddress(url))
        return false;
    {
        Recording& r = Recorded();
        std::lock_guard<std::mutex> lock(r.mutex);
        if (r.recorders > 0) {
            r.pages.push_back(url);
            return true;
        }
    }
    const std::string program = FindOpener();
    if (program.empty())
        return false;
    return StartDetached(program, url);
}

WebPageRecorder::WebPageRecorder()
{
    Recording& r = Recorded();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (r.recorders++ == 0)
        r.pages.clear();
}

WebPageRecorder::~WebPageRecorder()
{
    Recording& r = Recorded();
    std::lock_guard<std::mutex> lock(r.mutex);
    --r.recorders;
}

std::vector<std::string> WebPageRecorder::Pages() const
{
    Recording& r = Recorded();
    std::lock_guard<std::mutex> lock(r.mutex);
    return r.pages;
}

}  // namespace platform
