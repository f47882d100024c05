#include "tests/support/bench_song.h"

namespace testsupport {

Pcm MakeBenchSong(double leftHz, double rightHz, int noiseDivisor)
{
    Pcm pcm = MakePcm(44100, kBenchSongSeconds, {Signal::Sine(leftHz, 0.3), Signal::Sine(rightHz, 0.3)});
    const Pcm noise = MakeNoise(44100, 2, kBenchSongSeconds, 0.1);
    for (size_t i = 0; i < pcm.samples.size(); ++i)
        pcm.samples[i] = static_cast<int16_t>(pcm.samples[i] + noise.samples[i] / noiseDivisor);
    return pcm;
}

}  // namespace testsupport
