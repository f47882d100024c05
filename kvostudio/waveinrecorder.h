#pragma once
// Captures the chosen audio input (the preferences' device, see
// ChosenCaptureDevice in kvostudio/mixer.h) as 44100 Hz 16-bit stereo PCM
// straight into a WAV file while it runs: three one-second buffers
// circulate between the capture device and the file, each full one
// appended as it comes back.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "kvostudio/riffwriter.h"
#include "platform/capture/capture_device.h"

class WaveInRecorder {
public:
    static constexpr int kBufferCount = 3;
    static constexpr uint32_t kBufferBytes = 176400;   // one second

    WaveInRecorder();
    ~WaveInRecorder();
    WaveInRecorder(const WaveInRecorder&) = delete;
    WaveInRecorder& operator=(const WaveInRecorder&) = delete;

    // Not running, no file or device, empty path.
    void Clear();
    void SetPath(const char* path);
    // 1 when the capture runs; 0 when it already ran, or when the file or the
    // device could not be opened (nothing is left open then).
    int Start();
    // 0 when not running. Else ends the capture, writes what the last buffer
    // holds, fixes the file's sizes, closes everything and clears the path.
    // May be called from a thread other than Start's, never from a notice.
    int Stop();

    // The device's notices (on the device's notice thread).
    static void WaveInProc(void* instance, uint32_t notice, platform::CaptureBuffer* buffer);
    void OnBufferFull(platform::CaptureBuffer* buffer);

    bool IsRunning() const { return running_ != 0; }
    // Runs on the device's notice thread when the input goes away while the
    // capture runs (set before Start).
    void SetGoneListener(std::function<void()> listener) { goneListener_ = std::move(listener); }
    bool InputGone() const { return gone_; }
    // After a Stop of a capture whose input went away: the bytes of the
    // file's sound it gave until then.
    uint64_t GoneAtBytes() const { return goneAtBytes_; }
    // How far the capture has come at this moment by the sound server's
    // clock, in bytes of the file's sound; false where the input keeps no
    // such clock. Only while running, on the thread that started it.
    bool CapturedBytesNow(uint64_t& bytes) const;
    // Why the last Start returned 0 without running already: whether the
    // work file or the input device failed, and the reason the file system
    // or the capture system gave. Empty after a Start that ran.
    const std::string& StartFailure() const { return startFailure_; }
    // True when part of the last take did not reach the file (a full disk,
    // a take past the format's 4 GB); kept until the next Start.
    bool WriteFailed() const { return writeFailed_; }
    // After a Stop: when the input delivered far less sound than the time
    // it ran (a source that fell silent or never gave anything, as an
    // unplugged headset or a stalled pipe does; a quiet room still gives
    // its silence), why, naming the device. Empty otherwise, and for an
    // input that keeps no time. Kept until the next Start.
    const std::string& SilenceFailure() const { return silenceFailure_; }
    // After a Stop: what is to be said of a take that is kept all the same
    // (the input went away during it, fell silent part of the way, or gave
    // only digital silence, as a muted source does), naming the device.
    // Empty otherwise; kept until the next Start.
    const std::string& TakeWarning() const { return takeWarning_; }

private:
    bool OpenFile();
    void CloseFile();
    bool QueueBuffers();
    void ReleaseBuffers();
    void CloseDevice();
    void JudgeTake(double ran, double sound, double bytesPerSecond);

    int bufferIndex_ = 0;
    int running_ = 0;
    std::string path_;
    RiffWriter file_;
    std::unique_ptr<platform::CaptureDevice> device_;
    platform::CaptureFormat format_;
    platform::CaptureBuffer buffers_[kBufferCount];
    std::vector<uint8_t> blocks_[kBufferCount];

    // Between the notice thread and Stop: how many buffers are still lent to
    // the device, and whether full ones go back to it.
    std::mutex lock_;
    std::condition_variable returned_;
    int lent_ = 0;
    bool stopping_ = false;
    std::atomic<bool> writeFailed_{false};
    std::string startFailure_;
    // What the input delivered since Start (on the notice thread) and when
    // it started.
    std::atomic<uint64_t> delivered_{0};
    std::chrono::steady_clock::time_point started_;
    std::string silenceFailure_;
    std::string takeWarning_;
    std::atomic<bool> heardSound_{false};   // a sample other than silence came
    std::atomic<bool> gone_{false};
    uint64_t goneAtBytes_ = 0;
    std::function<void()> goneListener_;
};
