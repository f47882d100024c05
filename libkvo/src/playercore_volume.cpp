// Device and software volume, and fades up and down that the decoding
// thread advances once per frame.

#include <algorithm>

#include "libkvo/src/playercore.h"

namespace {

uint32_t ClampPercent(uint32_t v)
{
    return std::min<uint32_t>(v, 100);
}

}  // namespace

int PlayerCore::SetVolumeMode(int mode)
{
    std::lock_guard<std::mutex> lock(fadeMutex_);
    volumeMode_ = mode;
    return 1;
}

int PlayerCore::SetVolume(uint32_t left, uint32_t right)
{
    int mode;
    {
        std::lock_guard<std::mutex> lock(fadeMutex_);
        mode = volumeMode_;
    }
    if (mode == VOLUME_MODE_SOFTWARE)
        return SetPlayerVolume(left, right);
    return SetWaveOutVolume(left, right);
}

int PlayerCore::SetWaveOutVolume(uint32_t left, uint32_t right)
{
    left = ClampPercent(left);
    right = ClampPercent(right);
    waveOut_.SetVolume(static_cast<uint16_t>(left * 0xFFFF / 100), static_cast<uint16_t>(right * 0xFFFF / 100));
    return 1;
}

void PlayerCore::RecomputeAppliedGains()
{
    appliedGainL_ = userGainL_ * fadeGainL_;
    appliedGainR_ = userGainR_ * fadeGainR_;
}

int PlayerCore::SetPlayerVolume(uint32_t left, uint32_t right)
{
    left = ClampPercent(left);
    right = ClampPercent(right);
    // The decoding thread reads these gains once per buffer: under the lock,
    // so it never sees one side new and the other old.
    std::lock_guard<std::mutex> lock(fadeMutex_);
    fadeLevel_ = 100.0;
    leftPercent_ = left;
    rightPercent_ = right;
    userGainL_ = GainCurve(left);
    userGainR_ = GainCurve(right);
    RecomputeAppliedGains();
    return 1;
}

int PlayerCore::GetWaveOutVolume(uint32_t* left, uint32_t* right)
{
    if (!left || !right)
        return Fail("GetVolume->Invalid parameters !");
    uint16_t l = 0, r = 0;
    waveOut_.GetVolume(&l, &r);
    *left = static_cast<uint32_t>(MulDiv(l, 100, 0xFFFF));
    *right = static_cast<uint32_t>(MulDiv(r, 100, 0xFFFF));
    return 1;
}

int PlayerCore::GetPlayerVolume(uint32_t* left, uint32_t* right)
{
    if (!left || !right)
        return Fail("GetVolume->Invalid parameters !");
    std::lock_guard<std::mutex> lock(fadeMutex_);
    *left = leftPercent_;
    *right = rightPercent_;
    return 1;
}

int PlayerCore::GetVolume(uint32_t* left, uint32_t* right)
{
    if (!left || !right)
        return Fail("GetVolume->Invalid parameters !");
    int mode;
    {
        std::lock_guard<std::mutex> lock(fadeMutex_);
        mode = volumeMode_;
    }
    return mode == VOLUME_MODE_SOFTWARE ? GetPlayerVolume(left, right) : GetWaveOutVolume(left, right);
}

int PlayerCore::FadeVolume(int mode, int format, MP3_TIME* time, bool full)
{
    if (!time)
        return Fail("FadeVolume->MP3_TIME *pTime can't be 0");
    if (mode != FADE_UP && mode != FADE_DOWN)
        return Fail("FadeVolume->Invalid fMode !");
    const uint32_t rate = streams_[0].format.sampleRate;
    const uint32_t spf = streams_[0].format.samplesPerFrame;
    const int32_t frames = MulDiv(TimeToMs(format, *time), rate, int64_t(spf) * 1000);
    const uint32_t n = frames > 0 ? static_cast<uint32_t>(frames) : 0;

    std::lock_guard<std::mutex> lock(fadeMutex_);
    if (mode == FADE_UP) {
        fadeDown_ = false;
        if (full)
            fadeLevel_ = 0.0;
        if (n > 0) {
            fadeUp_ = true;
            fadeStep_ = std::max(0.0, (100.0 - fadeLevel_) / n);
            fadeFrames_ = n;
            fadeCounter_ = 0;
        } else {
            fadeLevel_ = 100.0;
            fadeGainL_ = fadeGainR_ = 1.0;
            RecomputeAppliedGains();
        }
    } else {
        fadeUp_ = false;
        if (full)
            fadeLevel_ = 100.0;
        if (n > 0) {
            fadeDown_ = true;
            fadeStep_ = fadeLevel_ / n;
            fadeFrames_ = n;
            fadeCounter_ = 0;
        } else {
            fadeLevel_ = 0.0;
            fadeGainL_ = fadeGainR_ = 0.0;
            RecomputeAppliedGains();
        }
    }
    return 1;
}

// ---- One-shot events of loops and fades ----

int PlayerCore::EnterOnce(bool PlayerCore::*entered, uint32_t kind)
{
    {
        std::lock_guard<std::mutex> lock(fadeMutex_);
        if (this->*entered)
            return 0;
        this->*entered = true;
    }
    return SendEvent(kind);
}

void PlayerCore::ExitOnce(bool PlayerCore::*entered, bool PlayerCore::*exited, uint32_t kind)
{
    {
        std::lock_guard<std::mutex> lock(fadeMutex_);
        if (!(this->*entered) || this->*exited)
            return;
        this->*exited = true;
    }
    SendEvent(kind);
    // The next fade or loop sends its pair of events again.
    std::lock_guard<std::mutex> lock(fadeMutex_);
    this->*entered = false;
    this->*exited = false;
}

// What differs between a fade down and a fade up.
struct PlayerCore::FadeDirection {
    bool PlayerCore::*active;
    bool PlayerCore::*entered;
    bool PlayerCore::*exited;
    uint32_t enterKind;
    uint32_t exitKind;
    double step;    // -1 down, +1 up
    double target;  // the level it ends at
};

// Once per decoded frame, on the decoding thread. Events are sent outside
// the lock: a callback may ask for the player's status.
void PlayerCore::StepFades()
{
    static const FadeDirection kDown = {&PlayerCore::fadeDown_, &PlayerCore::fadeOutEntered_,
                                        &PlayerCore::fadeOutExited_, MP3_MSG_ENTER_FADE_OUT,
                                        MP3_MSG_EXIT_FADE_OUT, -1.0, 0.0};
    static const FadeDirection kUp = {&PlayerCore::fadeUp_, &PlayerCore::fadeInEntered_,
                                      &PlayerCore::fadeInExited_, MP3_MSG_ENTER_FADE_IN,
                                      MP3_MSG_EXIT_FADE_IN, +1.0, 100.0};
    bool down, up;
    {
        std::lock_guard<std::mutex> lock(fadeMutex_);
        down = fadeDown_;
        up = fadeUp_;
    }
    if (down)
        StepFade(kDown, kUp);
    else if (up)
        StepFade(kUp, kDown);
}

void PlayerCore::StepFade(const FadeDirection& fade, const FadeDirection& other)
{
    uint32_t counter;
    {
        std::lock_guard<std::mutex> lock(fadeMutex_);
        counter = fadeCounter_;
    }
    // A fade the other way that began and never ended, and at the first
    // frame an earlier fade this way, end now.
    ExitOnce(other.entered, other.exited, other.exitKind);
    if (counter == 0)
        ExitOnce(fade.entered, fade.exited, fade.exitKind);
    if (EnterOnce(fade.entered, fade.enterKind) == 1) {
        // The caller cancels the fade: the level stays, the exit follows.
        {
            std::lock_guard<std::mutex> lock(fadeMutex_);
            this->*fade.active = false;
        }
        ExitOnce(fade.entered, fade.exited, fade.exitKind);
        return;
    }
    bool finished = false;
    {
        std::lock_guard<std::mutex> lock(fadeMutex_);
        if (!(this->*fade.active))
            return;
        if (fadeCounter_ < fadeFrames_)
            fadeLevel_ += fade.step * fadeStep_;
        fadeLevel_ = std::clamp(fadeLevel_, 0.0, 100.0);
        const bool reached = fade.step < 0 ? fadeLevel_ <= 0.0 : fadeLevel_ >= 100.0;
        if (fadeCounter_ >= fadeFrames_ || reached) {
            fadeLevel_ = fade.target;
            fadeGainL_ = fadeGainR_ = fade.target / 100.0;
            this->*fade.active = false;
            fadeCounter_ = fadeFrames_;
            finished = true;
        } else {
            fadeGainL_ = fadeGainR_ = GainCurve(fadeLevel_);
            ++fadeCounter_;
        }
        RecomputeAppliedGains();
    }
    if (finished)
        ExitOnce(fade.entered, fade.exited, fade.exitKind);
}
