#pragma once
// Downloading a container the user uploaded from the phone: a plain HTTP
// GET of the row's address into the file the user chose, on a worker
// thread with a progress window; after a whole download the service is
// told (addrelaydownresult) and the owner learns which row is done.
//
// The file appears under its name only once it arrived whole: the bytes go
// to "<name>.part" beside it first, always a new regular file (whatever
// stood under that name is removed, never followed), and a failed, short or
// cancelled download leaves neither that nor a changed target behind.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "kvostudio/serviceowner.h"

// Commands the download posts to its owner; lParam is the row index.
inline constexpr unsigned ID_CMD_PHONE_DOWNLOAD_DONE = 33790;
inline constexpr unsigned ID_CMD_PHONE_DOWNLOAD_FAILED = 33791;

struct PhoneDownloadLimits {
    int connectTimeoutMs = 10000;
    int stallTimeoutMs = 30000;           // no byte for this long ends the download
    int totalTimeoutMs = 30 * 60 * 1000;  // the whole download, however it trickles
    int64_t maxBytes = 64LL * 1024 * 1024;  // containers are far smaller
};

// Fetches the address into path. progress(received, announced) runs after
// every piece (announced is -1 when the server gave no length); keepGoing
// is asked at least every 100 ms, and false cancels at once. True only when
// the answer was a success, and, when a length was announced, exactly that
// many bytes arrived. On failure, reason (when given) gets a short text
// saying why, for the user.
bool DownloadToFile(const std::string& url, const std::string& path, const PhoneDownloadLimits& limits,
                    const std::function<void(int64_t received, int64_t announced)>& progress,
                    const std::function<bool()>& keepGoing, std::string* reason = nullptr);

class PhoneDownload {
public:
    static constexpr char kUserAgent[] = "HTTP";
    static constexpr unsigned kCaptionId = 130;
    static constexpr char kCloseText[] = "CDownloadFromMobile";

    PhoneDownload() = default;
    // Cancels a running download and waits for it.
    ~PhoneDownload();
    PhoneDownload(const PhoneDownload&) = delete;
    PhoneDownload& operator=(const PhoneDownload&) = delete;

    // User-interface thread. Shows a new progress window and starts the
    // download of url into path; fid is reported to the service once the
    // file is whole. False (nothing started) while one runs or without an
    // owner.
    bool Start(ServiceOwner* owner, const std::string& url, const std::string& path, const std::string& fid,
               int row);
    // True from Start until the worker has posted its result.
    bool IsRunning() const { return running_; }
    // User-interface thread: stops a running download (its file is
    // removed), waits for the worker and destroys the progress window.
    void Cancel();
    // User-interface thread: waits for the worker of a download that has
    // posted its result, then destroys the progress window.
    void Finish();

    // The pause after the transfer that lets the bar finish (500 ms).
    void SetFinishPause(std::chrono::milliseconds pause) { finishPause_ = pause; }

private:
    void Run();

    ServiceOwner* owner_ = nullptr;
    std::unique_ptr<ServiceProgress> progress_;
    std::string url_;
    std::string path_;
    std::string fid_;
    int row_ = -1;
    PhoneDownloadLimits limits_;
    std::chrono::milliseconds finishPause_{500};
    std::atomic<bool> running_{false};
    std::atomic<bool> cancel_{false};
    std::mutex mutex_;
    std::condition_variable cancelled_;
    std::thread worker_;
};
