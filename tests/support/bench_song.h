// The four-minute song the benchmarks measure on: a two-note chord, one
// note per channel, over quiet noise, which gives an encoder and a decoder
// something with the spread of music rather than a lone tone.
#pragma once

#include "tests/support/pcm_maker.h"

namespace testsupport {

inline constexpr double kBenchSongSeconds = 240.0;

// 44100 Hz stereo. The noise is the same for every call (same seed), so a
// second stream made with other notes shares it; noiseDivisor scales it
// down in whole steps (2: half as loud).
Pcm MakeBenchSong(double leftHz = 220.0, double rightHz = 330.0, int noiseDivisor = 1);

}  // namespace testsupport
