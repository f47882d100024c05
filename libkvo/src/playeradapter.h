#pragma once
// The operations both player interfaces declare alike, forwarded to the
// shared core. Each player derives from PlayerAdapter<its interface> and
// adds the operations that differ (opens, pushes, mix level, callback form).

#include "libkvo/src/playercore.h"

template <class Interface>
class PlayerAdapter : public Interface {
public:
    int GetVersion() override { return core_.GetVersion(); }
    const char* GetError() override { return core_.GetError(); }
    int EnumerateWaveOut() override { return core_.EnumerateWaveOut(); }
    int GetWaveOutInfo(uint32_t index, WAVEOUT_INFO* info) override { return core_.GetWaveOutInfo(index, info); }
    int SetWaveOutDevice(int index) override { return core_.SetWaveOutDevice(index); }
    int IsStreamDataFree(const void* block) override { return core_.IsStreamDataFree(block); }
    int GetStreamLoad(STREAM_LOAD_INFO* info) override { return core_.GetStreamLoad(info); }
    int Close() override { return core_.Close(); }
    int Play() override { return core_.Play(); }
    int PlayLoop(int startFormat, MP3_TIME* start, int endFormat, MP3_TIME* end, int repeat) override
    {
        return core_.PlayLoop(startFormat, start, endFormat, end, repeat);
    }
    int Seek(int format, MP3_TIME* time, int method) override { return core_.Seek(format, time, method); }
    int ReverseMode(int enable) override { return core_.ReverseMode(enable); }
    int Stop() override { return core_.Stop(); }
    int Pause() override { return core_.Pause(); }
    int Resume() override { return core_.Resume(); }
    int GetPosition(MP3_TIME* time) override { return core_.GetPosition(time); }
    int SetVolumeMode(int mode) override { return core_.SetVolumeMode(mode); }
    int SetVolume(uint32_t l, uint32_t r) override { return core_.SetVolume(l, r); }
    int SetWaveOutVolume(uint32_t l, uint32_t r) override { return core_.SetWaveOutVolume(l, r); }
    int SetPlayerVolume(uint32_t l, uint32_t r) override { return core_.SetPlayerVolume(l, r); }
    int GetVolume(uint32_t* l, uint32_t* r) override { return core_.GetVolume(l, r); }
    int GetWaveOutVolume(uint32_t* l, uint32_t* r) override { return core_.GetWaveOutVolume(l, r); }
    int GetPlayerVolume(uint32_t* l, uint32_t* r) override { return core_.GetPlayerVolume(l, r); }
    int GetSongLengthHMS(MP3_TIME* length) override { return core_.GetSongLengthHMS(length); }
    int GetBitrate(int average) override { return core_.GetBitrate(average); }
    int GetStatus(MP3_STATUS* status) override { return core_.GetStatus(status); }
    int MixChannels(int enable, uint32_t l, uint32_t r) override { return core_.MixChannels(enable, l, r); }
    int GetVUData(uint32_t* l, uint32_t* r) override { return core_.GetVUData(l, r); }
    int VocalCut(int enable) override { return core_.VocalCut(enable); }
    int FadeVolume(int mode, int format, MP3_TIME* time) override { return core_.FadeVolume(mode, format, time, false); }
    int FadeVolumeFull(int mode, int format, MP3_TIME* time) override
    {
        return core_.FadeVolume(mode, format, time, true);
    }
    int EnableEQ(int enable, int fir) override { return core_.EnableEQ(enable, fir); }
    int CreateEqBands(const int* edges, int count) override { return core_.CreateEqBands(edges, count); }
    int GetEqBandFrequencies(int* edges) override { return core_.GetEqBandFrequencies(edges); }
    int SetEqBands(int fir, int preamp, const int* gains, int count) override
    {
        return core_.SetEqBands(fir, preamp, gains, count, false);
    }
    int SetEqBandsRaw(int fir, int preamp, const int* gains, int count) override
    {
        return core_.SetEqBands(fir, preamp, gains, count, true);
    }
    int GetEqBands(int fir, int* preamp, int* gains) override { return core_.GetEqBands(fir, preamp, gains, false); }
    int GetEqBandsRaw(int fir, int* preamp, int* gains) override { return core_.GetEqBands(fir, preamp, gains, true); }
    int LoadID3(int version, ID3_INFO* info) override { return core_.LoadID3(version, info); }
    int SetSfxParam(int enable, int mode, int delay, int in, int echo, int out) override
    {
        return core_.SetSfxParam(enable, mode, delay, in, echo, out);
    }
    int GetSfxParam(int* mode, int* delay, int* in, int* echo, int* out) override
    {
        return core_.GetSfxParam(mode, delay, in, echo, out);
    }
    int SetSfxModeData(int mode, const int* left, const int* right, int count) override
    {
        return core_.SetSfxModeData(mode, left, right, count);
    }
    int GetSfxModeData(int mode, int* left, int* right) override { return core_.GetSfxModeData(mode, left, right); }
    int Release() override
    {
        delete this;
        return 1;
    }
    int GetFFTValues(FFT_STRUCT* fft) override { return core_.GetFFTValues(fft); }

protected:
    PlayerAdapter(int streamCount, const PlayerNames& names) : core_(streamCount, names) {}
    ~PlayerAdapter() override = default;

    PlayerCore core_;
};
