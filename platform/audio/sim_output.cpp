#include "platform/audio/sim_output.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>
#include <utility>

#include "platform/audio/queued_output.h"
#include "platform/thread/thread_name.h"

namespace platform::audio {

// One open simulated device. On the instant clock what is queued plays on
// the thread that queues it (and on the clock thread when the clock turns
// instant); the real-time clock plays on the clock thread, the stepped
// clock on the thread that calls Advance.
class SimDevice : public QueuedOutputDevice {
public:
    SimDevice(std::shared_ptr<SimulatedOutput> owner, int deviceId, const OutputFormat& format,
              OutputCallback callback)
        : QueuedOutputDevice(deviceId, format, std::move(callback)), owner_(std::move(owner))
    {
    }
    ~SimDevice() override { StopClock(); }

    bool Start()
    {
        if (!StartNotifier("Sim output"))
            return false;
        // Registered before the clock is read, so no clock change is missed.
        owner_->Register(this);
        registered_ = true;
        double multiple = 1.0;
        const SimulatedOutput::Clock clock = owner_->ClockSettings(&multiple);
        SetClock(clock, multiple);
        try {
            clockThread_ = std::thread([this] { ClockLoop(); });
        } catch (const std::system_error&) {
            return false;
        }
        return true;
    }

    void SetClock(SimulatedOutput::Clock clock, double multiple)
    {
        {
            std::lock_guard<std::mutex> lock(clockMutex_);
            clock_ = clock;
            multiple_ = multiple;
            wake_ = true;
        }
        clockCv_.notify_all();
    }

    // Plays 'ms' of sound, keeping the fraction of a sample for the next step.
    void Step(uint32_t ms)
    {
        {
            std::lock_guard<std::mutex> lock(playMutex_);
            if (Paused())
                return;
            const uint64_t total = stepRemainder_ + static_cast<uint64_t>(ms) * Format().sampleRate;
            stepRemainder_ = total % 1000;
            PlayLocked(total / 1000 * Format().blockAlign);
        }
        WaitDelivered();
    }

protected:
    void OnQueueChanged() override
    {
        {
            std::lock_guard<std::mutex> lock(clockMutex_);
            if (clock_ != SimulatedOutput::Clock::Instant) {
                wake_ = true;
                clockCv_.notify_all();
                return;
            }
        }
        // Instant: played at once, on the thread that queued it, without
        // waking the clock; its Done still comes from the device's thread.
        std::lock_guard<std::mutex> lock(playMutex_);
        PlayLocked(UINT64_MAX);
    }

    void OnPlayed(const uint8_t* data, uint32_t bytes) override { owner_->Record(data, bytes); }

    int StopBackend() override
    {
        const int failure = owner_->TakeCloseFailure();
        if (failure != kOutputOk)
            return failure;
        StopClock();
        return kOutputOk;
    }

private:
    void StopClock()
    {
        if (registered_) {
            owner_->Unregister(this);
            registered_ = false;
        }
        {
            std::lock_guard<std::mutex> lock(clockMutex_);
            quit_ = true;
        }
        clockCv_.notify_all();
        if (clockThread_.joinable())
            clockThread_.join();
    }

    // Plays up to 'bytes' bytes (what is queued of them) into the record.
    uint64_t PlayLocked(uint64_t bytes)
    {
        uint64_t played = 0;
        while (played < bytes) {
            const uint32_t chunk = static_cast<uint32_t>(std::min<uint64_t>(bytes - played, scratch_.size()));
            const uint32_t n = Consume(scratch_.data(), chunk);
            if (n == 0)
                break;
            played += n;
        }
        return played;
    }

    void ClockLoop()
    {
        SetCurrentThreadName("Sim clock");
        using Clock = std::chrono::steady_clock;
        constexpr auto kTick = std::chrono::milliseconds(5);
        auto last = Clock::now();
        double dueFrames = 0;
        for (;;) {
            SimulatedOutput::Clock clock;
            double multiple;
            {
                std::unique_lock<std::mutex> lock(clockMutex_);
                if (clock_ == SimulatedOutput::Clock::RealTime)
                    clockCv_.wait_for(lock, kTick, [this] { return quit_; });
                else
                    clockCv_.wait(lock, [this] { return quit_ || wake_; });
                if (quit_)
                    return;
                wake_ = false;
                clock = clock_;
                multiple = multiple_;
            }
            const auto now = Clock::now();
            const double elapsed = std::chrono::duration<double>(now - last).count();
            last = now;
            std::lock_guard<std::mutex> lock(playMutex_);
            if (clock == SimulatedOutput::Clock::Instant) {
                PlayLocked(UINT64_MAX);
            } else if (clock == SimulatedOutput::Clock::RealTime) {
                if (Paused()) {
                    dueFrames = 0;
                    continue;
                }
                dueFrames += elapsed * multiple * Format().sampleRate;
                const double whole = std::floor(dueFrames);
                dueFrames -= whole;
                // What an empty queue could not play is not owed later.
                PlayLocked(static_cast<uint64_t>(whole) * Format().blockAlign);
            }
        }
    }

    std::shared_ptr<SimulatedOutput> owner_;
    bool registered_ = false;

    std::mutex clockMutex_;
    std::condition_variable clockCv_;
    SimulatedOutput::Clock clock_ = SimulatedOutput::Clock::Instant;
    double multiple_ = 1.0;
    bool wake_ = true;
    bool quit_ = false;
    std::thread clockThread_;

    // One player at a time, so the record keeps the order played.
    std::mutex playMutex_;
    std::vector<uint8_t> scratch_ = std::vector<uint8_t>(64 * 1024);
    uint64_t stepRemainder_ = 0;
};

SimulatedOutput::SimulatedOutput() : names_{"Simulated output"} {}

SimulatedOutput::~SimulatedOutput() = default;

void SimulatedOutput::SetDevices(std::vector<std::string> names)
{
    std::lock_guard<std::mutex> lock(configMutex_);
    names_ = std::move(names);
}

void SimulatedOutput::SetInstant()
{
    SetClock(Clock::Instant, 1.0);
}

void SimulatedOutput::SetStepped()
{
    SetClock(Clock::Stepped, 1.0);
}

void SimulatedOutput::SetRealTime(double multiple)
{
    SetClock(Clock::RealTime, multiple > 0 ? multiple : 1.0);
}

void SimulatedOutput::SetClock(Clock clock, double multiple)
{
    {
        std::lock_guard<std::mutex> lock(configMutex_);
        clock_ = clock;
        multiple_ = multiple;
    }
    std::lock_guard<std::mutex> lock(devicesMutex_);
    for (SimDevice* device : devices_)
        device->SetClock(clock, multiple);
}

SimulatedOutput::Clock SimulatedOutput::CurrentClock() const
{
    std::lock_guard<std::mutex> lock(configMutex_);
    return clock_;
}

SimulatedOutput::Clock SimulatedOutput::ClockSettings(double* multiple) const
{
    std::lock_guard<std::mutex> lock(configMutex_);
    *multiple = multiple_;
    return clock_;
}

void SimulatedOutput::Advance(uint32_t ms)
{
    std::lock_guard<std::mutex> lock(devicesMutex_);
    for (SimDevice* device : devices_)
        device->Step(ms);
}

void SimulatedOutput::FailNextOpen(int code)
{
    std::lock_guard<std::mutex> lock(configMutex_);
    failOpen_ = code;
}

void SimulatedOutput::FailNextClose(int code)
{
    std::lock_guard<std::mutex> lock(configMutex_);
    failClose_ = code;
}

int SimulatedOutput::TakeCloseFailure()
{
    std::lock_guard<std::mutex> lock(configMutex_);
    return std::exchange(failClose_, kOutputOk);
}

std::vector<uint8_t> SimulatedOutput::Recorded() const
{
    std::lock_guard<std::mutex> lock(recordMutex_);
    return recorded_;
}

size_t SimulatedOutput::RecordedSize() const
{
    std::lock_guard<std::mutex> lock(recordMutex_);
    return recordedSize_;
}

void SimulatedOutput::KeepRecordedBytes(bool keep)
{
    std::lock_guard<std::mutex> lock(recordMutex_);
    keepRecorded_ = keep;
}

void SimulatedOutput::ClearRecorded()
{
    std::lock_guard<std::mutex> lock(recordMutex_);
    recorded_.clear();
    recordedSize_ = 0;
}

bool SimulatedOutput::WaitForRecorded(size_t bytes, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(recordMutex_);
    return recordCv_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return recordedSize_ >= bytes; });
}

void SimulatedOutput::Record(const uint8_t* data, size_t bytes)
{
    {
        std::lock_guard<std::mutex> lock(recordMutex_);
        if (keepRecorded_)
            recorded_.insert(recorded_.end(), data, data + bytes);
        recordedSize_ += bytes;
    }
    recordCv_.notify_all();
}

int SimulatedOutput::OpenDevices() const
{
    std::lock_guard<std::mutex> lock(devicesMutex_);
    return static_cast<int>(devices_.size());
}

int SimulatedOutput::OpensSucceeded() const
{
    std::lock_guard<std::mutex> lock(configMutex_);
    return opensSucceeded_;
}

void SimulatedOutput::Register(SimDevice* device)
{
    std::lock_guard<std::mutex> lock(devicesMutex_);
    devices_.push_back(device);
}

void SimulatedOutput::Unregister(SimDevice* device)
{
    std::lock_guard<std::mutex> lock(devicesMutex_);
    devices_.erase(std::remove(devices_.begin(), devices_.end(), device), devices_.end());
}

int SimulatedOutput::DeviceCount()
{
    std::lock_guard<std::mutex> lock(configMutex_);
    return static_cast<int>(names_.size());
}

bool SimulatedOutput::DeviceCaps(int index, OutputDeviceCaps* caps)
{
    std::lock_guard<std::mutex> lock(configMutex_);
    if (!caps || index < 0 || index >= static_cast<int>(names_.size()))
        return false;
    *caps = OutputDeviceCaps{};
    caps->manufacturerId = 1;
    caps->productId = static_cast<uint32_t>(index) + 1;
    caps->driverVersion = 0x0100;
    caps->formats = OutputFormatBit(44100, 2, 16) | OutputFormatBit(48000, 2, 16);
    caps->channels = 2;
    caps->support = kSupportVolume | kSupportLrVolume | kSupportSampleAccurate;
    caps->name = names_[static_cast<size_t>(index)];
    return true;
}

int SimulatedOutput::Open(int deviceId, const OutputFormat& format, OutputCallback callback,
                          std::unique_ptr<OutputDevice>* device)
{
    {
        std::lock_guard<std::mutex> lock(configMutex_);
        if (failOpen_ != kOutputOk)
            return std::exchange(failOpen_, kOutputOk);
        if (names_.empty()) {
            NoteOutputOpenError("the simulated machine has no sound output device");
            return kOutputNoDriver;
        }
        if (deviceId != kDefaultOutputDevice && (deviceId < 0 || deviceId >= static_cast<int>(names_.size())))
            return kOutputBadDeviceId;
    }
    auto dev = std::make_unique<SimDevice>(shared_from_this(), deviceId, format, std::move(callback));
    if (!dev->Start())
        return kOutputNoMemory;
    {
        std::lock_guard<std::mutex> lock(configMutex_);
        ++opensSucceeded_;
    }
    *device = std::move(dev);
    return kOutputOk;
}

}  // namespace platform::audio
