#include "platform/instance/single_instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace platform {
namespace {

constexpr size_t kHeaderBytes = 8;
// How long the first start waits for a sender that connected to finish
// its request; a stuck sender must not hold up the next one for long.
constexpr int kServeTimeoutMs = 2000;
constexpr char kTaken = '1';
constexpr char kRefused = '0';

void PutLe32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

uint32_t GetLe32(const std::string& in, size_t at)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(static_cast<unsigned char>(in[at + i])) << (8 * i);
    return v;
}

int64_t NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Waits until fd is ready for 'events' (or wakeFd becomes readable, or the
// deadline passes). True when fd is ready.
bool WaitFor(int fd, short events, int64_t deadline, int wakeFd = -1)
{
    for (;;) {
        const int64_t left = deadline - NowMs();
        if (left <= 0)
            return false;
        pollfd fds[2] = {{fd, events, 0}, {wakeFd, POLLIN, 0}};
        const int n = poll(fds, wakeFd >= 0 ? 2 : 1, static_cast<int>(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        if (wakeFd >= 0 && (fds[1].revents & POLLIN))
            return false;
        return (fds[0].revents & (events | POLLHUP | POLLERR)) != 0;
    }
}

// Reads exactly 'count' bytes, or fails at the deadline or the end.
bool ReadAll(int fd, std::string& out, size_t count, int64_t deadline, int wakeFd = -1)
{
    while (out.size() < count) {
        if (!WaitFor(fd, POLLIN, deadline, wakeFd))
            return false;
        char buffer[512];
        const size_t want = std::min(sizeof(buffer), count - out.size());
        const ssize_t n = recv(fd, buffer, want, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return false;
        out.append(buffer, static_cast<size_t>(n));
    }
    return true;
}

bool WriteAll(int fd, const std::string& bytes, int64_t deadline)
{
    size_t done = 0;
    while (done < bytes.size()) {
        if (!WaitFor(fd, POLLOUT, deadline))
            return false;
        const ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool FillAddress(const std::string& path, sockaddr_un& addr)
{
    std::memset(&addr, 0, sizeof(addr));
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(addr.sun_path))
        return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// A folder that only this user can reach: ours, a real folder (not a
// link), and closed to group and others.
bool IsPrivateFolder(const std::string& path)
{
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == getuid() && (st.st_mode & 077) == 0;
}

}  // namespace

std::string EncodeHandOff(const HandOffRequest& request)
{
    std::string out;
    PutLe32(out, request.code);
    PutLe32(out, static_cast<uint32_t>(request.text.size()));
    out += request.text;
    return out;
}

bool DecodeHandOff(const std::string& bytes, HandOffRequest& request)
{
    if (bytes.size() < kHeaderBytes)
        return false;
    const uint32_t length = GetLe32(bytes, 4);
    if (length > kMaxHandOffText || bytes.size() != kHeaderBytes + length)
        return false;
    request.code = GetLe32(bytes, 0);
    request.text = bytes.substr(kHeaderBytes);
    return true;
}

std::string InstanceRuntimeFolder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) {
        struct stat st {};
        if (stat(runtime, &st) == 0 && S_ISDIR(st.st_mode)) {
            std::string folder = runtime;
            if (folder.back() != '/')
                folder += '/';
            return folder;
        }
    }
    const std::string folder = "/tmp/kvostudio-" + std::to_string(getuid());
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    if (!IsPrivateFolder(folder))
        return {};
    return folder + '/';
}

SingleInstance::SingleInstance(std::string name) : name_(std::move(name)) {}

SingleInstance::~SingleInstance()
{
    Release();
}

std::string SingleInstance::LockPath() const
{
    return folder_.empty() ? std::string() : folder_ + name_ + ".lock";
}

std::string SingleInstance::SocketPath() const
{
    return folder_.empty() ? std::string() : folder_ + name_ + ".sock";
}

SingleInstance::Role SingleInstance::Acquire()
{
    if (lockFd_ >= 0 || name_.empty() || name_.find('/') != std::string::npos)
        return role_;
    folder_ = InstanceRuntimeFolder();
    if (folder_.empty())
        return role_ = Role::Alone;
    const int fd = open(LockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return role_ = Role::Alone;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        close(fd);
        return role_ = (err == EWOULDBLOCK) ? Role::Second : Role::Alone;
    }
    lockFd_ = fd;
    return role_ = Role::First;
}

bool SingleInstance::Listen(DeliverFn deliver)
{
    if (role_ != Role::First || listener_.joinable() || !deliver)
        return false;
    sockaddr_un addr {};
    if (!FillAddress(SocketPath(), addr))
        return false;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    // Holding the lock, any socket file here was left by a start that is
    // gone.
    unlink(addr.sun_path);
    int wake[2];
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || listen(fd, 8) != 0 ||
        pipe2(wake, O_CLOEXEC) != 0) {
        close(fd);
        unlink(addr.sun_path);
        return false;
    }
    listenFd_ = fd;
    wakeRead_ = wake[0];
    wakeWrite_ = wake[1];
    deliver_ = std::move(deliver);
    stopping_ = false;
    listener_ = std::thread([this] { ListenLoop(); });
    return true;
}

void SingleInstance::ListenLoop()
{
    while (!stopping_) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        const int n = poll(fds, 2, -1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || (fds[1].revents & POLLIN))
            break;
        if (!(fds[0].revents & POLLIN))
            continue;
        const int connection = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (connection < 0)
            continue;
        Serve(connection);
        close(connection);
    }
}

void SingleInstance::Serve(int connection)
{
    const int64_t deadline = NowMs() + kServeTimeoutMs;
    std::string bytes;
    if (!ReadAll(connection, bytes, kHeaderBytes, deadline, wakeRead_))
        return;
    const uint32_t length = GetLe32(bytes, 4);
    if (length > kMaxHandOffText) {
        WriteAll(connection, std::string(1, kRefused), deadline);
        return;
    }
    if (!ReadAll(connection, bytes, kHeaderBytes + length, deadline, wakeRead_))
        return;
    HandOffRequest request;
    const bool taken = DecodeHandOff(bytes, request) && deliver_(request);
    WriteAll(connection, std::string(1, taken ? kTaken : kRefused), deadline);
}

void SingleInstance::StopListening()
{
    if (!listener_.joinable())
        return;
    stopping_ = true;
    const char byte = 1;
    while (write(wakeWrite_, &byte, 1) < 0 && errno == EINTR) {
    }
    listener_.join();
    close(listenFd_);
    close(wakeRead_);
    close(wakeWrite_);
    listenFd_ = wakeRead_ = wakeWrite_ = -1;
    unlink(SocketPath().c_str());
}

void SingleInstance::Release()
{
    StopListening();
    if (lockFd_ >= 0) {
        flock(lockFd_, LOCK_UN);
        close(lockFd_);
        lockFd_ = -1;
    }
}

bool SingleInstance::SendHandOff(const std::string& name, const HandOffRequest& request, int timeoutMs)
{
    if (request.text.size() > kMaxHandOffText)
        return false;
    const std::string folder = InstanceRuntimeFolder();
    sockaddr_un addr {};
    if (folder.empty() || !FillAddress(folder + name + ".sock", addr))
        return false;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    const int64_t deadline = NowMs() + timeoutMs;
    bool taken = false;
    int rc = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    if (rc != 0 && (errno == EINPROGRESS || errno == EAGAIN)) {
        int err = 0;
        socklen_t len = sizeof(err);
        rc = (WaitFor(fd, POLLOUT, deadline) && getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0)
                 ? 0
                 : -1;
    }
    std::string answer;
    if (rc == 0 && WriteAll(fd, EncodeHandOff(request), deadline) && ReadAll(fd, answer, 1, deadline))
        taken = answer[0] == kTaken;
    close(fd);
    return taken;
}

}  // namespace platform
