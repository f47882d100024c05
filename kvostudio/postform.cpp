#include "kvostudio/postform.h"

#include "kvostudio/onlinetrace.h"
#include "platform/http/http.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <mutex>

namespace {

std::mutex g_limitsMutex;
PostFormLimits g_limits;

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

void PostForm(const std::string& url, const std::string& body, std::unique_ptr<char[]>& answer, int& length)
{
    PostForm(url, body, answer, length, GetPostFormLimits(), nullptr);
}

void PostForm(const std::string& url, const std::string& body, std::unique_ptr<char[]>& answer, int& length,
              const PostFormLimits& limits, const std::function<bool()>& keepGoing)
{
    answer.reset();
    length = 0;
    if (url.empty())
        return;  // the service is not configured

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
        return;
    }
    if (response.body.empty())
        return;
    const size_t size = response.body.size();
    answer = std::make_unique<char[]>(size + 1);
    std::memcpy(answer.get(), response.body.data(), size);
    answer[size] = '\0';
    length = static_cast<int>(size);
}
