// Decoding and mixing a four-minute song with two 128 kbit/s streams on the
// simulated sound device running as fast as it can, beside libmad decoding
// the same two streams alone (the floor) and `mpg123 -t` decoding them (a
// peer), in the same run. The one-stream player is measured on one stream
// beside libmad alone and `mpg123 -t` on the same file. Each result also
// reports how many times faster than real time it ran ("x_realtime").

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "libkvo/src/duoplayer.h"
#include "libkvo/src/streamdecoder.h"
#include "mp3file/src/soloplayer.h"
#include "platform/audio/audio_output.h"
#include "platform/audio/sim_output.h"
#include "platform/thread/event.h"
#include "tests/support/bench_song.h"
#include "tests/support/mp3_maker.h"

namespace {

using namespace testsupport;

constexpr double kSeconds = kBenchSongSeconds;

struct Song {
    TempDir dir;
    std::vector<uint8_t> accompaniment, vocal;
    std::string path1 = dir.File("accompaniment.mp3"), path2 = dir.File("vocal.mp3");
    Song()
    {
        accompaniment = MakeMp3(MakeBenchSong());
        vocal = MakeMp3(MakeBenchSong(440.0, 660.0, 2));
        WriteFile(path1, accompaniment);
        WriteFile(path2, vocal);
    }
};

Song& TheSong()
{
    static Song song;
    return song;
}

void ReportRealTime(benchmark::State& state)
{
    state.counters["x_realtime"] =
        benchmark::Counter(kSeconds * double(state.iterations()), benchmark::Counter::kIsRate);
}

class StopWaiter : public MP3CallBack {
public:
    int OnPlayerMessage(uint32_t kind, uintptr_t, uintptr_t) override
    {
        if (kind == MP3_MSG_STOP)
            stopped.Set();
        return 0;
    }
    platform::Event stopped{false};
};

void BM_DuoPlayerMix(benchmark::State& state)
{
    Song& s = TheSong();
    auto sim = std::make_shared<platform::audio::SimulatedOutput>();
    sim->KeepRecordedBytes(false);  // a sound card keeps nothing either
    platform::audio::UseSimulatedOutput(sim);
    CDuoPlayer* player = CreateDuoPlayer();
    StopWaiter waiter;
    player->SetCallbackFunc(&waiter, MP3_MSG_STOP);
    player->OpenStream(0, 0, s.accompaniment.data(), uint32_t(s.accompaniment.size()), s.vocal.data(),
                       uint32_t(s.vocal.size()), 500);
    player->SetMixLevel(0.8f);
    for (auto _ : state) {
        waiter.stopped.Reset();
        sim->ClearRecorded();
        if (!player->Play()) {
            state.SkipWithError(player->GetError());
            break;
        }
        waiter.stopped.Wait();
    }
    player->Release();
    platform::audio::UseSdlOutput();
    ReportRealTime(state);
}

void BM_SoloPlayerOneStream(benchmark::State& state)
{
    Song& s = TheSong();
    auto sim = std::make_shared<platform::audio::SimulatedOutput>();
    sim->KeepRecordedBytes(false);  // a sound card keeps nothing either
    platform::audio::UseSimulatedOutput(sim);
    CSoloPlayer* player = CreateSoloPlayer();
    static platform::Event done(false);
    player->SetCallbackFunc(
        [](uint32_t kind, uintptr_t, uintptr_t) {
            if (kind == MP3_MSG_STOP)
                done.Set();
            return 0;
        },
        MP3_MSG_STOP);
    player->Open_Mp3File(s.path1.c_str(), 500, 0, 0);
    for (auto _ : state) {
        done.Reset();
        sim->ClearRecorded();
        player->Play();
        done.Wait();
    }
    player->Release();
    platform::audio::UseSdlOutput();
    ReportRealTime(state);
}

// The floor: libmad decoding and synthesising the streams, nothing else.
void DecodeAlone(const std::vector<uint8_t>& mp3)
{
    StreamDecoder d;
    std::vector<uint8_t> data(mp3);
    data.resize(data.size() + MAD_BUFFER_GUARD, 0);
    d.SetBuffer(data.data(), data.size(), nullptr, true);
    for (;;) {
        const auto r = d.DecodeFrame();
        if (r == StreamDecoder::Result::Recoverable)
            continue;
        if (r != StreamDecoder::Result::Ok)
            break;
        d.Synth();
        benchmark::DoNotOptimize(d.Pcm().samples[0][0]);
    }
}

void BM_LibmadTwoStreamsAlone(benchmark::State& state)
{
    Song& s = TheSong();
    for (auto _ : state) {
        DecodeAlone(s.accompaniment);
        DecodeAlone(s.vocal);
    }
    ReportRealTime(state);
}

void BM_LibmadOneStreamAlone(benchmark::State& state)
{
    Song& s = TheSong();
    for (auto _ : state)
        DecodeAlone(s.accompaniment);
    ReportRealTime(state);
}

void RunCommand(benchmark::State& state, const std::string& command)
{
    if (std::system("command -v mpg123 >/dev/null 2>&1") != 0) {
        state.SkipWithError("mpg123 is not installed");
        return;
    }
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError(("failed: " + command).c_str());
            break;
        }
    }
    ReportRealTime(state);
}

void BM_Mpg123TwoStreams(benchmark::State& state)
{
    Song& s = TheSong();
    RunCommand(state, "mpg123 -q -t '" + s.path1 + "' && mpg123 -q -t '" + s.path2 + "'");
}

void BM_Mpg123OneStream(benchmark::State& state)
{
    Song& s = TheSong();
    RunCommand(state, "mpg123 -q -t '" + s.path1 + "'");
}

}  // namespace

// Each figure is the median of five runs. "Time" is wall time; "CPU" is the
// CPU time of the whole process (every thread of the player and the device)
// over the same run, the figure to set beside bare libmad, which a busy
// machine moves much less than wall time.
void Measured(benchmark::internal::Benchmark* b)
{
    b->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->MinTime(1.0)->Repetitions(5)
        ->ReportAggregatesOnly(true);
}
BENCHMARK(BM_DuoPlayerMix)->Apply(Measured);
BENCHMARK(BM_LibmadTwoStreamsAlone)->Apply(Measured);
BENCHMARK(BM_Mpg123TwoStreams)->Apply(Measured);
BENCHMARK(BM_SoloPlayerOneStream)->Apply(Measured);
BENCHMARK(BM_LibmadOneStreamAlone)->Apply(Measured);
BENCHMARK(BM_Mpg123OneStream)->Apply(Measured);
BENCHMARK_MAIN();
