#pragma once
// WaveOutDriver: one player's PCM output. It holds the output format, a ring
// of output buffers, the open device and the text of the last failure.
//
// The decoding thread owns a buffer from the moment it is free until
// PlayBuffer; the device owns it from then until it hands it back (WOM_DONE).
// The device's callback runs on a device thread, never on a thread that calls
// the driver; the free mark is set before the callback is called. Operations
// that return int give 1 for success and 0 for failure (GetError tells why),
// except SetVolume and GetVolume, which return the device's result code.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace platform::audio {
class OutputDevice;
}

constexpr uint16_t WAVE_FORMAT_PCM = 1;
constexpr int WAVE_MAPPER = -1;
constexpr uint32_t CALLBACK_FUNCTION = 0x00030000;
constexpr uint32_t WAVE_ALLOWSYNC = 0x0002;

// Messages of the device callback.
constexpr uint32_t WOM_OPEN = 0x3BB;
constexpr uint32_t WOM_CLOSE = 0x3BC;
constexpr uint32_t WOM_DONE = 0x3BD;

// Result codes of the device.
constexpr uint32_t MMSYSERR_NOERROR = 0;
constexpr uint32_t MMSYSERR_ERROR = 1;
constexpr uint32_t MMSYSERR_BADDEVICEID = 2;
constexpr uint32_t MMSYSERR_ALLOCATED = 4;
constexpr uint32_t MMSYSERR_INVALHANDLE = 5;
constexpr uint32_t MMSYSERR_NODRIVER = 6;
constexpr uint32_t MMSYSERR_NOMEM = 7;
constexpr uint32_t WAVERR_BADFORMAT = 32;
constexpr uint32_t WAVERR_STILLPLAYING = 33;
constexpr uint32_t WAVERR_SYNC = 35;

// Buffer header flags.
constexpr uint32_t WHDR_DONE = 0x01;      // the "free" mark
constexpr uint32_t WHDR_PREPARED = 0x02;
constexpr uint32_t WHDR_INQUEUE = 0x10;

class WaveOutDriver;

// message is WOM_OPEN, WOM_DONE or WOM_CLOSE. For WOM_DONE bufferIndex is
// the finished buffer's index in the ring and bufferBytes its byte count;
// both are 0 for the other messages.
using WaveOutCallback = void (*)(WaveOutDriver* driver, uint32_t message, void* instance,
                                 uint32_t bufferIndex, uint32_t bufferBytes);

struct WAVEHDR {
    char* lpData = nullptr;
    uint32_t dwBufferLength = 0;
    uintptr_t dwUser = 0;                 // the buffer's index in the ring
    std::atomic<uint32_t> dwFlags{0};
    uint32_t dwLoops = 0;
};

struct WAVEFORMATEX {
    uint16_t wFormatTag = 0;
    uint16_t nChannels = 0;
    uint32_t nSamplesPerSec = 0;
    uint32_t nAvgBytesPerSec = 0;
    uint16_t nBlockAlign = 0;
    uint16_t wBitsPerSample = 0;
    uint16_t cbSize = 0;
};

class WaveOutDriver {
public:
    WaveOutDriver();
    // Closes the device (whatever Close answers, no callback runs after the
    // destructor) and frees the buffers.
    ~WaveOutDriver();
    WaveOutDriver(const WaveOutDriver&) = delete;
    WaveOutDriver& operator=(const WaveOutDriver&) = delete;

    // Sets the format and allocates bufferCount zeroed buffers of
    // rate * channels * bits / 8 * bufferLengthMs / 1000 bytes each.
    // Fails when already initialised.
    int Initialize(uint16_t formatTag, uint16_t channels, uint32_t sampleRate,
                   uint16_t bitsPerSample, uint32_t bufferCount, uint32_t bufferLengthMs);
    // Frees the buffers (an open device is reset first, so it holds none).
    int Uninitialize();

    // deviceId: WAVE_MAPPER (-1) for the default device, else 0 .. count - 1.
    // A null callback is allowed. flags are accepted as given
    // (CALLBACK_FUNCTION).
    int OpenAudioOutput(int deviceId, WaveOutCallback callback, void* instance, uint32_t flags);

    // Clears the buffer's flags and queues its first GetBufferBytes bytes.
    // Fails without a device, for an index out of range, and for a buffer
    // still queued.
    int PlayBuffer(uint32_t index);
    // Fails without a device, for an index out of range, and while the
    // buffer is queued.
    int UnprepareBuffer(uint32_t index);

    // Bytes to play from buffer 'index' (at most GetBufferSize()).
    void SetBufferBytes(uint32_t index, uint32_t bytes);
    uint32_t GetBufferBytes(uint32_t index) const;
    char* GetBufferData(uint32_t index);   // null for an index out of range
    bool IsBufferFree(uint32_t index) const;
    void MarkBufferFree(uint32_t index);
    uint32_t GetBufferCount() const;
    uint32_t GetBufferSize() const;        // capacity of one buffer in bytes

    // Each fails without a device. Reset hands every queued buffer back
    // (WOM_DONE each) before it returns.
    int Pause();
    int Restart();
    int Reset();

    // unit 0 samples, 1 milliseconds, 2 seconds, 3 bytes played since the
    // open or the last Reset; 0 without a device or for another unit.
    uint32_t GetPosition(int unit);

    // Resets and closes the device. On failure the device stays open.
    int Close();

    // Device volume 0..0xFFFF per side, on the open device or else on the
    // default device. Return the device's result code (MMSYSERR_NOERROR).
    uint32_t SetVolume(uint16_t left, uint16_t right);
    uint32_t GetVolume(uint16_t* left, uint16_t* right);

    const char* GetError() const;
    bool IsOpen() const;
    const WAVEFORMATEX& GetFormat() const { return format_; }

private:
    void SetError(const char* text);
    std::shared_ptr<platform::audio::OutputDevice> Device() const;
    void OnDeviceMessage(uint32_t message, uintptr_t index);
    bool ValidIndex(uint32_t index) const { return headers_ && index < bufferCount_; }
    void FreeBuffers();

    std::unique_ptr<WAVEHDR[]> headers_;
    WAVEFORMATEX format_;
    uint32_t bufferCount_ = 0;
    uint32_t bufferLengthMs_ = 0;
    uint32_t sampleRate_ = 0;
    uint32_t bufferBytes_ = 0;
    std::atomic<const char*> lastError_;

    // The device is shared with the operations running on it, so that a Close
    // on one thread cannot pull it from under a Reset on another.
    mutable std::mutex deviceMutex_;
    std::shared_ptr<platform::audio::OutputDevice> device_;
    int deviceId_ = WAVE_MAPPER;
    // Serialises open and close against each other.
    std::mutex openCloseMutex_;

    WaveOutCallback callback_ = nullptr;
    void* instance_ = nullptr;
};
