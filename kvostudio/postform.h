#pragma once
// Every web-service call goes through PostForm: a url-encoded form POST
// whose answer bytes come back to the caller. It blocks its caller, but
// never for long: the connection, the whole exchange and the answer's size
// are all bounded. Nothing is retried.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

struct PostFormLimits {
    int connectTimeoutMs = 3000;
    int totalTimeoutMs = 20000;    // the whole exchange, connection included
    size_t maxAnswer = 1 << 20;    // a longer answer is no answer
};

// The limits every later PostForm uses (all threads); tests shorten them.
void SetPostFormLimits(const PostFormLimits& limits);
PostFormLimits GetPostFormLimits();

// Posts the body (already form-encoded; may be empty) to the address, http
// or https, within the limits given. On an answer with a 2xx status and a
// non-empty body: 'answer' holds its bytes followed by a NUL and 'length'
// their count. Otherwise (no connection, time-out, error status, empty,
// oversized or broken answer, an address that is empty or not http/https):
// answer is null, length 0. A redirect is followed only within the same
// server (the form body never goes anywhere else). keepGoing, when given,
// is asked at least every 100 ms and ends the call unanswered once it says
// false. Without an answer, 'failure' (when given) says why in words for
// the user, e.g. "the service did not answer in time"; "cancelled" when
// keepGoing ended it.
void PostForm(const std::string& url, const std::string& body, std::unique_ptr<char[]>& answer, int& length,
              const PostFormLimits& limits, const std::function<bool()>& keepGoing, std::string* failure = nullptr);

// What the words of a cancelled call are.
inline constexpr char kCallCancelled[] = "cancelled";

// The user agent of every web-service call.
constexpr const char* kServiceUserAgent = "ONLINE-KVOSTUDIO";
