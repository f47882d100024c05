#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "kvostudio/waveinrecorder.h"
#include "platform/capture/sim_capture.h"
#include "platform/thread/event.h"
#include "tests/support/command_output.h"
#include "tests/support/temp_files.h"
#include "tests/support/wait_until.h"

using namespace platform;
using testsupport::ReadFile;
using testsupport::TempDir;

namespace {

constexpr size_t kSecond = 176400;

std::vector<uint8_t> Pattern(size_t n, uint32_t seed = 7) {
    std::vector<uint8_t> v(n);
    uint32_t x = seed;
    for (auto& b : v) {
        x = x * 1664525u + 1013904223u;
        b = uint8_t(x >> 24);
    }
    return v;
}

// Whether this process holds a descriptor open on 'path'.
bool OpenHere(const std::string& path) {
    std::error_code error;
    const auto wanted = std::filesystem::canonical(path, error);
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd", error))
        if (std::filesystem::read_symlink(fd.path(), error) == wanted) return true;
    return false;
}

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

// Checks the recorder's header byte by byte and returns the samples.
std::vector<uint8_t> RecorderSamples(const std::string& path) {
    const auto file = ReadFile(path);
    EXPECT_GE(file.size(), 46u);
    if (file.size() < 46) return {};
    static const uint8_t kFormat[] = {'f', 'm', 't', ' ', 18, 0, 0, 0, 1, 0, 2, 0, 0x44, 0xAC, 0, 0,
                                      0x10, 0xB1, 0x02, 0, 4, 0, 16, 0, 0, 0, 'd', 'a', 't', 'a'};
    EXPECT_EQ(std::memcmp(file.data(), "RIFF", 4), 0);
    EXPECT_EQ(U32(file, 4), file.size() - 8) << "RIFF size";
    EXPECT_EQ(std::memcmp(file.data() + 8, "WAVE", 4), 0);
    EXPECT_EQ(std::memcmp(file.data() + 12, kFormat, sizeof kFormat), 0) << "fmt chunk and data id";
    const uint32_t dataSize = U32(file, 42);
    EXPECT_EQ(dataSize + (dataSize & 1), file.size() - 46) << "data size";
    return std::vector<uint8_t>(file.begin() + 46, file.begin() + 46 + std::min<size_t>(dataSize, file.size() - 46));
}

class Recorder : public ::testing::Test {
protected:
    std::shared_ptr<SimCaptureBackend> Install(std::vector<uint8_t> bytes, std::vector<size_t> chunks = {4410}) {
        SimCaptureScript script;
        script.bytes = std::move(bytes);
        script.chunkSizes = std::move(chunks);
        auto sim = std::make_shared<SimCaptureBackend>(script);
        InstallCaptureBackend(sim);
        return sim;
    }
    void TearDown() override { InstallCaptureBackend(nullptr); }

    TempDir dir;
    std::string path = dir.File("Cache");
};

}  // namespace

TEST_F(Recorder, CaptureReachesTheFileUnchangedWithItsLastPartialBuffer) {
    // 2.5 s: two full one-second buffers and a half-filled third, chunks
    // that straddle the buffer boundaries.
    const auto microphone = Pattern(kSecond * 5 / 2);
    auto sim = Install(microphone, {4410, 1000, 7, 8192});
    WaveInRecorder recorder;
    recorder.SetPath(path.c_str());
    ASSERT_EQ(recorder.Start(), 1);
    ASSERT_TRUE(sim->WaitUntilFed(20000));
    ASSERT_EQ(recorder.Stop(), 1);
    EXPECT_EQ(RecorderSamples(path), microphone);

    if (testsupport::HaveTool("soxi")) {
        EXPECT_EQ(testsupport::CommandOutput({"soxi", "-r", path}).value_or(""), "44100\n");
        EXPECT_EQ(testsupport::CommandOutput({"soxi", "-c", path}).value_or(""), "2\n");
        EXPECT_EQ(testsupport::CommandOutput({"soxi", "-b", path}).value_or(""), "16\n");
        EXPECT_EQ(testsupport::CommandOutput({"soxi", "-s", path}).value_or(""),
                  std::to_string(microphone.size() / 4) + "\n");
    }
}

TEST_F(Recorder, HalfASecondWarmUpKeepsItsOnlyBuffer) {
    const auto microphone = Pattern(kSecond / 2);
    auto sim = Install(microphone);
    WaveInRecorder recorder;
    recorder.SetPath(path.c_str());
    ASSERT_EQ(recorder.Start(), 1);
    ASSERT_TRUE(sim->WaitUntilFed(20000));
    ASSERT_EQ(recorder.Stop(), 1);
    const auto samples = RecorderSamples(path);
    EXPECT_EQ(samples.size(), 88200u);
    EXPECT_EQ(samples, microphone);
}

TEST_F(Recorder, StartAndStopAnswerOnlyOnce) {
    Install(Pattern(1000));
    WaveInRecorder recorder;
    recorder.SetPath(path.c_str());
    EXPECT_EQ(recorder.Stop(), 0);
    ASSERT_EQ(recorder.Start(), 1);
    EXPECT_EQ(recorder.Start(), 0);
    EXPECT_EQ(recorder.Stop(), 1);
    EXPECT_EQ(recorder.Stop(), 0);
    // The path is gone with the stop: a start without a new path records
    // nowhere, and says so.
    EXPECT_EQ(recorder.Start(), 0);
    recorder.SetPath(path.c_str());
    EXPECT_EQ(recorder.Start(), 1);
    EXPECT_EQ(recorder.Stop(), 1);
}

TEST_F(Recorder, AFileOrDeviceThatCannotOpenIsReportedNotRecordedAsSilence) {
    auto sim = Install(Pattern(1000));
    WaveInRecorder recorder;
    const std::string nowhere = dir.File("missing/folder/Cache");
    recorder.SetPath(nowhere.c_str());
    EXPECT_EQ(recorder.Start(), 0);
    EXPECT_FALSE(recorder.IsRunning());
    EXPECT_EQ(sim->OpenCount(), 0) << "no device without a file";
    EXPECT_EQ(recorder.Stop(), 0);

    SimCaptureScript broken;
    broken.openResult = CaptureResult::OpenFailed;
    InstallCaptureBackend(std::make_shared<SimCaptureBackend>(broken));
    recorder.SetPath(path.c_str());
    EXPECT_EQ(recorder.Start(), 0);
    EXPECT_FALSE(recorder.IsRunning());
    EXPECT_EQ(recorder.Stop(), 0);
    EXPECT_TRUE(RecorderSamples(path).empty()) << "the file is closed as a valid empty WAV";
}

TEST_F(Recorder, StopFromAnotherThreadWhileABufferIsWrittenLosesNothing) {
    const auto microphone = Pattern(kSecond * 6, 99);
    for (int stallAt = 0; stallAt < 4; ++stallAt) {
        SCOPED_TRACE(stallAt);
        auto sim = Install(microphone, {3000, 4410});
        Event inNotice(true);
        std::atomic<int> notices{0};
        // Holds the device's notice thread inside the write of one full
        // buffer while the stop arrives from another thread.
        sim->SetDataNoticeHook([&](const CaptureBuffer& buffer) {
            if (buffer.bytesRecorded == buffer.length && notices++ == stallAt) {
                inNotice.Set();
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        });
        WaveInRecorder recorder;
        recorder.SetPath(path.c_str());
        ASSERT_EQ(recorder.Start(), 1);
        ASSERT_TRUE(inNotice.Wait(20000));
        int stopped = -1;
        std::thread stopper([&] { stopped = recorder.Stop(); });
        stopper.join();
        EXPECT_EQ(stopped, 1);
        const auto samples = RecorderSamples(path);
        const size_t fed = sim->FedBytes();
        EXPECT_GE(fed, kSecond * (stallAt + 1));
        ASSERT_EQ(samples.size(), fed) << "every captured byte is in the file";
        EXPECT_TRUE(std::equal(samples.begin(), samples.end(), microphone.begin()));
    }
}

TEST_F(Recorder, SdlDiskDriverMicrophoneReachesTheFile) {
    const std::string input = dir.File("microphone.raw");
    const auto microphone = Pattern(kSecond * 23 / 10, 5);
    testsupport::WriteFile(input, microphone);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILEIN", input.c_str(), 1);
    setenv("SDL_DISKAUDIOFILE", dir.File("speaker.raw").c_str(), 1);
    InstallCaptureBackend(nullptr);
    EXPECT_FALSE(ListCaptureDevices().empty());

    WaveInRecorder recorder;
    recorder.SetPath(path.c_str());
    ASSERT_EQ(recorder.Start(), 1) << "SDL's disk driver did not open for capture";
    // Stop during the third second, once the scripted input has run out, so
    // the last buffer is partial: SDL's disk driver closes its input file
    // when it reads the file's end.
    ASSERT_TRUE(testsupport::WaitUntil([&] { return !OpenHere(input); }, 30000, 20));
    ASSERT_EQ(recorder.Stop(), 1);

    // Normally 2.7 s are captured; a machine too busy to keep SDL's pace
    // may have captured less, which is late, not lost.
    const auto samples = RecorderSamples(path);
    ASSERT_GT(samples.size(), 2 * kSecond) << "the partial last buffer is missing";
    const size_t fed = std::min(samples.size(), microphone.size());
    EXPECT_TRUE(std::equal(microphone.begin(), microphone.begin() + fed, samples.begin()));
    // SDL's disk driver delivers silence once its file has run out.
    EXPECT_TRUE(std::all_of(samples.begin() + fed, samples.end(), [](uint8_t b) { return b == 0; }));
    unsetenv("SDL_AUDIODRIVER");
}
