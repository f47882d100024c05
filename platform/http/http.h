#pragma once
// One HTTP exchange as the online code needs it: a GET or a POST to an http
// or https address, the answer's status, body and raw headers. https always
// verifies the server's certificate; no other scheme is ever fetched, also
// not through a redirect. Every wait is bounded by the time-outs given.

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
    Redirect,      // too many redirects
    Aborted,       // the body source or the body sink gave up
    Other,
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
    int totalTimeoutMs = 0;    // 0: no limit on the whole exchange
    int stallTimeoutMs = 0;    // 0: none; else ends a transfer that moved no byte for this long (whole seconds, at least 1)
    int maxRedirects = 5;      // 0: redirects are not followed, the 3xx answer is an error

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
};

// Aborts a streamed body when returned from readBody.
constexpr size_t kAbortBody = static_cast<size_t>(-1);

// Runs the exchange. True when an answer with a 2xx status arrived whole;
// otherwise response.error says why (Status: response.status holds it).
bool Perform(const Request& request, Response& response);

}  // namespace platform::http
