#include "kvostudio/include/convert/waveparse.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <sys/stat.h>

#include "kvostudio/include/convert/byteorder.h"
#include "kvostudio/usernotice.h"

namespace {

bool ReadExact(FILE* f, void* out, size_t n) { return std::fread(out, 1, n, f) == n; }

bool ReadU32(FILE* f, uint32_t& v) {
    uint8_t b[4];
    if (!ReadExact(f, b, 4)) return false;
    v = Le32(b);
    return true;
}

void PutU16(std::string& out, uint16_t v) {
    out.push_back(char(v & 0xFF));
    out.push_back(char(v >> 8));
}
void PutU32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
}

// In a box on the program's UI thread; the recording engine also loads
// files on its worker, whose notice goes to the log.
void ReportMissingFile(const char* path) { NotifyUser(std::string("File not Found - ") + path); }

struct FileCloser {
    FILE* f;
    ~FileCloser() { if (f) std::fclose(f); }
};

// Moves the file position just behind the next "data" id, looking one byte
// further at each step. False at the end of the file.
bool SeekPastDataId(FILE* f) {
    uint8_t window[4];
    if (!ReadExact(f, window, 4)) return false;
    while (std::memcmp(window, "data", 4) != 0) {
        int c = std::fgetc(f);
        if (c == EOF) return false;
        std::memmove(window, window + 1, 3);
        window[3] = uint8_t(c);
    }
    return true;
}

}  // namespace

int CWaveParse::Load(const char* path) {
    header = WaveHeader{};
    data.clear();
    data.shrink_to_fit();

    FILE* f = path ? std::fopen(path, "rb") : nullptr;
    if (!f) {
        ReportMissingFile(path ? path : "");
        return 0;
    }
    FileCloser closer{f};
    struct stat st {};
    if (fstat(fileno(f), &st) != 0) return 0;
    const uint64_t fileSize = uint64_t(st.st_size);

    WaveHeader h;
    if (!ReadExact(f, h.riffId, 4) || std::memcmp(h.riffId, "RIFF", 4) != 0) return 0;
    if (!ReadU32(f, h.riffSize)) return 0;
    if (!ReadExact(f, h.waveId, 4) || std::memcmp(h.waveId, "WAVE", 4) != 0) return 0;
    if (!ReadExact(f, h.fmtId, 4) || std::memcmp(h.fmtId, "fmt", 3) != 0) return 0;
    if (!ReadU32(f, h.fmtSize)) return 0;
    uint8_t fmt[16];
    if (!ReadExact(f, fmt, sizeof fmt)) return 0;
    h.formatTag = Le16(fmt);
    h.channels = Le16(fmt + 2);
    h.samplesPerSec = Le32(fmt + 4);
    h.avgBytesPerSec = Le32(fmt + 8);
    h.blockAlign = Le16(fmt + 12);
    h.bitsPerSample = Le16(fmt + 14);

    if (!SeekPastDataId(f)) return 0;
    std::memcpy(h.dataId, "data", 4);
    if (!ReadU32(f, h.dataSize)) return 0;

    const long pos = std::ftell(f);
    if (pos < 0 || uint64_t(pos) > fileSize) return 0;
    const uint64_t present = fileSize - uint64_t(pos);
    if (h.dataSize > present) {
        // A file cut short (a crashed capture, a partial copy) keeps what it
        // holds, in whole sample frames so no caller meets half a sample.
        uint64_t size = present;
        if (h.blockAlign > 0) size -= size % h.blockAlign;
        h.dataSize = uint32_t(size);
    }

    std::vector<uint8_t> bytes;
    try {
        bytes.resize(h.dataSize);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (!ReadExact(f, bytes.data(), bytes.size())) return 0;

    header = h;
    data = std::move(bytes);
    return 1;
}

int CWaveParse::Save(const char* path, uint32_t riffSize, uint32_t dataSize, const uint8_t* bytes) {
    if (!path || (dataSize > 0 && !bytes)) return 0;
    std::string head;
    head.reserve(kWaveHeaderBytes);
    head.append(header.riffId, 4);
    PutU32(head, riffSize);
    head.append(header.waveId, 4);
    head.append(header.fmtId, 4);
    PutU32(head, 16);
    PutU16(head, header.formatTag);
    PutU16(head, header.channels);
    PutU32(head, header.samplesPerSec);
    PutU32(head, header.avgBytesPerSec);
    PutU16(head, header.blockAlign);
    PutU16(head, header.bitsPerSample);
    head.append("data", 4);
    PutU32(head, dataSize);

    FILE* f = std::fopen(path, "wb");
    if (!f) return 0;
    bool ok = std::fwrite(head.data(), 1, head.size(), f) == head.size();
    if (ok && dataSize > 0) ok = std::fwrite(bytes, 1, dataSize, f) == dataSize;
    if (std::fclose(f) != 0) ok = false;
    if (!ok) {
        // A half-written WAV would later load as a shorter take without any
        // sign of the failure; leave no file instead.
        std::remove(path);
        return 0;
    }
    return 1;
}
