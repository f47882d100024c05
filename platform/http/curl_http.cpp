#include "platform/http/http.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace platform::http {

namespace {

struct Transfer {
    const Request* request = nullptr;
    Response* response = nullptr;
    bool overflow = false;      // the body grew past maxBody
    bool sinkRefused = false;
    bool sourceAborted = false;
};

size_t OnBody(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
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
    // Each answer of a redirect chain starts with its status line; only the
    // last answer's headers are kept.
    if (bytes >= 5 && std::memcmp(data, "HTTP/", 5) == 0)
        headers.clear();
    const size_t room = t->request->maxHeaders - std::min(headers.size(), t->request->maxHeaders);
    headers.append(data, std::min(bytes, room));
    return bytes;
}

size_t OnReadBody(char* dst, size_t size, size_t count, void* user)
{
    auto* t = static_cast<Transfer*>(user);
    const size_t max = size * count;
    const size_t n = t->request->readBody(dst, max);
    if (n == kAbortBody) {
        t->sourceAborted = true;
        return CURL_READFUNC_ABORT;
    }
    return std::min(n, max);
}

int OnSeekBody(void* user, curl_off_t offset, int origin)
{
    auto* t = static_cast<Transfer*>(user);
    if (offset != 0 || origin != SEEK_SET || !t->request->rewindBody)
        return CURL_SEEKFUNC_CANTSEEK;
    return t->request->rewindBody() ? CURL_SEEKFUNC_OK : CURL_SEEKFUNC_FAIL;
}

Error MapCode(CURLcode code, const Transfer& t)
{
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
    case CURLE_TOO_MANY_REDIRECTS:
        return Error::Redirect;
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

// The curl handle and header list, released on every path out of Perform.
struct EasyHandle {
    CURL* curl = curl_easy_init();
    curl_slist* headers = nullptr;
    ~EasyHandle()
    {
        if (curl)
            curl_easy_cleanup(curl);
        curl_slist_free_all(headers);
    }
};

bool Fail(Response& response, Error error, const char* text)
{
    response.error = error;
    response.errorText = text;
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
    case Error::Redirect: return "too many redirects";
    case Error::Aborted: return "transfer stopped";
    case Error::Other: return "transfer failed";
    }
    return "transfer failed";
}

bool Perform(const Request& request, Response& response)
{
    response = Response{};
    InitLibraryOnce();
    EasyHandle easy;
    if (!easy.curl)
        return Fail(response, Error::Other, "out of memory");
    CURL* c = easy.curl;

    Transfer t;
    t.request = &request;
    t.response = &response;
    char errorBuffer[CURL_ERROR_SIZE] = {};

    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(c, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(c, CURLOPT_HTTP_VERSION,
                     request.http10 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
    if (!request.userAgent.empty())
        curl_easy_setopt(c, CURLOPT_USERAGENT, request.userAgent.c_str());
    if (request.maxRedirects > 0) {
        curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(c, CURLOPT_MAXREDIRS, static_cast<long>(request.maxRedirects));
    }
    if (request.connectTimeoutMs > 0)
        curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.connectTimeoutMs));
    if (request.totalTimeoutMs > 0)
        curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(request.totalTimeoutMs));
    if (request.stallTimeoutMs > 0) {
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, std::max(1L, static_cast<long>(request.stallTimeoutMs / 1000)));
    }

    for (const std::string& h : request.headers) {
        curl_slist* more = curl_slist_append(easy.headers, h.c_str());
        if (!more)
            return Fail(response, Error::Other, "out of memory");
        easy.headers = more;
    }
    if (request.method == Method::Post) {
        // A server that does not know "100 Continue" would make every larger
        // body wait a second before it is sent.
        curl_slist* more = curl_slist_append(easy.headers, "Expect:");
        if (!more)
            return Fail(response, Error::Other, "out of memory");
        easy.headers = more;
        curl_easy_setopt(c, CURLOPT_POST, 1L);
        if (request.readBody) {
            curl_easy_setopt(c, CURLOPT_READFUNCTION, OnReadBody);
            curl_easy_setopt(c, CURLOPT_READDATA, &t);
            curl_easy_setopt(c, CURLOPT_SEEKFUNCTION, OnSeekBody);
            curl_easy_setopt(c, CURLOPT_SEEKDATA, &t);
            curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.bodyLength));
        } else {
            curl_easy_setopt(c, CURLOPT_POSTFIELDS, request.body.c_str());
            curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
        }
    } else {
        curl_easy_setopt(c, CURLOPT_HTTPGET, 1L);
    }
    if (easy.headers)
        curl_easy_setopt(c, CURLOPT_HTTPHEADER, easy.headers);

    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &t);

    const CURLcode code = curl_easy_perform(c);
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    response.status = status;

    if (code == CURLE_WRITE_ERROR && t.overflow && request.cutOversize) {
        response.cut = true;
    } else if (code != CURLE_OK) {
        response.error = MapCode(code, t);
        response.errorText = errorBuffer[0] ? errorBuffer : curl_easy_strerror(code);
        return false;
    }
    if (status < 200 || status > 299) {
        response.error = Error::Status;
        response.errorText = "HTTP status " + std::to_string(status);
        return false;
    }
    return true;
}

}  // namespace platform::http
