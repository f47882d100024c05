// The fake service's life: listening, accepting, one thread per connection,
// stopping; its answers, faults and logs.

#include "tests/support/fake_service.h"

#include "tests/support/fake_service_io.h"
#include "tests/support/memory_scan.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

namespace testsupport {

namespace {

// A listening socket on a loopback address at a port the system picks.
int ListenLoopback(int& port, const std::string& host = "127.0.0.1")
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    if (::inet_pton(AF_INET, host.c_str(), &sa.sin_addr) != 1)
        return -1;
    sa.sin_port = 0;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    socklen_t len = sizeof sa;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(fd, 64) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(sa.sin_port);
    return fd;
}

}  // namespace

FakeService::~FakeService()
{
    Stop();
}

bool FakeService::Start()
{
    return Start("127.0.0.1", false);
}

bool FakeService::Start(const std::string& host, bool tls)
{
    if (running_)
        return true;
    // A proxy from the environment must not stand between the client under
    // test and this loopback service.
    ::setenv("no_proxy", "127.0.0.1,127.0.0.2,localhost", 1);
    ::setenv("NO_PROXY", "127.0.0.1,127.0.0.2,localhost", 1);
    host_ = host;
    tls_ = tls;
    if (tls_ && CertificateFile().empty())
        return false;

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return false;
    wakeRead_ = pipeFds[0];
    wakeWrite_ = pipeFds[1];
    httpListener_ = ListenLoopback(httpPort_, host_);
    tcpListener_ = ListenLoopback(tcpPort_, host_);
    if (httpListener_ < 0 || tcpListener_ < 0) {
        Stop();
        return false;
    }
    InstallDefaults();
    running_ = true;
    httpAcceptor_ = std::thread([this] { AcceptLoop(httpListener_, true); });
    tcpAcceptor_ = std::thread([this] { AcceptLoop(tcpListener_, false); });
    return true;
}

void FakeService::Stop()
{
    if (wakeWrite_ >= 0) {
        const char byte = 1;
        // Never read: every poll on the pipe sees it readable from now on.
        [[maybe_unused]] ssize_t n = ::write(wakeWrite_, &byte, 1);
    }
    if (httpAcceptor_.joinable())
        httpAcceptor_.join();
    if (tcpAcceptor_.joinable())
        tcpAcceptor_.join();
    // A TLS connection adds the thread that serves its plain side, so the
    // list is emptied until no joined thread left a new one.
    for (;;) {
        std::list<std::thread> connections;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            connections.swap(connections_);
        }
        if (connections.empty())
            break;
        for (std::thread& t : connections)
            t.join();
    }
    for (int* fd : {&httpListener_, &tcpListener_, &wakeRead_, &wakeWrite_}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    running_ = false;
}

std::string FakeService::BaseUrl() const
{
    return (tls_ ? "https://" : "http://") + host_ + ":" + std::to_string(httpPort_);
}

int FakeService::RefusedPort()
{
    int port = 0;
    const int fd = ListenLoopback(port);
    if (fd >= 0)
        ::close(fd);  // the port is free again, and nothing listens there
    return port;
}

void FakeService::AcceptLoop(int listener, bool http)
{
    for (;;) {
        pollfd fds[2] = {{listener, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0)
            continue;
        if (fds[1].revents)
            return;
        if (!(fds[0].revents & POLLIN))
            continue;
        const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0)
            Spawn(fd, http);
    }
}

void FakeService::Spawn(int fd, bool http)
{
    // A client that stops reading must not hold a connection thread forever.
    timeval tv{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    std::lock_guard<std::mutex> lock(mutex_);
    connections_.emplace_back([this, fd, http] {
        if (http && tls_)
            ServeTls(fd);
        else if (http)
            ServeHttp(fd);
        else
            ServeTcp(fd);
    });
}

bool FakeService::Pause(int ms) const
{
    pollfd p{wakeRead_, POLLIN, 0};
    return ::poll(&p, 1, ms) == 0;
}

void FakeService::WaitForClose(int fd, int ms) const
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    char buffer[4096];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            return;
        const int ready = fakeio::WaitReadable(fd, wakeRead_, static_cast<int>(left));
        if (ready <= 0)
            return;
        if (::recv(fd, buffer, sizeof buffer, 0) <= 0)
            return;
    }
}

void FakeService::ServeTcp(int fd)
{
    TcpMode mode;
    std::string reply;
    size_t replyAfter;
    size_t index;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        mode = tcpMode_;
        reply = tcpReply_;
        replyAfter = tcpReplyAfter_;
        index = tcpReceived_.size();
        tcpReceived_.emplace_back();
        // Room enough that appending never leaves an older copy behind.
        tcpReceived_.back().reserve(4096);
    }
    if (mode == TcpMode::CloseAtOnce) {
        ::close(fd);
        return;
    }
    bool replied = false;
    size_t received = 0;
    char buffer[4096];
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (;;) {
        if (mode == TcpMode::Reply && !replied && received >= replyAfter) {
            fakeio::SendAll(fd, reply.data(), reply.size());
            replied = true;
        }
        if (mode == TcpMode::ReplySplit && !replied && received >= replyAfter) {
            const size_t half = reply.size() / 2;
            fakeio::SendAll(fd, reply.data(), half);
            if (!Pause(150))
                break;
            fakeio::SendAll(fd, reply.data() + half, reply.size() - half);
            replied = true;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
        if (left <= 0 || fakeio::WaitReadable(fd, wakeRead_, static_cast<int>(left)) <= 0)
            break;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        received += static_cast<size_t>(n);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            tcpReceived_[index].append(buffer, static_cast<size_t>(n));
        }
        if (mode == TcpMode::Echo)
            fakeio::SendAll(fd, buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    ::explicit_bzero(buffer, sizeof buffer);
    ::explicit_bzero(reply.data(), reply.capacity());
    WipeStackBelowCaller();
}

void FakeService::SetTcpMode(TcpMode mode, const std::string& reply, size_t replyAfter)
{
    std::lock_guard<std::mutex> lock(mutex_);
    tcpMode_ = mode;
    tcpReply_ = reply;
    tcpReplyAfter_ = replyAfter;
}

std::vector<std::string> FakeService::TcpReceived() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return tcpReceived_;
}

size_t FakeService::TcpConnectionCount() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return tcpReceived_.size();
}

void FakeService::WipeTcpLog()
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (std::string& bytes : tcpReceived_)
        ::explicit_bzero(bytes.data(), bytes.capacity());
    tcpReceived_.clear();
    ::explicit_bzero(tcpReply_.data(), tcpReply_.capacity());
    tcpReply_.clear();
}

void FakeService::SetAnswer(const std::string& path, const HttpAnswer& answer)
{
    std::lock_guard<std::mutex> lock(mutex_);
    routes_[path].answer = answer;
}

void FakeService::SetXmlAnswer(const std::string& path, const std::string& xml)
{
    HttpAnswer answer;
    answer.headers.emplace_back("Content-Type", "text/xml; charset=utf-8");
    answer.body = xml;
    SetAnswer(path, answer);
}

void FakeService::SetFile(const std::string& path, const std::string& bytes)
{
    HttpAnswer answer;
    answer.headers.emplace_back("Content-Type", "application/octet-stream");
    answer.body = bytes;
    SetAnswer(path, answer);
}

void FakeService::SetFault(const std::string& path, const Fault& fault)
{
    std::lock_guard<std::mutex> lock(mutex_);
    faults_[path] = fault;
}

void FakeService::ClearFaults()
{
    std::lock_guard<std::mutex> lock(mutex_);
    faults_.clear();
}

bool FakeService::TakeFault(const std::string& path, Fault& fault)
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (const std::string& key : {path, std::string()}) {
        auto it = faults_.find(key);
        if (it == faults_.end() || it->second.kind == FaultKind::None || it->second.times == 0)
            continue;
        fault = it->second;
        if (it->second.times > 0)
            --it->second.times;
        return true;
    }
    return false;
}

HttpAnswer FakeService::AnswerFor(const RecordedRequest& request) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = routes_.find(request.path);
    if (it != routes_.end())
        return it->second.answer;
    HttpAnswer missing;
    missing.status = 404;
    missing.body = "not found";
    return missing;
}

void FakeService::Record(RecordedRequest request)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        log_.push_back(std::move(request));
    }
    logChanged_.notify_all();
}

std::vector<RecordedRequest> FakeService::Requests() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return log_;
}

std::vector<RecordedRequest> FakeService::RequestsFor(const std::string& path) const
{
    std::vector<RecordedRequest> found;
    for (RecordedRequest& r : Requests()) {
        if (r.path == path)
            found.push_back(std::move(r));
    }
    return found;
}

size_t FakeService::RequestCount() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return log_.size();
}

bool FakeService::WaitForRequests(size_t count, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(mutex_);
    return logChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return log_.size() >= count; });
}

void FakeService::ClearLog()
{
    std::lock_guard<std::mutex> lock(mutex_);
    log_.clear();
    tcpReceived_.clear();
}

std::string FakeService::SignInReply(char status, const std::string& number, const std::string& text36,
                                     const std::string& text8)
{
    std::string record(59, '\0');
    record[0] = status;
    record[1] = '|';
    record.replace(2, std::min<size_t>(text36.size(), 36), text36, 0, 36);
    record[38] = '|';
    record.replace(39, std::min<size_t>(text8.size(), 8), text8, 0, 8);
    record[47] = '|';
    record.replace(48, std::min<size_t>(number.size(), 10), number, 0, 10);
    record[58] = '\n';
    return record;
}

}  // namespace testsupport
