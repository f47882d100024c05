// SDL2 capture: SDL converts whatever the card delivers into the format
// asked for, so the caller always gets exactly that format.
#include <SDL.h>

#include <string>

#include "platform/capture/capture_device.h"
#include "platform/sdlaudio/sdl_audio_system.h"

namespace platform {

namespace {

bool AcquireSdlAudio() { return sdl::AcquireAudioSystem(); }

void ReleaseSdlAudio() { sdl::ReleaseAudioSystem(); }

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
        if (!AcquireSdlAudio()) return Failed(CaptureResult::NoDriver, "SDL audio", sdl::AudioSystemError());
        initialised_ = true;
        const char* name = nullptr;
        if (deviceIndex >= 0) {
            if (deviceIndex >= SDL_GetNumAudioDevices(1)) return Failed(CaptureResult::BadDevice, nullptr);
            name = SDL_GetAudioDeviceName(deviceIndex, 1);
            if (!name) return Failed(CaptureResult::BadDevice, nullptr);
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
        // A failed open leaves SDL's error text on the thread that asked:
        // the reason is read there too.
        std::string reason;
        sdl::RunOnSdlThread([&] {
            device_ = SDL_OpenAudioDevice(name, 1, &want, &have, 0);
            if (device_ == 0 && SDL_GetError() != nullptr)
                reason = SDL_GetError();
        });
        if (device_ == 0) return Failed(CaptureResult::OpenFailed, name, reason);
        SetName(name ? std::string(name) : DefaultName());
        BeginNotices();
        return CaptureResult::Ok;
    }

private:
    // Keeps SDL's own reason (read where the failing call ran, as SDL
    // keeps it per thread) with the device it concerns.
    static CaptureResult Failed(CaptureResult result, const char* device, std::string reason = {}) {
        if (reason.empty()) {
            // Read first: asking for the default's name may set another error.
            const char* error = SDL_GetError();
            reason = error && *error ? error : CaptureResultText(result);
        }
        SetCaptureOpenFailure(device ? std::string(device) : DefaultName(), reason);
        return result;
    }

    // The default input as SDL names it, else the driver that was to reach it.
    static std::string DefaultName() {
        char* name = nullptr;
        SDL_AudioSpec spec{};
        if (SDL_GetDefaultAudioInfo(&name, &spec, 1) == 0 && name) {
            std::string text = name;
            SDL_free(name);
            return text;
        }
        const char* driver = SDL_GetCurrentAudioDriver();
        return std::string("default input of SDL's ") + (driver ? driver : "audio") + " driver";
    }

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
