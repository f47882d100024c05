#include "platform/fs/process_info.h"

#include <fcntl.h>
#include <unistd.h>

#include <climits>

namespace platform {
namespace {

// The kernel limits the argument area; anything beyond this is not a
// command line we could have been given.
constexpr size_t kMaxCommandLineBytes = 4u << 20;

}  // namespace

std::string ExecutablePath()
{
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof buffer) return std::string();
    return std::string(buffer, static_cast<size_t>(n));
}

std::vector<std::string> CommandLineArgs()
{
    std::vector<std::string> args;
    int fd = open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return args;
    std::string bytes;
    char chunk[4096];
    for (;;) {
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0) {
            bytes.clear();
            break;
        }
        if (n == 0) break;
        if (bytes.size() + static_cast<size_t>(n) > kMaxCommandLineBytes) {
            bytes.clear();
            break;
        }
        bytes.append(chunk, static_cast<size_t>(n));
    }
    close(fd);
    // Arguments are zero-terminated one after the other.
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\0', start);
        if (end == std::string::npos) end = bytes.size();
        args.emplace_back(bytes, start, end - start);
        start = end + 1;
    }
    return args;
}

}  // namespace platform
