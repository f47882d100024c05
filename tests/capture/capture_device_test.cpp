#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/capture/capture_device.h"
#include "platform/capture/sim_capture.h"

using namespace platform;

namespace {

std::vector<uint8_t> Pattern(size_t n) {
    std::vector<uint8_t> v(n);
    uint32_t x = 12345;
    for (auto& b : v) {
        x = x * 1103515245u + 12345u;
        b = uint8_t(x >> 16);
    }
    return v;
}

struct Notice {
    uint32_t kind;
    int buffer;   // index, -1 for none
    std::vector<uint8_t> bytes;
    std::thread::id thread;
};

// Records every notice; optionally lends each full buffer back.
struct Listener {
    std::mutex mutex;
    std::vector<Notice> notices;
    CaptureBuffer* base = nullptr;
    CaptureDevice* device = nullptr;
    bool requeue = false;

    static void Callback(void* self, uint32_t kind, CaptureBuffer* buffer) {
        auto* l = static_cast<Listener*>(self);
        std::lock_guard<std::mutex> lock(l->mutex);
        Notice n{kind, buffer ? int(buffer - l->base) : -1, {}, std::this_thread::get_id()};
        if (buffer) n.bytes.assign(buffer->data, buffer->data + buffer->bytesRecorded);
        l->notices.push_back(std::move(n));
        if (buffer && l->requeue && buffer->bytesRecorded == buffer->length) l->device->AddBuffer(buffer);
    }
};

struct Buffers {
    explicit Buffers(int count, uint32_t bytes) : memory(count, std::vector<uint8_t>(bytes)), headers(count) {
        for (int i = 0; i < count; ++i) {
            headers[i].data = memory[i].data();
            headers[i].length = bytes;
        }
    }
    std::vector<std::vector<uint8_t>> memory;
    std::vector<CaptureBuffer> headers;
};

}  // namespace

TEST(CaptureDevice, FullBuffersComeBackInCaptureOrderOnTheDevicesThread) {
    SimCaptureScript script;
    script.bytes = Pattern(10000);
    script.chunkSizes = {333, 1000, 7};
    auto sim = std::make_shared<SimCaptureBackend>(script);
    Listener listener;
    Buffers buffers(3, 1200);
    listener.base = buffers.headers.data();
    listener.requeue = true;
    std::unique_ptr<CaptureDevice> device;
    ASSERT_EQ(sim->Open(-1, CaptureFormat{}, &Listener::Callback, &listener, device), CaptureResult::Ok);
    {
        std::lock_guard<std::mutex> lock(listener.mutex);
        listener.device = device.get();
    }
    for (auto& b : buffers.headers) ASSERT_EQ(device->AddBuffer(&b), CaptureResult::Ok);
    ASSERT_EQ(device->Start(), CaptureResult::Ok);
    ASSERT_TRUE(sim->WaitUntilFed(10000));
    device->Stop();
    device->Close();

    std::lock_guard<std::mutex> lock(listener.mutex);
    ASSERT_GE(listener.notices.size(), 2u);
    EXPECT_EQ(listener.notices.front().kind, kCaptureOpened);
    EXPECT_EQ(listener.notices.back().kind, kCaptureClosed);
    std::vector<uint8_t> joined;
    int expectedBuffer = 0;
    for (const Notice& n : listener.notices) {
        EXPECT_NE(n.thread, std::this_thread::get_id());
        if (n.kind != kCaptureData || n.bytes.empty()) continue;
        EXPECT_EQ(n.buffer, expectedBuffer) << "buffers must come back in ring order";
        expectedBuffer = (expectedBuffer + 1) % 3;
        joined.insert(joined.end(), n.bytes.begin(), n.bytes.end());
    }
    EXPECT_EQ(joined, script.bytes);   // eight full buffers and the 400 bytes of the ninth
}

TEST(CaptureDevice, StopHandsBackThePartialBufferResetTheEmptyOnesCloseEveryNotice) {
    SimCaptureScript script;
    script.bytes = Pattern(1500);
    script.chunkSizes = {100};
    auto sim = std::make_shared<SimCaptureBackend>(script);
    Listener listener;
    Buffers buffers(3, 1000);
    listener.base = buffers.headers.data();
    std::unique_ptr<CaptureDevice> device;
    ASSERT_EQ(sim->Open(-1, CaptureFormat{}, &Listener::Callback, &listener, device), CaptureResult::Ok);
    for (auto& b : buffers.headers) device->AddBuffer(&b);
    device->Start();
    ASSERT_TRUE(sim->WaitUntilFed(10000));
    device->Stop();
    device->Reset();
    device->Close();
    EXPECT_EQ(device->AddBuffer(&buffers.headers[0]), CaptureResult::NotOpen);
    EXPECT_EQ(device->Start(), CaptureResult::NotOpen);

    std::lock_guard<std::mutex> lock(listener.mutex);
    ASSERT_EQ(listener.notices.size(), 5u);
    EXPECT_EQ(listener.notices[1].buffer, 0);
    EXPECT_EQ(listener.notices[1].bytes.size(), 1000u);
    EXPECT_EQ(listener.notices[2].buffer, 1);
    EXPECT_EQ(listener.notices[2].bytes.size(), 500u);
    EXPECT_EQ(listener.notices[3].buffer, 2);
    EXPECT_EQ(listener.notices[3].bytes.size(), 0u);
    EXPECT_EQ(listener.notices[4].kind, kCaptureClosed);
}

TEST(CaptureDevice, InstalledBackendAnswersTheDeviceListAndItsFailures) {
    SimCaptureScript script;
    script.deviceNames = {"Line In", "USB Microphone"};
    script.openResult = CaptureResult::BadFormat;
    InstallCaptureBackend(std::make_shared<SimCaptureBackend>(script));
    EXPECT_EQ(ListCaptureDevices(), script.deviceNames);
    std::unique_ptr<CaptureDevice> device;
    EXPECT_EQ(OpenCaptureDevice(-1, CaptureFormat{}, &Listener::Callback, nullptr, device), CaptureResult::BadFormat);
    EXPECT_EQ(device, nullptr);
    InstallCaptureBackend(nullptr);
}

TEST(CaptureDevice, ADeviceIsOpenedByItsNameOrItsBeginningAndAFailureSaysWhy) {
    SimCaptureScript script;
    script.deviceNames = {"HDA Intel PCH, ALC3246 Analog", "USB Microphone"};
    auto backend = std::make_shared<SimCaptureBackend>(script);
    InstallCaptureBackend(backend);
    Listener listener;
    std::unique_ptr<CaptureDevice> device;
    // A card's name stands for its devices.
    EXPECT_EQ(OpenCaptureDevice(std::string("HDA Intel PCH"), CaptureFormat{}, &Listener::Callback, &listener, device),
              CaptureResult::Ok);
    EXPECT_NE(device, nullptr);
    EXPECT_EQ(LastCaptureOpenFailure().reason, "");
    device.reset();
    EXPECT_EQ(OpenCaptureDevice(std::string("USB Headset"), CaptureFormat{}, &Listener::Callback, &listener, device),
              CaptureResult::BadDevice);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(LastCaptureOpenFailure().device, "USB Headset");
    EXPECT_NE(LastCaptureOpenFailure().reason.find("no such sound input"), std::string::npos);
    EXPECT_EQ(backend->OpenCount(), 1) << "a device that is not there is not replaced by another";

    script.openResult = CaptureResult::OpenFailed;
    InstallCaptureBackend(std::make_shared<SimCaptureBackend>(script));
    EXPECT_EQ(OpenCaptureDevice(std::string(), CaptureFormat{}, &Listener::Callback, &listener, device),
              CaptureResult::OpenFailed);
    EXPECT_EQ(LastCaptureOpenFailure().reason, CaptureResultText(CaptureResult::OpenFailed));
    InstallCaptureBackend(nullptr);
}
