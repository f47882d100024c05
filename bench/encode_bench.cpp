// Encoding a four-minute WAV at 128 kbit/s through the encoder module,
// beside the lame command with the same settings (44100 Hz, plain stereo,
// CRC, no tag frame), in the same run on the same file.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "kvostudio/include/convert/wavetomp3.h"
#include "tests/support/bench_song.h"
#include "tests/support/mp3_maker.h"

namespace {

using namespace testsupport;

struct Song {
    TempDir dir;
    std::string wav = dir.File("song.wav");
    Song()
    {
        WriteFile(wav, WavBytes(MakeBenchSong()));
    }
};

Song& TheSong()
{
    static Song song;
    return song;
}

void BM_EncodeMp3(benchmark::State& state)
{
    Song& s = TheSong();
    const std::string out = s.dir.File("module.mp3");
    for (auto _ : state) {
        if (EncodeMp3(s.wav.c_str(), out.c_str(), 128, nullptr) != 1) state.SkipWithError("EncodeMp3 failed");
    }
}

void BM_LameCommand(benchmark::State& state)
{
    Song& s = TheSong();
    const std::string command =
        "lame --quiet -b 128 --cbr -m s -p -t --resample 44.1 '" + s.wav + "' '" + s.dir.File("command.mp3") + "'";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) state.SkipWithError("lame command failed");
    }
}

}  // namespace

BENCHMARK(BM_EncodeMp3)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_LameCommand)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

BENCHMARK_MAIN();
