// Converting a four-minute MP3 to WAV, beside mpg123 writing a WAV of the
// same file in the same run.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "kvostudio/include/convert/mp3towave.h"
#include "tests/support/bench_song.h"
#include "tests/support/mp3_maker.h"

namespace {

using namespace testsupport;

struct Song {
    TempDir dir;
    std::string mp3 = dir.File("song.mp3");
    Song()
    {
        WriteFile(mp3, MakeMp3(MakeBenchSong()));
    }
};

Song& TheSong()
{
    static Song song;
    return song;
}

void BM_Mp3ToWave(benchmark::State& state)
{
    Song& s = TheSong();
    const std::string out = s.dir.File("ours.wav");
    mp3toWave converter;
    for (auto _ : state) {
        if (converter.Convert(s.mp3.c_str(), out.c_str()) != 0) state.SkipWithError("conversion failed");
    }
}

void BM_Mpg123Command(benchmark::State& state)
{
    Song& s = TheSong();
    const std::string command = "mpg123 -q -w '" + s.dir.File("mpg123.wav") + "' '" + s.mp3 + "'";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) state.SkipWithError("mpg123 failed");
    }
}

}  // namespace

BENCHMARK(BM_Mp3ToWave)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Mpg123Command)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

BENCHMARK_MAIN();
