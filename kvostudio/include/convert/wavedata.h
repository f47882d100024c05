#pragma once
// Where the samples of a WAV file are, found without loading it, and the
// plain 44-byte header the program writes in front of PCM data.

#include <cstdint>
#include <cstdio>

struct WaveDataSpan {
    uint64_t offset = 0;  // of the first sample byte
    uint64_t size = 0;    // sample bytes, cut to what the file holds
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint16_t bitsPerSample = 0;
};

enum class WaveDataResult {
    Found,     // a RIFF/WAVE file; span says where its "data" chunk is
    NotRiff,   // no RIFF/WAVE header at all: the caller may take the bytes as raw samples
    Malformed, // RIFF/WAVE, but no "data" chunk inside the file
};

// Walks the chunks of the open file (fileSize bytes) from its start. Every
// chunk size is checked against the file before it is skipped; a data size
// larger than the rest of the file (a capture that was never closed) is cut
// to the rest of the file. Leaves the file position undefined.
WaveDataResult FindWaveData(std::FILE* file, uint64_t fileSize, WaveDataSpan* span);

inline constexpr unsigned kWavePlainHeaderBytes = 44;

// The 44-byte header: RIFF size, fmt size 16, PCM, the format, data size.
void MakePlainWaveHeader(uint8_t out[44], uint32_t riffSize, uint16_t channels, uint32_t sampleRate,
                         uint16_t bitsPerSample, uint32_t dataSize);

// Size of an open file, or -1; the position is kept.
int64_t OpenFileSize(std::FILE* file);
