#include "kvostudio/include/convert/wavedata.h"

#include <cstring>

#include "kvostudio/include/convert/byteorder.h"

namespace {

void PutLe(uint8_t* p, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

bool ReadAt(std::FILE* f, uint64_t at, void* out, size_t n)
{
    if (fseeko(f, static_cast<off_t>(at), SEEK_SET) != 0) return false;
    return std::fread(out, 1, n, f) == n;
}

}  // namespace

int64_t OpenFileSize(std::FILE* f)
{
    const off_t here = ftello(f);
    if (here < 0 || fseeko(f, 0, SEEK_END) != 0) return -1;
    const off_t end = ftello(f);
    if (fseeko(f, here, SEEK_SET) != 0) return -1;
    return end;
}

WaveDataResult FindWaveData(std::FILE* f, uint64_t fileSize, WaveDataSpan* span)
{
    uint8_t head[12];
    if (fileSize < 12 || !ReadAt(f, 0, head, 12) || std::memcmp(head, "RIFF", 4) != 0 ||
        std::memcmp(head + 8, "WAVE", 4) != 0)
        return WaveDataResult::NotRiff;

    *span = WaveDataSpan{};
    uint64_t at = 12;
    while (at + 8 <= fileSize) {
        uint8_t chunk[8];
        if (!ReadAt(f, at, chunk, 8)) break;
        const uint64_t size = Le32(chunk + 4);
        const uint64_t body = at + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16 && body + 16 <= fileSize) {
            uint8_t fmt[16];
            if (!ReadAt(f, body, fmt, 16)) break;
            span->channels = Le16(fmt + 2);
            span->sampleRate = Le32(fmt + 4);
            span->bitsPerSample = Le16(fmt + 14);
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            span->offset = body;
            span->size = size <= fileSize - body ? size : fileSize - body;
            return WaveDataResult::Found;
        }
        // Chunks are word aligned: an odd size is followed by a pad byte.
        at = body + size + (size & 1);
    }
    return WaveDataResult::Malformed;
}

void MakePlainWaveHeader(uint8_t out[44], uint32_t riffSize, uint16_t channels, uint32_t sampleRate,
                         uint16_t bitsPerSample, uint32_t dataSize)
{
    const uint32_t blockAlign = static_cast<uint32_t>(channels) * ((bitsPerSample + 7u) / 8u);
    std::memcpy(out, "RIFF", 4);
    PutLe(out + 4, riffSize, 4);
    std::memcpy(out + 8, "WAVE", 4);
    std::memcpy(out + 12, "fmt ", 4);
    PutLe(out + 16, 16, 4);
    PutLe(out + 20, 1, 2);
    PutLe(out + 22, channels, 2);
    PutLe(out + 24, sampleRate, 4);
    PutLe(out + 28, sampleRate * blockAlign, 4);
    PutLe(out + 32, blockAlign, 2);
    PutLe(out + 34, bitsPerSample, 2);
    std::memcpy(out + 36, "data", 4);
    PutLe(out + 40, dataSize, 4);
}
