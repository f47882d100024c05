#include <mutex>

#include "platform/capture/capture_device.h"

namespace platform {

namespace {

std::mutex g_backendLock;
std::shared_ptr<CaptureBackend> g_backend;

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
    return CurrentBackend()->Open(deviceIndex, format, callback, instance, out);
}

std::vector<std::string> ListCaptureDevices() { return CurrentBackend()->ListDevices(); }

}  // namespace platform
