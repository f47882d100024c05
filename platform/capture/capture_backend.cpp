#include <mutex>

#include "platform/capture/capture_device.h"
#include "platform/soundserver/sound_server.h"

namespace platform {

namespace {

std::mutex g_backendLock;
std::shared_ptr<CaptureBackend> g_backend;
thread_local std::string t_openError;

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

CaptureResult Finish(CaptureResult result) {
    if (result != CaptureResult::Ok && t_openError.empty()) t_openError = CaptureResultText(result);
    if (result == CaptureResult::Ok) t_openError.clear();
    return result;
}

}  // namespace

void InstallCaptureBackend(std::shared_ptr<CaptureBackend> backend) {
    std::lock_guard<std::mutex> lock(g_backendLock);
    g_backend = std::move(backend);
}

CaptureResult OpenCaptureDevice(int deviceIndex, const CaptureFormat& format, CaptureCallback callback,
                                void* instance, std::unique_ptr<CaptureDevice>& out) {
    out.reset();
    t_openError.clear();
    return Finish(CurrentBackend()->Open(deviceIndex, format, callback, instance, out));
}

CaptureResult OpenCaptureDevice(const std::string& name, const CaptureFormat& format, CaptureCallback callback,
                                void* instance, std::unique_ptr<CaptureDevice>& out) {
    out.reset();
    t_openError.clear();
    const std::shared_ptr<CaptureBackend> backend = CurrentBackend();
    int index = -1;
    if (!name.empty()) {
        const std::vector<std::string> names = backend->ListDevices();
        for (size_t i = 0; i < names.size() && index < 0; ++i)
            if (names[i] == name) index = int(i);
        for (size_t i = 0; i < names.size() && index < 0; ++i)
            if (BeginsWith(names[i], name)) index = int(i);
        if (index < 0) {
            t_openError = "there is no such sound input now (is it connected?)";
            return CaptureResult::BadDevice;
        }
    }
    return Finish(backend->Open(index, format, callback, instance, out));
}

std::vector<std::string> ListCaptureDevices() { return CurrentBackend()->ListDevices(); }

std::string LastCaptureOpenError() { return t_openError; }

void NoteCaptureOpenError(const std::string& reason) { t_openError = reason; }

}  // namespace platform
