// The effects chain of the decoding thread (channel mix and subband
// equalizer on each frame, echo and FIR equalizer on each finished buffer)
// and the echo, channel-mix and vocal-cut controls. The equalizers' own
// controls are in playercore_eq.cpp.

#include <algorithm>
#include <cmath>

#include "libkvo/src/playercore.h"

namespace {

// trunc(tap x 100), after rounding off the binary fraction's last digits so
// that a percent that was set reads back as itself (0.57 x 100 is
// 56.99999999999999).
int TapPercent(double tap)
{
    return static_cast<int>(std::trunc(std::round(tap * 100.0 * 1e6) / 1e6));
}

}  // namespace

void PlayerCore::OnSourceOpened()
{
    {
        std::lock_guard<std::mutex> ring(outputSnapshotMutex_);
        ring_.assign(waveOut_.GetBufferCount(), WaveRingBuffer{});
    }
    KeepTagsOfPushedStream();
    bool redesign;
    {
        std::lock_guard<std::mutex> lock(effectsMutex_);
        echoSlotSamples_ = (waveOut_.GetBufferSize() / 2 + 2) / 2;
        if (echo_.load() && echoFx_.SlotSamples() != echoSlotSamples_ && !AllocateEcho()) {
            // The song still plays, without its echo.
            echo_ = false;
            Fail("_Open->Can't allocate echo buffer");
        }
        LoadEchoTaps();
        eq_.Clear();
        eqGate_.Reset(eq_.GetLatency());
        eqInUse_ = eqEnding_ = eqDraining_ = false;
        eqRate_ = static_cast<float>(streams_[0].format.sampleRate);
        redesign = !firReady_.load() || designRate_.load() != eqRate_;
    }
    // An equalizer switched on before this open (or designed for another
    // rate) gets its design for this rate now.
    if (redesign && eqThread_.Running())
        eqThread_.RequestDesign();
}

void PlayerCore::OnPlayStarting()
{
    {
        std::lock_guard<std::mutex> ring(outputSnapshotMutex_);
        ring_.assign(waveOut_.GetBufferCount(), WaveRingBuffer{});
    }
    std::lock_guard<std::mutex> lock(effectsMutex_);
    echoFx_.Clear();
    eq_.Clear();
    eqGate_.Reset(eq_.GetLatency());
    eqInUse_ = eqEnding_ = eqDraining_ = false;
}

void PlayerCore::OnPlayEnding()
{
    // What the equalizer holds after a stop is not played; the next play
    // starts it afresh.
    std::lock_guard<std::mutex> lock(effectsMutex_);
    eqInUse_ = eqEnding_ = eqDraining_ = false;
}

void PlayerCore::ProcessSubbands(struct mad_frame& frame)
{
    const bool mix = channelMix_.load();
    const bool equalize = subbandEq_.load();
    if (!mix && !equalize)
        return;
    int32_t a, b, gains[kSubbands];
    {
        std::lock_guard<std::mutex> lock(effectsMutex_);
        a = mixGainA_;
        b = mixGainB_;
        std::copy(std::begin(subbandGains_), std::end(subbandGains_), gains);
    }
    if (mix)
        MixSubbandChannels(frame, a, b);
    if (equalize)
        EqualizeSubbands(frame, gains);
}

uint32_t PlayerCore::ProcessEffects(int16_t* samples, uint32_t bytes)
{
    std::lock_guard<std::mutex> lock(effectsMutex_);
    const uint32_t frames = bytes / 4;
    if (echo_.load()) {
        const uint32_t first = frames / 2;
        echoFx_.Process(samples, first);
        echoFx_.Process(samples + size_t(first) * 2, frames - first);
    }
    // Once in use the filter goes on until the buffer boundary where its
    // switch-off is seen, so that its tail is played in order.
    if (!eqInUse_ && !firReady_.load())
        return bytes;
    if (!eq_.IsInitialised() || frames == 0)
        return bytes;
    if (!eqInUse_) {
        eq_.Clear();
        eqGate_.Reset(eq_.GetLatency());
        eqInUse_ = true;
        eqEnding_ = eqDraining_ = false;
    }
    return eqGate_.Filter(eq_, samples, frames, 2) * 4;
}

// ---- Echo ----

// Under effectsMutex_.
void PlayerCore::LoadEchoTaps()
{
    const EchoTaps taps = GetEchoMode(echoMode_.load());
    // The two-stream player echoes a mono song with the left taps on both
    // sides; the one-stream player always takes each side's own taps.
    const bool leftOnly = streamCount_ == 2 && (!IsOpen() || streams_[0].format.channels < 2);
    echoFx_.SetTaps(taps.left, leftOnly ? taps.left : taps.right);
}

// Under effectsMutex_.
bool PlayerCore::AllocateEcho()
{
    return echoFx_.Allocate(echoSlotSamples_);
}

int PlayerCore::SetSfxParam(int enable, int mode, int delayMs, int inputDb, int echoDb, int outputDb)
{
    echo_ = false;
    std::unique_lock<std::mutex> lock(effectsMutex_);
    const int delay = std::clamp(delayMs, 0, kEchoMaxDelayMs);
    echoMode_ = std::clamp(mode, 0, kEchoModes - 1);
    LoadEchoTaps();
    if (!enable) {
        echoFx_.Free();
        return 1;
    }
    if ((echoFx_.SlotSamples() != echoSlotSamples_ || !echoFx_.Allocated()) && !AllocateEcho()) {
        lock.unlock();
        return Fail("SetSfxParam->Can't reallocate sfx buffers !");
    }
    echoInputDb_ = inputDb;
    echoEchoDb_ = echoDb;
    echoOutputDb_ = outputDb;
    echoDelayMs_ = delay;
    echoFx_.SetGains(inputDb, echoDb, outputDb);
    echoFx_.SetDelayIndex(EchoDelayIndex(delay));
    echoFx_.Clear();
    lock.unlock();
    echo_ = true;
    return 1;
}

int PlayerCore::GetSfxParam(int* mode, int* delayMs, int* inputDb, int* echoDb, int* outputDb)
{
    if (!mode || !delayMs || !inputDb || !echoDb || !outputDb)
        return Fail("GetSfxParam->Invalid parameters !");
    std::lock_guard<std::mutex> lock(effectsMutex_);
    *mode = echoMode_.load();
    *delayMs = echoDelayMs_;
    *inputDb = echoInputDb_;
    *echoDb = echoEchoDb_;
    *outputDb = echoOutputDb_;
    return 1;
}

int PlayerCore::SetSfxModeData(int mode, const int* left, const int* right, int count)
{
    // Only the ten presets have a row in the table.
    if (!left || !right || count != kEchoTaps || mode < 0 || mode >= kEchoModes)
        return Fail("SetSfxModeData->Invalid parameters !");
    EchoTaps taps;
    for (int j = 0; j < kEchoTaps; ++j) {
        taps.left[j] = left[j] / 100.0;
        taps.right[j] = right[j] / 100.0;
    }
    SetEchoMode(mode, taps);
    int delay, in, echo, out;
    bool reapply;
    {
        std::lock_guard<std::mutex> lock(effectsMutex_);
        reapply = echo_.load() && echoMode_.load() == mode;
        delay = echoDelayMs_;
        in = echoInputDb_;
        echo = echoEchoDb_;
        out = echoOutputDb_;
    }
    if (reapply)
        return SetSfxParam(1, mode, delay, in, echo, out);
    return 1;
}

int PlayerCore::GetSfxModeData(int mode, int* left, int* right)
{
    if (left && right) {
        // Modes without a row read as no taps.
        const EchoTaps taps = GetEchoMode(mode);
        for (int j = 0; j < kEchoTaps; ++j) {
            left[j] = TapPercent(taps.left[j]);
            right[j] = TapPercent(taps.right[j]);
        }
    }
    return kEchoTaps;
}

// ---- Vocal cut and channel mix ----

int PlayerCore::VocalCut(int enable)
{
    vocalCut_ = enable != 0;
    return 1;
}

int PlayerCore::MixChannels(int enable, uint32_t left, uint32_t right)
{
    {
        std::lock_guard<std::mutex> lock(effectsMutex_);
        mixGainA_ = PercentToGain428(left);
        mixGainB_ = PercentToGain428(right);
    }
    channelMix_ = enable != 0;
    return 1;
}
