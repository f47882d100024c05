// SDL2 capture: SDL converts whatever the card delivers into the format
// asked for, so the caller always gets exactly that format.
#include <SDL.h>

#include <mutex>

#include "platform/capture/capture_device.h"
#include "platform/sdlaudio/sdl_audio_system.h"

namespace platform {

namespace {

// SDL's subsystem init is reference counted but not thread safe; audio
// output starts the same subsystem.
std::mutex& g_sdlInitLock = platform::sdl::AudioSystemMutex();

bool AcquireSdlAudio() {
    std::lock_guard<std::mutex> lock(g_sdlInitLock);
    return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
}

void ReleaseSdlAudio() {
    std::lock_guard<std::mutex> lock(g_sdlInitLock);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

class SdlCaptureDevice final : public CaptureDevice {
public:
    SdlCaptureDevice(const CaptureFormat& format, CaptureCallback callback, void* instance)
        : CaptureDevice(format, callback, instance) {}

    ~SdlCaptureDevice() override {
        Close();
        if (device_ != 0) SDL_CloseAudioDevice(device_);
        if (initialised_) ReleaseSdlAudio();
    }

    CaptureResult OpenInput(int deviceIndex) {
        if (!AcquireSdlAudio()) {
            NoteCaptureOpenError(SDL_GetError());
            return CaptureResult::NoDriver;
        }
        initialised_ = true;
        const char* name = nullptr;
        if (deviceIndex >= 0) {
            if (deviceIndex >= SDL_GetNumAudioDevices(1)) return CaptureResult::BadDevice;
            name = SDL_GetAudioDeviceName(deviceIndex, 1);
            if (!name) return CaptureResult::BadDevice;
        }
        const CaptureFormat& f = Format();
        if ((f.bitsPerSample != 8 && f.bitsPerSample != 16) || f.channels < 1 || f.channels > 8 ||
            f.sampleRate == 0 || f.sampleRate > 384000)
            return CaptureResult::BadFormat;
        SDL_AudioSpec want{};
        want.freq = int(f.sampleRate);
        want.format = f.bitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
        want.channels = uint8_t(f.channels);
        want.samples = 1024;
        want.callback = &SdlCaptureDevice::OnInput;
        want.userdata = this;
        SDL_AudioSpec have{};
        device_ = SDL_OpenAudioDevice(name, 1, &want, &have, 0);
        if (device_ == 0) {
            NoteCaptureOpenError(SDL_GetError());
            return CaptureResult::OpenFailed;
        }
        BeginNotices();
        return CaptureResult::Ok;
    }

private:
    static void SDLCALL OnInput(void* self, Uint8* stream, int len) {
        if (len > 0) static_cast<SdlCaptureDevice*>(self)->Deliver(stream, size_t(len));
    }

    bool BeginInput() override {
        SDL_PauseAudioDevice(device_, 0);
        return true;
    }

    void EndInput() override {
        if (device_ == 0) return;
        SDL_PauseAudioDevice(device_, 1);
        // SDL runs the callback under the device lock and skips it while
        // paused: once we hold the lock, no callback is running or will run.
        SDL_LockAudioDevice(device_);
        SDL_UnlockAudioDevice(device_);
    }

    SDL_AudioDeviceID device_ = 0;
    bool initialised_ = false;
};

class SdlBackend final : public CaptureBackend {
public:
    std::vector<std::string> ListDevices() override {
        std::vector<std::string> names;
        if (!AcquireSdlAudio()) return names;
        const int count = SDL_GetNumAudioDevices(1);
        for (int i = 0; i < count; ++i) {
            const char* name = SDL_GetAudioDeviceName(i, 1);
            names.emplace_back(name ? name : "");
        }
        ReleaseSdlAudio();
        return names;
    }

    CaptureResult Open(int deviceIndex, const CaptureFormat& format, CaptureCallback callback, void* instance,
                       std::unique_ptr<CaptureDevice>& out) override {
        auto device = std::make_unique<SdlCaptureDevice>(format, callback, instance);
        const CaptureResult result = device->OpenInput(deviceIndex);
        if (result == CaptureResult::Ok) out = std::move(device);
        return result;
    }
};

}  // namespace

std::shared_ptr<CaptureBackend> SdlCaptureBackend() { return std::make_shared<SdlBackend>(); }

}  // namespace platform
