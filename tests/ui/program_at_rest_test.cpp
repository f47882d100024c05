// The program on the display while it shows nothing new: with a song in
// its list and none started, with a song paused, and stopped. A window at
// rest must not keep a laptop awake, so its UI thread sleeps until there is
// something to show (counted as the thread's voluntary context switches,
// each one a wake from sleep) and the whole process spends next to no CPU
// time; a paused song leaves the sound device alone, so nothing is written
// to it. The program also loads no OpenGL driver: it draws with cairo.
//
// Each state is watched for KVO_REST_SECONDS (default 5) seconds; the
// figures are printed, so a longer run on a loaded machine reports them.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "running_program.h"
#include "ui_test_env.h"

namespace {

constexpr double kMaxWakeupsPerSecond = 10.0;
// CPU time is counted in clock ticks; the bound leaves room for a tick or
// two of the test's own short windows. A longer run shows the real figure.
constexpr double kMaxCorePercent = 1.0;

int RestSeconds()
{
    const char* text = std::getenv("KVO_REST_SECONDS");
    const int seconds = text ? std::atoi(text) : 0;
    return seconds > 0 ? seconds : 5;
}

// The voluntary context switches of one thread of a process.
long long VoluntarySwitches(pid_t pid, pid_t tid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/task/" + std::to_string(tid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
            return std::atoll(line.c_str() + 24);
    return -1;
}

// User and system time of every thread of a process, living or ended, in
// seconds.
double CpuSeconds(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The command name may hold spaces; the fields count from its ')'.
    const size_t close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; fields >> field; ++i) {
        if (i == 14)
            utime = std::stoull(field);
        if (i == 15) {
            stime = std::stoull(field);
            break;
        }
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

size_t FileSize(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? static_cast<size_t>(st.st_size) : 0;
}

bool Maps(pid_t pid, const std::string& part)
{
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    std::string line;
    while (std::getline(maps, line))
        if (line.find(part) != std::string::npos)
            return true;
    return false;
}

struct Rest {
    double wakeupsPerSecond = 0;
    double corePercent = 0;
};

// Watches the program for the time. The UI thread is the main thread.
Rest Watch(uitest::RunningProgram& program, int seconds)
{
    const pid_t pid = program.Pid();
    const long long switches = VoluntarySwitches(pid, pid);
    const double cpu = CpuSeconds(pid);
    program.ListenFor(seconds * 1000);
    Rest rest;
    rest.wakeupsPerSecond = double(VoluntarySwitches(pid, pid) - switches) / seconds;
    rest.corePercent = 100.0 * (CpuSeconds(pid) - cpu) / seconds;
    return rest;
}

// Waits until what the program was doing has settled: its UI thread slept
// through half a second without waking more than a few times.
bool Settled(uitest::RunningProgram& program)
{
    const pid_t pid = program.Pid();
    long long before = VoluntarySwitches(pid, pid);
    auto last = std::chrono::steady_clock::now();
    return program.WaitUntil(
        [&] {
            const auto now = std::chrono::steady_clock::now();
            if (now - last < std::chrono::milliseconds(500))
                return false;
            const long long switches = VoluntarySwitches(pid, pid);
            const bool quiet = switches - before <= 3;
            before = switches;
            last = now;
            return quiet;
        },
        15000);
}

void Report(const char* state, const Rest& rest, int seconds)
{
    std::printf("%s over %d s: UI thread %.2f wakeups/s, process %.3f %% of a core\n", state, seconds,
                rest.wakeupsPerSecond, rest.corePercent);
    EXPECT_LT(rest.wakeupsPerSecond, kMaxWakeupsPerSecond) << state;
    EXPECT_LT(rest.corePercent, kMaxCorePercent) << state;
}

}  // namespace

TEST(TheProgramAtRest, WakesOnlyForWhatItShowsAndLeavesAPausedDeviceAlone)
{
    KVO_REQUIRE_DISPLAY();
    const int seconds = RestSeconds();
    uitest::RunningProgram program(uitest::RunningProgram::Sound::Disk);
    const auto songs = program.WriteSongs({"Quiet"}, 120.0);
    ASSERT_TRUE(program.Start({"/open", songs[0]})) << program.Said();
    EXPECT_FALSE(Maps(program.Pid(), "libGLX")) << "an OpenGL driver is loaded";
    EXPECT_FALSE(Maps(program.Pid(), "_dri.so")) << "an OpenGL driver is loaded";

    ASSERT_TRUE(Settled(program)) << "the window never came to rest";
    Report("a song in the list, none started", Watch(program, seconds), seconds);

    // Played, then paused: the device is written no more, not even silence.
    const std::string speaker = program.SpeakerFile();
    const auto row = uitest::RunningProgram::PlaylistRow(0);
    ASSERT_TRUE(program.ClickMain(row.x, row.y, 2));
    ASSERT_TRUE(program.WaitUntil([&] { return FileSize(speaker) > 44100 * 4; }, 15000)) << "nothing played";
    ASSERT_TRUE(program.ClickMain(54, 131));  // Pause
    size_t size = FileSize(speaker);
    auto since = std::chrono::steady_clock::now();
    ASSERT_TRUE(program.WaitUntil(
        [&] {
            const size_t now = FileSize(speaker);
            if (now != size) {
                size = now;
                since = std::chrono::steady_clock::now();
            }
            return std::chrono::steady_clock::now() - since > std::chrono::seconds(1);
        },
        15000))
        << "the sound device is still written while paused";
    ASSERT_TRUE(Settled(program)) << "the paused window never came to rest";
    const size_t pausedAt = FileSize(speaker);
    Report("paused", Watch(program, seconds), seconds);
    EXPECT_EQ(FileSize(speaker), pausedAt) << "written while paused";

    // Play goes on: the device sounds again (SDL's disk driver starts its
    // file anew when the device is opened again).
    ASSERT_TRUE(program.ClickMain(54, 131));
    size_t from = pausedAt;
    EXPECT_TRUE(program.WaitUntil(
        [&] {
            const size_t now = FileSize(speaker);
            if (now < from)
                from = 0;
            return now >= from + 44100 * 4;
        },
        15000))
        << "nothing played after the pause";

    EXPECT_EQ(program.Close(), 0) << program.Said();
}
