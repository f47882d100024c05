// The recording worker's steps: the accompaniment from the song, the gains,
// the shifted mix, the encoding and the progress they report.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "kvostudio/global.h"
#include "kvostudio/include/convert/auxiliary.h"
#include "kvostudio/include/convert/mp3towave.h"
#include "kvostudio/include/convert/waveparse.h"
#include "kvostudio/include/convert/wavetomp3.h"
#include "kvostudio/recordingimpl.h"
#include "kvostudio/recordingmix.h"
#include "kvostudio/settings.h"
#include "kvostudio/takeplacement.h"

namespace {

std::string WorkPath(const char* name) { return GetUserDataFilePath(name); }

// The one layout the byte arithmetic of the mix holds for.
bool IsMixFormat(const WaveHeader& h) {
    return h.formatTag == 1 && h.channels == 2 && h.samplesPerSec == 44100 && h.bitsPerSample == 16;
}

std::string FormatText(const WaveHeader& h) {
    return std::to_string(h.samplesPerSec) + " Hz, " + std::to_string(h.bitsPerSample) + " bit, " +
           std::to_string(h.channels) + " channel(s)";
}

}  // namespace

// Progress and failures of the encoder reach the engine through this.
class CRecordingImpl::EncoderObserver final : public Mp3EncodeObserver {
public:
    explicit EncoderObserver(CRecordingImpl& engine) : engine_(engine) {}
    void SetProgressTotal(int64_t total) override { engine_.m_progressTotal = total; }
    void SetProgressDone(int64_t done) override { engine_.m_progressDone = done; }
    void ReportProgress() override { engine_.ReportProgress(0, 0); }
    void ShowError(const char* text) override { engine_.Fail(text ? text : rectext::kEncodeFailed); }

private:
    CRecordingImpl& engine_;
};

void CRecordingImpl::ReportProgress(int64_t done, int tick) {
    if (m_progressTotal == 0) return;
    if (done != 0) m_progressDone = done;
    const int percent = recmix::ProgressPercent(m_progressDone, m_progressTotal);
    // The encoder reports every few kilobytes; the window only needs to
    // hear of a change.
    if (!m_progress || (percent == m_postedPercent && tick == 0)) return;
    m_postedPercent = percent;
    m_postedTick = tick;
    m_progress->PostTargetPercent(percent, tick);
}

int64_t CRecordingImpl::PlacedFrames(const std::vector<recmix::VoiceStretch>& stretches, int64_t shiftFrames) const {
    const float end = m_songEnd >= 0 ? m_songEnd : m_stopPosition;
    int64_t frames = int64_t(std::llround((double(end) - double(std::max(m_startOffset, 0.0f))) * recmix::kSampleRate));
    // The owner stops a take whose input went away as soon as it hears of
    // it; the take ends where the voice did, however late that was.
    if (m_inputGoneAtFrame >= 0)
        frames = std::min(frames, recmix::SongFrameWhereCaptureEnds(stretches, m_inputGoneAtFrame + shiftFrames));
    return frames;
}

int CRecordingImpl::EncodeHeard(const std::string& capture) {
    // The sound card's mix holds what was heard: it is kept from where the
    // song was first heard to its end, stalls and all.
    const std::vector<recmix::VoiceStretch> stretches =
        recmix::PlaceVoice(m_moments, recmix::OffsetBytes(m_startOffset) / recmix::kFrameBytes);
    const int64_t frames = PlacedFrames(stretches, 0);
    if (stretches.empty() || frames <= 0) return EncodeMp3(capture, WorkPath(recfile::kCacheMp3), m_bitrate);
    CWaveParse wave;
    if (!wave.Load(capture.c_str())) return Fail(rectext::kVoiceUnreadable);
    if (!IsMixFormat(wave.header)) return Fail(rectext::kWrongFormat + FormatText(wave.header));
    const std::vector<uint8_t> heard = recmix::CutPlaced(wave.data.data(), wave.data.size(), stretches, frames);
    const std::string cut = WorkPath(recfile::kMixCache);
    const uint32_t bytes = uint32_t(heard.size());
    if (!wave.Save(cut.c_str(), recmix::PlainRiffSize(bytes), bytes, heard.data())) return Fail(rectext::kMixUnwritable);
    return EncodeMp3(cut, WorkPath(recfile::kCacheMp3), m_bitrate);
}

int CRecordingImpl::EncodeMp3(const std::string& source, const std::string& target, int bitrate) {
    EncoderObserver observer(*this);
    const int result = ::EncodeMp3(source.c_str(), target.c_str(), bitrate, &observer);
    // The encoder's own message, when it gave one, is kept as the reason.
    return result ? 1 : Fail(rectext::kEncodeFailed);
}

int CRecordingImpl::ApplyGain(const std::string& source, const std::string& target, float gainDb) {
    CWaveParse wave;
    if (!wave.Load(source.c_str())) return Fail(rectext::kVoiceUnreadable);
    if (!IsMixFormat(wave.header)) return Fail(rectext::kWrongFormat + FormatText(wave.header));
    const uint32_t size = uint32_t(wave.data.size());
    if (size > std::numeric_limits<uint32_t>::max() - 36) return Fail(rectext::kTooLong);
    // Scaled in place: the capture in memory is not needed unscaled again.
    recmix::ApplyGainToBuffer(wave.data.data(), wave.data.data(), size, gainDb);
    if (!wave.Save(target.c_str(), recmix::PlainRiffSize(size), size, wave.data.data()))
        return Fail(rectext::kMixUnwritable);
    return 1;
}

int CRecordingImpl::MixTracks(const std::string& voicePath) {
    const int64_t start = recmix::OffsetBytes(m_startOffset);
    const int64_t shift = recmix::ShiftBytes(m_voiceShiftMs);
    m_progressTotal = 100;
    ReportProgress(50, 600);

    if (m_accompanimentReady != 1 && !PrepareAccompaniment()) return 0;
    ReportProgress(60, 33);

    // "TMPWAV" stays unscaled for the re-mixes; the accompaniment's gain is
    // applied in memory as it is added.
    const std::string mixCache = WorkPath(recfile::kMixCache);
    if (!ApplyGain(voicePath, mixCache, m_voiceGain)) return 0;
    ReportProgress(65, 0);

    CWaveParse accompaniment;
    CWaveParse voice;
    if (!accompaniment.Load(WorkPath(recfile::kTmpWav).c_str())) return Fail(rectext::kAccompanimentMissing);
    if (!IsMixFormat(accompaniment.header)) return Fail(rectext::kWrongFormat + FormatText(accompaniment.header));
    if (!voice.Load(mixCache.c_str())) return Fail(rectext::kVoiceUnreadable);
    if (!IsMixFormat(voice.header)) return Fail(rectext::kWrongFormat + FormatText(voice.header));

    // With the sound server's account of the take, the voice meets the
    // song as it was heard, for as long as the song was heard. The stored
    // shift's default stands for the latency of a sound card that cannot
    // be asked; the server's account already holds that latency, so only
    // what the user set beyond the default moves the voice.
    const std::vector<recmix::VoiceStretch> stretches = recmix::PlaceVoice(m_moments, start / recmix::kFrameBytes);
    const int64_t placedShift = recmix::ShiftBytes(m_voiceShiftMs - float(config::kDefaultVoiceShiftMs)) /
                                recmix::kFrameBytes;
    const int64_t placedFrames = PlacedFrames(stretches, placedShift);
    if (!stretches.empty() && placedFrames > 0) {
        std::vector<uint8_t> mix = recmix::MixPlaced(voice.data.data(), voice.data.size(), accompaniment.data.data(),
                                                     accompaniment.data.size(), stretches,
                                                     start / recmix::kFrameBytes, placedShift, placedFrames,
                                                     m_accompanimentGain);
        std::vector<uint8_t>().swap(accompaniment.data);
        std::vector<uint8_t>().swap(voice.data);
        ReportProgress(70, 0);
        if (mix.size() > std::numeric_limits<uint32_t>::max() - 36) return Fail(rectext::kTooLong);
        const uint32_t bytes = uint32_t(mix.size());
        if (!accompaniment.Save(mixCache.c_str(), recmix::PlainRiffSize(bytes), bytes, mix.data()))
            return Fail(rectext::kMixUnwritable);
        ReportProgress(80, 0);
        return EncodeMp3(mixCache, WorkPath(recfile::kCacheMp3), m_bitrate);
    }

    recmix::MixPlan plan =
        recmix::PlanMix(start, shift, uint32_t(voice.data.size()), uint32_t(accompaniment.data.size()));
    // What the capture holds past the song's end is the time it took to see
    // the song end: a take ends with its song.
    if (m_songEnd >= 0) plan = recmix::EndMixAt(plan, recmix::OffsetBytes(m_songEnd));
    recmix::MixInto(voice.data.data(), accompaniment.data.data(), plan, m_accompanimentGain);
    std::vector<uint8_t>().swap(accompaniment.data);
    ReportProgress(70, 0);

    if (plan.outputBytes > std::numeric_limits<uint32_t>::max() - 36) return Fail(rectext::kTooLong);
    if (!accompaniment.Save(mixCache.c_str(), recmix::PlainRiffSize(plan.outputBytes), plan.outputBytes,
                            voice.data.data() + plan.outputStart))
        return Fail(rectext::kMixUnwritable);
    std::vector<uint8_t>().swap(voice.data);
    ReportProgress(80, 0);

    return EncodeMp3(mixCache, WorkPath(recfile::kCacheMp3), m_bitrate);
}
