#pragma once
// The upload engine. One file goes to the address the service gave out as
// a multipart POST with two parts, "FID" (the file id) and "fileupload"
// (the bytes), while a progress window shows how far it is. Before sending
// it measures the file's duration and looks up which catalogue song it
// belongs to; when done it posts a freshly allocated UploadResult to the
// owner (the receiver calls Stop on the engine, then
// deletes the engine and the record).
//
// Three kinds, fixed at construction:
//   0 the last recording: always the per-user work file "Cache.mp3";
//     posts ID_CMD_UPLOAD_DONE / ID_CMD_UPLOAD_FAILED;
//   1 an MP3 the user chose for the UCC editor: the same commands, and a
//     file that names no catalogue song fails with "Invalid UCC File";
//   2 a container for the user's phone: ID_CMD_RELAY_UPLOAD_DONE / _FAILED.
//
// The set-up calls, Start and Stop belong to the user-interface thread.
// Start runs the upload thread and a poller that turns g_nSentBytes into
// the progress window's percent every 330 ms. One upload runs at a time,
// since g_nSentBytes is one counter for the process.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "kvostudio/serviceowner.h"

class CUploadImpl;

// What the owner learns of one upload (lParam of the posted command).
struct UploadResult {
    int fileId = 0;
    int fileSize = 0;   // bytes; 0 when the file could not be opened
    int playTime = 0;   // whole seconds
    int songId = 0;     // the catalogue song's id, 0 when none
    int reserved = 0;
    std::string serverIp;
    std::string filePath;
    std::string message;  // the service's error text, or "Invalid UCC File"
    int success = 0;      // 1 exactly when the posted command is the success one
    CUploadImpl* engine = nullptr;
};

// The message of a UCC upload whose file names no catalogue song.
inline constexpr char kInvalidUccFile[] = "Invalid UCC File";
// The user agent of the upload request.
inline constexpr char kUploadUserAgent[] = "ONLINE-KVOSTUDIO";

class CUploadImpl {
public:
    enum Kind { kRecording = 0, kUccFile = 1, kPhoneTransfer = 2 };
    static constexpr int kPollMs = 330;

    explicit CUploadImpl(int kind);
    // Joins threads still running and destroys the progress window.
    ~CUploadImpl();
    CUploadImpl(const CUploadImpl&) = delete;
    CUploadImpl& operator=(const CUploadImpl&) = delete;

    // file id := the decimal text as a number (0 when it is none).
    void SetFileId(const char* text);
    void SetServerIp(const std::string& text) { serverIp_ = text; }
    void SetUploadUrl(const std::string& text) { uploadUrl_ = text; }
    void SetFilePath(const std::string& text) { filePath_ = text; }
    void SetSongSourcePath(const std::string& text) { songSourcePath_ = text; }
    // The progress window's caption; with showFileName its file-name line
    // shows the file path.
    void SetProgressCaption(const std::string& text, int showFileName);

    std::string GetFilePath() const { return filePath_; }

    // Shows the progress window and starts the upload. 1; 0 without an
    // owner or while an earlier Start has not been stopped.
    int Start(ServiceOwner* owner);
    // Ends the poller, waits for both threads and destroys the progress
    // window. 1; a second call does nothing more. An upload still running
    // is broken off at once (whatever the server does) and posts nothing.
    int Stop();

    // The pause between the answer and the result that lets the bar finish
    // before its window hides (1000 ms; tests use less).
    void SetFinishPause(std::chrono::milliseconds pause) { finishPause_ = pause; }

    // MulDiv(sent, 100, size) capped at 100; -1 (no percent) for a size of
    // 0 or less.
    static int PercentOf(int64_t sent, int64_t size);

private:
    static void UploadThread(CUploadImpl* self);
    static void ProgressThread(CUploadImpl* self);
    void Upload();
    void UpdateProgress();
    void OnUploadFinished();
    void JoinThreads();

    int success_ = 0;
    std::string message_;
    const int kind_;
    std::atomic<int> stop_{0};
    std::atomic<bool> cancelled_{false};  // Stop came before the upload ended
    std::string serverIp_;
    std::string uploadUrl_;
    std::string filePath_;
    int fileId_ = 0;
    ServiceOwner* owner_ = nullptr;
    std::atomic<int> fileSize_{0};
    std::thread uploadThread_;
    std::thread progressThread_;
    std::string caption_;
    int showFileName_ = 0;
    std::unique_ptr<ServiceProgress> progress_;
    std::string songSourcePath_;
    std::chrono::milliseconds finishPause_{1000};

    // Wakes the poller at once when the upload ends or Stop is called.
    std::mutex stopMutex_;
    std::condition_variable stopChanged_;
};

// The play time (whole seconds) and catalogue song id of an uploaded file:
// an MP3 by its ID3v2 tag's length or, without a tag, by decoding; a
// container by its own length and its tag block's file id. The song source
// path, when given, decides the song id: an ".mp3" one by the uploaded
// file's TXXX number, any other by that container's file id.
void ReadUploadFileFacts(const std::string& filePath, const std::string& songSourcePath, int& playTime, int& songId);
