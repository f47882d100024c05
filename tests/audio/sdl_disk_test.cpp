// The real SDL backend end to end, through SDL's "disk" driver, which writes
// what it would play to a file.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define KVO_LEAK_CHECKER 1
#endif

#include "platform/audio/sdl_output.h"
#include "tests/audio/driver_fixture.h"

namespace {

using audiotest::MessageLog;

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name)
    {
        if (const char* old = getenv(name)) {
            had_ = true;
            old_ = old;
        }
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (had_)
            setenv(name_, old_.c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};

TEST(SdlDiskOutput, WrittenBuffersReachTheDriversFileUnchanged)
{
    if (!platform::audio::SdlHasAudioDriver("disk"))
        GTEST_SKIP() << "this SDL has no 'disk' audio driver; the SDL backend is not checked end to end";
    const std::string file = ::testing::TempDir() + "kvo_sdl_disk_" + std::to_string(getpid()) + ".raw";
    ScopedEnv driverEnv("SDL_AUDIODRIVER", "disk");
    ScopedEnv fileEnv("SDL_DISKAUDIOFILE", file);
    platform::audio::UseSdlOutput();

    std::vector<uint8_t> written;
    {
        MessageLog log;
        WaveOutDriver driver;
        ASSERT_EQ(driver.Initialize(WAVE_FORMAT_PCM, 2, 22050, 16, 3, 100), 1);
        ASSERT_EQ(driver.OpenAudioOutput(WAVE_MAPPER, &MessageLog::Callback, &log, CALLBACK_FUNCTION), 1)
            << driver.GetError();
        // Queued while paused, so that a slow test cannot leave a gap of
        // silence between two buffers.
        ASSERT_EQ(driver.Pause(), 1);
        for (uint32_t i = 0; i < 3; ++i) {
            // No zero bytes, so the pattern cannot be mistaken for silence.
            char* data = driver.GetBufferData(i);
            for (uint32_t k = 0; k < driver.GetBufferSize(); ++k)
                data[k] = static_cast<char>(1 + (k * 7 + i * 50) % 251);
            driver.SetBufferBytes(i, driver.GetBufferSize());
            written.insert(written.end(), data, data + driver.GetBufferSize());
            ASSERT_EQ(driver.PlayBuffer(i), 1);
        }
        ASSERT_EQ(driver.Restart(), 1);
        ASSERT_TRUE(log.WaitForDone(3));
        for (const auto& m : log.Messages())
            EXPECT_NE(m.thread, std::this_thread::get_id());
        EXPECT_EQ(log.DoneIndexes(), std::vector<uint32_t>({0, 1, 2}));
        EXPECT_GE(driver.GetPosition(3), written.size());
        ASSERT_EQ(driver.Close(), 1) << driver.GetError();
    }

    std::ifstream in(file, std::ios::binary);
    ASSERT_TRUE(in) << "the disk driver wrote no " << file;
    const std::vector<uint8_t> played((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    std::remove(file.c_str());
    EXPECT_NE(std::search(played.begin(), played.end(), written.begin(), written.end()), played.end())
        << "the " << written.size() << " bytes written are not in the " << played.size() << " bytes played";
}

size_t FileSize(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return in ? static_cast<size_t>(in.tellg()) : 0;
}

// A paused SDL device would still write silence to the sound card, keeping
// the machine and the sound server busy; ours writes nothing until Play.
TEST(SdlDiskOutput, APausedDeviceWritesNothingNotEvenSilenceAndPlaysOnAfterRestart)
{
    if (!platform::audio::SdlHasAudioDriver("disk"))
        GTEST_SKIP() << "this SDL has no 'disk' audio driver";
    const std::string file = ::testing::TempDir() + "kvo_sdl_pause_" + std::to_string(getpid()) + ".raw";
    ScopedEnv driverEnv("SDL_AUDIODRIVER", "disk");
    ScopedEnv fileEnv("SDL_DISKAUDIOFILE", file);
    platform::audio::UseSdlOutput();
    {
        MessageLog log;
        WaveOutDriver driver;
        ASSERT_EQ(driver.Initialize(WAVE_FORMAT_PCM, 2, 22050, 16, 2, 100), 1);
        ASSERT_EQ(driver.OpenAudioOutput(WAVE_MAPPER, &MessageLog::Callback, &log, CALLBACK_FUNCTION), 1)
            << driver.GetError();
        auto play = [&](uint32_t i) {
            char* data = driver.GetBufferData(i);
            std::fill(data, data + driver.GetBufferSize(), static_cast<char>(0x11 * (i + 1)));
            driver.SetBufferBytes(i, driver.GetBufferSize());
            return driver.PlayBuffer(i);
        };
        ASSERT_EQ(play(0), 1);
        ASSERT_TRUE(log.WaitForDone(1));
        const uint32_t position = driver.GetPosition(3);

        // Pause and Restart many times over do no harm; the last one pauses.
        for (int i = 0; i < 5; ++i) {
            ASSERT_EQ(driver.Pause(), 1);
            ASSERT_EQ(driver.Restart(), 1);
        }
        ASSERT_EQ(driver.Pause(), 1);
        ASSERT_EQ(play(1), 1);
        const size_t pausedSize = FileSize(file);
        // Playing, the driver writes 88200 bytes a second, silence or not.
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        EXPECT_EQ(FileSize(file), pausedSize) << "written while paused";
        EXPECT_EQ(log.DoneIndexes().size(), 1u) << "a buffer was played while paused";
        EXPECT_GE(driver.GetPosition(3), position);

        ASSERT_EQ(driver.Restart(), 1) << driver.GetError();
        ASSERT_TRUE(log.WaitForDone(2));
        EXPECT_EQ(log.DoneIndexes(), std::vector<uint32_t>({0, 1}));
        EXPECT_GE(driver.GetPosition(3), position + driver.GetBufferSize());
        ASSERT_EQ(driver.Close(), 1) << driver.GetError();
    }
    std::remove(file.c_str());
}

}  // namespace

namespace {

TEST(SdlOutputFailures, NoAudioSystemAndBadIndexesKeepTheirMessages)
{
    {
        ScopedEnv driverEnv("SDL_AUDIODRIVER", "no-such-audio-driver");
        platform::audio::UseSdlOutput();
        EXPECT_EQ(platform::audio::OutputDeviceCount(), 0);
        WaveOutDriver driver;
        ASSERT_EQ(driver.Initialize(WAVE_FORMAT_PCM, 2, 44100, 16, 2, 100), 1);
        EXPECT_EQ(driver.OpenAudioOutput(WAVE_MAPPER, nullptr, nullptr, CALLBACK_FUNCTION), 0);
        EXPECT_STREQ(driver.GetError(), "WaveOutDriver::OpenAudioOutput->No device driver is present");
    }
    if (!platform::audio::SdlHasAudioDriver("disk"))
        GTEST_SKIP() << "this SDL has no 'disk' audio driver to count devices on";
    ScopedEnv driverEnv("SDL_AUDIODRIVER", "disk");
    const int count = platform::audio::OutputDeviceCount();
    WaveOutDriver driver;
    ASSERT_EQ(driver.Initialize(WAVE_FORMAT_PCM, 2, 44100, 16, 2, 100), 1);
    EXPECT_EQ(driver.OpenAudioOutput(count, nullptr, nullptr, CALLBACK_FUNCTION), 0);
    EXPECT_STREQ(driver.GetError(), "WaveOutDriver::OpenAudioOutput->Specified device identifier is out of range");
    for (int i = 0; i < count; ++i) {
        platform::audio::OutputDeviceCaps caps;
        ASSERT_TRUE(platform::audio::GetOutputDeviceCaps(i, &caps));
        EXPECT_FALSE(caps.name.empty());
        EXPECT_NE(caps.formats & platform::audio::OutputFormatBit(44100, 2, 16), 0u);
    }
}

}  // namespace

namespace {

// A player opens its device on its decoding thread, which ends with the
// song: a song after song must not leave anything of SDL's behind.
TEST(SdlOutputLifetime, DevicesOpenedOnShortLivedThreadsLeaveNothingBehind)
{
#ifndef KVO_LEAK_CHECKER
    GTEST_SKIP() << "needs the leak checker (address sanitizer build)";
#else
    if (!platform::audio::SdlHasAudioDriver("dummy"))
        GTEST_SKIP() << "this SDL has no 'dummy' audio driver";
    ScopedEnv driverEnv("SDL_AUDIODRIVER", "dummy");
    platform::audio::UseSdlOutput();
    ASSERT_EQ(__lsan_do_recoverable_leak_check(), 0) << "leaks before the test";
    for (int song = 0; song < 5; ++song) {
        std::thread decoder([] {
            WaveOutDriver driver;
            ASSERT_EQ(driver.Initialize(WAVE_FORMAT_PCM, 2, 44100, 16, 2, 100), 1);
            ASSERT_EQ(driver.OpenAudioOutput(WAVE_MAPPER, nullptr, nullptr, CALLBACK_FUNCTION), 1)
                << driver.GetError();
            EXPECT_EQ(driver.Close(), 1) << driver.GetError();
        });
        decoder.join();
    }
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "see the leak checker's report above";
#endif
}

}  // namespace
