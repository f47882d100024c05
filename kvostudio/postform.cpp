#include "kvostudio/postform.h"

#include "kvostudio/onlinetrace.h"
#include "platform/http/http.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <mutex>
#include <string>

namespace {

std::mutex g_limitsMutex;
PostFormLimits g_limits;

// Why an exchange brought no answer, in the user's words.
std::string FailureWords(const platform::http::Response& response)
{
    using platform::http::Error;
    switch (response.error) {
    case Error::Timeout:
        return "the service did not answer in time";
    case Error::TooLarge:
        return "the service's answer was too large";
    case Error::Connect:
        return "the service could not be reached";
    case Error::Tls:
        return "the secure connection to the service failed";
    case Error::Status:
        return "the service answered with an error (HTTP " + std::to_string(response.status) + ")";
    case Error::Send:
    case Error::Receive:
        return "the connection to the service broke off";
    case Error::Redirect:
    case Error::Offsite:
    case Error::Scheme:
        return "the service sent the request elsewhere";
    case Error::BadUrl:
        return "the service's address is not usable";
    case Error::Cancelled:
        return kCallCancelled;
    default:
        return "the exchange with the service failed";
    }
}

}  // namespace

void SetPostFormLimits(const PostFormLimits& limits)
{
    std::lock_guard<std::mutex> lock(g_limitsMutex);
    g_limits = limits;
    if (g_limits.maxAnswer > INT_MAX - 1)
        g_limits.maxAnswer = INT_MAX - 1;
}

PostFormLimits GetPostFormLimits()
{
    std::lock_guard<std::mutex> lock(g_limitsMutex);
    return g_limits;
}

void PostForm(const std::string& url, const std::string& body, std::unique_ptr<char[]>& answer, int& length,
              const PostFormLimits& limits, const std::function<bool()>& keepGoing, std::string* failure)
{
    answer.reset();
    length = 0;
    std::string unused;
    std::string& why = failure ? *failure : unused;
    why.clear();
    if (url.empty()) {
        why = "no online service is configured";
        return;
    }

    platform::http::Request request;
    request.url = url;
    request.method = platform::http::Method::Post;
    request.userAgent = kServiceUserAgent;
    request.headers.push_back("Content-Type: application/x-www-form-urlencoded");
    request.body = body;
    request.connectTimeoutMs = limits.connectTimeoutMs;
    request.totalTimeoutMs = limits.totalTimeoutMs;
    request.maxBody = std::min<size_t>(limits.maxAnswer, INT_MAX - 1);
    request.cutOversize = false;
    request.keepGoing = keepGoing;

    platform::http::Response response;
    if (!platform::http::Perform(request, response)) {
        OnlineTrace("PostForm %s: %s (%s)\n", url.c_str(), platform::http::ErrorName(response.error),
                    response.errorText.c_str());
        why = FailureWords(response);
        return;
    }
    if (response.body.empty()) {
        why = "the service's answer was empty";
        return;
    }
    const size_t size = response.body.size();
    answer = std::make_unique<char[]>(size + 1);
    std::memcpy(answer.get(), response.body.data(), size);
    answer[size] = '\0';
    length = static_cast<int>(size);
}
