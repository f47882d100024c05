#pragma once
// One request of an exchange, sent with libcurl: the request's method and
// body to one address, the answer's status, headers and body taken as
// Perform asked. A redirect answer's body is dropped and its target handed
// back; whether to follow it is Perform's decision.

#include <string>

#include "platform/http/http.h"

namespace platform::http {

struct Hop {
    std::string url;
    bool post = false;
    int totalTimeoutMs = 0;  // what is left of the exchange's limit; 0: none
    std::string caFile;      // empty: the system's authorities
};

struct HopResult {
    Error error = Error::None;  // None when an answer arrived whole (whatever its status)
    std::string errorText;
    std::string redirect;       // the absolute address a redirect answer names
};

// Fills response.status, rawHeaders and body (appending; unless a sink
// takes it). Waits at most 100 ms between looks at request.keepGoing.
HopResult RunHop(const Request& request, const Hop& hop, Response& response);

}  // namespace platform::http
