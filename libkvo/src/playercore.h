#pragma once
// The player core shared by the two-stream DuoPlayer and the one-stream
// SoloPlayer. Everything but the interface, the callback form and a few
// operation names in the error texts is the same for both players; the
// number of streams is a parameter of the core.
//
// Threads: the caller's thread runs the operations; one decoding thread per
// Play or PlayLoop decodes, mixes and writes; the callback channel runs the
// caller's callback; the wave-out device reports finished buffers on a
// device thread. The decoding thread owns the decoders and the wave
// buffers; flags the caller sets are atomics read once per frame; volume
// and fades share the fade lock, echo and equalizer the effects lock.

#include <mad.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "libkvo/src/blockqueue.h"
#include "libkvo/src/callbackchannel.h"
#include "libkvo/src/copyqueue.h"
#include "libkvo/src/echo.h"
#include "libkvo/src/eqdesignthread.h"
#include "libkvo/src/eqlatency.h"
#include "libkvo/src/firequalizer.h"
#include "libkvo/src/framescan.h"
#include "libkvo/src/id3reader.h"
#include "libkvo/src/mp3callback.h"
#include "libkvo/src/mixdsp.h"
#include "libkvo/src/playererror.h"
#include "libkvo/src/playerrecords.h"
#include "libkvo/src/playingwindow.h"
#include "libkvo/src/resources.h"
#include "libkvo/src/spectrum.h"
#include "libkvo/src/subband.h"
#include "libkvo/src/waveoutdriver.h"
#include "platform/thread/event.h"

namespace platform {
class FileMapping;
}
class StreamDecoder;

// Operation names that differ between the players' error texts.
struct PlayerNames {
    int version;
    const char* openFile;       // "OpenMp3File"
    const char* openFileEx;     // "OpenMp3FileEx"
    const char* openResource;   // "OpenMp3Resource"
    const char* openShared;     // "_OpenMp3"
    const char* getInfo;        // "GetMp3Info"
    const char* classLoadId3;   // "DuoPlayer::LoadID3"
    const char* classPlayLoop;  // "DuoPlayer::PlayLoopM"
};

class PlayerCore {
public:
    static constexpr int kMaxStreams = 2;

    PlayerCore(int streamCount, const PlayerNames& names);
    ~PlayerCore();
    PlayerCore(const PlayerCore&) = delete;
    PlayerCore& operator=(const PlayerCore&) = delete;

    // Interface and records
    int GetVersion() const { return names_.version; }
    const char* GetError() { return error_.Get(); }
    int EnumerateWaveOut();
    int GetWaveOutInfo(uint32_t index, WAVEOUT_INFO* info);
    int SetWaveOutDevice(int index);
    int GetStatus(MP3_STATUS* status);
    int GetMp3Info(MP3_STREAM_INFO* info);

    // Sources
    int OpenFile(const std::string& path, const std::string& shownPath, int bufferMs, uint32_t offset, uint32_t size);
    int OpenResource(const ResourceModule* module, const char* name, const char* type, int bufferMs,
                     uint32_t offset, uint32_t size);
    int OpenStream(int copy, int managed, const void* const* data, const uint32_t* sizes, int bufferMs);
    int PushData(const void* const* blocks, uint32_t size);
    int IsStreamDataFree(const void* block);
    int GetStreamLoad(STREAM_LOAD_INFO* info);
    int Close();

    // Playing
    int Play();
    int Stop();
    int Pause();
    int Resume();
    int GetPosition(MP3_TIME* time);
    int GetSongLengthHMS(MP3_TIME* length);
    int GetBitrate(int average);
    int SetMixLevel(float level);

    // Seek, loop, reverse
    int Seek(int format, MP3_TIME* time, int method);
    int PlayLoop(int startFormat, MP3_TIME* start, int endFormat, MP3_TIME* end, int repeat);
    int ReverseMode(int enable);

    // Volume and fades
    int SetVolumeMode(int mode);
    int SetVolume(uint32_t left, uint32_t right);
    int SetWaveOutVolume(uint32_t left, uint32_t right);
    int SetPlayerVolume(uint32_t left, uint32_t right);
    int GetVolume(uint32_t* left, uint32_t* right);
    int GetWaveOutVolume(uint32_t* left, uint32_t* right);
    int GetPlayerVolume(uint32_t* left, uint32_t* right);
    int FadeVolume(int mode, int format, MP3_TIME* time, bool full);

    // Effects and equalizers
    int MixChannels(int enable, uint32_t left, uint32_t right);
    int GetVUData(uint32_t* left, uint32_t* right);
    int VocalCut(int enable);
    int EnableEQ(int enable, int fir);
    int CreateEqBands(const int* edges, int count);
    int GetEqBandFrequencies(int* edges);
    int SetEqBands(int fir, int preamp, const int* gains, int count, bool raw);
    int GetEqBands(int fir, int* preamp, int* gains, bool raw);
    int SetSfxParam(int enable, int mode, int delayMs, int inputDb, int echoDb, int outputDb);
    int GetSfxParam(int* mode, int* delayMs, int* inputDb, int* echoDb, int* outputDb);
    int SetSfxModeData(int mode, const int* left, const int* right, int count);
    int GetSfxModeData(int mode, int* left, int* right);

    // Tags and spectrum
    int LoadID3(int version, ID3_INFO* info);
    int GetFFTValues(FFT_STRUCT* fft);

    // Callbacks: an empty handler clears the callback.
    int SetCallback(CallbackChannel::Handler handler, uint32_t mask);

private:
    struct StreamFormat {
        uint32_t sampleRate = 0;
        int layer = 0;
        int mode = 0;
        int channels = 0;
        int emphasis = 0;
        int modeExtension = 0;
        uint32_t bitrate = 0;
        int flags = 0;
        int version = 0;  // 1, 2 or 25
        uint32_t samplesPerFrame = 0;
        uint32_t averageBitrate = 0;
        bool vbr = false;
    };

    struct Stream {
        const uint8_t* data = nullptr;        // start of the audio (tags skipped)
        uint32_t size = 0;                    // audio bytes from data
        const uint8_t* firstFrame = nullptr;
        std::atomic<const uint8_t*> readPos{nullptr};  // where the next play decodes from
        bool id3v1 = false;
        bool id3v2 = false;
        const uint8_t* rawData = nullptr;     // the source as handed over, tags included
        uint32_t rawSize = 0;
        std::atomic<bool> ended{false};       // a managed stream has no more data to come
        BlockQueue blockQueue;
        CopyQueue copyQueue;
        StreamFormat format;
        VbrHeader vbrHeader;
        uint32_t headerOffset = 0;            // from data to the first audio frame
        uint32_t leadIn = 0;                  // bytes of the source before its first audio frame
        std::atomic<uint32_t> bytePosition{0};
        std::atomic<uint32_t> positionBase{0};  // song time at readPos, ms
        // Bitrate of the frames decoded in this play.
        std::atomic<uint32_t> currentBitrate{0};
        std::atomic<uint32_t> framesCounted{0};
        std::atomic<uint64_t> kbpsSum{0};
        std::vector<const uint8_t*> frameIndex;  // frame starts, for reverse play

        uint32_t DataBytes() const { return size > headerOffset ? size - headerOffset : 0; }
        const uint8_t* End() const { return data + size; }
    };

    class Decoding;  // the decoding thread's own state (playercore_thread.cpp)
    friend class Decoding;

    bool IsOpen() const { return streams_[0].data != nullptr || managed_; }
    int Fail(const char* text);
    int FailOp(const char* op, const char* reason);
    int SendEvent(uint32_t asyncKind, uintptr_t wParam = 0, uintptr_t lParam = 0)
    {
        return callbacks_.Send(asyncKind, wParam, lParam);
    }
    // Loop and fade events are sent once per loop or fade: the enter event
    // once, the exit event only after it.
    int EnterOnce(bool PlayerCore::*entered, uint32_t kind);
    void ExitOnce(bool PlayerCore::*entered, bool PlayerCore::*exited, uint32_t kind);
    void StepFades();
    struct FadeDirection;
    void StepFade(const FadeDirection& fade, const FadeDirection& other);
    void RecomputeAppliedGains();
    // Milliseconds of a time in one of the time formats (0 for any other).
    static uint32_t TimeToMs(int format, const MP3_TIME& time);
    uint32_t OffsetForTime(const Stream& s, uint32_t ms) const;
    uint32_t BaseForOffset(uint32_t offset, uint32_t streamBytes) const;
    void PlaceStream(Stream& s, uint32_t offset, uint32_t base);
    bool BuildFrameIndex(Stream& s);

    int OpenShared(int bufferMs);
    // Effects that depend on the opened format (echo ring, equalizer rate).
    void OnSourceOpened();
    // Hooks of the decoding thread for the effects and the output snapshot.
    // OnPlayStarting: the thread starts playing (device open, buffers free).
    // OnPlayEnding: the thread is about to reset and close the device.
    void OnPlayStarting();
    void OnPlayEnding();
    // Channel mix and subband equalizer on a decoded frame, before synthesis.
    void ProcessSubbands(struct mad_frame& frame);
    // Echo and FIR equalizer on a finished buffer of 16-bit stereo; returns
    // the bytes to write from its start (0: nothing yet, the buffer is
    // filled again).
    uint32_t ProcessEffects(int16_t* samples, uint32_t bytes);
    // The equalizer was switched off (or the song ended) while it held
    // samples: EqTailPending is true until DrainEqTail has given them all.
    bool EqTailPending();
    uint32_t DrainEqTail(int16_t* out, uint32_t capacityBytes);
    // The song ended: whatever the equalizer holds is to be drained.
    void EndEqTail();
    // A buffer went to the device / came back and is about to be refilled.
    void NoteBufferWritten(uint32_t index);
    void OnBufferReclaimed(uint32_t index);
    bool FindFirstFrames();
    void ReadFormat(int stream, const struct mad_header& header);
    void ResetSource();
    void EmptyQueues();
    int EnumerateIfNeeded();

    // The decoding thread
    // Starts the decoding thread with playing on and waits until it has
    // opened the device or given up (startResult_ tells which). False, with
    // playing off, when no thread could be created.
    bool StartThread();
    void JoinThread();
    void RewindStreams();
    uint32_t ElapsedMs();
    static void OnWaveOut(WaveOutDriver* driver, uint32_t message, void* instance, uint32_t index, uint32_t bytes);

    // Locks and atomics.
    //
    // Four locks, each guarding the members grouped under its declaration:
    //   fadeMutex_            volume mode, gains, fade progress, the one-shot
    //                         loop and fade event flags;
    //   effectsMutex_         echo, channel mix, both equalizers' settings,
    //                         eq_ and eqGate_ and the run-out flags;
    //   spectrumMutex_        one spectrum query at a time (spectrumFrames_);
    //   outputSnapshotMutex_  ring_, what the device holds of the buffers.
    // Nesting, outer lock first; no other pair is ever held together:
    //   spectrumMutex_ -> outputSnapshotMutex_ (GetFFTValues copies the ring);
    //   spectrumMutex_ -> spectrum_'s own lock;
    //   effectsMutex_ -> eq_'s design lock -> eq_'s table lock (Init, Clear
    //                    and Process run with the effects lock held);
    //   outputSnapshotMutex_ -> waveOut_'s device lock -> the output's own
    //                    lock (GetPosition; the device thread's WOM_DONE
    //                    report touches only atomics and an event);
    //   spectrumMutex_ or effectsMutex_ -> error_'s lock (Fail), which takes
    //                    nothing further.
    // fadeMutex_ is a leaf. No lock of the player is held while an event goes
    // to callbacks_ (the caller's handler may call straight back in), while
    // a thread is joined, or while eqThread_ is stopped: the design thread
    // itself takes effectsMutex_ to read the settings and to report a
    // finished design, never while it holds eq_'s locks.
    //
    // The atomics carry state between the threads without a lock; each is
    // one value that stands alone. The caller's thread sets the mode flags
    // (playing_, paused_, loop_, reverse_, vocalCut_, channelMix_, echo_,
    // subbandEq_, mixLevel_, echoMode_) and the decoding thread reads them
    // once per frame or buffer; the decoding thread publishes how its start
    // went (startResult_, read once started_ is set) and the positions and
    // bit rates the status queries read (the Stream counters, passesDone_,
    // pcmClockMs_, loopActive_); the device thread counts what
    // it has played (playedBytes_, playingBuffer_, outputStarted_); the
    // design thread sets firReady_ and designRate_ under effectsMutex_ so
    // the decoding thread may test them without it. A stream's readPos is
    // moved by the decoding thread while it runs and by the caller (open,
    // seek, rewind) only while no decoding thread runs; a managed stream's
    // ended flag is set by the caller's push and by the decoding thread
    // when the caller answers that no more data will come, and read by both.

    const int streamCount_;
    const PlayerNames names_;
    PlayerError error_;
    CallbackChannel callbacks_;

    // Sources
    Stream streams_[kMaxStreams];
    std::unique_ptr<platform::FileMapping> mapping_;
    bool managed_ = false;
    bool copyMode_ = false;
    platform::Event streamData_{true};

    // Song
    uint32_t totalFrames_ = 0;
    uint32_t totalSamples_ = 0;
    uint32_t lengthMs_ = 0;
    uint32_t averageFrameBytes_ = 0;
    uint32_t samplesPerFrame_ = 0;
    int versionCode_ = 0;

    // Output
    WaveOutDriver waveOut_;
    WaveBufferPlan plan_;
    int device_ = -1;
    std::vector<std::string> deviceNames_;
    std::vector<WAVEOUT_INFO> deviceInfo_;
    bool enumerated_ = false;
    std::atomic<uint64_t> playedBytes_{0};
    std::atomic<uint32_t> playingBuffer_{0};
    std::atomic<bool> outputStarted_{false};
    platform::Event bufferFree_{false};

    // Playback
    std::thread thread_;
    std::atomic<bool> playing_{false};
    std::atomic<bool> paused_{false};
    std::atomic<int> startResult_{0};
    platform::Event started_{false};
    std::atomic<float> mixLevel_{1.0f};
    std::atomic<uint64_t> pcmClockMs_{0};

    // Loop and reverse
    std::atomic<bool> loop_{false};
    std::atomic<bool> loopActive_{false};
    std::atomic<bool> reverse_{false};
    int repeatCount_ = 0;
    std::atomic<int> passesDone_{0};
    uint32_t framesPerPass_ = 0;
    uint32_t passLengthMs_ = 0;
    bool continueAfterLoop_ = false;
    const uint8_t* loopStart_[kMaxStreams] = {};

    // Volume and fades: everything down to the event flags.
    std::mutex fadeMutex_;
    int volumeMode_ = VOLUME_MODE_DEVICE;
    uint32_t leftPercent_ = 100;
    uint32_t rightPercent_ = 100;
    double userGainL_ = 1.0, userGainR_ = 1.0;
    double fadeGainL_ = 1.0, fadeGainR_ = 1.0;
    double appliedGainL_ = 1.0, appliedGainR_ = 1.0;
    double fadeLevel_ = 100.0;
    bool fadeUp_ = false, fadeDown_ = false;
    uint32_t fadeFrames_ = 0, fadeCounter_ = 0;
    double fadeStep_ = 0;
    // One-shot event flags of loops and fades.
    bool loopEntered_ = false, loopExited_ = false;
    bool fadeOutEntered_ = false, fadeOutExited_ = false;
    bool fadeInEntered_ = false, fadeInExited_ = false;

    // Effects: the plain members from here to eqDraining_ (the atomic flags
    // among them are read without it).
    std::mutex effectsMutex_;
    std::atomic<bool> vocalCut_{false};
    std::atomic<bool> channelMix_{false};
    std::atomic<bool> echo_{false};
    std::atomic<bool> subbandEq_{false};
    std::atomic<bool> firReady_{false};
    std::atomic<int> echoMode_{0};
    // Helpers of the effects (playercore_effects.cpp, _eq, _spectrum, _id3).
    bool SetUpEqualizer();
    void LoadEchoTaps();
    bool AllocateEcho();
    void RecomputeSubbandGains();
    void SetFirGains(double preampDb, const double* gainsDb, int count);
    bool StartDesignThread();
    uint32_t CopyPlayingOutput(int16_t* out, uint32_t maxFrames);
    void KeepTagsOfPushedStream();
    // Echo: settings as last given, and the processor with its ring.
    int echoDelayMs_ = 0;
    int echoInputDb_ = 0, echoEchoDb_ = 0, echoOutputDb_ = 0;
    size_t echoSlotSamples_ = 0;  // half a wave buffer and one pair
    EchoProcessor echoFx_;
    // Channel mix and subband equalizer, 4.28 gains.
    int32_t mixGainA_ = kUnityGain428, mixGainB_ = kUnityGain428;
    int32_t subbandBandsMilliDb_[kSubbandEqBands] = {};
    int32_t subbandPreampMilliDb_ = 0;
    int32_t subbandGains_[kSubbands] = {};
    // FIR equalizer: band edges as given (Hz), one gain per band in millidB,
    // linear gains per filter band for each side, preamp in millidB.
    std::vector<float> eqEdges_;
    std::vector<int32_t> eqBandsMilliDb_;
    std::vector<float> eqLeftGains_, eqRightGains_;
    int32_t eqPreampMilliDb_ = 0;
    float eqRate_ = 0.0f;                  // output rate a design is made for
    std::atomic<float> designRate_{0.0f};  // rate of the design in use
    uint32_t eqGeneration_ = 0;            // counts re-initialisations
    uint32_t designGeneration_ = 0;        // design thread: of its last read
    FirEqualizer eq_;
    EqLatencyGate eqGate_;
    bool eqInUse_ = false;     // decoding thread: the filter holds samples
    bool eqEnding_ = false;    // decoding thread: run the tail out at the end
    bool eqDraining_ = false;  // decoding thread: the tail is being run out
    std::mutex spectrumMutex_;  // the snapshot of one spectrum query
    std::vector<int16_t> spectrumFrames_;
    SpectrumState spectrum_;
    bool eqSetUp_ = SetUpEqualizer();
    // Last: its thread reads the members above until it is joined.
    EqDesignThread eqThread_{eq_};

    // The last whole buffers handed to the device, for the VU levels and the
    // spectrum: the decoding thread records each write and each take-back
    // under this lock; the queries read the buffers under it.
    std::mutex outputSnapshotMutex_;
    // A buffer counts from its write until the decoding thread takes it back
    // to refill it.
    std::vector<WaveRingBuffer> ring_;

    // Texts of LoadID3, and the stream's tags kept from the open when the
    // stream's own bytes do not outlive it (pushed blocks).
    Id3Texts id3Texts_;
    std::vector<uint8_t> keptId3v1_, keptId3v2_;
};
