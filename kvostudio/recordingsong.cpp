// The song side of a take: before the microphone opens, the song's
// accompaniment stream is cut out of its container and checked to decode;
// after the capture the worker decodes it and brings it to the take's
// 44100 Hz 16-bit stereo, so any song that plays can be mixed.
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "kvostudio/global.h"
#include "kvostudio/include/convert/auxiliary.h"
#include "kvostudio/include/convert/mp3decoder.h"
#include "kvostudio/include/convert/mp3towave.h"
#include "kvostudio/include/convert/waveparse.h"
#include "kvostudio/recordingimpl.h"
#include "kvostudio/recordingmix.h"
#include "platform/resample/resample.h"

namespace {

// Enough of the stream to meet its first frame behind any tag or junk.
constexpr size_t kProbeBytes = 1 << 20;

std::string WorkPath(const char* name) { return GetUserDataFilePath(name); }

// True when the MP3 file's first stretch holds a frame that decodes.
bool FirstFrameDecodes(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    std::vector<uint8_t> head(kProbeBytes);
    head.resize(std::fread(head.data(), 1, head.size(), file));
    std::fclose(file);
    Mp3PcmFormat format;
    Mp3DecodeStats stats;
    bool decoded = false;
    DecodeMp3Stream(head.data(), head.size(), &format, &stats, [&](const int16_t*, size_t) {
        decoded = true;
        return false;   // one frame tells enough
    });
    return decoded && format.sampleRate > 0 &&
           (format.channels == 1 || format.channels == 2);
}

}  // namespace

bool CRecordingImpl::PrepareSong() {
    for (const char* name : {recfile::kTmpWav, recfile::kOriginKvo, recfile::kParseMp3}) {
        const std::string path = WorkPath(name);
        if (!path.empty()) std::remove(path.c_str());
    }
    const std::string parsed = WorkPath(recfile::kParseMp3);
    if (m_songPath.empty() || parsed.empty()) return Fail(rectext::kSongUnreadable + m_songPath);
    // Cut from the song itself: what the worker mixes is then fixed before
    // the take, whatever happens to the song's file while it is sung.
    CKvoParse splitter;
    if (!splitter.Split(m_songPath.c_str(), parsed.c_str(), nullptr))
        return Fail(rectext::kSongUnreadable + m_songPath);
    if (!FirstFrameDecodes(parsed)) return Fail(rectext::kAccompanimentUndecodable + m_songPath);
    return true;
}

bool CRecordingImpl::PrepareAccompaniment() {
    const std::string parsed = WorkPath(recfile::kParseMp3);
    const std::string decoded = WorkPath(recfile::kTmpWav);
    mp3toWave converter;
    const int converted = converter.Convert(parsed.c_str(), decoded.c_str());
    const std::string decodeError = converter.LastError();
    std::remove(parsed.c_str());
    if (converted == mp3toWave::kNoInput) return Fail(rectext::kSongUnreadable + m_songPath);
    if (converted == mp3toWave::kWriteFailed) return Fail(rectext::kMixUnwritable);
    if (converted != 0) {
        std::remove(decoded.c_str());
        return Fail(rectext::kAccompanimentUndecodable + (decodeError.empty() ? m_songPath : decodeError));
    }
    if (!NormaliseAccompaniment(decoded)) {
        std::remove(decoded.c_str());
        return false;
    }
    return true;
}

bool CRecordingImpl::NormaliseAccompaniment(const std::string& path) {
    CWaveParse wave;
    if (!wave.Load(path.c_str())) return Fail(rectext::kAccompanimentMissing);
    WaveHeader& h = wave.header;
    if (h.formatTag == 1 && h.bitsPerSample == 16 && h.channels == 2 && h.samplesPerSec == 44100) return true;
    if (h.formatTag != 1 || h.bitsPerSample != 16 || (h.channels != 1 && h.channels != 2))
        return Fail(rectext::kAccompanimentUnconvertible + std::to_string(h.channels) + " channel(s), " +
                    std::to_string(h.bitsPerSample) + " bit");

    const size_t frames = wave.data.size() / (2u * h.channels);
    std::vector<int16_t> samples(frames * h.channels);
    std::memcpy(samples.data(), wave.data.data(), samples.size() * 2);
    std::vector<uint8_t>().swap(wave.data);
    if (h.samplesPerSec != 44100) {
        std::vector<int16_t> converted;
        std::string error;
        if (!platform::resample::Resample(samples.data(), frames, h.channels, int(h.samplesPerSec), 44100, converted,
                                          error))
            return Fail(rectext::kAccompanimentUnconvertible + error);
        samples.swap(converted);
    }
    if (h.channels == 1) samples = platform::resample::MonoToStereo(samples.data(), samples.size());

    const uint64_t bytes = uint64_t(samples.size()) * 2;
    if (bytes > std::numeric_limits<uint32_t>::max() - 36) return Fail(rectext::kTooLong);
    h.channels = 2;
    h.samplesPerSec = 44100;
    h.blockAlign = 4;
    h.avgBytesPerSec = 176400;
    if (!wave.Save(path.c_str(), recmix::PlainRiffSize(uint32_t(bytes)), uint32_t(bytes),
                   reinterpret_cast<const uint8_t*>(samples.data())))
        return Fail(rectext::kMixUnwritable);
    return true;
}
