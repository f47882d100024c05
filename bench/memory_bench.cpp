// Peak memory of the programs playing a one-hour container: `kvoplay`, and
// the window (`kvostudio /play`, where a display is there), beside the
// container's own size, the window on a three-second song and the window
// with no song. A song should cost its bytes once: the peak less the
// container is what playing costs, and the goal is the container + 64 MB;
// each figure is printed beside its floor.
//
// The container is made by the tests' writer from the four-minute
// benchmark song repeated to an hour. Each program plays for a few seconds
// on SDL's dummy driver and is asked to end; its high-water mark of
// resident memory (VmHWM, the maximum resident set `time -v` reports) is
// followed through the whole run, its ending included, and the report
// says when the peak was reached: a peak still rising at the end of the
// run would need a longer one. (The child's maximum resident set as wait4
// reports it would not do: a child spawned from this large process
// starts out counted at this process's size.)
// KVO_BENCH_PROGRAMS names another folder of programs to measure (an
// earlier build, for a before-and-after in one run).

#include <benchmark/benchmark.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "kvostudio/folders.h"
#include "tests/support/bench_song.h"
#include "tests/support/child_process.h"
#include "tests/support/kvo_writer.h"
#include "tests/support/mp3_maker.h"
#include "tests/support/temp_files.h"

namespace {

using namespace testsupport;

constexpr int kRepeatsToAnHour = 15;
constexpr double kGoalBeyondSongMb = 64;

std::string Programs()
{
    const char* other = std::getenv("KVO_BENCH_PROGRAMS");
    if (other && *other) {
        std::string dir = other;
        return dir.back() == '/' ? dir : dir + "/";
    }
    return GetProgramFolder();
}

struct Songs {
    TempDir dir;
    std::string hour = dir.File("hour.kvo");
    std::string short3s = dir.File("three seconds.kvo");
    double hourMb = 0;

    Songs()
    {
        // Streams without an Info frame, so that repeats join into one
        // stream whose length is its size.
        Mp3Options plain;
        plain.infoFrame = false;
        const auto piece1 = MakeMp3(MakeBenchSong(), plain);
        const auto piece2 = MakeMp3(MakeBenchSong(440.0, 660.0, 2), plain);
        KvoContent content;
        content.tag = MakeKvoTag({"An hour", "The bench", u"", "", {}});
        for (int i = 0; i < kRepeatsToAnHour; ++i) {
            content.stream1.insert(content.stream1.end(), piece1.begin(), piece1.end());
            content.stream2.insert(content.stream2.end(), piece2.begin(), piece2.end());
        }
        content.pieceSize = 64 * 1024;
        const auto bytes = WriteKvo(content);
        WriteFile(hour, bytes);
        hourMb = double(bytes.size()) / (1024.0 * 1024.0);

        KvoContent little;
        little.tag = content.tag;
        little.stream1 = MakeMp3(MakeTone(44100, 2, 3.0, 440.0, 0.3));
        little.stream2 = MakeMp3(MakeTone(44100, 2, 3.0, 660.0, 0.3));
        WriteFile(short3s, WriteKvo(little));
    }
};

Songs& TheSongs()
{
    static Songs songs;
    return songs;
}

constexpr double kRunSeconds = 6;   // long enough to open the song and play into it
constexpr double kNoiseMb = 1;      // growth smaller than this is not a rise

// High-water mark of a running process's resident size, in MB; 0 when it
// is gone.
double HighWaterMb(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024.0;
    return 0;
}

void Measure(benchmark::State& state, const char* what, const std::vector<std::string>& argv, double songMb)
{
    TempDir data, runtime;
    chmod(runtime.Path().c_str(), 0700);
    const std::vector<std::string> env = {"SDL_AUDIODRIVER=dummy", "KVO_DATA_DIR=" + data.Path() + "/",
                                          "XDG_RUNTIME_DIR=" + runtime.Path(), "KVO_SERVICE_URL=",
                                          "NO_AT_BRIDGE=1"};
    double peak = 0, reachedAt = 0;
    bool grewWhileEnding = false;
    for (auto _ : state) {
        ChildProcess child;
        if (!child.Start(argv, env)) {
            state.SkipWithError(("cannot start " + argv[0]).c_str());
            return;
        }
        using Clock = std::chrono::steady_clock;
        const auto begin = Clock::now();
        const auto seconds = [&] { return std::chrono::duration<double>(Clock::now() - begin).count(); };
        std::vector<std::pair<double, double>> marks;  // (seconds, MB)
        while (seconds() < kRunSeconds) {
            if (child.Wait(0)) {
                state.SkipWithError((argv[0] + " ended early: " + child.Err()).c_str());
                return;
            }
            marks.emplace_back(seconds(), HighWaterMb(child.Pid()));
            // A sampling pace, not a wait for a state: the mark only grows.
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        const double played = marks.empty() ? 0 : marks.back().second;
        // Ending may take memory too (the window closes, settings are
        // saved): the mark is followed until the process is gone.
        child.Terminate();
        double ending = played;
        while (!child.Wait(0)) {
            if (seconds() > kRunSeconds + 10) {
                state.SkipWithError((argv[0] + " did not end when asked").c_str());
                return;
            }
            ending = std::max(ending, HighWaterMb(child.Pid()));
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        peak = ending;
        grewWhileEnding = ending > played + kNoiseMb;
        // When the mark came within reach of what it was at the end of the
        // run: a few kilobytes more later on are not a rise.
        for (const auto& [at, mark] : marks)
            if (mark >= played - kNoiseMb) {
                reachedAt = at;
                break;
            }
    }
    state.counters["peak_MB"] = peak;
    state.counters["peak_reached_s"] = reachedAt;
    state.counters["song_MB"] = songMb;
    state.counters["peak_less_song_MB"] = peak - songMb;
    char when[64];
    if (grewWhileEnding)
        std::snprintf(when, sizeof when, "reached while it ended");
    else if (reachedAt >= kRunSeconds - 1.0)
        std::snprintf(when, sizeof when, "still rising at the end of the run");
    else
        std::snprintf(when, sizeof when, "reached %.1f s into the run", reachedAt);
    if (songMb > 0)
        std::fprintf(stderr, "%s: peak %.1f MB (%s) = the container's %.1f MB + %.1f MB (goal: + %.0f MB)\n", what,
                     peak, when, songMb, peak - songMb, kGoalBeyondSongMb);
    else
        std::fprintf(stderr, "%s: peak %.1f MB (%s)\n", what, peak, when);
}

void BM_KvoplayOneHour(benchmark::State& state)
{
    Songs& s = TheSongs();
    Measure(state, "kvoplay, one-hour container", {Programs() + "kvoplay", s.hour}, s.hourMb);
}

bool HaveDisplay(benchmark::State& state)
{
    if (std::getenv("DISPLAY"))
        return true;
    state.SkipWithError("no X display (run under xvfb-run)");
    return false;
}

void BM_WindowNoSong(benchmark::State& state)
{
    if (HaveDisplay(state))
        Measure(state, "window, no song", {Programs() + "kvostudio"}, 0);
}

void BM_WindowThreeSeconds(benchmark::State& state)
{
    if (HaveDisplay(state))
        Measure(state, "window, three-second song", {Programs() + "kvostudio", "/play", TheSongs().short3s}, 0);
}

void BM_WindowOneHour(benchmark::State& state)
{
    Songs& s = TheSongs();
    if (HaveDisplay(state))
        Measure(state, "window, one-hour container", {Programs() + "kvostudio", "/play", s.hour}, s.hourMb);
}

}  // namespace

BENCHMARK(BM_KvoplayOneHour)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_WindowNoSong)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_WindowThreeSeconds)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_WindowOneHour)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_MAIN();
