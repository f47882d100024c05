#include "kvostudio/phonedownload.h"

#include "kvostudio/helpers.h"
#include "kvostudio/messages.h"
#include "kvostudio/onlinetrace.h"
#include "kvostudio/webservice.h"
#include "platform/http/http.h"

#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The Content-Length of raw header lines; -1 when there is none or it is
// not a plain number.
int64_t AnnouncedLength(const std::string& headers)
{
    size_t start = 0;
    while (start < headers.size()) {
        size_t end = headers.find("\r\n", start);
        if (end == std::string::npos)
            end = headers.size();
        const std::string line = headers.substr(start, end - start);
        static constexpr char kName[] = "content-length:";
        if (line.size() > sizeof kName - 1 && strncasecmp(line.c_str(), kName, sizeof kName - 1) == 0) {
            const char* value = line.c_str() + sizeof kName - 1;
            while (*value == ' ' || *value == '\t')
                ++value;
            errno = 0;
            char* stop = nullptr;
            const long long length = std::strtoll(value, &stop, 10);
            if (errno != 0 || stop == value || length < 0)
                return -1;
            while (*stop == ' ' || *stop == '\t')
                ++stop;
            return *stop ? -1 : length;
        }
        start = end + 2;
    }
    return -1;
}

// The partial file, made new: O_EXCL never opens what stands under the
// name, so a link placed there cannot send the bytes elsewhere. A file or
// link left there is removed first (unlink takes the link, not its target).
FILE* CreatePartFile(const std::string& partPath)
{
    constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::open(partPath.c_str(), kFlags, 0666);
    if (fd < 0 && errno == EEXIST && ::unlink(partPath.c_str()) == 0)
        fd = ::open(partPath.c_str(), kFlags, 0666);
    if (fd < 0)
        return nullptr;
    FILE* file = ::fdopen(fd, "wb");
    if (!file) {
        const int error = errno;
        ::close(fd);
        ::unlink(partPath.c_str());
        errno = error;
    }
    return file;
}

}  // namespace

bool DownloadToFile(const std::string& url, const std::string& path, const PhoneDownloadLimits& limits,
                    const std::function<void(int64_t, int64_t)>& progress, const std::function<bool()>& keepGoing,
                    std::string* reason)
{
    constexpr char kCannotWrite[] = "the file cannot be written";
    auto why = [reason](const char* text) {
        if (reason)
            *reason = text;
    };
    if (url.empty() || path.empty()) {
        why("there is nothing to fetch");
        return false;
    }
    const std::string partPath = path + ".part";
    FILE* file = CreatePartFile(partPath);
    if (!file) {
        OnlineTrace("Download: %s cannot be created: %s\n", partPath.c_str(), std::strerror(errno));
        why(kCannotWrite);
        return false;
    }

    platform::http::Request request;
    platform::http::Response response;
    request.url = url;
    request.method = platform::http::Method::Get;
    request.userAgent = PhoneDownload::kUserAgent;
    request.connectTimeoutMs = limits.connectTimeoutMs;
    request.stallTimeoutMs = limits.stallTimeoutMs;
    request.totalTimeoutMs = limits.totalTimeoutMs;
    request.keepGoing = keepGoing;
    int64_t announced = -2;  // not looked at yet
    int64_t received = 0;
    bool writeFailed = false;
    bool tooLarge = false;
    request.sink = [&](const char* data, size_t size) {
        if (announced == -2) {
            // The answer's headers are complete once its body starts.
            announced = AnnouncedLength(response.rawHeaders);
            if (announced > limits.maxBytes) {
                tooLarge = true;
                return false;
            }
            if (progress)
                progress(0, announced);
        }
        if (keepGoing && !keepGoing())
            return false;
        if (received + static_cast<int64_t>(size) > limits.maxBytes) {
            tooLarge = true;
            return false;
        }
        if (std::fwrite(data, 1, size, file) != size) {
            writeFailed = true;
            return false;
        }
        received += static_cast<int64_t>(size);
        if (progress)
            progress(received, announced);
        return true;
    };

    const bool answered = platform::http::Perform(request, response);
    const bool closed = std::fclose(file) == 0;
    bool whole = answered && closed && !writeFailed;
    if (tooLarge) {
        OnlineTrace("Download %s: larger than %lld bytes\n", url.c_str(), static_cast<long long>(limits.maxBytes));
        why("it is larger than allowed");
    } else if (writeFailed || (answered && !closed)) {
        OnlineTrace("Download: writing %s failed\n", partPath.c_str());
        why(kCannotWrite);
    } else if (!answered) {
        OnlineTrace("Download %s: %s (%s)\n", url.c_str(), platform::http::ErrorName(response.error),
                    response.errorText.c_str());
        why(platform::http::ErrorName(response.error));
    }
    if (whole && announced == -2)
        announced = AnnouncedLength(response.rawHeaders);  // an empty body never reached the sink
    if (whole && announced >= 0 && received != announced) {
        OnlineTrace("Download %s: %lld of %lld bytes arrived\n", url.c_str(), static_cast<long long>(received),
                    static_cast<long long>(announced));
        why("it arrived incomplete");
        whole = false;
    }
    if (whole && received == 0) {
        OnlineTrace("Download %s: the answer was empty\n", url.c_str());
        why("the answer was empty");
        whole = false;
    }
    if (whole && std::rename(partPath.c_str(), path.c_str()) != 0) {
        OnlineTrace("Download: %s cannot be renamed: %s\n", partPath.c_str(), std::strerror(errno));
        why(kCannotWrite);
        whole = false;
    }
    if (!whole)
        std::remove(partPath.c_str());
    return whole;
}

PhoneDownload::~PhoneDownload()
{
    Cancel();
}

bool PhoneDownload::Start(ServiceOwner* owner, const std::string& url, const std::string& path,
                          const std::string& fid, int row)
{
    if (!owner || running_)
        return false;
    Finish();
    owner_ = owner;
    url_ = url;
    path_ = path;
    fid_ = fid;
    row_ = row;
    cancel_ = false;
    progress_ = owner->CreateProgressWindow();
    if (progress_) {
        progress_->SetCaption(LoadStringTableEntry(kCaptionId));
        progress_->SetMessageText(kCloseText);
        progress_->Show();
    }
    running_ = true;
    worker_ = std::thread(&PhoneDownload::Run, this);
    return true;
}

void PhoneDownload::Cancel()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        cancel_ = true;
    }
    cancelled_.notify_all();
    Finish();
}

void PhoneDownload::Finish()
{
    if (worker_.joinable())
        worker_.join();
    progress_.reset();
}

void PhoneDownload::Run()
{
    SetThreadName("PhoneDownloadThread");
    int lastPercent = -1;
    const bool ok = DownloadToFile(
        url_, path_, limits_,
        [this, &lastPercent](int64_t received, int64_t announced) {
            if (announced <= 0 || !progress_)
                return;
            int64_t percent = (received * 100 + announced / 2) / announced;
            if (percent > 100)
                percent = 100;
            if (percent != lastPercent) {
                lastPercent = static_cast<int>(percent);
                progress_->PostTargetPercent(lastPercent, 0);
            }
        },
        [this] { return !cancel_; });

    {
        std::unique_lock<std::mutex> lock(mutex_);
        cancelled_.wait_for(lock, finishPause_, [this] { return cancel_.load(); });
    }
    if (progress_)
        progress_->PostHide();
    if (ok && !CallAddRelayDownResult(fid_, [this] { return !cancel_; }))
        OnlineTrace("Download: the service was not told of the finished download\n");
    running_ = false;
    if (owner_)
        owner_->PostCommand(ok ? ID_CMD_PHONE_DOWNLOAD_DONE : ID_CMD_PHONE_DOWNLOAD_FAILED, row_);
}
