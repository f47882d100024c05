#include "kvostudio/httpclient.h"

#include "kvostudio/formencode.h"
#include "kvostudio/onlinetrace.h"
#include "platform/http/http.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

std::atomic<int> g_nSentBytes{0};

namespace {

using platform::http::Error;

constexpr size_t kMaxUrlPart = 1023;

std::string Lower(std::string s)
{
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

// The request every method shares: the address, HTTP/1.0, "Accept: */*",
// the client's limits, and an answer body cut at the client's capacity. A
// redirect never turns a POST into a GET: the answer to that GET would pass
// for the answer to the form.
platform::http::Request BaseRequest(const std::string& url, const char* userAgent, int connectMs, int stallMs,
                                    int totalMs, const std::function<bool()>& keepGoing)
{
    platform::http::Request r;
    r.url = url;
    r.http10 = true;
    r.userAgent = userAgent ? userAgent : "";
    r.headers.push_back("Accept: */*");
    r.connectTimeoutMs = connectMs;
    r.stallTimeoutMs = stallMs;
    r.totalTimeoutMs = totalMs;
    r.maxBody = HttpClient::kAnswerCapacity;
    r.cutOversize = true;
    r.maxHeaders = HttpClient::kAnswerCapacity;
    r.keepMethod = true;
    r.keepGoing = keepGoing;
    return r;
}

}  // namespace

void HttpClient::InitializePostArguments()
{
    arguments_.clear();
}

void HttpClient::AddPostArgument(const char* name, const char* value, int isFile)
{
    __HTTP_ARGUMENT a;
    a.name = name ? name : "";
    a.value = value ? value : "";
    a.type = isFile ? kFileArgument : kTextArgument;
    arguments_.push_back(std::move(a));
}

void HttpClient::AddPostArgument(const char* name, int value)
{
    AddPostArgument(name, std::to_string(value).c_str(), 0);
}

void HttpClient::AddPostFile(const char* name, const char* path, int64_t length)
{
    AddPostArgument(name, path, 1);
    arguments_.back().length = length < 0 ? 0 : length;
}

void HttpClient::SetTimeouts(int connectMs, int stallMs, int totalMs)
{
    connectTimeoutMs_ = std::max(0, connectMs);
    stallTimeoutMs_ = std::max(0, stallMs);
    totalTimeoutMs_ = std::max(0, totalMs);
}

bool HttpClient::ParseURL(const char* url, UrlParts& parts)
{
    parts = UrlParts{};
    if (!url)
        return false;
    const std::string u = url;
    size_t hostStart = 0;
    const size_t colon = u.find(':');
    if (colon != std::string::npos && colon + 1 < u.size() && u[colon + 1] == '/') {
        parts.protocol = u.substr(0, colon);
        hostStart = std::min(colon + 3, u.size());
    } else {
        parts.protocol = "http";
    }
    size_t hostEnd = u.find('/', hostStart);
    if (hostEnd == std::string::npos)
        hostEnd = u.size();
    parts.object = u.substr(hostEnd);

    const size_t portColon = u.find(':', hostStart);
    if (portColon != std::string::npos && portColon < hostEnd) {
        const std::string digits = u.substr(portColon + 1, hostEnd - portColon - 1);
        if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        const long port = std::stol(digits);
        if (port < 1 || port > 65535)
            return false;
        parts.port = static_cast<uint16_t>(port);
        hostEnd = portColon;
    } else {
        parts.port = parts.protocol == "https" ? 443 : 80;
    }
    parts.host = u.substr(hostStart, hostEnd - hostStart);
    return !parts.host.empty() && parts.protocol.size() <= kMaxUrlPart && parts.host.size() <= kMaxUrlPart &&
           parts.object.size() <= kMaxUrlPart;
}

int HttpClient::Request(const char* url, int method, const char* userAgent)
{
    body_.clear();
    headers_.clear();
    lastError_ = 0;

    UrlParts parts;
    if (!ParseURL(url, parts)) {
        lastError_ = static_cast<int>(Error::BadUrl);
        OnlineTrace("\nHttpClient: cannot use the address %s\n", url ? url : "(null)");
        return 0;
    }
    const std::string protocol = Lower(parts.protocol);
    if (protocol != "http" && protocol != "https") {
        lastError_ = static_cast<int>(Error::Scheme);
        OnlineTrace("\nHttpClient: %s\n", platform::http::ErrorName(Error::Scheme));
        return 0;
    }
    const std::string full = protocol + "://" + parts.host + ":" + std::to_string(parts.port) +
                             (parts.object.empty() ? "/" : parts.object);
    if (method == kMethodUrlEncodedPost)
        return RequestPost(full, userAgent) ? 1 : 0;
    if (method == kMethodMultipartPost)
        return RequestPostMultiPartsFormData(full, userAgent) ? 1 : 0;
    return RequestGet(full, userAgent) ? 1 : 0;
}

bool HttpClient::RequestGet(const std::string& url, const char* userAgent)
{
    platform::http::Request r =
        BaseRequest(url, userAgent, connectTimeoutMs_, stallTimeoutMs_, totalTimeoutMs_, keepGoing_);
    return Send(r);
}

bool HttpClient::RequestPost(const std::string& url, const char* userAgent)
{
    platform::http::Request r =
        BaseRequest(url, userAgent, connectTimeoutMs_, stallTimeoutMs_, totalTimeoutMs_, keepGoing_);
    r.method = platform::http::Method::Post;
    r.headers.push_back("Content-Type: application/x-www-form-urlencoded");
    for (const __HTTP_ARGUMENT& a : arguments_) {
        if (!r.body.empty())
            r.body += '&';
        r.body += FormEncode(a.name) + "=" + FormEncode(a.value);
    }
    return Send(r);
}

bool HttpClient::RequestPostMultiPartsFormData(const std::string& url, const char* userAgent)
{
    std::string body;
    if (!BuildMultiPartsBody(body))
        return false;

    platform::http::Request r =
        BaseRequest(url, userAgent, connectTimeoutMs_, stallTimeoutMs_, totalTimeoutMs_, keepGoing_);
    r.method = platform::http::Method::Post;
    r.headers.push_back(std::string("Content-Type: multipart/form-data; boundary=") + kBoundary);
    r.bodyLength = static_cast<int64_t>(body.size());

    // The body leaves in pieces of 4096 bytes; the counter follows each piece
    // and the short pause keeps the progress display moving steadily.
    size_t sent = 0;
    r.readBody = [&body, &sent](char* dst, size_t max) -> size_t {
        if (sent > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const size_t n = std::min({kPieceSize, max, body.size() - sent});
        std::memcpy(dst, body.data() + sent, n);
        sent += n;
        g_nSentBytes = static_cast<int>(sent);
        return n;
    };
    r.rewindBody = [&sent]() {
        sent = 0;
        g_nSentBytes = 0;
        return true;
    };
    return Send(r);
}

bool HttpClient::Send(platform::http::Request& request)
{
    platform::http::Response answer;
    const bool ok = platform::http::Perform(request, answer);
    body_ = std::move(answer.body);
    headers_ = std::move(answer.rawHeaders);
    if (!ok) {
        lastError_ = static_cast<int>(answer.error);
        OnlineTrace("\nHttpClient: %s (%s)\n", platform::http::ErrorName(answer.error), answer.errorText.c_str());
        body_.clear();
        return false;
    }
    if (body_.empty()) {
        lastError_ = static_cast<int>(Error::Receive);
        OnlineTrace("\nHttpClient: the answer has no body\n");
        return false;
    }
    return true;
}
