// Encoding a four-minute WAV at 128 kbit/s through the encoder module,
// beside the lame command doing the same work on the same file: 44100 Hz,
// plain stereo, CRC, constant bit rate, no LAME tag and no ReplayGain
// analysis (the module does neither). Paired rounds, the command's CPU
// counted as a child's (bench/paired_report.h). Prints the encoder's ratio
// to lame.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/paired_report.h"
#include "kvostudio/include/convert/wavetomp3.h"
#include "tests/support/bench_song.h"
#include "tests/support/command_output.h"
#include "tests/support/mp3_maker.h"

namespace {

using namespace testsupport;

void BM_EncodeBesideLame(benchmark::State& state)
{
    TempDir dir;
    const std::string wav = dir.File("song.wav");
    WriteFile(wav, WavBytes(MakeBenchSong()));
    const std::string ours = dir.File("module.mp3"), theirs = dir.File("command.mp3");
    std::vector<Side> sides = {
        {"encoder_module", [&] { return EncodeMp3(wav.c_str(), ours.c_str(), 128, nullptr) == 1; }}};
    if (HaveTool("lame"))
        sides.push_back({"lame", [&] {
                             return CommandOutput({"lame", "--quiet", "--noreplaygain", "-t", "-b", "128", "--cbr",
                                                   "-m", "s", "-p", "--resample", "44.1", wav, theirs})
                                 .has_value();
                         }});
    benchreport::RunAndReport(state, "encode", sides, {{0, 1}});
}

}  // namespace

BENCHMARK(BM_EncodeBesideLame)->Iterations(1)->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
