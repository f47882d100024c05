#pragma once
// A small blocking TCP socket: create, connect (with an optional time-out),
// send, receive, read a line, close; and the server side (bind, listen,
// accept). Optional receive and send time-outs make a silent peer fail
// after that time. Failures return false (or -1) and write a trace line;
// nothing raises, and a send to a closed peer never stops the program.

#include "platform/tcp/tcp.h"

class CTcpSocket {
public:
    CTcpSocket() = default;
    virtual ~CTcpSocket();
    CTcpSocket(const CTcpSocket&) = delete;
    CTcpSocket& operator=(const CTcpSocket&) = delete;

    // A new stream socket of the family (platform::tcp::kFamilyInet); an
    // open one is closed first.
    virtual bool Create(int family = platform::tcp::kFamilyInet);
    // Connects to the host (a name, or dotted IPv4 text) and port. After a
    // failed wait for the connection the socket is closed and Create must
    // be called again.
    virtual bool Connect(const char* host, int port);
    virtual bool Bind(int port);
    // Hands the accepted connection to target (closing what it held).
    virtual bool Accept(CTcpSocket* target);
    virtual bool Listen(int backlog);
    // One send or receive call: the byte count, or -1 on error or time-out
    // (0 from Receive when the peer has closed).
    virtual int Send(const void* data, int length, int flags = 0);
    virtual int SendString(const char* text);
    virtual int Receive(void* buffer, int size, int flags = 0);
    // Reads one byte at a time until a LF or size - 1 bytes; CR and LF are
    // not stored, the text is NUL-terminated. With echo each byte read is
    // sent back. Returns the count stored, or when none was stored the last
    // receive's result (0 closed, -1 error, 1 an empty line).
    virtual int ReadLine(char* buffer, int size, bool echo = false);
    virtual bool Shutdown(platform::tcp::Direction how);
    // False when there is no socket.
    virtual bool Close();

    // Milliseconds; a value of 0 or less turns the time-out off.
    void SetConnectTimeout(int ms);
    void SetReceiveTimeout(int ms);
    void SetSendTimeout(int ms);

    bool IsOpen() const { return socket_ != platform::tcp::kInvalidSocket; }

private:
    void Abandon();  // closes and forgets the socket after a failed connect

    platform::tcp::SocketHandle socket_ = platform::tcp::kInvalidSocket;
    bool connectTimeoutOn_ = false;
    bool receiveTimeoutOn_ = false;
    bool sendTimeoutOn_ = false;
    int connectTimeout_ = 0;
    int receiveTimeout_ = 0;
    int sendTimeout_ = 0;
};
