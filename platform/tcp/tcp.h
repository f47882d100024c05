#pragma once
// Stream sockets as the application's TCP socket class needs them. Handles
// are plain ints, kInvalidSocket when none. Failing calls return false or -1
// and leave the reason in LastError(); nothing raises a signal (a send to a
// closed peer fails with an error instead of SIGPIPE).

#include <cstddef>
#include <cstdint>

namespace platform::tcp {

using SocketHandle = int;
constexpr SocketHandle kInvalidSocket = -1;

// The address family of IPv4, as the callers pass it to CreateStream.
constexpr int kFamilyInet = 2;

// Shutdown directions.
enum class Direction { Receive, Send, Both };

// An IPv4 address in network byte order.
struct Address {
    int family = kFamilyInet;
    uint32_t ipv4 = 0;
};

// The error number of the calling thread's last failing call.
int LastError();

SocketHandle CreateStream(int family);
bool CloseSocket(SocketHandle s);
bool ShutdownSocket(SocketHandle s, Direction how);

// Looks the host up by name (first IPv4 address).
bool ResolveName(const char* host, Address& out);
// Reads the host as dotted IPv4 text.
bool ParseDotted(const char* host, Address& out);

bool SetNonBlocking(SocketHandle s, bool on);

enum class ConnectResult { Connected, InProgress, Failed };
// Starts or makes a connection. On a non-blocking socket a connection that is
// still being made gives InProgress; finish it with WaitConnected.
ConnectResult Connect(SocketHandle s, const Address& address, uint16_t port);

enum class WaitResult { Connected, TimedOut, Failed };
// Waits up to timeoutMs for a connection in progress, then reads the
// socket's own error so that a refused connection is seen at once.
WaitResult WaitConnected(SocketHandle s, int timeoutMs);

// Time-outs of blocking receives and sends, in milliseconds.
bool SetReceiveTimeout(SocketHandle s, int timeoutMs);
bool SetSendTimeout(SocketHandle s, int timeoutMs);

// Binds to every local IPv4 address at the port.
bool BindAny(SocketHandle s, uint16_t port);
bool Listen(SocketHandle s, int backlog);
SocketHandle Accept(SocketHandle s);

// One send or receive call; -1 on error (including a time-out), 0 from
// Receive when the peer has closed. Flags are 0 or the values below.
int Send(SocketHandle s, const void* data, int length, int flags);
int Receive(SocketHandle s, void* buffer, int size, int flags);

constexpr int kFlagPeek = 0x2;      // receive: look without taking
constexpr int kFlagWaitAll = 0x100; // receive: wait for the whole size

}  // namespace platform::tcp
