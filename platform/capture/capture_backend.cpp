#include <mutex>

#include "platform/capture/capture_device.h"
#include "platform/soundserver/sound_server.h"

namespace platform {

namespace {

std::mutex g_backendLock;
std::shared_ptr<CaptureBackend> g_backend;
// Per thread: two threads opening devices at once each keep their own.
thread_local CaptureOpenFailure g_openFailure;

// Asked at every use, so a sound server that starts or ends while the
// program runs is followed.
std::shared_ptr<CaptureBackend> CurrentBackend() {
    {
        std::lock_guard<std::mutex> lock(g_backendLock);
        if (g_backend) return g_backend;
    }
    return soundserver::UseSoundServer() ? ServerCaptureBackend() : SdlCaptureBackend();
}

bool BeginsWith(const std::string& text, const std::string& start) {
    return text.size() >= start.size() && text.compare(0, start.size(), start) == 0;
}

// Keeps what an open met: nothing after a success, else the backend's
// own words where it gave them, with the device it tried.
CaptureResult Noted(CaptureResult result, const std::string& device) {
    if (result == CaptureResult::Ok) {
        g_openFailure = CaptureOpenFailure{};
    } else {
        if (g_openFailure.reason.empty()) g_openFailure.reason = CaptureResultText(result);
        if (g_openFailure.device.empty()) g_openFailure.device = device;
    }
    return result;
}

CaptureResult OpenWith(CaptureBackend& backend, int deviceIndex, const std::string& name, const CaptureFormat& format,
                       CaptureCallback callback, void* instance, std::unique_ptr<CaptureDevice>& out) {
    return Noted(backend.Open(deviceIndex, format, callback, instance, out),
                 !name.empty()      ? name
                 : deviceIndex < 0 ? "the default input"
                                   : "input " + std::to_string(deviceIndex));
}

CaptureResult OpenByName(CaptureBackend& backend, const std::string& name, const CaptureFormat& format,
                         CaptureCallback callback, void* instance, std::unique_ptr<CaptureDevice>& out) {
    int index = -1;
    if (!name.empty()) {
        const std::vector<std::string> names = backend.ListDevices();
        for (size_t i = 0; i < names.size() && index < 0; ++i)
            if (names[i] == name) index = int(i);
        for (size_t i = 0; i < names.size() && index < 0; ++i)
            if (BeginsWith(names[i], name)) index = int(i);
        if (index < 0) {
            SetCaptureOpenFailure(name, "there is no such sound input now (is it connected?)");
            return CaptureResult::BadDevice;
        }
    }
    return OpenWith(backend, index, name, format, callback, instance, out);
}

}  // namespace

void InstallCaptureBackend(std::shared_ptr<CaptureBackend> backend) {
    std::lock_guard<std::mutex> lock(g_backendLock);
    g_backend = std::move(backend);
}

CaptureResult OpenCaptureDevice(int deviceIndex, const CaptureFormat& format, CaptureCallback callback,
                                void* instance, std::unique_ptr<CaptureDevice>& out) {
    out.reset();
    g_openFailure = CaptureOpenFailure{};
    return OpenWith(*CurrentBackend(), deviceIndex, {}, format, callback, instance, out);
}

CaptureResult OpenCaptureDevice(const std::string& name, const CaptureFormat& format, CaptureCallback callback,
                                void* instance, std::unique_ptr<CaptureDevice>& out) {
    out.reset();
    g_openFailure = CaptureOpenFailure{};
    return OpenByName(*CurrentBackend(), name, format, callback, instance, out);
}

CaptureResult OpenPlaybackCapture(const std::string& elsewhere, const CaptureFormat& format,
                                  CaptureCallback callback, void* instance, std::unique_ptr<CaptureDevice>& out) {
    out.reset();
    g_openFailure = CaptureOpenFailure{};
    const std::shared_ptr<CaptureBackend> backend = CurrentBackend();
    if (!backend->RecordsPlayback()) return OpenByName(*backend, elsewhere, format, callback, instance, out);
    return Noted(backend->OpenPlayback(format, callback, instance, out), "the monitor of the program's sound output");
}

CaptureOpenFailure LastCaptureOpenFailure() { return g_openFailure; }

void SetCaptureOpenFailure(std::string device, std::string reason) {
    g_openFailure.device = std::move(device);
    g_openFailure.reason = std::move(reason);
}

std::vector<std::string> ListCaptureDevices() { return CurrentBackend()->ListDevices(); }

}  // namespace platform
