#include "platform/http/curl_hop.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <strings.h>

namespace platform::http {

namespace {

// The longest the transfer runs between two looks at keepGoing.
constexpr int kPollMs = 100;

struct Transfer {
    const Request* request = nullptr;
    Response* response = nullptr;
    long status = 0;            // of the answer whose headers arrive now
    bool hasLocation = false;
    bool overflow = false;      // the body grew past maxBody
    bool sinkRefused = false;
    bool sourceAborted = false;
    bool cancelled = false;

    // A redirect that Perform may follow: its body is not the answer.
    bool Redirecting() const
    {
        return request->maxRedirects > 0 && hasLocation &&
               (status == 301 || status == 302 || status == 303 || status == 307 || status == 308);
    }
    bool KeepGoing()
    {
        if (request->keepGoing && !request->keepGoing())
            cancelled = true;
        return !cancelled;
    }
};

size_t OnBody(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    if (t->Redirecting())
        return bytes;
    if (t->request->sink) {
        if (!t->request->sink(data, bytes)) {
            t->sinkRefused = true;
            return 0;  // makes the library stop the transfer
        }
        return bytes;
    }
    std::string& body = t->response->body;
    const size_t room = t->request->maxBody - std::min(body.size(), t->request->maxBody);
    if (bytes > room) {
        body.append(data, room);
        t->overflow = true;
        return 0;
    }
    body.append(data, bytes);
    return bytes;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    std::string& headers = t->response->rawHeaders;
    // Each answer (an interim one, a redirect) starts with its status line;
    // only the last answer's headers are kept.
    if (bytes >= 5 && std::memcmp(data, "HTTP/", 5) == 0) {
        headers.clear();
        const std::string line(data, bytes);
        const size_t space = line.find(' ');
        t->status = space == std::string::npos ? 0 : std::atol(line.c_str() + space + 1);
        t->hasLocation = false;
    } else if (bytes > 9 && strncasecmp(data, "location:", 9) == 0) {
        t->hasLocation = true;
    }
    const size_t room = t->request->maxHeaders - std::min(headers.size(), t->request->maxHeaders);
    headers.append(data, std::min(bytes, room));
    return bytes;
}

size_t OnReadBody(char* dst, size_t size, size_t count, void* user)
{
    auto* t = static_cast<Transfer*>(user);
    if (!t->KeepGoing())
        return CURL_READFUNC_ABORT;
    const size_t max = size * count;
    const size_t n = t->request->readBody(dst, max);
    if (n == kAbortBody) {
        t->sourceAborted = true;
        return CURL_READFUNC_ABORT;
    }
    return std::min(n, max);
}

Error MapCode(CURLcode code, const Transfer& t)
{
    if (t.cancelled)
        return Error::Cancelled;
    switch (code) {
    case CURLE_OK:
        return Error::None;
    case CURLE_URL_MALFORMAT:
        return Error::BadUrl;
    case CURLE_UNSUPPORTED_PROTOCOL:
        return Error::Scheme;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
        return Error::Connect;
    case CURLE_OPERATION_TIMEDOUT:
        return Error::Timeout;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_USE_SSL_FAILED:
        return Error::Tls;
    case CURLE_SEND_ERROR:
    case CURLE_SEND_FAIL_REWIND:
        return Error::Send;
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
        return Error::Receive;
    case CURLE_WRITE_ERROR:
        if (t.overflow)
            return Error::TooLarge;
        return t.sinkRefused ? Error::Aborted : Error::Other;
    case CURLE_ABORTED_BY_CALLBACK:
    case CURLE_READ_ERROR:
        return t.sourceAborted ? Error::Aborted : Error::Send;
    default:
        return Error::Other;
    }
}

void InitLibraryOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The handles and the header list of one request, released on every path.
struct Handles {
    CURL* easy = curl_easy_init();
    CURLM* multi = curl_multi_init();
    curl_slist* headers = nullptr;
    bool added = false;
    ~Handles()
    {
        if (added)
            curl_multi_remove_handle(multi, easy);
        if (multi)
            curl_multi_cleanup(multi);
        if (easy)
            curl_easy_cleanup(easy);
        curl_slist_free_all(headers);
    }
    bool AddHeader(const char* line)
    {
        curl_slist* more = curl_slist_append(headers, line);
        if (!more)
            return false;
        headers = more;
        return true;
    }
};

// Runs the request through a multi handle, so that the wait for the
// network never lasts longer than kPollMs before keepGoing is asked again.
CURLcode Drive(Handles& h, Transfer& t)
{
    if (curl_multi_add_handle(h.multi, h.easy) != CURLM_OK)
        return CURLE_OUT_OF_MEMORY;
    h.added = true;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(h.multi, &running) != CURLM_OK)
            return CURLE_FAILED_INIT;
        if (running == 0)
            break;
        if (!t.KeepGoing())
            return CURLE_ABORTED_BY_CALLBACK;
        if (curl_multi_poll(h.multi, nullptr, 0, kPollMs, nullptr) != CURLM_OK)
            return CURLE_FAILED_INIT;
    }
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(h.multi, &left)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == h.easy)
            return message->data.result;
    }
    return CURLE_FAILED_INIT;
}

HopResult Failed(Error error, const char* text)
{
    HopResult result;
    result.error = error;
    result.errorText = text;
    return result;
}

}  // namespace

HopResult RunHop(const Request& request, const Hop& hop, Response& response)
{
    InitLibraryOnce();
    Handles h;
    if (!h.easy || !h.multi)
        return Failed(Error::Other, "out of memory");
    CURL* c = h.easy;

    Transfer t;
    t.request = &request;
    t.response = &response;
    char errorBuffer[CURL_ERROR_SIZE] = {};

    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(c, CURLOPT_URL, hop.url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!hop.caFile.empty())
        curl_easy_setopt(c, CURLOPT_CAINFO, hop.caFile.c_str());
    curl_easy_setopt(c, CURLOPT_HTTP_VERSION, request.http10 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
    if (!request.userAgent.empty())
        curl_easy_setopt(c, CURLOPT_USERAGENT, request.userAgent.c_str());
    if (request.connectTimeoutMs > 0)
        curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.connectTimeoutMs));
    if (hop.totalTimeoutMs > 0)
        curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(hop.totalTimeoutMs));
    if (request.stallTimeoutMs > 0) {
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, std::max(1L, static_cast<long>(request.stallTimeoutMs / 1000)));
    }

    for (const std::string& line : request.headers)
        if (!h.AddHeader(line.c_str()))
            return Failed(Error::Other, "out of memory");
    if (hop.post) {
        // A server that does not know "100 Continue" would make every larger
        // body wait a second before it is sent.
        if (!h.AddHeader("Expect:"))
            return Failed(Error::Other, "out of memory");
        curl_easy_setopt(c, CURLOPT_POST, 1L);
        if (request.readBody) {
            curl_easy_setopt(c, CURLOPT_READFUNCTION, OnReadBody);
            curl_easy_setopt(c, CURLOPT_READDATA, &t);
            curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.bodyLength));
        } else {
            curl_easy_setopt(c, CURLOPT_POSTFIELDS, request.body.c_str());
            curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
        }
    } else {
        curl_easy_setopt(c, CURLOPT_HTTPGET, 1L);
    }
    if (h.headers)
        curl_easy_setopt(c, CURLOPT_HTTPHEADER, h.headers);

    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &t);

    const CURLcode code = Drive(h, t);
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    response.status = status;

    HopResult result;
    if (code == CURLE_WRITE_ERROR && t.overflow && request.cutOversize) {
        response.cut = true;
    } else if (code != CURLE_OK || t.cancelled) {
        result.error = MapCode(code, t);
        result.errorText = errorBuffer[0] ? errorBuffer : curl_easy_strerror(code);
        return result;
    }
    if (t.Redirecting()) {
        char* target = nullptr;
        if (curl_easy_getinfo(c, CURLINFO_REDIRECT_URL, &target) == CURLE_OK && target)
            result.redirect = target;
    }
    return result;
}

}  // namespace platform::http
