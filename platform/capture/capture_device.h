#pragma once
// Wave input: the caller queues buffers, the device fills them in order and
// hands each one back through a notice on a thread of the device's own.
// Stop hands back the buffer being filled with the bytes recorded so far;
// Reset hands back every queued buffer. Close waits until every notice has
// been delivered, so no buffer is in the device's hands afterwards.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace platform {

struct CaptureFormat {
    uint32_t sampleRate = 44100;
    uint16_t channels = 2;
    uint16_t bitsPerSample = 16;   // 8 (unsigned) or 16 (signed little-endian)
    uint32_t BytesPerFrame() const { return uint32_t(channels) * (bitsPerSample / 8u); }
};

// One buffer lent to the device between AddBuffer and its data notice.
struct CaptureBuffer {
    uint8_t* data = nullptr;
    uint32_t length = 0;          // capacity in bytes
    uint32_t bytesRecorded = 0;   // filled in by the device
    void* user = nullptr;         // the caller's own
};

enum class CaptureResult {
    Ok,
    NoDriver,       // no audio capture is available at all
    BadDevice,      // no device with that index
    BadFormat,      // the device cannot capture in the format asked for
    OpenFailed,     // the device exists but did not open
    NotOpen,        // the call needs an open device
    InvalidBuffer,  // a null buffer or one without memory
};
const char* CaptureResultText(CaptureResult result);

// Notices sent to the callback; only Data carries a buffer. Gone comes once,
// after the data notices of what the input gave before it went away.
enum CaptureNotice : uint32_t { kCaptureOpened = 1, kCaptureData = 2, kCaptureClosed = 3, kCaptureGone = 4 };
using CaptureCallback = void (*)(void* instance, uint32_t notice, CaptureBuffer* buffer);

class CaptureDevice {
public:
    virtual ~CaptureDevice();
    CaptureDevice(const CaptureDevice&) = delete;
    CaptureDevice& operator=(const CaptureDevice&) = delete;

    // Lends the buffer (its bytesRecorded starts at 0) to the device.
    CaptureResult AddBuffer(CaptureBuffer* buffer);
    CaptureResult Start();
    // Ends the input; the buffer being filled, if it holds any bytes, comes
    // back at once. Empty buffers stay queued.
    CaptureResult Stop();
    // Ends the input and hands back every queued buffer.
    CaptureResult Reset();
    // Resets, delivers every pending notice and ends the notice thread.
    // Never call it from inside the callback.
    CaptureResult Close();

    const CaptureFormat& Format() const { return format_; }
    // Bytes the input delivered while no buffer was queued (they are lost).
    uint64_t OverrunBytes() const;
    // The device as the user knows it; the default input by the name of
    // the device it reached where the backend can tell.
    const std::string& Name() const { return name_; }
    // True for an input that delivers sound at the pace of a clock (a sound
    // card, a sound server), so that what it delivered can be held against
    // the time it ran.
    virtual bool KeepsTime() const { return true; }
    // How far into the capture the input is at this moment, in bytes of
    // the capture as the buffers were given it (less what was lost for
    // want of a buffer), by the sound server's clock: for the monitor of
    // an output, the sound a listener hears now. False where the backend
    // keeps no such clock.
    virtual bool CapturedBytesNow(uint64_t& bytes) { (void)bytes; return false; }
    // True once the input went away while it ran (unplugged, removed by
    // the desktop); GoneAtBytes is how much of the capture it gave until
    // then.
    bool Gone() const;
    uint64_t GoneAtBytes() const;

protected:
    CaptureDevice(const CaptureFormat& format, CaptureCallback callback, void* instance);
    // Set by the backend while it opens the device.
    void SetName(std::string name) { name_ = std::move(name); }
    // Starts the notice thread and sends kCaptureOpened; called by a backend
    // once its input is ready.
    void BeginNotices();
    // The backend's captured bytes, in order, from any one thread at a time.
    void Deliver(const uint8_t* bytes, size_t count);
    // Space left in the queued buffers.
    size_t QueuedSpace() const;
    // The input went away: no more will come. From any thread, once.
    void ReportGone();

    virtual bool BeginInput() = 0;
    // After it returns no Deliver is running and none starts until the next
    // BeginInput.
    virtual void EndInput() = 0;
    // Runs on the notice thread just before each data notice.
    virtual void BeforeDataNotice(const CaptureBuffer&) {}

private:
    void HandBackLocked(CaptureBuffer* buffer);
    void NoticeLoop();

    const CaptureFormat format_;
    std::string name_;
    const CaptureCallback callback_;
    void* const instance_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<CaptureBuffer*> queued_;
    std::deque<CaptureBuffer*> done_;
    bool closing_ = false;
    bool closed_ = false;
    uint64_t overrun_ = 0;
    uint64_t given_ = 0;         // bytes written into buffers
    bool gone_ = false;
    bool goneNoticed_ = false;   // the Gone notice is on its way or sent
    uint64_t goneAt_ = 0;
    std::thread notices_;
};

// What a backend offers: its devices and opening one of them.
class CaptureBackend {
public:
    virtual ~CaptureBackend() = default;
    virtual std::vector<std::string> ListDevices() = 0;
    // deviceIndex -1 is the system's default input.
    virtual CaptureResult Open(int deviceIndex, const CaptureFormat& format, CaptureCallback callback,
                               void* instance, std::unique_ptr<CaptureDevice>& out) = 0;
    // Whether the backend can record what this program plays wherever it
    // plays it (OpenPlaybackCapture), and opening that.
    virtual bool RecordsPlayback() const { return false; }
    virtual CaptureResult OpenPlayback(const CaptureFormat&, CaptureCallback, void*, std::unique_ptr<CaptureDevice>&)
    {
        return CaptureResult::NoDriver;
    }
};

// The SDL2 backend (SDL_AUDIODRIVER chooses SDL's driver as usual).
std::shared_ptr<CaptureBackend> SdlCaptureBackend();
// The desktop's sound server: its sources, recorded by the server itself.
std::shared_ptr<CaptureBackend> ServerCaptureBackend();

// Replaces the backend that OpenCaptureDevice and ListCaptureDevices use;
// null goes back to the automatic choice: the sound server where one
// answers (and SDL_AUDIODRIVER forces no other driver), else SDL.
void InstallCaptureBackend(std::shared_ptr<CaptureBackend> backend);

CaptureResult OpenCaptureDevice(int deviceIndex, const CaptureFormat& format, CaptureCallback callback,
                                void* instance, std::unique_ptr<CaptureDevice>& out);
// Opens the device of that name as ListCaptureDevices gives it: the one of
// exactly that name, else the first whose name begins with it (a card's
// name stands for the card's devices); an empty name is the system's
// default input. BadDevice when no device has such a name.
CaptureResult OpenCaptureDevice(const std::string& name, const CaptureFormat& format, CaptureCallback callback,
                                void* instance, std::unique_ptr<CaptureDevice>& out);
// Opens what this program itself plays: with a sound server, the monitor
// of the output the program's sound goes to, following that sound when it
// moves to another output. Where the backend cannot tell, the device of
// the name `elsewhere`, as OpenCaptureDevice by name opens it.
CaptureResult OpenPlaybackCapture(const std::string& elsewhere, const CaptureFormat& format,
                                  CaptureCallback callback, void* instance, std::unique_ptr<CaptureDevice>& out);
// Names of the capture devices, in index order.
std::vector<std::string> ListCaptureDevices();

// Why the last OpenCaptureDevice on this thread failed: the device it tried
// (its name, or how the default input was reached) and the capture system's
// own words. Both empty after an open that succeeded.
struct CaptureOpenFailure {
    std::string device;
    std::string reason;
};
CaptureOpenFailure LastCaptureOpenFailure();
// For backends: what an open that is failing on this thread met.
void SetCaptureOpenFailure(std::string device, std::string reason);

}  // namespace platform
