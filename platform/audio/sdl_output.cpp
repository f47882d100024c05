#include "platform/audio/sdl_output.h"

#include <SDL.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "platform/audio/output_volume.h"
#include "platform/audio/queued_output.h"
#include "platform/sdlaudio/sdl_audio_system.h"

namespace platform::audio {

namespace {

// About 20 ms of sound per SDL callback: short enough that a buffer comes
// back soon after it was heard, long enough not to starve a busy desktop.
uint16_t CallbackFrames(uint32_t sampleRate)
{
    uint32_t frames = 256;
    while (frames < sampleRate / 50 && frames < 4096)
        frames *= 2;
    return static_cast<uint16_t>(frames);
}

class SdlDevice : public QueuedOutputDevice {
public:
    SdlDevice(int deviceId, const OutputFormat& format, OutputCallback callback)
        : QueuedOutputDevice(deviceId, format, std::move(callback))
    {
    }
    ~SdlDevice() override { CloseSdl(); }

    bool SessionOk() const { return session_.Ok(); }

    // Opens the device paused; Unpause starts the callbacks. A failed open
    // leaves SDL's error text on the thread that asked, so the open runs
    // on one of SDL's. 'name' empty: the system's default device.
    int OpenSdl(const std::string& name)
    {
        name_ = name;
        int result = kOutputNoDriver;
        platform::sdl::RunOnSdlThread([&] { result = OpenSdlHere(name_.empty() ? nullptr : name_.c_str()); });
        return result;
    }
    // Starts the notifications, then the sound.
    bool Start()
    {
        if (!StartNotifier("Audio output"))
            return false;
        SDL_PauseAudioDevice(sdlId_, 0);
        return true;
    }

protected:
    int StopBackend() override
    {
        CloseSdl();
        return kOutputOk;
    }

    // A paused SDL device still runs its thread and writes silence to the
    // sound card, keeping the machine (and the sound server) awake; so a
    // pause lets go of SDL's device and Play opens it again. Our queue and
    // position stay as they were.
    void PauseBackend() override { CloseSdl(); }
    int ResumeBackend() override
    {
        if (sdlId_ != 0)
            return kOutputOk;
        const int result = OpenSdl(name_);
        if (result == kOutputOk)
            SDL_PauseAudioDevice(sdlId_, 0);
        return result;
    }

private:
    int OpenSdlHere(const char* name)
    {
        SDL_AudioSpec want;
        SDL_zero(want);
        want.freq = static_cast<int>(Format().sampleRate);
        want.format = Format().bitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
        want.channels = static_cast<Uint8>(Format().channels);
        want.samples = CallbackFrames(Format().sampleRate);
        want.callback = &SdlDevice::AudioCallback;
        want.userdata = this;
        SDL_AudioSpec have;
        // No allowed changes: SDL converts to whatever the hardware takes, so
        // the bytes we are given are the bytes played.
        sdlId_ = SDL_OpenAudioDevice(name, 0, &want, &have, 0);
        if (sdlId_ == 0) {
            NoteOutputOpenError(SDL_GetError());
            return SdlOpenErrorToResult(SDL_GetError());
        }
        silence_ = have.silence;
        return kOutputOk;
    }

    void CloseSdl()
    {
        if (sdlId_ != 0) {
            // Waits for a callback in progress to end.
            SDL_CloseAudioDevice(sdlId_);
            sdlId_ = 0;
        }
    }

    static void SDLCALL AudioCallback(void* userdata, Uint8* stream, int len)
    {
        auto* self = static_cast<SdlDevice*>(userdata);
        const uint32_t wanted = len > 0 ? static_cast<uint32_t>(len) : 0;
        const uint32_t played = self->Consume(stream, wanted);
        if (played > 0)
            ApplyOutputVolume(stream, played, self->Format(), CurrentOutputVolume(self->DeviceId()));
        if (played < wanted)
            memset(stream + played, self->silence_, wanted - played);
    }

    platform::sdl::AudioSystemSession session_;
    std::string name_;
    SDL_AudioDeviceID sdlId_ = 0;
    uint8_t silence_ = 0;
};

class SdlOutput : public OutputBackend {
public:
    int DeviceCount() override
    {
        platform::sdl::AudioSystemSession session;
        if (!session.Ok())
            return 0;
        return std::max(SDL_GetNumAudioDevices(0), 0);
    }

    bool DeviceCaps(int index, OutputDeviceCaps* caps) override
    {
        platform::sdl::AudioSystemSession session;
        if (!session.Ok() || index < 0 || index >= SDL_GetNumAudioDevices(0))
            return false;
        const char* name = SDL_GetAudioDeviceName(index, 0);
        if (!name)
            return false;
        SDL_version version;
        SDL_GetVersion(&version);
        // SDL converts every rate and layout we offer.
        *caps = ConvertingDeviceCaps(name);
        caps->driverVersion = (static_cast<uint32_t>(version.major) << 8) | version.minor;
        return true;
    }

    int Open(int deviceId, const OutputFormat& format, OutputCallback callback,
             std::unique_ptr<OutputDevice>* device) override
    {
        auto dev = std::make_unique<SdlDevice>(deviceId, format, std::move(callback));
        if (!dev->SessionOk()) {
            NoteOutputOpenError(platform::sdl::AudioSystemError());
            return kOutputNoDriver;
        }
        std::string name;
        if (deviceId != kDefaultOutputDevice) {
            if (deviceId < 0 || deviceId >= SDL_GetNumAudioDevices(0))
                return kOutputBadDeviceId;
            const char* found = SDL_GetAudioDeviceName(deviceId, 0);
            if (!found)
                return kOutputBadDeviceId;
            name = found;
        }
        const int result = dev->OpenSdl(name);
        if (result != kOutputOk)
            return result;
        if (!dev->Start())
            return kOutputNoMemory;
        *device = std::move(dev);
        return kOutputOk;
    }
};

bool Contains(const std::string& text, const char* part)
{
    return text.find(part) != std::string::npos;
}

}  // namespace

std::shared_ptr<OutputBackend> MakeSdlOutput()
{
    return std::make_shared<SdlOutput>();
}

bool SdlHasAudioDriver(const char* name)
{
    for (int i = 0; i < SDL_GetNumAudioDrivers(); ++i) {
        const char* driver = SDL_GetAudioDriver(i);
        if (driver && name && strcmp(driver, name) == 0)
            return true;
    }
    return false;
}

int SdlOpenErrorToResult(const char* sdlError)
{
    std::string text = sdlError ? sdlError : "";
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (Contains(text, "out of memory"))
        return kOutputNoMemory;
    if (Contains(text, "format") || Contains(text, "unsupported"))
        return kOutputBadFormat;
    if (Contains(text, "busy") || Contains(text, "in use"))
        return kOutputAllocated;
    if (Contains(text, "invalid") && Contains(text, "index"))
        return kOutputBadDeviceId;
    // Whatever else stops an open, the user's remedy is the same: there is
    // no device to play on.
    return kOutputNoDriver;
}

}  // namespace platform::audio
