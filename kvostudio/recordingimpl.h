#pragma once
// The recording engine. It captures the singer's voice to the work file
// "Cache" while a .kvo song plays; afterwards a worker thread of its own
// turns the capture into "Cache.mp3". With software mixing the worker
// splits the song, decodes its accompaniment to "TMPWAV", scales the voice,
// shifts it against the accompaniment by the stored offset, adds both with
// saturation into "MixCache" and encodes that; with stereo mixing (the
// sound card already mixed what was heard into the capture) it encodes the
// capture as it is. A re-mix mixes and encodes the kept capture again with
// new settings, reusing "TMPWAV".
//
// Every call but the worker's own steps belongs to the user-interface
// thread. The worker reports through the owner (RecordingOwner): progress
// and hiding go to the progress window by posted calls, and the result is
// posted as ID_CMD_RECORDING_DONE or ID_CMD_RECORDING_FAILED with lParam 0.
// After a failure GetFailureText() says why.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "kvostudio/recordingowner.h"
#include "kvostudio/takeplacement.h"
#include "kvostudio/waveinrecorder.h"

// The work files, all in the per-user data folder.
namespace recfile {
inline constexpr char kCache[] = "Cache";
inline constexpr char kOriginKvo[] = "OriginKVO";
inline constexpr char kParseMp3[] = "PARSEMP3";
inline constexpr char kTmpWav[] = "TMPWAV";
inline constexpr char kMixCache[] = "MixCache";
inline constexpr char kCacheMp3[] = "Cache.mp3";
}  // namespace recfile

// Why a recording failed, as GetFailureText() tells it.
namespace rectext {
inline constexpr char kNoCapture[] = "The recording could not start. ";
inline constexpr char kCaptureIncomplete[] =
    "Part of the recording could not be written to the disk (is it full?).";
inline constexpr char kSongUnreadable[] = "The song's accompaniment could not be read: ";
inline constexpr char kAccompanimentUndecodable[] = "The song's accompaniment could not be decoded: ";
inline constexpr char kAccompanimentUnconvertible[] = "The song's accompaniment could not be converted for mixing: ";
inline constexpr char kAccompanimentMissing[] = "The decoded accompaniment could not be read.";
inline constexpr char kWrongFormat[] = "The audio to mix is not 44100 Hz 16-bit stereo: ";
inline constexpr char kVoiceUnreadable[] = "The recorded voice could not be read.";
inline constexpr char kMixUnwritable[] = "The mix could not be written to the disk (is it full?).";
inline constexpr char kTooLong[] = "The recording is too long for a WAV file.";
inline constexpr char kEncodeFailed[] = "The mix could not be encoded to MP3.";
inline constexpr char kNoWorker[] = "The mixing could not be started.";
inline constexpr char kInternal[] = "The mixing stopped on an unexpected error: ";
}  // namespace rectext

class CRecordingImpl {
public:
    // Deletes "Cache" and "OriginKVO" left by an earlier run.
    CRecordingImpl();
    // Waits for a running worker, destroys the progress window and deletes
    // every work file.
    ~CRecordingImpl();
    CRecordingImpl(const CRecordingImpl&) = delete;
    CRecordingImpl& operator=(const CRecordingImpl&) = delete;

    int SetSongPath(const char* path);
    // Song position in seconds where the capture started (0 until set).
    void SetStartOffset(float seconds);
    float GetStartOffset() const { return m_startOffset; }
    void SetStopPosition(float seconds);
    // The song played to its end, at `seconds`, and so ended the take: the
    // mix ends there too, however long the capture ran on (until the next
    // StartRecording, re-mixes included).
    void SetSongEnd(float seconds);
    // How long the capture must run on past the song's end to hold the
    // voice sung to its last moment, which comes back late by the voice
    // shift (software mixing only; the card's mix is kept as captured).
    int CaptureTailMs() const;
    // While the capture runs: where the song stands for the listener now,
    // as songSecondsNow() tells (the player's position, which counts what
    // has been heard). It is kept with how far the capture has come at
    // the same instant, where the input keeps the sound server's clock;
    // those moments then place the voice against the song as it was
    // heard, whenever the capture began and however the song stalled.
    // The take then lasts from its start to the song's end, or to where
    // the song stood when it was stopped.
    void NoteSongHeard(const std::function<double()>& songSecondsNow);

    // bitrate in kbit/s (64, 128 or 192); mixingType 0 software, 1 stereo.
    // 1 when the capture runs. 0 while recording or while a worker still
    // runs, and, with GetFailureText() saying why, when the song cannot be
    // mixed (checked before the microphone opens) or the capture file or
    // device cannot be opened; no work file is left behind then.
    int StartRecording(RecordingOwner* owner, int bitrate, int mixingType);
    // Ends a capture without mixing it (the song it was for did not play)
    // and deletes its work files. 0 when not recording.
    int CancelRecording();
    // 0 when not recording. Else closes the capture, shows the progress
    // window, starts the worker and returns 1; the result is posted.
    int StopRecording();
    // Mixes and encodes the kept capture again with the settings now in
    // config.ini. 0 while recording or while a worker still runs, and
    // before the first StartRecording; else what StopRecording returns.
    int Remix();

    int IsRecording() const { return m_recording; }
    bool IsEncoding() const { return m_workerRunning; }

    // The product names of the mixer devices, appended in order; 0 when
    // every device was read (kvostudio/mixer.cpp).
    static int ListMixerDevices(std::vector<std::string>& names);
    // Appends the input lines of the capture device(s) of that name.
    static void ListInputLines(const std::string& device, std::vector<std::string>& lines);

    // Why the last start or mix failed; empty after a success.
    std::string GetFailureText() const;
    // What the singer should know of a take that was made all the same
    // (the input went away during it, fell silent, or gave only silence);
    // empty when there is nothing to say. Said once: it is cleared as it
    // is read.
    std::string PopTakeWarning() { return std::exchange(m_takeWarning, {}); }
    // True once the input went away during the take now recording; the
    // owner was sent ID_CMD_RECORDING_INPUT_GONE and is to stop the take.
    bool InputGone() const { return m_recorder.InputGone(); }

    // The finished take ("Cache.mp3") outlives the engine: a take its owner
    // could not save stays where the user can still reach it. The other
    // work files go as always.
    void KeepTake() { m_keepTake = true; }

    // The pause after the worker's job that lets the progress bar finish
    // before its window hides (1000 ms; tests and benchmarks use 0).
    void SetFinishPause(std::chrono::milliseconds pause) { m_finishPause = pause; }

    // The worker's steps (worker thread).
    int MixTracks(const std::string& voicePath);
    int ApplyGain(const std::string& source, const std::string& target, float gainDb);
    int EncodeMp3(const std::string& source, const std::string& target, int bitrate);
    // Encodes the sound card's mix as it was heard through the take.
    int EncodeHeard(const std::string& capture);
    void ReportProgress(int64_t done, int tick);
    void FinishEncoding();

private:
    class EncoderObserver;

    void Reset();
    void LaunchWorker();
    static void OnEncodingThread(CRecordingImpl* self);
    int RunJob();
    bool PrepareSong();
    bool PrepareAccompaniment();
    bool NormaliseAccompaniment(const std::string& path);
    // The take's length in frames: from its start to the song's end, or to
    // where the song stood when the take was stopped, or when its input
    // went away (whatever came first), the voice placed by `stretches`
    // (moved by shiftFrames, 0 for the card's own mix).
    int64_t PlacedFrames(const std::vector<recmix::VoiceStretch>& stretches, int64_t shiftFrames) const;
    // All of them, or all but the finished take.
    void DeleteWorkFiles(bool keepTake = false);
    // Keeps the first reason of a run; returns 0 for `return Fail(...)`.
    int Fail(const std::string& reason);
    void JoinWorker();

    RecordingOwner* m_owner = nullptr;
    int m_recording = 0;
    int64_t m_progressTotal = 0;
    int64_t m_progressDone = 0;
    WaveInRecorder m_recorder;
    std::unique_ptr<RecordingProgress> m_progress;
    int m_result = 0;
    int m_bitrate = 128;
    std::string m_songPath;
    int m_mixingType = 0;
    float m_stopPosition = 0;
    float m_songEnd = -1;          // none
    float m_voiceShiftMs = -200;   // as stored: whole milliseconds
    float m_startOffset = 0;
    float m_voiceGain = 0;
    float m_accompanimentGain = 0;
    int m_accompanimentReady = 0;
    int m_warmedUp = 0;
    bool m_haveTake = false;
    bool m_keepTake = false;

    // Set at start or stop when the take cannot be mixed; the worker fails
    // with it.
    std::string m_takeFailure;
    std::string m_takeWarning;
    // The take's moments (user-interface thread while it records; read by
    // the worker, which starts after the capture ended).
    std::vector<recmix::TakeMoment> m_moments;
    // Where the capture ended because its input went away (capture frame),
    // -1 when it did not.
    int64_t m_inputGoneAtFrame = -1;
    std::chrono::milliseconds m_finishPause{1000};
    int m_postedPercent = -1;
    int m_postedTick = -1;

    std::thread m_worker;
    std::atomic<bool> m_workerRunning{false};
    mutable std::mutex m_failureLock;
    std::string m_failure;
};
