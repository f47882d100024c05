#pragma once
// One HTTP exchange as the online code needs it: a GET or a POST to an http
// or https address, the answer's status, body and raw headers. https always
// verifies the server's certificate; no other scheme is ever fetched, also
// not through a redirect. A redirect is followed only to the same scheme,
// host and port, so nothing the caller sends reaches another server. Every
// wait is bounded by the time-outs given, and the caller can end the
// exchange at any moment (keepGoing).
//
// KVO_HTTPS_CA_FILE, when set, names the certificate authorities https
// trusts instead of the system's (tests use it for their own server).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform::http {

enum class Error {
    None = 0,
    BadUrl,        // the address could not be understood
    Scheme,        // not http or https (or a redirect to another scheme)
    Connect,       // the host did not resolve or refused the connection
    Tls,           // the secure handshake or the certificate check failed
    Timeout,       // a time-out ran out
    Send,          // the request could not be sent
    Receive,       // the answer broke off or was not HTTP
    Status,        // the server answered with a status outside 200-299
    TooLarge,      // the answer body was larger than allowed
    Redirect,      // too many redirects, or one that would drop the request's body
    Aborted,       // the body source or the body sink gave up
    Other,
    Offsite,       // a redirect to another scheme, host or port
    Cancelled,     // keepGoing answered false
};

// A fixed text naming the error, for traces.
const char* ErrorName(Error error);

enum class Method { Get, Post };

struct Request {
    std::string url;
    Method method = Method::Get;
    bool http10 = false;             // send as HTTP/1.0 instead of 1.1
    std::string userAgent;
    std::vector<std::string> headers;  // "Name: value", added to or replacing the library's own

    // POST body: either the fixed text below, or, when readBody is set, a
    // streamed body of bodyLength bytes. readBody fills at most 'max' bytes
    // and returns how many it wrote (0 only at the end); returning
    // kAbortBody stops the transfer. rewindBody starts the body again (a
    // redirect that keeps the method); without it such a redirect fails.
    std::string body;
    std::function<size_t(char* dst, size_t max)> readBody;
    std::function<bool()> rewindBody;
    int64_t bodyLength = 0;

    int connectTimeoutMs = 0;  // 0: the library's default
    int totalTimeoutMs = 0;    // 0: no limit on the whole exchange (redirects included)
    int stallTimeoutMs = 0;    // 0: none; else ends a transfer that moved no byte for this long (whole seconds, at least 1)
    // Redirects followed at most, each only to the same scheme, host and
    // port (Offsite otherwise, before anything is sent there). 307 and 308
    // ask again with the same method and body; 301, 302 and 303 with a GET
    // without body, unless keepMethod makes them fail (Redirect) instead.
    // 0: a 3xx answer is an error (Status).
    int maxRedirects = 5;
    bool keepMethod = false;
    // Asked at least every 100 ms while the exchange runs, from the calling
    // thread; false ends it at once (Cancelled).
    std::function<bool()> keepGoing;

    // Answer body: at most maxBody bytes are kept. With cutOversize the rest
    // is dropped and the exchange still succeeds; without it a longer body
    // is an error (TooLarge). With a sink the body goes to it instead and
    // maxBody is not used; the sink returns false to stop the transfer.
    size_t maxBody = 1 << 20;
    bool cutOversize = false;
    std::function<bool(const char* data, size_t size)> sink;
    size_t maxHeaders = 100000;  // raw header bytes kept (of the final answer)
};

struct Response {
    long status = 0;           // the final answer's HTTP status, 0 when none arrived
    std::string body;          // empty when a sink took the body
    std::string rawHeaders;    // the final answer's header lines, each ending in CRLF
    bool cut = false;          // the body was longer than maxBody and was cut
    Error error = Error::None;
    std::string errorText;     // the library's message, for traces
    std::string url;           // the address of the final answer (after redirects)
};

// Aborts a streamed body when returned from readBody.
constexpr size_t kAbortBody = static_cast<size_t>(-1);

// Runs the exchange. True when an answer with a 2xx status arrived whole;
// otherwise response.error says why (Status: response.status holds it).
bool Perform(const Request& request, Response& response);

}  // namespace platform::http
