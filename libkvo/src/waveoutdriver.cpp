#include "libkvo/src/waveoutdriver.h"

#include <new>

#include "platform/audio/audio_output.h"

namespace audio = platform::audio;

static_assert(MMSYSERR_NOERROR == audio::kOutputOk && MMSYSERR_ERROR == audio::kOutputError &&
              MMSYSERR_BADDEVICEID == audio::kOutputBadDeviceId &&
              MMSYSERR_ALLOCATED == audio::kOutputAllocated &&
              MMSYSERR_INVALHANDLE == audio::kOutputInvalidHandle &&
              MMSYSERR_NODRIVER == audio::kOutputNoDriver && MMSYSERR_NOMEM == audio::kOutputNoMemory &&
              WAVERR_BADFORMAT == audio::kOutputBadFormat &&
              WAVERR_STILLPLAYING == audio::kOutputStillPlaying && WAVERR_SYNC == audio::kOutputSync,
              "the driver passes the output service's codes on unchanged");

namespace {

// Every text the driver keeps, in one place.
const char* const kAlreadyInitialized = "WaveOutDriver::Initialize->Already initialized. Uninitialize first.";
const char* const kNoHeaderMemory = "WaveOut::Initialize->Can't allocate memory for WAVEHDR structure";
const char* const kNoBufferMemory = "WaveOut::Initialize->Can't allocate memory for output data buffer";
const char* const kCantPrepare = "WaveOutDriver::PlayBuffer->Can't prepare data";
const char* const kCantWrite = "WaveOutDriver::PlayBuffer->Can't write data";

const char* OpenMessage(int result)
{
    switch (result) {
    case MMSYSERR_ALLOCATED:
        return "WaveOutDriver::OpenAudioOutput->Specified resource is already allocated";
    case MMSYSERR_BADDEVICEID:
        return "WaveOutDriver::OpenAudioOutput->Specified device identifier is out of range";
    case MMSYSERR_NODRIVER:
        return "WaveOutDriver::OpenAudioOutput->No device driver is present";
    case MMSYSERR_NOMEM:
        return "WaveOutDriver::OpenAudioOutput->Unable to allocate or lock memory";
    case WAVERR_BADFORMAT:
        return "WaveOutDriver::OpenAudioOutput->Attempted to open with an unsupported waveform-audio format";
    case WAVERR_SYNC:
        return "WaveOutDriver::OpenAudioOutput->The device is synchronous but waveOutOpen was called "
               "without using the WAVE_ALLOWSYNC flag";
    default:
        return "WaveOutDriver::OpenAudioOutput->Unknown error";
    }
}

const char* CloseMessage(int result)
{
    switch (result) {
    case MMSYSERR_NODRIVER:
        return "WaveOutDriver::Close->No device driver is present";
    case MMSYSERR_INVALHANDLE:
        return "WaveOutDriver::Close->Specified device handle is invalid";
    case MMSYSERR_NOMEM:
        return "WaveOutDriver::Close->Unable to allocate or lock memory";
    case WAVERR_STILLPLAYING:
        return "WaveOutDriver::Close->There are still buffers in the queue";
    default:
        return "WaveOutDriver::Close->Unknown error";
    }
}

// Larger buffers than this are a caller's mistake, not a format: refusing
// them keeps a bad length from asking the allocator for gigabytes.
constexpr uint64_t kMaxBufferBytes = 64u << 20;

void IgnoreMessage(WaveOutDriver*, uint32_t, void*, uint32_t, uint32_t) {}

}  // namespace

WaveOutDriver::WaveOutDriver() : lastError_("") {}

WaveOutDriver::~WaveOutDriver()
{
    Close();
    // A device whose close failed is still released here: its buffers are
    // about to be freed, and no callback may reach a driver that is gone.
    std::shared_ptr<audio::OutputDevice> device;
    {
        std::lock_guard<std::mutex> lock(deviceMutex_);
        device = std::move(device_);
    }
    device.reset();
    Uninitialize();
}

void WaveOutDriver::SetError(const char* text)
{
    lastError_ = text;
}

const char* WaveOutDriver::GetError() const
{
    return lastError_;
}

std::shared_ptr<audio::OutputDevice> WaveOutDriver::Device() const
{
    std::lock_guard<std::mutex> lock(deviceMutex_);
    return device_;
}

bool WaveOutDriver::IsOpen() const
{
    return Device() != nullptr;
}

int WaveOutDriver::Initialize(uint16_t formatTag, uint16_t channels, uint32_t sampleRate,
                              uint16_t bitsPerSample, uint32_t bufferCount, uint32_t bufferLengthMs)
{
    if (headers_) {
        SetError(kAlreadyInitialized);
        return 0;
    }
    WAVEFORMATEX format;
    format.wFormatTag = formatTag;
    format.nChannels = channels;
    format.nSamplesPerSec = sampleRate;
    format.nBlockAlign = static_cast<uint16_t>(channels * bitsPerSample / 8);
    format.nAvgBytesPerSec = sampleRate * format.nBlockAlign;
    format.wBitsPerSample = bitsPerSample;
    format.cbSize = 0;

    std::unique_ptr<WAVEHDR[]> headers(bufferCount ? new (std::nothrow) WAVEHDR[bufferCount] : nullptr);
    if (!headers) {
        SetError(kNoHeaderMemory);
        return 0;
    }
    const uint64_t bytes = static_cast<uint64_t>(sampleRate) * format.nBlockAlign * bufferLengthMs / 1000;
    if (bytes > kMaxBufferBytes) {
        SetError(kNoBufferMemory);
        return 0;
    }
    for (uint32_t i = 0; i < bufferCount; ++i) {
        headers[i].lpData = new (std::nothrow) char[bytes]();
        if (!headers[i].lpData) {
            for (uint32_t j = 0; j < i; ++j)
                delete[] headers[j].lpData;
            SetError(kNoBufferMemory);
            return 0;
        }
        headers[i].dwUser = i;
    }
    format_ = format;
    headers_ = std::move(headers);
    bufferBytes_ = static_cast<uint32_t>(bytes);
    bufferCount_ = bufferCount;
    bufferLengthMs_ = bufferLengthMs;
    sampleRate_ = sampleRate;
    return 1;
}

void WaveOutDriver::FreeBuffers()
{
    if (!headers_)
        return;
    for (uint32_t i = 0; i < bufferCount_; ++i)
        delete[] headers_[i].lpData;
    headers_.reset();
    bufferCount_ = 0;
    bufferBytes_ = 0;
}

int WaveOutDriver::Uninitialize()
{
    // An open device may still be playing from the buffers: take them back
    // before they are freed.
    if (auto device = Device())
        device->Reset();
    FreeBuffers();
    return 1;
}

int WaveOutDriver::OpenAudioOutput(int deviceId, WaveOutCallback callback, void* instance, uint32_t flags)
{
    (void)flags;
    std::lock_guard<std::mutex> openClose(openCloseMutex_);
    if (IsOpen()) {
        // Opening again would lose the open device, still playing and calling back.
        SetError(OpenMessage(MMSYSERR_ALLOCATED));
        return 0;
    }
    callback_ = callback ? callback : &IgnoreMessage;
    instance_ = instance;

    audio::OutputFormat format;
    format.formatTag = format_.wFormatTag;
    format.channels = format_.nChannels;
    format.sampleRate = format_.nSamplesPerSec;
    format.avgBytesPerSec = format_.nAvgBytesPerSec;
    format.blockAlign = format_.nBlockAlign;
    format.bitsPerSample = format_.wBitsPerSample;

    std::unique_ptr<audio::OutputDevice> device;
    const int result = audio::OpenOutput(
        deviceId, format,
        [this](audio::OutputMessage message, uintptr_t cookie) {
            OnDeviceMessage(static_cast<uint32_t>(message), cookie);
        },
        &device);
    if (result != audio::kOutputOk) {
        SetError(OpenMessage(result));
        return 0;
    }
    std::lock_guard<std::mutex> lock(deviceMutex_);
    device_ = std::move(device);
    deviceId_ = deviceId;
    return 1;
}

// Runs on the device's notification thread.
void WaveOutDriver::OnDeviceMessage(uint32_t message, uintptr_t cookie)
{
    switch (static_cast<audio::OutputMessage>(message)) {
    case audio::OutputMessage::Opened:
        callback_(this, WOM_OPEN, instance_, 0, 0);
        break;
    case audio::OutputMessage::Done: {
        const uint32_t index = static_cast<uint32_t>(cookie);
        if (!ValidIndex(index))
            break;
        WAVEHDR& header = headers_[index];
        // Read before the free mark: from then on the buffer is the writer's.
        const uint32_t bytes = header.dwBufferLength;
        uint32_t flags = header.dwFlags.load();
        while (!header.dwFlags.compare_exchange_weak(flags, (flags & ~WHDR_INQUEUE) | WHDR_DONE)) {
        }
        callback_(this, WOM_DONE, instance_, index, bytes);
        break;
    }
    case audio::OutputMessage::Closed:
        callback_(this, WOM_CLOSE, instance_, 0, 0);
        break;
    }
}

int WaveOutDriver::PlayBuffer(uint32_t index)
{
    auto device = Device();
    if (!device)
        return 0;
    if (!ValidIndex(index)) {
        SetError(kCantPrepare);
        return 0;
    }
    WAVEHDR& header = headers_[index];
    // Writing a buffer the device still holds would hand it back twice.
    if (header.dwFlags.load() & WHDR_INQUEUE) {
        SetError(kCantWrite);
        return 0;
    }
    header.dwLoops = 0;
    // Marked queued before the write: the device may hand it back at once.
    header.dwFlags = WHDR_PREPARED | WHDR_INQUEUE;
    if (device->Write(header.lpData, header.dwBufferLength, index) != audio::kOutputOk) {
        header.dwFlags = WHDR_PREPARED;
        SetError(kCantWrite);
        return 0;
    }
    return 1;
}

int WaveOutDriver::UnprepareBuffer(uint32_t index)
{
    if (!Device() || !ValidIndex(index))
        return 0;
    WAVEHDR& header = headers_[index];
    uint32_t flags = header.dwFlags.load();
    do {
        if (flags & WHDR_INQUEUE)
            return 0;
    } while (!header.dwFlags.compare_exchange_weak(flags, flags & ~WHDR_PREPARED));
    return 1;
}

void WaveOutDriver::SetBufferBytes(uint32_t index, uint32_t bytes)
{
    if (ValidIndex(index))
        headers_[index].dwBufferLength = bytes < bufferBytes_ ? bytes : bufferBytes_;
}

uint32_t WaveOutDriver::GetBufferBytes(uint32_t index) const
{
    return ValidIndex(index) ? headers_[index].dwBufferLength : 0;
}

char* WaveOutDriver::GetBufferData(uint32_t index)
{
    return ValidIndex(index) ? headers_[index].lpData : nullptr;
}

bool WaveOutDriver::IsBufferFree(uint32_t index) const
{
    return ValidIndex(index) && (headers_[index].dwFlags.load() & WHDR_DONE) != 0;
}

void WaveOutDriver::MarkBufferFree(uint32_t index)
{
    if (ValidIndex(index))
        headers_[index].dwFlags.fetch_or(WHDR_DONE);
}

uint32_t WaveOutDriver::GetBufferCount() const
{
    return bufferCount_;
}

uint32_t WaveOutDriver::GetBufferSize() const
{
    return bufferBytes_;
}

int WaveOutDriver::Pause()
{
    auto device = Device();
    return device && device->Pause() == audio::kOutputOk ? 1 : 0;
}

int WaveOutDriver::Restart()
{
    auto device = Device();
    return device && device->Restart() == audio::kOutputOk ? 1 : 0;
}

int WaveOutDriver::Reset()
{
    auto device = Device();
    return device && device->Reset() == audio::kOutputOk ? 1 : 0;
}

uint32_t WaveOutDriver::GetPosition(int unit)
{
    auto device = Device();
    if (!device || unit < 0 || unit > 3)
        return 0;
    const uint64_t bytes = device->PositionBytes();
    if (unit == 3)
        return static_cast<uint32_t>(bytes);
    const audio::OutputFormat& format = device->Format();
    const uint64_t samples = bytes / format.blockAlign;
    // In 64 bits: samples x 1000 passes 32 bits after 97 s at 44100 Hz.
    if (unit == 0)
        return static_cast<uint32_t>(samples);
    if (unit == 1)
        return static_cast<uint32_t>(samples * 1000 / format.sampleRate);
    return static_cast<uint32_t>(samples / format.sampleRate);
}

int WaveOutDriver::Close()
{
    std::lock_guard<std::mutex> openClose(openCloseMutex_);
    auto device = Device();
    if (!device)
        return 0;
    device->Reset();
    const int result = device->Close();
    if (result != audio::kOutputOk) {
        SetError(CloseMessage(result));
        return 0;
    }
    std::lock_guard<std::mutex> lock(deviceMutex_);
    device_.reset();
    deviceId_ = WAVE_MAPPER;
    return 1;
}

uint32_t WaveOutDriver::SetVolume(uint16_t left, uint16_t right)
{
    int deviceId = WAVE_MAPPER;
    {
        std::lock_guard<std::mutex> lock(deviceMutex_);
        if (device_)
            deviceId = deviceId_;
    }
    return static_cast<uint32_t>(audio::SetOutputVolume(deviceId, (static_cast<uint32_t>(right) << 16) | left));
}

uint32_t WaveOutDriver::GetVolume(uint16_t* left, uint16_t* right)
{
    int deviceId = WAVE_MAPPER;
    {
        std::lock_guard<std::mutex> lock(deviceMutex_);
        if (device_)
            deviceId = deviceId_;
    }
    uint32_t volume = 0;
    const int result = audio::GetOutputVolume(deviceId, &volume);
    if (result == audio::kOutputOk) {
        if (left)
            *left = static_cast<uint16_t>(volume & 0xFFFF);
        if (right)
            *right = static_cast<uint16_t>(volume >> 16);
    }
    return static_cast<uint32_t>(result);
}
