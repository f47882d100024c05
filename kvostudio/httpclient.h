#pragma once
// One HTTP request with form arguments: GET, url-encoded POST, or the
// multipart POST that uploads a file. The answer's body (at most 100000
// bytes, the rest dropped) and raw headers stay in the client. A client is
// made for one request and used by one thread.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Bytes of the current multipart body written so far; the upload engine's
// progress poller reads it while the upload thread writes it. One upload
// runs at a time.
extern std::atomic<int> g_nSentBytes;

namespace platform::http {
struct Request;
}

class HttpClient {
public:
    struct __HTTP_ARGUMENT {
        std::string name;
        std::string value;  // the text, or for a file its full path
        int type = 1;       // kTextArgument or kFileArgument
        // A file field: the bytes sent from the file's start; -1: the
        // file's size when the body is built.
        int64_t length = -1;
    };

    static constexpr int kTextArgument = 1;
    static constexpr int kFileArgument = 2;

    static constexpr int kMethodGet = 1;
    static constexpr int kMethodUrlEncodedPost = 2;
    static constexpr int kMethodMultipartPost = 3;

    static constexpr size_t kAnswerCapacity = 100000;
    static constexpr size_t kPieceSize = 4096;
    // The text after "boundary=" in the Content-Type header; each delimiter
    // line of the body is "--" followed by it.
    static constexpr const char* kBoundary = "--MULTI-PARTS-FORM-DATA-BOUNDARY";

    struct UrlParts {
        std::string protocol;
        std::string host;
        uint16_t port = 0;
        std::string object;  // path and query, starting with '/', or empty
    };

    HttpClient() = default;
    virtual ~HttpClient() = default;
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    void InitializePostArguments();
    // Appends a field; a non-zero isFile makes it a file field whose value is
    // the file's path.
    void AddPostArgument(const char* name, const char* value, int isFile = 0);
    // Appends a text field holding the number in decimal.
    void AddPostArgument(const char* name, int value);
    // Appends a file field that carries exactly 'length' bytes of the file,
    // as measured by the caller; the request fails when the file holds
    // fewer by the time it is read.
    void AddPostFile(const char* name, const char* path, int64_t length);

    // Sends the request (kMethodUrlEncodedPost, kMethodMultipartPost, any
    // other value GET). 1 when a 2xx answer with a non-empty body arrived,
    // else 0 with the reason in GetLastErrorCode(). Redirects are followed
    // only within the same server, and a POST only where it keeps its body:
    // a redirect that would turn it into a GET fails the request.
    int Request(const char* url, int method, const char* userAgent);

    // The answer body as text (empty before a request or after a failure).
    const char* QueryHTTPResponse() const { return body_.c_str(); }
    size_t ResponseLength() const { return body_.size(); }
    // The answer's raw header lines, each ending in CRLF.
    const char* QueryHTTPResponseHeaders() const { return headers_.c_str(); }
    // A platform::http::Error value; 0 when the last request succeeded.
    int GetLastErrorCode() const { return lastError_; }

    // Time limits in milliseconds (0: none). The defaults let a 20 MiB
    // upload go through a slow line but end a transfer that stops moving.
    void SetTimeouts(int connectMs, int stallMs, int totalMs);
    // Asked at least every 100 ms during a request; false ends it at once.
    void SetCancelCheck(std::function<bool()> keepGoing) { keepGoing_ = std::move(keepGoing); }

    // Splits an address into protocol, host, port and object: the protocol
    // is the text before "://" ("http" without one), an explicit ":port"
    // after the host wins, else 443 for https and 80 for the rest. False for
    // a port outside 1..65535 or a part longer than 1023 characters.
    static bool ParseURL(const char* url, UrlParts& parts);

    // The multipart body of the arguments, in their order; a file part
    // names the file by its base name only. False (with lastError_ set)
    // when a file cannot be read whole.
    bool BuildMultiPartsBody(std::string& body);

    // The content type of a file, by the extension of its base name, from
    // the system's MIME table; "application/octet-stream" when unknown.
    static std::string GetContentType(const char* path);

private:
    bool RequestGet(const std::string& url, const char* userAgent);
    bool RequestPost(const std::string& url, const char* userAgent);
    bool RequestPostMultiPartsFormData(const std::string& url, const char* userAgent);
    bool Send(platform::http::Request& request);

    std::vector<__HTTP_ARGUMENT> arguments_;
    std::string body_;
    std::string headers_;
    int lastError_ = 0;
    int connectTimeoutMs_ = 15000;
    int stallTimeoutMs_ = 30000;
    int totalTimeoutMs_ = 30 * 60 * 1000;
    std::function<bool()> keepGoing_;
};
