#include "platform/tcp/tcp.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>

namespace platform::tcp {

static_assert(kFamilyInet == AF_INET);
static_assert(kFlagPeek == MSG_PEEK);
static_assert(kFlagWaitAll == MSG_WAITALL);

namespace {

thread_local int t_lastError = 0;

bool Failed()
{
    t_lastError = errno;
    return false;
}

sockaddr_in ToSockaddr(const Address& address, uint16_t port)
{
    sockaddr_in sa{};
    sa.sin_family = static_cast<sa_family_t>(address.family);
    sa.sin_addr.s_addr = address.ipv4;
    sa.sin_port = htons(port);
    return sa;
}

timeval ToTimeval(int ms)
{
    timeval tv{};
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
    return tv;
}

}  // namespace

int LastError()
{
    return t_lastError;
}

SocketHandle CreateStream(int family)
{
    const int s = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (s < 0)
        Failed();
    return s < 0 ? kInvalidSocket : s;
}

bool CloseSocket(SocketHandle s)
{
    return ::close(s) == 0 || Failed();
}

bool ShutdownSocket(SocketHandle s, Direction how)
{
    const int h = how == Direction::Receive ? SHUT_RD : how == Direction::Send ? SHUT_WR : SHUT_RDWR;
    return ::shutdown(s, h) == 0 || Failed();
}

bool ResolveName(const char* host, Address& out)
{
    if (!host || !*host)
        return false;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host, nullptr, &hints, &found) != 0 || !found)
        return false;
    const auto* sa = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    out.family = AF_INET;
    out.ipv4 = sa->sin_addr.s_addr;
    ::freeaddrinfo(found);
    return true;
}

bool ParseDotted(const char* host, Address& out)
{
    in_addr a{};
    if (!host || ::inet_aton(host, &a) == 0)
        return false;
    out.family = AF_INET;
    out.ipv4 = a.s_addr;
    return true;
}

bool SetNonBlocking(SocketHandle s, bool on)
{
    const int flags = ::fcntl(s, F_GETFL);
    if (flags < 0)
        return Failed();
    const int wanted = on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return ::fcntl(s, F_SETFL, wanted) == 0 || Failed();
}

ConnectResult Connect(SocketHandle s, const Address& address, uint16_t port)
{
    const sockaddr_in sa = ToSockaddr(address, port);
    int rc;
    do {
        rc = ::connect(s, reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    } while (rc != 0 && errno == EINTR);
    if (rc == 0)
        return ConnectResult::Connected;
    if (errno == EINPROGRESS || errno == EALREADY) {
        t_lastError = errno;
        return ConnectResult::InProgress;
    }
    Failed();
    return ConnectResult::Failed;
}

WaitResult WaitConnected(SocketHandle s, int timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd p{s, POLLOUT, 0};
        const int rc = ::poll(&p, 1, left > 0 ? static_cast<int>(left) : 0);
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc < 0) {
            Failed();
            return WaitResult::Failed;
        }
        if (rc == 0) {
            t_lastError = ETIMEDOUT;
            return WaitResult::TimedOut;
        }
        int error = 0;
        socklen_t len = sizeof error;
        if (::getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &len) != 0) {
            Failed();
            return WaitResult::Failed;
        }
        if (error != 0) {
            t_lastError = error;
            return WaitResult::Failed;
        }
        return WaitResult::Connected;
    }
}

bool SetReceiveTimeout(SocketHandle s, int timeoutMs)
{
    const timeval tv = ToTimeval(timeoutMs);
    return ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) == 0 || Failed();
}

bool SetSendTimeout(SocketHandle s, int timeoutMs)
{
    const timeval tv = ToTimeval(timeoutMs);
    return ::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv) == 0 || Failed();
}

bool BindAny(SocketHandle s, uint16_t port)
{
    Address any;
    any.ipv4 = htonl(INADDR_ANY);
    const sockaddr_in sa = ToSockaddr(any, port);
    return ::bind(s, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0 || Failed();
}

bool Listen(SocketHandle s, int backlog)
{
    return ::listen(s, backlog) == 0 || Failed();
}

SocketHandle Accept(SocketHandle s)
{
    int c;
    do {
        c = ::accept4(s, nullptr, nullptr, SOCK_CLOEXEC);
    } while (c < 0 && errno == EINTR);
    if (c < 0)
        Failed();
    return c < 0 ? kInvalidSocket : c;
}

int Send(SocketHandle s, const void* data, int length, int flags)
{
    if (length < 0 || (length > 0 && !data)) {
        t_lastError = EINVAL;
        return -1;
    }
    ssize_t n;
    do {
        n = ::send(s, data, static_cast<size_t>(length), flags | MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        Failed();
    return static_cast<int>(n);
}

int Receive(SocketHandle s, void* buffer, int size, int flags)
{
    if (size < 0 || (size > 0 && !buffer)) {
        t_lastError = EINVAL;
        return -1;
    }
    ssize_t n;
    do {
        n = ::recv(s, buffer, static_cast<size_t>(size), flags);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        Failed();
    return static_cast<int>(n);
}

}  // namespace platform::tcp
