#include "kvostudio/socket/tcpsocket.h"

#include "kvostudio/onlinetrace.h"

namespace tcp = platform::tcp;

namespace {
constexpr int kBlockingConnectLimitMs = 130000;
}

CTcpSocket::~CTcpSocket()
{
    if (IsOpen())
        Close();
}

bool CTcpSocket::Create(int family)
{
    if (IsOpen())
        Close();
    socket_ = tcp::CreateStream(family);
    if (!IsOpen()) {
        OnlineTrace("Socket creation failed!");
        return false;
    }
    return true;
}

void CTcpSocket::Abandon()
{
    tcp::CloseSocket(socket_);
    socket_ = tcp::kInvalidSocket;
}

bool CTcpSocket::Connect(const char* host, int port)
{
    if (!IsOpen() || port < 1 || port > 65535)
        return false;
    tcp::Address address;
    if (!tcp::ResolveName(host, address) && !tcp::ParseDotted(host, address)) {
        OnlineTrace("Invalid address!\n");
        return false;
    }
    if (connectTimeoutOn_ && !tcp::SetNonBlocking(socket_, true)) {
        OnlineTrace("Unable to ioctlsocket : %d\n", tcp::LastError());
        return false;
    }
    const tcp::ConnectResult started = tcp::Connect(socket_, address, static_cast<uint16_t>(port));
    if (started == tcp::ConnectResult::Failed) {
        OnlineTrace("Unable to connect: %d\n", tcp::LastError());
        return false;
    }
    if (connectTimeoutOn_ || started == tcp::ConnectResult::InProgress) {
        // A refused connection is seen as soon as the socket reports it,
        // not after the whole time-out. A blocking connect that a signal
        // interrupted goes on in the background; it gets as long as the
        // system itself would give it.
        const int waitMs = connectTimeoutOn_ ? connectTimeout_ : kBlockingConnectLimitMs;
        const bool connected = started == tcp::ConnectResult::Connected ||
                               tcp::WaitConnected(socket_, waitMs) == tcp::WaitResult::Connected;
        if (!connected || (connectTimeoutOn_ && !tcp::SetNonBlocking(socket_, false))) {
            OnlineTrace("Unable to connect: %d\n", tcp::LastError());
            Abandon();
            return false;
        }
    }
    if (receiveTimeoutOn_ && !tcp::SetReceiveTimeout(socket_, receiveTimeout_)) {
        OnlineTrace("setsockopt(SO_RCVTIMEO) failed: %d\n", tcp::LastError());
        Abandon();
        return false;
    }
    if (sendTimeoutOn_ && !tcp::SetSendTimeout(socket_, sendTimeout_)) {
        OnlineTrace("setsockopt(SO_SNDTIMEO) failed: %d\n", tcp::LastError());
        Abandon();
        return false;
    }
    return true;
}

bool CTcpSocket::Bind(int port)
{
    return IsOpen() && port >= 0 && port <= 65535 && tcp::BindAny(socket_, static_cast<uint16_t>(port));
}

bool CTcpSocket::Accept(CTcpSocket* target)
{
    if (!target || !IsOpen())
        return false;
    const tcp::SocketHandle accepted = tcp::Accept(socket_);
    if (accepted == tcp::kInvalidSocket)
        return false;
    if (target->IsOpen())
        target->Close();
    target->socket_ = accepted;
    return true;
}

bool CTcpSocket::Listen(int backlog)
{
    return IsOpen() && tcp::Listen(socket_, backlog);
}

int CTcpSocket::Send(const void* data, int length, int flags)
{
    return tcp::Send(socket_, data, length, flags);
}

int CTcpSocket::SendString(const char* text)
{
    int length = 0;
    while (text && text[length])
        ++length;
    return Send(text, length, 0);
}

int CTcpSocket::Receive(void* buffer, int size, int flags)
{
    return tcp::Receive(socket_, buffer, size, flags);
}

int CTcpSocket::ReadLine(char* buffer, int size, bool echo)
{
    if (!buffer || size < 1)
        return -1;
    int stored = 0;
    int last = 0;
    while (stored < size - 1) {
        char c = 0;
        last = Receive(&c, 1, 0);
        if (last <= 0)
            break;
        if (echo)
            Send(&c, 1, 0);
        if (c == '\n')
            break;
        if (c != '\r')
            buffer[stored++] = c;
    }
    buffer[stored] = '\0';
    return stored > 0 ? stored : last;
}

bool CTcpSocket::Shutdown(tcp::Direction how)
{
    return IsOpen() && tcp::ShutdownSocket(socket_, how);
}

bool CTcpSocket::Close()
{
    if (!IsOpen())
        return false;
    Shutdown(tcp::Direction::Both);
    const bool closed = tcp::CloseSocket(socket_);
    socket_ = tcp::kInvalidSocket;
    return closed;
}

void CTcpSocket::SetConnectTimeout(int ms)
{
    connectTimeout_ = ms;
    connectTimeoutOn_ = ms > 0;
}

void CTcpSocket::SetReceiveTimeout(int ms)
{
    receiveTimeout_ = ms;
    receiveTimeoutOn_ = ms > 0;
}

void CTcpSocket::SetSendTimeout(int ms)
{
    sendTimeout_ = ms;
    sendTimeoutOn_ = ms > 0;
}
