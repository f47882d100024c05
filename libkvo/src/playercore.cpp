#include "libkvo/src/playercore.h"

#include <cstdio>
#include <cstring>

#include "libkvo/src/clampcast.h"
#include "platform/audio/audio_output.h"
#include "platform/filemap/filemapping.h"

PlayerCore::PlayerCore(int streamCount, const PlayerNames& names) : streamCount_(streamCount), names_(names) {}

PlayerCore::~PlayerCore()
{
    Close();
    JoinThread();
    callbacks_.End();
}

int PlayerCore::Fail(const char* text)
{
    error_.Set(text);
    return 0;
}

int PlayerCore::FailOp(const char* op, const char* reason)
{
    error_.Format("%s->%s", op, reason);
    return 0;
}

// ---- Devices ----

int PlayerCore::EnumerateWaveOut()
{
    deviceInfo_.clear();
    deviceNames_.clear();
    enumerated_ = false;
    const int count = platform::audio::OutputDeviceCount();
    if (count <= 0)
        return Fail("EnumerateWaveOut->There is no wave-out devices !");
    for (int i = 0; i < count; ++i) {
        platform::audio::OutputDeviceCaps caps;
        if (!platform::audio::GetOutputDeviceCaps(i, &caps))
            continue;
        WAVEOUT_INFO info{};
        info.ManufacturerID = caps.manufacturerId;
        info.ProductID = caps.productId;
        info.DriverVersion = caps.driverVersion;
        info.Formats = caps.formats;
        info.Channels = caps.channels;
        info.Support = caps.support;
        std::snprintf(info.ProductName, sizeof info.ProductName, "%s", caps.name.c_str());
        deviceInfo_.push_back(info);
        deviceNames_.push_back(info.ProductName);
    }
    enumerated_ = true;
    return static_cast<int>(deviceInfo_.size());
}

int PlayerCore::EnumerateIfNeeded()
{
    if (!enumerated_)
        EnumerateWaveOut();
    return static_cast<int>(deviceInfo_.size());
}

int PlayerCore::GetWaveOutInfo(uint32_t index, WAVEOUT_INFO* info)
{
    if (!info)
        return Fail("GetWaveOutInfo->Invalid second parameter. pWaveOutInfo can't be 0 !");
    std::memset(info, 0, sizeof *info);
    const int count = EnumerateIfNeeded();
    if (count == 0)
        return Fail("GetWaveOutInfo->There is no wave-out devices !");
    if (index >= static_cast<uint32_t>(count))
        return Fail("GetWaveOutInfo->Invalid first parameter. nIndex is out of bounds !");
    *info = deviceInfo_[index];
    info->ProductName[sizeof info->ProductName - 1] = 0;
    return 1;
}

int PlayerCore::SetWaveOutDevice(int index)
{
    const int count = EnumerateIfNeeded();
    if (count == 0)
        return Fail("SetWaveOutDevice->There is no wave-out devices !");
    if (index != -1 && (index < 0 || index >= count))
        return Fail("SetWaveOutDevice->Invalid first parameter. nIndex is out of bounds !");
    device_ = index;
    return 1;
}

// ---- Records ----

int PlayerCore::GetStatus(MP3_STATUS* status)
{
    if (!status)
        return Fail("GetStatus->MP3_STATUS *pStatus - this parameter can't be NULL");
    std::memset(status, 0, sizeof *status);
    const bool paused = paused_.load();
    const bool playing = playing_.load();
    status->fPause = paused ? 1 : 0;
    status->fPlay = (!paused && playing) ? 1 : 0;
    status->fStop = (!paused && !playing) ? 1 : 0;
    status->fEcho = echo_.load();
    status->nSfxMode = echoMode_;
    status->fExternalEQ = firReady_.load();
    status->fInternalEQ = subbandEq_.load();
    status->fVocalCut = vocalCut_.load();
    status->fChannelMix = channelMix_.load();
    {
        std::lock_guard<std::mutex> lock(fadeMutex_);
        status->fFadeIn = fadeUp_;
        status->fFadeOut = fadeDown_;
        status->fInternalVolume = volumeMode_ == VOLUME_MODE_SOFTWARE;
    }
    status->fLoop = loopActive_.load();
    status->fReverse = reverse_.load();
    return 1;
}

int PlayerCore::GetMp3Info(MP3_STREAM_INFO* info)
{
    if (!info) {
        error_.Format("%s->Invalid parameter !\r\nMP3_STREAM_INFO *pInfo can't be NULL !", names_.getInfo);
        return 0;
    }
    std::memset(info, 0, sizeof *info);
    if (!IsOpen()) {
        error_.Format("%s->Stream isn't open !", names_.getInfo);
        return 0;
    }
    const Stream& s = streams_[0];
    const StreamFormat& f = s.format;
    info->nMPEGVersion = versionCode_;
    info->nLayer = f.layer == 1 ? 1 : (f.layer == 2 ? 2 : (f.layer == 3 ? 4 : 0));
    static const int kModes[4] = {8, 4, 2, 1};  // stereo, joint, dual, single
    info->nChannelMode = kModes[f.mode & 3];
    static const int kEmphasis[4] = {1, 2, 8, 4};  // none, 50/15, reserved, CCITT
    info->nEmphasis = kEmphasis[f.emphasis & 3];
    info->nSampleRate = f.sampleRate;
    info->nHeaderStart = s.headerOffset;
    info->nChannel = f.channels;
    info->fVbr = f.vbr ? 1 : 0;
    info->nBitrate = f.vbr ? f.averageBitrate / 1000 : f.bitrate / 1000;
    return 1;
}

static void FillTime(MP3_TIME* t, uint32_t ms)
{
    t->ms = ms;
    t->sec = ms / 1000;
    t->hms.hour = ms / 3600000;
    t->hms.minute = ms % 3600000 / 60000;
    t->hms.second = ms % 60000 / 1000;
    t->hms.millisecond = ms % 1000;
}

int PlayerCore::GetSongLengthHMS(MP3_TIME* length)
{
    if (!length)
        return Fail("GetSongLengthHMS->MP3_TIME *pLength - this parameter can't be NULL");
    std::memset(length, 0, sizeof *length);
    FillTime(length, lengthMs_);
    length->bytes = streams_[0].size;
    length->frames = totalFrames_;
    return 1;
}

int PlayerCore::GetPosition(MP3_TIME* time)
{
    if (!time)
        return Fail("GetPosition->MP3_TIME *pTime - this parameter can't be NULL");
    std::memset(time, 0, sizeof *time);
    if (!IsOpen())
        return 1;
    const uint32_t elapsed = playing_.load() ? ElapsedMs() : 0;
    const uint32_t base = streams_[0].positionBase.load();
    uint32_t ms;
    if (reverse_.load()) {
        ms = elapsed > base ? 0 : base - elapsed;
    } else if (loopActive_.load() && passesDone_.load() > 0 && passLengthMs_ > 0) {
        // Whole passes already played are taken off; while the device is
        // still inside the last finished pass, one pass fewer is counted.
        uint64_t passes = static_cast<uint64_t>(passesDone_.load());
        while (passes > 0 && elapsed < passes * passLengthMs_)
            --passes;
        ms = base + static_cast<uint32_t>(elapsed - passes * passLengthMs_);
    } else {
        ms = base + elapsed;
    }
    FillTime(time, ms);
    time->bytes = streams_[0].bytePosition.load();
    time->frames = lengthMs_ ? ClampedCast<uint32_t>(static_cast<double>(ms) / lengthMs_ * totalFrames_) : 0;
    return 1;
}

int PlayerCore::GetBitrate(int average)
{
    if (!IsOpen())
        return 0;
    const Stream& s = streams_[0];
    if (!average)
        return static_cast<int>(s.currentBitrate.load() / 1000);
    const uint32_t frames = s.framesCounted.load();
    return frames ? static_cast<int>(s.kbpsSum.load() / frames) : 0;
}

int PlayerCore::SetMixLevel(float level)
{
    mixLevel_.store(level);
    return 1;
}

int PlayerCore::SetCallback(CallbackChannel::Handler handler, uint32_t mask)
{
    if (!handler) {
        callbacks_.End();
        return 1;
    }
    if (!callbacks_.Start(std::move(handler), mask))
        return Fail("SetCallbackFunc->Can't create callback thread !");
    return 1;
}
