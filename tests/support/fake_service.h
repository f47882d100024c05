// A fake of the online service for tests, on a loopback address (127.0.0.1
// unless told otherwise, so that a second fake on 127.0.0.2 can stand for
// another server): the web calls with their XML answers, the multipart
// upload and its answer, file downloads, and a TCP peer for the socket and
// the sign-in exchange. Its web side speaks plain HTTP, or HTTPS with a
// certificate made at run time (CertificateFile() is what a client must
// trust). It logs every request and, on demand, misbehaves: slow, stalled,
// truncated, reset or refused connections, oversized or malformed answers,
// error statuses, redirects. Started and stopped by the test that owns it;
// Stop (or the destructor) ends and joins every thread it started.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <list>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace testsupport {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

struct HttpAnswer {
    int status = 200;
    HeaderList headers;           // besides Content-Length and Connection
    std::string body;
    bool sendContentLength = true;  // false: the end of the body is the close
};

enum class FaultKind {
    None,
    Stall,         // read the request, then send nothing until the client goes
    StallMidBody,  // send the headers and half the body, then nothing
    Slow,          // send the answer a byte at a time, delayMs apart
    Truncate,      // announce the whole body, send half of it, close
    Reset,         // read the request, then reset the connection
    CloseAtOnce,   // close without answering (for every path: without reading either)
    Oversize,      // answer 200 with a body of 'size' bytes
    Status,        // answer with 'status' and a small body
    Redirect,      // answer 'status' (302 by default) to 'location'
    MalformedXml,  // answer 200 with a body that is not well-formed XML
    EmptyBody,     // answer 200 with no body
};

struct Fault {
    Fault() = default;
    Fault(FaultKind k, int s = 500, std::string where = {}, size_t bytes = 0, int delay = 50)
        : kind(k), status(s), location(std::move(where)), size(bytes), delayMs(delay)
    {
    }

    FaultKind kind = FaultKind::None;
    int status = 500;
    std::string location;
    size_t size = 0;
    int delayMs = 50;
    int times = -1;  // how many requests it hits; -1: all until cleared
};

struct RecordedRequest {
    std::string method;
    std::string target;  // as sent, with the query
    std::string path;    // without the query
    std::string version;
    HeaderList headers;
    std::string body;

    // The first header of that name (any case); "" when missing.
    std::string Header(const std::string& name) const;
    // The body as url-encoded form fields, decoded, in order.
    HeaderList FormFields() const;

    struct Part {
        std::string headers;  // the part's header lines as sent
        std::string name;
        std::string fileName;
        bool hasFileName = false;
        std::string contentType;
        std::string data;
    };
    // The body split as multipart/form-data by the boundary of its
    // Content-Type; empty when it is not multipart or does not parse.
    std::vector<Part> MultipartParts() const;
};

// What the TCP peer does with each connection.
enum class TcpMode {
    Reply,       // after replyAfter bytes arrived, send the reply, then wait for the close
    ReplySplit,  // as Reply, but the reply goes in two halves 150 ms apart
    Echo,        // send back every byte that arrives
    Silent,      // read and record, never answer
    CloseAtOnce, // accept and close
};

class FakeService {
public:
    FakeService() = default;
    ~FakeService();
    FakeService(const FakeService&) = delete;
    FakeService& operator=(const FakeService&) = delete;

    // Listens for HTTP and for the TCP peer on 127.0.0.1 (ports chosen by
    // the system) and installs the default answers. False when it cannot.
    bool Start();
    // The same on another loopback address, with HTTPS instead of HTTP when
    // tls is set.
    bool Start(const std::string& host, bool tls);
    void Stop();

    int HttpPort() const { return httpPort_; }
    int TcpPort() const { return tcpPort_; }
    const std::string& Host() const { return host_; }
    std::string BaseUrl() const;  // "http://127.0.0.1:<port>" (https with TLS)
    std::string Url(const std::string& path) const { return BaseUrl() + path; }
    // A loopback port on which nothing listens.
    static int RefusedPort();
    // The PEM file of the self-signed certificate every TLS fake presents
    // (valid for 127.0.0.1, 127.0.0.2 and localhost); empty when it could
    // not be made. Made once per process.
    static std::string CertificateFile();

    // Answers by path (without the query). Unknown paths get 404.
    void SetAnswer(const std::string& path, const HttpAnswer& answer);
    void SetXmlAnswer(const std::string& path, const std::string& xml);
    // Serves the bytes at the path to GET and POST.
    void SetFile(const std::string& path, const std::string& bytes);
    // Makes requests for the path ("" = every path) misbehave.
    void SetFault(const std::string& path, const Fault& fault);
    void ClearFaults();

    // The log of HTTP requests, in arrival order.
    std::vector<RecordedRequest> Requests() const;
    std::vector<RecordedRequest> RequestsFor(const std::string& path) const;
    size_t RequestCount() const;
    bool WaitForRequests(size_t count, int timeoutMs) const;
    void ClearLog();

    void SetTcpMode(TcpMode mode, const std::string& reply = {}, size_t replyAfter = 0);
    // The bytes each TCP connection sent to the peer, in order of connection.
    std::vector<std::string> TcpReceived() const;
    size_t TcpConnectionCount() const;
    // Overwrites with zeros what the TCP peer received and its reply, then
    // forgets them: a test that looks for secrets in its own memory must
    // not find the fake's copies. Call after Stop.
    void WipeTcpLog();

    // The XML the service answers: <root><Records><ErrorCode>n</ErrorCode>
    // then each field as <name>value</name> (values written as given).
    static std::string ServiceXml(const std::string& root, int errorCode, const HeaderList& fields);
    static std::string UploadXml(int errorCode, const std::string& message);
    // A 59-byte reply record as the sign-in server sends it: status,
    // '|', the 36-character text, '|', the 8-character text, '|', the user
    // number (10 characters), '\n'; shorter texts leave zeros behind them.
    static std::string SignInReply(char status, const std::string& number, const std::string& text36 = "SESSION",
                                   const std::string& text8 = "KEY");

    // The values of the default answers.
    static constexpr int kFid = 5;
    static constexpr int kRelayFid = 6;
    static constexpr int kLimitCount = 3;
    static constexpr const char* kIp = "127.0.0.1";
    static constexpr const char* kVersion = "1.1.0.4";
    static constexpr const char* kUploadPath = "/upload";

private:
    struct Route {
        HttpAnswer answer;
    };

    void InstallDefaults();
    void AcceptLoop(int listener, bool http);
    void Spawn(int fd, bool http);
    void ServeHttp(int fd);
    void ServeTcp(int fd);
    // Ends TLS on fd and serves the plain exchange through a socket pair.
    void ServeTls(int fd);
    bool TakeFault(const std::string& path, Fault& fault);
    HttpAnswer AnswerFor(const RecordedRequest& request) const;
    void Record(RecordedRequest request);
    void SendAnswer(int fd, const HttpAnswer& answer, const Fault& fault);
    // Waits up to ms; false when the service is stopping.
    bool Pause(int ms) const;
    // Waits for the client to close (or the service to stop, or ms to pass).
    void WaitForClose(int fd, int ms) const;
    bool ReadRequest(int fd, RecordedRequest& request);

    mutable std::mutex mutex_;
    mutable std::condition_variable logChanged_;
    std::map<std::string, Route> routes_;
    std::map<std::string, Fault> faults_;
    std::vector<RecordedRequest> log_;
    TcpMode tcpMode_ = TcpMode::Reply;
    std::string tcpReply_;
    size_t tcpReplyAfter_ = 0;
    std::vector<std::string> tcpReceived_;

    std::string host_ = "127.0.0.1";
    bool tls_ = false;
    int httpListener_ = -1;
    int tcpListener_ = -1;
    int httpPort_ = 0;
    int tcpPort_ = 0;
    int wakeRead_ = -1;   // readable once the service stops
    int wakeWrite_ = -1;
    std::thread httpAcceptor_;
    std::thread tcpAcceptor_;
    std::list<std::thread> connections_;  // guarded by mutex_
    bool running_ = false;
};

}  // namespace testsupport
