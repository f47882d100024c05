#pragma once
// The audio output service: a PCM output device that plays caller-owned
// buffers in the order they were written and hands each one back, exactly
// once, when it has been played; plus the device list and a volume per
// device. The players' wave-out driver is its only client.
//
// Results are integer codes (kOutputOk and the kOutput* failures below)
// whose values the wave-out driver passes on to its callers unchanged.
//
// Backends: the desktop's sound server where one answers (and
// SDL_AUDIODRIVER forces no other driver), else SDL2 audio (SDL_AUDIODRIVER
// picks SDL's driver as usual); and a simulated device for tests
// (sim_output.h). The choice is made at each open unless a backend was
// installed; devices already open keep the backend that opened them.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform::audio {

// Result codes.
constexpr int kOutputOk = 0;
constexpr int kOutputError = 1;             // unspecified failure
constexpr int kOutputBadDeviceId = 2;       // device index out of range
constexpr int kOutputAllocated = 4;         // device busy
constexpr int kOutputInvalidHandle = 5;     // device already closed
constexpr int kOutputNoDriver = 6;          // no audio system / no device
constexpr int kOutputNoMemory = 7;
constexpr int kOutputBadFormat = 32;        // format the device refuses
constexpr int kOutputStillPlaying = 33;     // close with buffers queued
constexpr int kOutputSync = 35;             // synchronous device, not allowed

constexpr int kDefaultOutputDevice = -1;    // whichever device the system prefers
constexpr uint16_t kFormatPcm = 1;

struct OutputFormat {
    uint16_t formatTag = kFormatPcm;
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t avgBytesPerSec = 0;   // sampleRate * blockAlign
    uint16_t blockAlign = 0;       // channels * bitsPerSample / 8
    uint16_t bitsPerSample = 0;    // 8 (unsigned) or 16 (signed, little endian)
};

// kOutputOk for a format every backend plays: PCM, 1 or 2 channels, 8 or 16
// bits, 1000..192000 Hz, consistent block align and byte rate; otherwise
// kOutputBadFormat.
int CheckOutputFormat(const OutputFormat& format);

// What a device tells its owner. Every message is delivered on the device's
// own notification thread, never on a thread that calls into the device,
// one at a time and in order: Opened first, Closed last.
enum class OutputMessage : uint32_t { Opened, Done, Closed };
// cookie: the value given to Write for Done, 0 otherwise.
using OutputCallback = std::function<void(OutputMessage message, uintptr_t cookie)>;

// One open output device. Every operation is safe from any thread except the
// device's notification thread (Reset and Close wait for that thread).
class OutputDevice {
public:
    virtual ~OutputDevice() = default;

    // Queues 'bytes' bytes at 'data' behind the buffers already queued. The
    // memory must stay valid and unchanged until its Done message.
    virtual int Write(const char* data, uint32_t bytes, uintptr_t cookie) = 0;
    // A paused device consumes nothing and its position stands still; it
    // writes nothing to the sound card either, not even silence. Restart
    // fails (kOutputNoDriver or another open failure) when the sound card
    // cannot be had again, and the device stays paused.
    virtual int Pause() = 0;
    virtual int Restart() = 0;
    // Hands every queued buffer back (a Done message each, in queue order)
    // and returns only once all of them have been delivered; the position
    // goes back to 0. The paused state is kept.
    virtual int Reset() = 0;
    // Fails with kOutputStillPlaying while buffers are queued and then stays
    // open. On success the Closed message has been delivered and no message
    // follows it.
    virtual int Close() = 0;
    // Bytes played since the open or the last Reset.
    virtual uint64_t PositionBytes() const = 0;
    virtual const OutputFormat& Format() const = 0;
    virtual int DeviceId() const = 0;
};

struct OutputDeviceCaps {
    uint32_t manufacturerId = 0;
    uint32_t productId = 0;
    uint32_t driverVersion = 0;
    uint32_t formats = 0;    // kCaps* format bits below
    uint32_t channels = 0;
    uint32_t support = 0;    // kSupport* bits below
    std::string name;
};

// Format bits of OutputDeviceCaps::formats: one bit per (rate, channels,
// bits) for 11025, 22050, 44100, 48000 and 96000 Hz.
uint32_t OutputFormatBit(uint32_t sampleRate, uint16_t channels, uint16_t bitsPerSample);
constexpr uint32_t kSupportVolume = 0x4;      // volume can be set
constexpr uint32_t kSupportLrVolume = 0x8;    // left and right apart
constexpr uint32_t kSupportSampleAccurate = 0x20;
// The capabilities of a stereo device that converts whatever it is given:
// every format bit, both volumes, sample-accurate positions.
OutputDeviceCaps ConvertingDeviceCaps(const std::string& name);

// Number of output devices of the current backend (0 when none or when the
// audio system is missing).
int OutputDeviceCount();
// Capabilities and name of device 'index' (0 .. count - 1); false when the
// index is out of range or the query fails.
bool GetOutputDeviceCaps(int index, OutputDeviceCaps* caps);

// Opens device 'deviceId' (kDefaultOutputDevice or 0 .. count - 1) with the
// given format. On kOutputOk '*device' holds the open device, the callback
// has been queued an Opened message, and the device is playing (not paused).
int OpenOutput(int deviceId, const OutputFormat& format, OutputCallback callback,
               std::unique_ptr<OutputDevice>* device);

// Why the latest OpenOutput that failed (on any thread) failed, in the
// sound system's own words; empty when none has failed since the last
// success.
std::string LastOutputOpenError();
// The same in words for the user of a program: that there is no sound
// output to play on, and why; empty when nothing failed.
std::string OutputOpenFailureText();
// For backends: the reason of the open in progress.
void NoteOutputOpenError(const std::string& reason);

// Device volume: low 16 bits left, high 16 bits right, 0xFFFF full scale on
// each side. Kept per device id for the whole process and applied to what
// the device plays (initially full, which leaves the samples untouched).
int SetOutputVolume(int deviceId, uint32_t volume);
int GetOutputVolume(int deviceId, uint32_t* volume);
// Scales 'bytes' bytes of PCM in 'format' in place by 'volume'.
void ApplyOutputVolume(uint8_t* data, uint32_t bytes, const OutputFormat& format, uint32_t volume);

// Backend selection.
class OutputBackend {
public:
    virtual ~OutputBackend() = default;
    virtual int DeviceCount() = 0;
    virtual bool DeviceCaps(int index, OutputDeviceCaps* caps) = 0;
    // The format has passed CheckOutputFormat; the device id is the
    // backend's to check (kOutputBadDeviceId).
    virtual int Open(int deviceId, const OutputFormat& format, OutputCallback callback,
                     std::unique_ptr<OutputDevice>* device) = 0;
};

class SimulatedOutput;
void UseSimulatedOutput(std::shared_ptr<SimulatedOutput> output);
void UseSdlOutput();
// Back to the choice made at each open.
void UseDefaultOutput();

}  // namespace platform::audio
