#pragma once
// A simulated output device for tests: no sound, a clock the test controls,
// and a record of every byte played, in the order played.
//
//   auto sim = std::make_shared<platform::audio::SimulatedOutput>();
//   platform::audio::UseSimulatedOutput(sim);   // every later open uses it
//   ... play ...
//   platform::audio::UseSdlOutput();
//
// Clocks:
//   instant   - each buffer is played as soon as it is written (on the
//               device's own thread), so a player runs as fast as it can;
//   stepped   - nothing plays until the test calls Advance;
//   real time - plays 'multiple' seconds of sound per real second.
// A paused device plays nothing on any clock, and a device with nothing
// queued lets its clock run without playing (its position stands still).
//
// Must be created with std::make_shared; open devices keep it alive.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/audio/audio_output.h"

namespace platform::audio {

class SimDevice;

class SimulatedOutput : public OutputBackend, public std::enable_shared_from_this<SimulatedOutput> {
public:
    enum class Clock { Instant, Stepped, RealTime };

    // One device named "Simulated output", instant clock.
    SimulatedOutput();
    ~SimulatedOutput() override;
    SimulatedOutput(const SimulatedOutput&) = delete;
    SimulatedOutput& operator=(const SimulatedOutput&) = delete;

    // The device list (may be empty: then every open fails with
    // kOutputNoDriver). Affects later opens and queries.
    void SetDevices(std::vector<std::string> names);

    // Clock selection; applies to devices already open too.
    void SetInstant();
    void SetStepped();
    void SetRealTime(double multiple);
    Clock CurrentClock() const;

    // Stepped clock: every open, unpaused device plays 'ms' milliseconds of
    // sound (as much of it as is queued). Returns once the Done messages of
    // the buffers finished by the step have been delivered, so a callback
    // must not open or close a simulated device meanwhile.
    void Advance(uint32_t ms);

    // The next open (any device) fails with 'code' and opens nothing.
    void FailNextOpen(int code);
    // The next Close of an open device fails with 'code'; the device stays
    // open and a later Close succeeds.
    void FailNextClose(int code);

    // Every byte played by every device since creation or ClearRecorded.
    // A benchmark that only needs the count can stop the bytes being kept.
    void KeepRecordedBytes(bool keep);
    std::vector<uint8_t> Recorded() const;
    size_t RecordedSize() const;
    void ClearRecorded();
    // Waits until at least 'bytes' bytes have been recorded; false after
    // timeoutMs without them.
    bool WaitForRecorded(size_t bytes, int timeoutMs) const;

    // Devices open now, and opens that succeeded since creation.
    int OpenDevices() const;
    int OpensSucceeded() const;

    // OutputBackend
    int DeviceCount() override;
    bool DeviceCaps(int index, OutputDeviceCaps* caps) override;
    int Open(int deviceId, const OutputFormat& format, OutputCallback callback,
             std::unique_ptr<OutputDevice>* device) override;

private:
    friend class SimDevice;
    void SetClock(Clock clock, double multiple);
    Clock ClockSettings(double* multiple) const;
    void Register(SimDevice* device);
    void Unregister(SimDevice* device);
    int TakeCloseFailure();
    void Record(const uint8_t* data, size_t bytes);

    mutable std::mutex configMutex_;
    std::vector<std::string> names_;
    Clock clock_ = Clock::Instant;
    double multiple_ = 1.0;
    int failOpen_ = kOutputOk;
    int failClose_ = kOutputOk;
    int opensSucceeded_ = 0;

    // Held while stepping, so a device cannot go away under Advance.
    mutable std::mutex devicesMutex_;
    std::vector<SimDevice*> devices_;

    mutable std::mutex recordMutex_;
    mutable std::condition_variable recordCv_;
    std::vector<uint8_t> recorded_;
    size_t recordedSize_ = 0;
    bool keepRecorded_ = true;
};

}  // namespace platform::audio
