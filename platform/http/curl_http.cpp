// Perform: the exchange as a chain of single requests. libcurl sends each
// one; the redirects between them are followed here, so that every hop can
// be checked against the first address before anything is sent to it.
#include "platform/http/http.h"

#include "platform/http/curl_hop.h"

#include <curl/curl.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace platform::http {

namespace {

struct Origin {
    std::string scheme;
    std::string host;
    std::string port;
};

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// Scheme, host and port (the scheme's default when none is written) of an
// absolute address; false when it is not one.
bool OriginOf(const std::string& url, Origin& origin)
{
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> u(curl_url(), curl_url_cleanup);
    if (!u || curl_url_set(u.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK)
        return false;
    auto part = [&](CURLUPart which, unsigned flags, std::string& out) {
        char* text = nullptr;
        if (curl_url_get(u.get(), which, &text, flags) != CURLUE_OK || !text)
            return false;
        out = Lower(text);
        curl_free(text);
        return true;
    };
    return part(CURLUPART_SCHEME, 0, origin.scheme) && part(CURLUPART_HOST, 0, origin.host) &&
           part(CURLUPART_PORT, CURLU_DEFAULT_PORT, origin.port);
}

bool Fail(Response& response, Error error, std::string text)
{
    response.error = error;
    response.errorText = std::move(text);
    return false;
}

}  // namespace

const char* ErrorName(Error error)
{
    switch (error) {
    case Error::None: return "no error";
    case Error::BadUrl: return "address not understood";
    case Error::Scheme: return "only http and https are fetched";
    case Error::Connect: return "could not connect";
    case Error::Tls: return "secure connection failed";
    case Error::Timeout: return "timed out";
    case Error::Send: return "request could not be sent";
    case Error::Receive: return "answer broke off";
    case Error::Status: return "server answered with an error status";
    case Error::TooLarge: return "answer too large";
    case Error::Redirect: return "redirect refused";
    case Error::Aborted: return "transfer stopped";
    case Error::Other: return "transfer failed";
    case Error::Offsite: return "redirect to another server refused";
    case Error::Cancelled: return "cancelled";
    }
    return "transfer failed";
}

bool Perform(const Request& request, Response& response)
{
    response = Response{};
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(request.totalTimeoutMs);

    Hop hop;
    hop.url = request.url;
    hop.post = request.method == Method::Post;
    Origin home;
    const bool knowHome = OriginOf(request.url, home);
    if (const char* ca = std::getenv("KVO_HTTPS_CA_FILE"); ca && *ca)
        hop.caFile = ca;

    for (int redirects = 0;; ++redirects) {
        if (request.totalTimeoutMs > 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0)
                return Fail(response, Error::Timeout, "the exchange took too long");
            hop.totalTimeoutMs = static_cast<int>(left);
        }
        const HopResult result = RunHop(request, hop, response);
        response.url = hop.url;
        if (result.error != Error::None)
            return Fail(response, result.error, result.errorText);

        const long status = response.status;
        if (!result.redirect.empty()) {
            if (redirects >= request.maxRedirects)
                return Fail(response, Error::Redirect, "too many redirects");
            Origin there;
            if (!OriginOf(result.redirect, there) || (there.scheme != "http" && there.scheme != "https"))
                return Fail(response, Error::Scheme, "redirect to " + result.redirect);
            if (!knowHome || there.scheme != home.scheme || there.host != home.host || there.port != home.port)
                return Fail(response, Error::Offsite, "redirect to " + result.redirect);
            if (hop.post && status != 307 && status != 308) {
                // The answer asks for the next address with a GET: the body
                // would not reach it.
                if (request.keepMethod)
                    return Fail(response, Error::Redirect, "redirect would drop the request's body");
                hop.post = false;
            }
            if (hop.post && request.readBody && (!request.rewindBody || !request.rewindBody()))
                return Fail(response, Error::Redirect, "the request's body cannot be sent again");
            hop.url = result.redirect;
            response.body.clear();
            continue;
        }
        if (status < 200 || status > 299)
            return Fail(response, Error::Status, "HTTP status " + std::to_string(status));
        return true;
    }
}

}  // namespace platform::http
