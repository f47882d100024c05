#include "kvostudio/include/convert/mp3towave.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "kvostudio/fileproblem.h"
#include "kvostudio/include/convert/mp3decoder.h"
#include "kvostudio/include/convert/wavedata.h"
#include "platform/filemap/regular_file.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - 36;  // what the header's sizes can say

bool ReadWhole(std::FILE* f, std::vector<uint8_t>* out)
{
    const int64_t size = OpenFileSize(f);
    if (size < 0) return false;
    try {
        out->resize(static_cast<size_t>(size));
    } catch (const std::exception&) {
        return false;
    }
    return out->empty() || std::fread(out->data(), 1, out->size(), f) == out->size();
}

}  // namespace

int mp3toWave::Convert(const char* mp3Path, const char* wavPath)
{
    m_lastError.clear();
    if (!wavPath) return kWriteFailed;
    std::remove(wavPath);

    File in(mp3Path ? platform::OpenRegularFileStream(mp3Path) : nullptr);
    if (!in) {
        // A file that is there but is no plain file (a FIFO, a device) is
        // named for what it is.
        const std::string path = mp3Path ? mp3Path : "";
        const std::string why = FileProblemUnopened(path);
        m_lastError = (why.empty() || why == "file not found" ? std::string("File not Found") : why) + " - " + path;
        return kNoInput;
    }
    std::vector<uint8_t> mp3;
    if (!ReadWhole(in.get(), &mp3)) return kNoAudio;
    in.reset();

    File out(std::fopen(wavPath, "wb"));
    if (!out) return kWriteFailed;
    uint8_t header[kWavePlainHeaderBytes] = {};
    bool writeOk = std::fwrite(header, 1, sizeof header, out.get()) == sizeof header;
    uint64_t dataBytes = 0;
    Mp3PcmFormat format;
    Mp3DecodeStats stats;
    const bool decoded = writeOk && DecodeMp3Stream(mp3.data(), mp3.size(), &format, &stats,
                                                    [&](const int16_t* samples, size_t count) {
                                                        const size_t bytes = count * 2;
                                                        if (dataBytes + bytes > kMaxDataBytes ||
                                                            std::fwrite(samples, 2, count, out.get()) != count) {
                                                            writeOk = false;
                                                            return false;
                                                        }
                                                        dataBytes += bytes;
                                                        return true;
                                                    });
    if (decoded && writeOk) {
        MakePlainWaveHeader(header, static_cast<uint32_t>(dataBytes + 36), static_cast<uint16_t>(format.channels),
                            static_cast<uint32_t>(format.sampleRate), 16, static_cast<uint32_t>(dataBytes));
        writeOk = std::fseek(out.get(), 0, SEEK_SET) == 0 && std::fwrite(header, 1, sizeof header, out.get()) == sizeof header;
        writeOk = std::fclose(out.release()) == 0 && writeOk;
    }
    if (decoded && writeOk) return 0;
    out.reset();
    std::remove(wavPath);
    return decoded || !writeOk ? kWriteFailed : kNoAudio;
}
