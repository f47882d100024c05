#include "kvostudio/recordingimpl.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>

#include "kvostudio/global.h"
#include "kvostudio/recordingmix.h"

namespace {

constexpr unsigned kProgressCaptionId = 105;
constexpr std::chrono::milliseconds kWarmUp{500};

std::string WorkPath(const char* name) { return GetUserDataFilePath(name); }

void DeleteWorkFile(const char* name) {
    const std::string path = WorkPath(name);
    if (!path.empty()) std::remove(path.c_str());
}

}  // namespace

CRecordingImpl::CRecordingImpl() {
    m_recorder.Clear();
    DeleteWorkFile(recfile::kCache);
    DeleteWorkFile(recfile::kOriginKvo);
}

CRecordingImpl::~CRecordingImpl() {
    JoinWorker();
    m_recorder.Stop();
    m_progress.reset();
    DeleteWorkFiles(m_keepTake);
}

void CRecordingImpl::DeleteWorkFiles(bool keepTake) {
    for (const char* name : {recfile::kOriginKvo, recfile::kParseMp3, recfile::kTmpWav, recfile::kMixCache,
                             recfile::kCache})
        DeleteWorkFile(name);
    if (!keepTake) DeleteWorkFile(recfile::kCacheMp3);
}

int CRecordingImpl::SetSongPath(const char* path) {
    m_songPath = path ? path : "";
    return 1;
}

void CRecordingImpl::SetStartOffset(float seconds) { m_startOffset = seconds; }

void CRecordingImpl::SetStopPosition(float seconds) { m_stopPosition = seconds; }

void CRecordingImpl::SetSongEnd(float seconds) { m_songEnd = seconds; }

void CRecordingImpl::NoteSongHeard(const std::function<double()>& songSecondsNow) {
    if (!m_recording) return;
    // The song's reading between two of the capture's: a pair is kept only
    // when both of the capture's lie close together.
    constexpr uint64_t kPairedWithinBytes = 4 * 88;   // 2 ms
    uint64_t before = 0, after = 0;
    if (!m_recorder.CapturedBytesNow(before)) return;
    const double song = songSecondsNow();
    if (!m_recorder.CapturedBytesNow(after) || after < before || after - before > kPairedWithinBytes) return;
    m_moments.push_back({int64_t(std::llround(song * recmix::kSampleRate)),
                         int64_t((before + after) / 2 / recmix::kFrameBytes)});
}

int CRecordingImpl::CaptureTailMs() const {
    if (m_mixingType != 0) return 0;
    // A capture may start a little late, or deliver a little slower than
    // the song plays: the mix is cut at the song's end anyway.
    constexpr int kCaptureSlack = 500;
    return (m_voiceShiftMs < 0 ? int(std::ceil(-m_voiceShiftMs)) : 0) + kCaptureSlack;
}

std::string CRecordingImpl::GetFailureText() const {
    std::lock_guard<std::mutex> lock(m_failureLock);
    return m_failure;
}

int CRecordingImpl::Fail(const std::string& reason) {
    std::lock_guard<std::mutex> lock(m_failureLock);
    if (m_failure.empty()) m_failure = reason;
    return 0;
}

void CRecordingImpl::JoinWorker() {
    if (m_worker.joinable()) m_worker.join();
}

void CRecordingImpl::Reset() {
    if (!m_warmedUp) {
        // Opening and closing the capture device once before the first take
        // lets it settle, so the take itself starts on time.
        m_recorder.SetPath(WorkPath(recfile::kCache).c_str());
        if (m_recorder.Start()) {
            std::this_thread::sleep_for(kWarmUp);
            m_recorder.Stop();
        }
        DeleteWorkFile(recfile::kCache);
        m_warmedUp = 1;
    }
    m_progressTotal = 0;
    m_progressDone = 0;
    m_accompanimentReady = 0;
    m_progress.reset();

    float value = float(config::kDefaultVoiceShiftMs);
    if (!ReadConfigFloat(config::kRecord, config::kVoiceShift, &value, config::kDefaultVoiceShift))
        value = float(config::kDefaultVoiceShiftMs);
    m_voiceShiftMs = value;
    value = 0;
    if (!ReadConfigFloat(config::kRecord, config::kVoiceDb, &value, config::kDefaultVoiceDb)) value = 0;
    m_voiceGain = value;
    value = 0;
    if (!ReadConfigFloat(config::kRecord, config::kAccomDb, &value, config::kDefaultAccomDb)) value = 0;
    m_accompanimentGain = value;

    DeleteWorkFile(recfile::kCacheMp3);
    std::lock_guard<std::mutex> lock(m_failureLock);
    m_failure.clear();
}

int CRecordingImpl::StartRecording(RecordingOwner* owner, int bitrate, int mixingType) {
    // The worker still reads the work files and the progress window.
    if (m_recording || m_workerRunning) return 0;
    JoinWorker();
    Reset();
    m_mixingType = mixingType;
    m_owner = owner;
    m_bitrate = bitrate;
    m_takeFailure.clear();
    m_takeWarning.clear();
    m_moments.clear();
    m_inputGoneAtFrame = -1;
    m_haveTake = false;
    m_songEnd = -1;
    const std::string cache = WorkPath(recfile::kCache);
    m_recorder.SetPath(cache.c_str());

    // A song that cannot be mixed is refused while nobody has sung yet.
    if (m_mixingType == 0 && !PrepareSong()) {
        DeleteWorkFiles();
        return 0;
    }
    m_recorder.SetGoneListener([this] {
        if (m_owner) m_owner->PostCommand(ID_CMD_RECORDING_INPUT_GONE, 0);
    });
    if (!m_recorder.Start()) {
        const std::string reason = m_recorder.StartFailure();
        Fail(rectext::kNoCapture + (reason.empty() ? std::string("The input could not be opened.") : reason));
        DeleteWorkFiles();
        return 0;
    }
    m_recording = 1;
    m_haveTake = true;
    return 1;
}

int CRecordingImpl::CancelRecording() {
    if (!m_recording) return 0;
    m_recorder.Stop();
    m_recording = 0;
    m_haveTake = false;
    DeleteWorkFiles();
    return 1;
}

int CRecordingImpl::StopRecording() {
    if (!m_recording) return 0;
    // A take of nothing is no take: it fails instead of being offered, and
    // is not shown as being finished either (the progress window's caption
    // says the recording was completed).
    bool nothingRecorded = false;
    if (m_recorder.Stop()) {
        nothingRecorded = !m_recorder.SilenceFailure().empty();
        if (nothingRecorded)
            m_takeFailure = m_recorder.SilenceFailure();
        else if (m_recorder.WriteFailed())
            m_takeFailure = rectext::kCaptureIncomplete;
        else
            m_takeWarning = m_recorder.TakeWarning();
        m_inputGoneAtFrame =
            m_recorder.InputGone() ? int64_t(m_recorder.GoneAtBytes() / recmix::kFrameBytes) : int64_t(-1);
    }
    m_recording = 0;

    if (!m_progress && m_owner && !nothingRecorded) {
        m_progress = m_owner->CreateProgressWindow();
        if (m_progress) m_progress->SetCaption(LoadFormatString(kProgressCaptionId));
    }
    if (m_progress) m_progress->Show();
    LaunchWorker();
    return 1;
}

void CRecordingImpl::LaunchWorker() {
    JoinWorker();
    m_postedPercent = -1;
    m_postedTick = -1;
    m_workerRunning = true;
    try {
        m_worker = std::thread(&CRecordingImpl::OnEncodingThread, this);
    } catch (const std::system_error&) {
        m_result = Fail(rectext::kNoWorker);
        FinishEncoding();
    }
}

int CRecordingImpl::Remix() {
    if (m_recording || m_workerRunning || !m_owner || !m_haveTake) return 0;
    JoinWorker();
    Reset();
    m_recording = 1;
    m_accompanimentReady = 1;
    DeleteWorkFile(recfile::kMixCache);
    DeleteWorkFile(recfile::kCacheMp3);
    return StopRecording();
}

void CRecordingImpl::OnEncodingThread(CRecordingImpl* self) {
    SetThreadName("%s", "OnEncodingThread Thread!");
    try {
        self->m_result = self->RunJob();
    } catch (const std::exception& e) {
        self->m_result = self->Fail(std::string(rectext::kInternal) + e.what());
    } catch (...) {
        self->m_result = self->Fail(std::string(rectext::kInternal) + "unknown");
    }
    if (self->m_finishPause.count() > 0) {
        std::this_thread::sleep_for(self->m_finishPause / 2);
        std::this_thread::sleep_for(self->m_finishPause - self->m_finishPause / 2);
    }
    try {
        self->FinishEncoding();
    } catch (...) {
        // The owner could not be told; at least a new start is not refused.
        self->m_workerRunning = false;
    }
}

int CRecordingImpl::RunJob() {
    if (!m_takeFailure.empty()) return Fail(m_takeFailure);
    const std::string cache = WorkPath(recfile::kCache);
    if (m_mixingType != 0) return EncodeHeard(cache);
    return MixTracks(cache);
}

void CRecordingImpl::FinishEncoding() {
    if (m_progress) m_progress->PostHide();
    const unsigned code = m_result ? ID_CMD_RECORDING_DONE : ID_CMD_RECORDING_FAILED;
    // From here on the user-interface thread may start again; it joins this
    // thread first, so the post below still sees the same owner.
    m_workerRunning = false;
    if (m_owner) m_owner->PostCommand(code, 0);
}
