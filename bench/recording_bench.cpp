// The recording worker on a 4-minute song: decode, gain, shift, mix and
// encode, measured from the stop of the take to the posted result (without
// the pause that lets the progress bar finish; the song was split before
// the take). Beside it, in paired rounds (bench/paired_report.h), the same
// steps as a pipeline of command-line tools, their CPU counted as
// children's, each writing the WAV file the worker writes at that step:
// mpg123 decodes the accompaniment, sox takes the voice 200 ms earlier (the
// worker's gain step, at 0 dB), sox adds the two at full level without
// dither, and lame encodes with the worker's settings (128 kbit/s, plain
// stereo, CRC, no LAME tag, no ReplayGain analysis). Prints the worker's
// ratio to the pipeline.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <optional>

#include "bench/paired_report.h"
#include "kvostudio/recordingimpl.h"
#include "platform/capture/sim_capture.h"
#include "tests/support/bench_song.h"
#include "tests/support/command_output.h"
#include "tests/support/kvo_writer.h"
#include "tests/support/mp3_maker.h"
#include "tests/support/temp_files.h"

namespace {

constexpr double kSongSeconds = testsupport::kBenchSongSeconds;

struct Inputs {
    testsupport::TempDir dir;
    std::string song, accompanimentMp3, voiceWav;
    std::vector<uint8_t> voiceBytes;

    Inputs() {
        using namespace testsupport;
        const Pcm accompaniment = MakePcm(44100, kSongSeconds, {Signal::Sine(440, 0.3), Signal::Noise(0.1, 3)});
        const Pcm voice = MakePcm(44100, kSongSeconds, {Signal::Noise(0.2, 7), Signal::Sine(880, 0.3)});
        KvoContent content;
        content.tag = MakeKvoTag({"Bench", "Artist", u"", "", {}});
        content.head = {1, 2, 3, 4};
        content.stream1 = MakeMp3(accompaniment);
        content.stream2 = MakeMp3(MakeSilence(44100, 2, 1));
        song = dir.File("song.kvo");
        WriteFile(song, WriteKvo(content));
        accompanimentMp3 = dir.File("accompaniment.mp3");
        WriteFile(accompanimentMp3, content.stream1);
        voiceWav = dir.File("voice.wav");
        WriteFile(voiceWav, WavBytes(voice));
        voiceBytes.assign(reinterpret_cast<const uint8_t*>(voice.samples.data()),
                          reinterpret_cast<const uint8_t*>(voice.samples.data() + voice.samples.size()));
        setenv("KVO_DATA_DIR", dir.File("data").c_str(), 1);
    }
};

Inputs& TheInputs() {
    static Inputs inputs;
    return inputs;
}

class WaitingOwner : public RecordingOwner {
public:
    void PostCommand(unsigned code, intptr_t) override {
        std::lock_guard<std::mutex> lock(mutex_);
        code_ = code;
        posted_.notify_all();
    }
    std::unique_ptr<RecordingProgress> CreateProgressWindow() override { return nullptr; }
    unsigned Wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        posted_.wait(lock, [this] { return code_.has_value(); });
        const unsigned code = *code_;
        code_.reset();
        return code;
    }

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::optional<unsigned> code_;
};

void BM_RecordingWorkerBesideToolPipeline(benchmark::State& state) {
    Inputs& in = TheInputs();
    platform::SimCaptureScript script;
    script.bytes = in.voiceBytes;
    script.chunkSizes = {176400};
    auto microphone = std::make_shared<platform::SimCaptureBackend>(script);
    platform::InstallCaptureBackend(microphone);
    WaitingOwner owner;
    CRecordingImpl engine;
    engine.SetFinishPause(std::chrono::milliseconds(0));
    engine.SetSongPath(in.song.c_str());
    std::vector<testsupport::Side> sides = {
        {"recording_worker",
         [&] {
             engine.StopRecording();
             return owner.Wait() == ID_CMD_RECORDING_DONE;
         },
         // The take itself is not measured: only what follows its stop.
         [&] { return engine.StartRecording(&owner, 128, 0) && microphone->WaitUntilFed(120000); }}};
    bool tools = true;
    for (const char* tool : {"mpg123", "sox", "lame"})
        tools = tools && testsupport::HaveTool(tool);
    const std::string wav = in.dir.File("accompaniment.wav"), voice = in.dir.File("voice-shifted.wav");
    const std::string mix = in.dir.File("mix.wav"), out = in.dir.File("pipeline.mp3");
    if (tools)
        sides.push_back({"tool_pipeline", [&] {
                             using testsupport::CommandOutput;
                             return CommandOutput({"mpg123", "-q", "-w", wav, in.accompanimentMp3}) &&
                                    CommandOutput({"sox", "-D", in.voiceWav, voice, "trim", "0.2"}) &&
                                    CommandOutput({"sox", "-D", "-m", "-v", "1", voice, "-v", "1", wav, mix}) &&
                                    CommandOutput({"lame", "--quiet", "--noreplaygain", "-t", "-b", "128", "--cbr",
                                                   "-m", "s", "-p", "--resample", "44.1", mix, out});
                         }});
    else
        std::fprintf(stderr, "mpg123, sox or lame missing: no pipeline beside the worker\n");
    const auto rounds = benchreport::RunAndReport(state, "recording", sides, {{0, 1}});
    if (!rounds.error.empty())
        std::fprintf(stderr, "%s\n", engine.GetFailureText().c_str());
    platform::InstallCaptureBackend(nullptr);
}

}  // namespace

BENCHMARK(BM_RecordingWorkerBesideToolPipeline)->Iterations(1)->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
