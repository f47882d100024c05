#pragma once
// What the recording tests share: a private data folder, a scripted
// microphone, an owner that records the engine's posts and progress calls
// in one ordered log, songs with a tone burst in the accompaniment, and the
// onset of a tone in a decoded MP3.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "kvostudio/recordingimpl.h"
#include "platform/capture/sim_capture.h"
#include "tests/appsupport/scoped_env.h"
#include "tests/support/pcm_maker.h"
#include "tests/support/tone_bursts.h"

namespace rectest {

inline constexpr int kRate = 44100;

// One ordered record of everything the owner and its progress windows were
// told, from any thread.
struct OwnerLog {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> events;   // "show", "hide", "target 50/600", "command 33769", ...
    std::vector<unsigned> commands;
    std::vector<int> percents;
    int windowsCreated = 0;
    int windowsDestroyed = 0;
    bool throwOnTarget = false;

    void Add(const std::string& event) {
        std::lock_guard<std::mutex> lock(mutex);
        events.push_back(event);
        changed.notify_all();
    }
};

class FakeProgress : public RecordingProgress {
public:
    explicit FakeProgress(std::shared_ptr<OwnerLog> log) : log_(std::move(log)) {}
    ~FakeProgress() override {
        std::lock_guard<std::mutex> lock(log_->mutex);
        ++log_->windowsDestroyed;
    }
    void SetCaption(const std::string& text) override { log_->Add("caption " + text); }
    void Show() override { log_->Add("show"); }
    void PostTargetPercent(int percent, int tick) override {
        {
            std::lock_guard<std::mutex> lock(log_->mutex);
            if (log_->throwOnTarget) throw std::runtime_error("progress window broke");
            log_->percents.push_back(percent);
        }
        log_->Add("target " + std::to_string(percent) + "/" + std::to_string(tick));
    }
    void PostHide() override { log_->Add("hide"); }

private:
    std::shared_ptr<OwnerLog> log_;
};

class FakeOwner : public RecordingOwner {
public:
    void PostCommand(unsigned code, intptr_t lParam) override {
        std::lock_guard<std::mutex> lock(log->mutex);
        log->commands.push_back(code);
        log->events.push_back("command " + std::to_string(code) + " " + std::to_string(lParam));
        log->changed.notify_all();
    }
    std::unique_ptr<RecordingProgress> CreateProgressWindow() override {
        std::lock_guard<std::mutex> lock(log->mutex);
        ++log->windowsCreated;
        return std::make_unique<FakeProgress>(log);
    }

    // The next command after the `already` commands seen so far.
    std::optional<unsigned> WaitForCommand(size_t already = 0, int timeoutMs = 120000) {
        std::unique_lock<std::mutex> lock(log->mutex);
        if (!log->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [&] { return log->commands.size() > already; }))
            return std::nullopt;
        return log->commands[already];
    }
    size_t CommandCount() {
        std::lock_guard<std::mutex> lock(log->mutex);
        return log->commands.size();
    }
    std::vector<std::string> Events() {
        std::lock_guard<std::mutex> lock(log->mutex);
        return log->events;
    }
    std::vector<int> Percents() {
        std::lock_guard<std::mutex> lock(log->mutex);
        return log->percents;
    }

    std::shared_ptr<OwnerLog> log = std::make_shared<OwnerLog>();
};

// Silence with a burst of a sine from `at` for `length` seconds; stereo.
testsupport::Pcm BurstPcm(double seconds, double at, double length, double frequency, double amplitude = 0.4);
using testsupport::PcmBytes;

// A container whose accompaniment is the PCM encoded as MP3 and whose vocal
// is silence; written to path.
void WriteSong(const std::string& path, const testsupport::Pcm& accompaniment);

using testsupport::DecodeWithMpg123;
using testsupport::ToneLevel;
using testsupport::ToneOnset;

// A test with a fresh data folder and a scripted microphone.
class RecordingTest : public ::testing::Test {
protected:
    void TearDown() override { platform::InstallCaptureBackend(nullptr); }

    std::shared_ptr<platform::SimCaptureBackend> InstallMicrophone(std::vector<uint8_t> bytes);
    std::string Work(const char* name) const { return data.File(name); }
    void SetConfig(const char* key, float value);

    // Starts at song position 0, waits until the microphone was fed, stops
    // and waits for the posted result.
    std::optional<unsigned> RecordWhole(CRecordingImpl& engine, const std::string& song, int mixingType = 0,
                                        int bitrate = 128);

    TestDataFolder data;
    FakeOwner owner;
    std::shared_ptr<platform::SimCaptureBackend> microphone;
};

}  // namespace rectest
