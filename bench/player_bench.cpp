// Decoding and mixing a four-minute song with two 128 kbit/s streams on the
// simulated sound device running as fast as it can, beside libmad decoding
// the same two streams alone (the floor) and `mpg123 -t` decoding them (a
// peer, its CPU counted as a child's); and the one-stream player on one
// stream beside libmad alone and `mpg123 -t` on the same file. The sides
// run in paired rounds (bench/paired_report.h); each benchmark prints its
// ratios to the floor and the peer by name, and "x_realtime", how many
// times faster than real time our player ran. Pin it to one core for the
// figures: `taskset -c 2 bench/player_bench`.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench/paired_report.h"
#include "libkvo/src/duoplayer.h"
#include "libkvo/src/streamdecoder.h"
#include "mp3file/src/soloplayer.h"
#include "platform/audio/audio_output.h"
#include "platform/audio/sim_output.h"
#include "platform/thread/event.h"
#include "tests/support/bench_song.h"
#include "tests/support/command_output.h"
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

// The floor: libmad decoding and synthesising the streams, nothing else.
bool DecodeAlone(const std::vector<uint8_t>& mp3)
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
    return true;
}

// The peer, where it is installed: `mpg123 -t` (decode, play nowhere).
void AddMpg123(std::vector<testsupport::Side>& sides, const std::vector<std::string>& paths)
{
    if (!HaveTool("mpg123")) {
        std::fprintf(stderr, "mpg123 is not installed: no peer beside the floor\n");
        return;
    }
    sides.push_back({"mpg123", [paths] {
                         for (const std::string& path : paths)
                             if (!CommandOutput({"mpg123", "-q", "-t", path}))
                                 return false;
                         return true;
                     }});
}

void ReportRealTime(benchmark::State& state, const testsupport::PairedRounds& rounds)
{
    if (!rounds.sides.empty() && rounds.sides[0].MedianWall() > 0)
        state.counters["x_realtime"] = kSeconds / rounds.sides[0].MedianWall();
}

// Our player, the floor and the peer; ratios of ours to each.
void RunSides(benchmark::State& state, const char* title, std::vector<testsupport::Side> sides)
{
    std::vector<benchreport::Ratio> ratios;
    for (size_t i = 1; i < sides.size(); ++i)
        ratios.push_back({0, i});
    ReportRealTime(state, benchreport::RunAndReport(state, title, sides, ratios));
}

void BM_TwoStreams(benchmark::State& state)
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
    std::vector<testsupport::Side> sides = {
        {"duo_player",
         [&] {
             waiter.stopped.Reset();
             sim->ClearRecorded();
             if (!player->Play())
                 return false;
             waiter.stopped.Wait();
             return true;
         }},
        {"libmad_alone", [&] { return DecodeAlone(s.accompaniment) && DecodeAlone(s.vocal); }},
    };
    AddMpg123(sides, {s.path1, s.path2});
    RunSides(state, "two streams", sides);
    player->Release();
    platform::audio::UseSdlOutput();
}

void BM_OneStream(benchmark::State& state)
{
    Song& s = TheSong();
    auto sim = std::make_shared<platform::audio::SimulatedOutput>();
    sim->KeepRecordedBytes(false);
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
    std::vector<testsupport::Side> sides = {
        {"solo_player",
         [&] {
             done.Reset();
             sim->ClearRecorded();
             if (!player->Play())
                 return false;
             done.Wait();
             return true;
         }},
        {"libmad_alone", [&] { return DecodeAlone(s.accompaniment); }},
    };
    AddMpg123(sides, {s.path1});
    RunSides(state, "one stream", sides);
    player->Release();
    platform::audio::UseSdlOutput();
}

}  // namespace

BENCHMARK(BM_TwoStreams)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_OneStream)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_MAIN();
