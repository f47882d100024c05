#include "mp3file/src/soloplayer.h"

#include <new>
#include <string>

#include "libkvo/src/playercore.h"

namespace {

const PlayerNames kSoloNames = {
    250,
    "Open_Mp3File",
    "Open_Mp3FileEx",
    "SoloPlayer::Open_Mp3File",
    "Open_Mp3Resource",
    "_Open_Mp3",
    "Get_Mp3Info",
    "SoloPlayer::LoadID3",
    "SoloPlayer::PlayLoopM",
};

// Wide paths are UTF-32 here; files are opened by their UTF-8 names.
std::string Utf8FromWide(const wchar_t* text)
{
    std::string out;
    for (; text && *text; ++text) {
        uint32_t c = static_cast<uint32_t>(*text);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            c = 0xFFFD;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

class SoloPlayer final : public CSoloPlayer {
public:
    SoloPlayer() : core_(1, kSoloNames) {}

    int GetVersion() override { return core_.GetVersion(); }
    const char* GetError() override { return core_.GetError(); }
    int EnumerateWaveOut() override { return core_.EnumerateWaveOut(); }
    int GetWaveOutInfo(uint32_t index, WAVEOUT_INFO* info) override { return core_.GetWaveOutInfo(index, info); }
    int SetWaveOutDevice(int index) override { return core_.SetWaveOutDevice(index); }
    int Open_Mp3File(const char* path, int bufferMs, uint32_t seek, uint32_t size) override
    {
        const std::string p = path ? path : "";
        return core_.OpenFile(p, p, bufferMs, seek, size);
    }
    int OpenStream(int copy, int managed, const void* data, uint32_t size, int bufferMs) override
    {
        const void* blocks[1] = {data};
        const uint32_t sizes[1] = {size};
        return core_.OpenStream(copy, managed, blocks, sizes, bufferMs);
    }
    int PushDataToStream(const void* data, uint32_t size) override
    {
        const void* blocks[1] = {data};
        return core_.PushData(blocks, size);
    }
    int IsStreamDataFree(const void* block) override { return core_.IsStreamDataFree(block); }
    int GetStreamLoad(STREAM_LOAD_INFO* info) override { return core_.GetStreamLoad(info); }
    int Open_Mp3Resource(const ResourceModule* module, const char* name, const char* type, int bufferMs,
                         uint32_t seek, uint32_t size) override
    {
        return core_.OpenResource(module, name, type, bufferMs, seek, size);
    }
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
    int Get_Mp3Info(MP3_STREAM_INFO* info) override { return core_.GetMp3Info(info); }
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
    int SetCallbackFunc(SoloPlayerCallback callback, uint32_t mask) override
    {
        if (!callback)
            return core_.SetCallback(nullptr, 0);
        return core_.SetCallback(callback, mask);
    }
    int GetFFTValues(FFT_STRUCT* fft) override { return core_.GetFFTValues(fft); }
    int Open_Mp3FileW(const wchar_t* path, int bufferMs, uint32_t seek, uint32_t size) override
    {
        const std::string p = Utf8FromWide(path);
        return core_.OpenFile(p, p, bufferMs, seek, size);
    }

private:
    ~SoloPlayer() override = default;

    PlayerCore core_;
};

}  // namespace

CSoloPlayer* CreateSoloPlayer()
{
    return new (std::nothrow) SoloPlayer();
}
