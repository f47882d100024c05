#include "kvostudio/uploadimpl.h"

#include "kvostudio/folders.h"
#include "kvostudio/helpers.h"
#include "kvostudio/httpclient.h"
#include "kvostudio/messages.h"
#include "kvostudio/onlinetrace.h"
#include "kvostudio/webservice.h"
#include "platform/filemap/regular_file.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr unsigned kDefaultCaptionId = 106;

// The file's length; -1 when it cannot be opened or measured.
int64_t MeasureFile(const std::string& path)
{
    FILE* file = platform::OpenRegularFileStream(path);
    if (!file)
        return -1;
    int64_t size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0)
        size = static_cast<int64_t>(std::ftell(file));
    std::fclose(file);
    return size;
}

}  // namespace

CUploadImpl::CUploadImpl(int kind) : kind_(kind), caption_(LoadStringTableEntry(kDefaultCaptionId))
{
    g_nSentBytes = 0;
}

CUploadImpl::~CUploadImpl()
{
    Stop();
}

void CUploadImpl::SetFileId(const char* text)
{
    fileId_ = text ? std::atoi(text) : 0;
}

void CUploadImpl::SetProgressCaption(const std::string& text, int showFileName)
{
    caption_ = text;
    showFileName_ = showFileName;
}

int CUploadImpl::PercentOf(int64_t sent, int64_t size)
{
    if (size <= 0)
        return -1;
    if (sent <= 0)
        return 0;
    const int64_t percent = (sent * 100 + size / 2) / size;
    return percent > 100 ? 100 : static_cast<int>(percent);
}

int CUploadImpl::Start(ServiceOwner* owner)
{
    if (!owner || uploadThread_.joinable() || progressThread_.joinable())
        return 0;
    owner_ = owner;
    success_ = 0;
    message_.clear();
    stop_ = 0;
    cancelled_ = false;
    if (kind_ == kRecording)
        filePath_ = GetUserDataFilePath("Cache.mp3");

    progress_ = owner->CreateProgressWindow();
    if (progress_) {
        progress_->SetCaption(caption_);
        if (showFileName_)
            progress_->SetFileName(filePath_);
        progress_->Show();
    }
    uploadThread_ = std::thread(UploadThread, this);
    progressThread_ = std::thread(ProgressThread, this);
    return 1;
}

int CUploadImpl::Stop()
{
    {
        std::lock_guard<std::mutex> lock(stopMutex_);
        stop_ = 1;
        cancelled_ = true;
    }
    stopChanged_.notify_all();
    JoinThreads();
    progress_.reset();
    return 1;
}

void CUploadImpl::JoinThreads()
{
    if (progressThread_.joinable())
        progressThread_.join();
    if (uploadThread_.joinable())
        uploadThread_.join();
}

void CUploadImpl::UploadThread(CUploadImpl* self)
{
    SetThreadName("UploadThread");
    self->Upload();
    self->OnUploadFinished();
}

void CUploadImpl::Upload()
{
    const int64_t size = MeasureFile(filePath_);
    if (size < 0) {
        OnlineTrace("Upload: the file to upload cannot be opened\n");
        return;
    }
    if (size > INT_MAX) {
        OnlineTrace("Upload: the file is too large to upload\n");
        return;
    }
    fileSize_ = static_cast<int>(size);
    g_nSentBytes = 0;

    {
        HttpClient client;
        client.SetCancelCheck([this] { return !cancelled_; });
        client.InitializePostArguments();
        client.AddPostArgument("FID", fileId_);
        // Exactly the bytes measured go out, so the size the service is
        // told afterwards is the size it received.
        client.AddPostFile("fileupload", filePath_.c_str(), size);
        if (client.Request(uploadUrl_.c_str(), HttpClient::kMethodMultipartPost, kUploadUserAgent) == 1) {
            int code = -1;
            ReadUploadAnswer(client.QueryHTTPResponse(), code, message_);
            success_ = code == 0 ? 1 : 0;
        } else {
            success_ = 0;
            OnlineTrace("Upload: the request failed (error %d)\n", client.GetLastErrorCode());
        }
    }
    std::unique_lock<std::mutex> lock(stopMutex_);
    stopChanged_.wait_for(lock, finishPause_, [this] { return stop_ != 0; });
}

void CUploadImpl::ProgressThread(CUploadImpl* self)
{
    SetThreadName("UploadProgressThread");
    std::unique_lock<std::mutex> lock(self->stopMutex_);
    while (self->stop_ == 0) {
        lock.unlock();
        self->UpdateProgress();
        lock.lock();
        self->stopChanged_.wait_for(lock, std::chrono::milliseconds(kPollMs), [self] { return self->stop_ != 0; });
    }
}

void CUploadImpl::UpdateProgress()
{
    const int percent = PercentOf(g_nSentBytes.load(), fileSize_.load());
    if (percent >= 0 && progress_)
        progress_->PostTargetPercent(percent, 0);
}

void CUploadImpl::OnUploadFinished()
{
    {
        std::lock_guard<std::mutex> lock(stopMutex_);
        stop_ = 1;
    }
    stopChanged_.notify_all();
    if (progress_)
        progress_->PostHide();
    // Stopped before its end: the owner that stopped it wants no result, and
    // reading the file's length could keep it waiting.
    if (cancelled_) {
        OnlineTrace("Upload: stopped before it ended\n");
        return;
    }

    int playTime = 0;
    int songId = 0;
    ReadUploadFileFacts(filePath_, songSourcePath_, playTime, songId);

    auto result = std::make_unique<UploadResult>();
    result->fileId = fileId_;
    result->playTime = playTime;
    result->fileSize = fileSize_;
    result->engine = this;
    result->filePath = filePath_;
    result->serverIp = serverIp_;
    result->songId = songId;
    result->message = message_;

    unsigned command = 0;
    if (kind_ == kPhoneTransfer) {
        command = success_ == 1 ? ID_CMD_RELAY_UPLOAD_DONE : ID_CMD_RELAY_UPLOAD_FAILED;
    } else {
        if (kind_ == kUccFile && songId == 0) {
            success_ = 0;
            result->message = kInvalidUccFile;
        }
        command = success_ == 1 ? ID_CMD_UPLOAD_DONE : ID_CMD_UPLOAD_FAILED;
    }
    result->success = success_;

    if (owner_->PostCommand(command, reinterpret_cast<intptr_t>(result.get())))
        result.release();
    else
        OnlineTrace("Upload: the owner is gone; the result is dropped\n");
}
