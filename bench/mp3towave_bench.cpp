// Converting a four-minute MP3 to WAV, beside libmad decoding the same file
// to a WAV with nothing else (the floor: decode, synthesise, round to 16
// bits, write a frame at a time) and `mpg123 -w` (a peer, its CPU counted as a child's), in
// paired rounds (bench/paired_report.h). Prints the converter's ratios to
// both.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "bench/paired_report.h"
#include "kvostudio/include/convert/mp3towave.h"
#include "libkvo/src/streamdecoder.h"
#include "tests/support/bench_song.h"
#include "tests/support/command_output.h"
#include "tests/support/mp3_maker.h"

namespace {

using namespace testsupport;

// The floor: libmad decodes and synthesises each frame, each sample is
// rounded and clipped to 16 bits, and the frame's samples are written at
// once behind a WAV header that is completed at the end.
void PutLe(std::vector<uint8_t>& out, size_t at, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out[at + size_t(i)] = uint8_t(v >> (8 * i));
}

std::vector<uint8_t> WavHeader(uint32_t rate, uint16_t channels, uint32_t dataBytes)
{
    std::vector<uint8_t> h(44, 0);
    std::copy_n("RIFF", 4, h.begin());
    PutLe(h, 4, 36 + dataBytes, 4);
    std::copy_n("WAVEfmt ", 8, h.begin() + 8);
    PutLe(h, 16, 16, 4);
    PutLe(h, 20, 1, 2);
    PutLe(h, 22, channels, 2);
    PutLe(h, 24, rate, 4);
    PutLe(h, 28, rate * channels * 2, 4);
    PutLe(h, 32, channels * 2, 2);
    PutLe(h, 34, 16, 2);
    std::copy_n("data", 4, h.begin() + 36);
    PutLe(h, 40, dataBytes, 4);
    return h;
}

int16_t Rounded(mad_fixed_t s)
{
    s += 1L << (MAD_F_FRACBITS - 16);
    s = s >= MAD_F_ONE ? MAD_F_ONE - 1 : (s < -MAD_F_ONE ? -MAD_F_ONE : s);
    return int16_t(s >> (MAD_F_FRACBITS + 1 - 16));
}

bool LibmadToWav(const std::string& mp3, const std::string& wav)
{
    std::vector<uint8_t> data = ReadFile(mp3);
    data.resize(data.size() + MAD_BUFFER_GUARD, 0);
    StreamDecoder d;
    d.SetBuffer(data.data(), data.size(), nullptr, true);
    std::FILE* out = std::fopen(wav.c_str(), "wb");
    if (!out)
        return false;
    std::vector<uint8_t> header = WavHeader(44100, 2, 0);
    std::fwrite(header.data(), 1, header.size(), out);
    std::vector<int16_t> frame(2 * 1152);
    uint32_t bytes = 0, rate = 0;
    uint16_t channels = 0;
    for (;;) {
        const auto r = d.DecodeFrame();
        if (r == StreamDecoder::Result::Recoverable)
            continue;
        if (r != StreamDecoder::Result::Ok)
            break;
        d.Synth();
        const mad_pcm& pcm = d.Pcm();
        rate = pcm.samplerate;
        channels = pcm.channels;
        for (unsigned i = 0; i < pcm.length; ++i)
            for (unsigned c = 0; c < pcm.channels; ++c)
                frame[i * pcm.channels + c] = Rounded(pcm.samples[c][i]);
        const size_t n = size_t(pcm.length) * pcm.channels * 2;
        std::fwrite(frame.data(), 1, n, out);
        bytes += uint32_t(n);
    }
    header = WavHeader(rate, channels, bytes);
    std::fseek(out, 0, SEEK_SET);
    std::fwrite(header.data(), 1, header.size(), out);
    return std::fclose(out) == 0 && bytes > 0;
}

void BM_Mp3ToWaveBesideLibmadAndMpg123(benchmark::State& state)
{
    TempDir dir;
    const std::string mp3 = dir.File("song.mp3");
    WriteFile(mp3, MakeMp3(MakeBenchSong()));
    mp3toWave converter;
    std::vector<Side> sides = {
        {"mp3towave", [&] { return converter.Convert(mp3.c_str(), dir.File("ours.wav").c_str()) == 0; }},
        {"libmad_to_wav", [&] { return LibmadToWav(mp3, dir.File("libmad.wav")); }},
    };
    if (HaveTool("mpg123"))
        sides.push_back({"mpg123", [&] {
                             return CommandOutput({"mpg123", "-q", "-w", dir.File("mpg123.wav"), mp3}).has_value();
                         }});
    benchreport::RunAndReport(state, "mp3 to wav", sides, {{0, 1}, {0, 2}});
}

}  // namespace

BENCHMARK(BM_Mp3ToWaveBesideLibmadAndMpg123)->Iterations(1)->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
