#pragma once
// PCM WAV files, loaded whole into memory and written back with the plain
// 44-byte header. The recording engine mixes and scales through this class;
// the recorder and the MP3-to-WAV conversion write the same layout.

#include <cstdint>
#include <vector>

// The header record as it sits in a file, ids kept as read.
struct WaveHeader {
    char riffId[4] = {};
    uint32_t riffSize = 0;
    char waveId[4] = {};
    char fmtId[4] = {};
    uint32_t fmtSize = 0;
    uint16_t formatTag = 0;       // 1 = PCM
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    char dataId[4] = {};
    uint32_t dataSize = 0;        // bytes in data
};

inline constexpr uint32_t kWaveHeaderBytes = 44;

class CWaveParse {
public:
    CWaveParse() = default;
    virtual ~CWaveParse() = default;

    // Reads the file whole. 1 when it was read, 0 otherwise; a missing file
    // also tells the user "File not Found - <path>". The "data" chunk is
    // found by a byte-wise search after the 16 format bytes, so an extended
    // fmt chunk or chunks in between are stepped over. A data size that
    // claims more than the file holds is cut to the whole sample frames
    // that are there.
    int Load(const char* path);

    // Writes the loaded header's ids and format fields with the given sizes,
    // then dataSize bytes of data. 1 when the whole file was written, 0 when
    // it could not be created or written (a partial file is removed).
    int Save(const char* path, uint32_t riffSize, uint32_t dataSize, const uint8_t* data);

    // Read and changed directly by the callers: format fields, header.dataSize
    // and the samples (data.size() == header.dataSize after a Load).
    WaveHeader header;
    std::vector<uint8_t> data;
};
