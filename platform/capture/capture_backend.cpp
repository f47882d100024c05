#include <mutex>

#include "platform/capture/capture_device.h"

namespace platform {

namespace {

std::mutex g_backendLock;
std::shared_ptr<CaptureBackend> g_backend;
// Per thread: two threads opening devices at once each keep their own.
thread_local CaptureOpenFailure g_openFailure;

std::shared_ptr<CaptureBackend> CurrentBackend() {
    std::lock_guard<std::mutex> lock(g_backendLock);
    if (!g_backend) g_backend = SdlCaptureBackend();
    return g_backend;
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
    const CaptureResult result = CurrentBackend()->Open(deviceIndex, format, callback, instance, out);
    if (result == CaptureResult::Ok) {
        g_openFailure = CaptureOpenFailure{};
    } else {
        if (g_openFailure.reason.empty()) g_openFailure.reason = CaptureResultText(result);
        if (g_openFailure.device.empty())
            g_openFailure.device = deviceIndex < 0 ? "the default input" : "input " + std::to_string(deviceIndex);
    }
    return result;
}

CaptureOpenFailure LastCaptureOpenFailure() { return g_openFailure; }

void SetCaptureOpenFailure(std::string device, std::string reason) {
    g_openFailure.device = std::move(device);
    g_openFailure.reason = std::move(reason);
}

std::vector<std::string> ListCaptureDevices() { return CurrentBackend()->ListDevices(); }

}  // namespace platform
