#pragma once
// The one-stream player, for a single MPEG audio source: an MP3 file, a
// block of memory, a built-in resource, or data pushed in by the caller. It behaves as the
// two-stream player does with a single stream: same records, texts and
// threads, no vocal mix level, a plain callback function, and an open by
// wide-character path. Created with CreateSoloPlayer, destroyed only by its
// own Release. Output is always 16-bit stereo: a mono stream is played on
// both sides.

#include <cstdint>

#include "libkvo/src/mp3callback.h"
#include "libkvo/src/playerrecords.h"
#include "libkvo/src/resources.h"

// Called on the player's callback thread with the event kind and its two
// parameters; the answer matters for synchronous kinds.
using SoloPlayerCallback = int (*)(uint32_t kind, uintptr_t wParam, uintptr_t lParam);

class CSoloPlayer {
public:
    virtual int GetVersion() = 0;                                            // 0
    virtual const char* GetError() = 0;                                      // 1
    virtual int EnumerateWaveOut() = 0;                                      // 2
    virtual int GetWaveOutInfo(uint32_t nIndex, WAVEOUT_INFO* pWaveOutInfo) = 0;  // 3
    virtual int SetWaveOutDevice(int nIndex) = 0;                            // 4
    virtual int Open_Mp3File(const char* sFileName, int nWaveBufferLengthMs, uint32_t nSeek,
                             uint32_t nFileSize) = 0;                         // 5
    virtual int OpenStream(int fBuffered, int fManaged, const void* sMemStream, uint32_t nStreamSize,
                           int nWaveBufferLengthMs) = 0;                      // 6
    virtual int PushDataToStream(const void* sMemNewData, uint32_t nNewDataSize) = 0;  // 7
    virtual int IsStreamDataFree(const void* sMemNewData) = 0;               // 8
    virtual int GetStreamLoad(STREAM_LOAD_INFO* pStreamLoadInfo) = 0;        // 9
    virtual int Open_Mp3Resource(const ResourceModule* hModule, const char* sResName, const char* sResType,
                                 int nWaveBufferLengthMs, uint32_t nSeek, uint32_t nSize) = 0;  // 10
    virtual int Close() = 0;                                                 // 11
    virtual int Play() = 0;                                                  // 12
    virtual int PlayLoop(int fFormatStartTime, MP3_TIME* pStartTime, int fFormatEndTime, MP3_TIME* pEndTime,
                         int nNumOfRepeat) = 0;                               // 13
    virtual int Seek(int fFormat, MP3_TIME* pTime, int nMoveMethod) = 0;     // 14
    virtual int ReverseMode(int fEnable) = 0;                                // 15
    virtual int Stop() = 0;                                                  // 16
    virtual int Pause() = 0;                                                 // 17
    virtual int Resume() = 0;                                                // 18
    virtual int GetPosition(MP3_TIME* pTime) = 0;                            // 19
    virtual int SetVolumeMode(int nMode) = 0;                                // 20
    virtual int SetVolume(uint32_t nLeftVolume, uint32_t nRightVolume) = 0;  // 21
    virtual int SetWaveOutVolume(uint32_t nLeftVolume, uint32_t nRightVolume) = 0;  // 22
    virtual int SetPlayerVolume(uint32_t nLeftVolume, uint32_t nRightVolume) = 0;   // 23
    virtual int GetVolume(uint32_t* pnLeftVolume, uint32_t* pnRightVolume) = 0;     // 24
    virtual int GetWaveOutVolume(uint32_t* pnLeftVolume, uint32_t* pnRightVolume) = 0;  // 25
    virtual int GetPlayerVolume(uint32_t* pnLeftVolume, uint32_t* pnRightVolume) = 0;   // 26
    virtual int Get_Mp3Info(MP3_STREAM_INFO* pInfo) = 0;                     // 27
    virtual int GetSongLengthHMS(MP3_TIME* pLength) = 0;                     // 28
    virtual int GetBitrate(int fAverage) = 0;                                // 29
    virtual int GetStatus(MP3_STATUS* pStatus) = 0;                          // 30
    virtual int MixChannels(int fEnable, uint32_t nLeftPercent, uint32_t nRightPercent) = 0;  // 31
    virtual int GetVUData(uint32_t* pnLeftChannel, uint32_t* pnRightChannel) = 0;            // 32
    virtual int VocalCut(int fEnable) = 0;                                   // 33
    virtual int FadeVolume(int fMode, int fFormat, MP3_TIME* pTime) = 0;     // 34
    virtual int FadeVolumeFull(int fMode, int fFormat, MP3_TIME* pTime) = 0; // 35
    virtual int EnableEQ(int fEnable, int fExternal) = 0;                    // 36
    virtual int CreateEqBands(const int* pnFreqPoint, int nNumOfPoints) = 0; // 37
    virtual int GetEqBandFrequencies(int* pnFreqPoint) = 0;                  // 38
    virtual int SetEqBands(int fExternal, int nPreampGain, const int* pnGain, int nNumberOfBands) = 0;     // 39
    virtual int SetEqBandsRaw(int fExternal, int nPreampGain, const int* pnGain, int nNumberOfBands) = 0;  // 40
    virtual int GetEqBands(int fExternal, int* pnPreampGain, int* pnGain) = 0;     // 41
    virtual int GetEqBandsRaw(int fExternal, int* pnPreampGain, int* pnGain) = 0;  // 42
    virtual int LoadID3(int nId3Version, ID3_INFO* pId3Info) = 0;           // 43
    virtual int SetSfxParam(int fEnable, int nMode, int nDelayMs, int nInputGain, int nEchoGain,
                            int nOutputGain) = 0;                             // 44
    virtual int GetSfxParam(int* pnMode, int* pnDelayMs, int* pnInputGain, int* pnEchoGain,
                            int* pnOutputGain) = 0;                           // 45
    virtual int SetSfxModeData(int nMode, const int* pnLeftDelayGains, const int* pnRightDelayGains,
                               int nCount) = 0;                               // 46
    virtual int GetSfxModeData(int nMode, int* pnLeftDelayGains, int* pnRightDelayGains) = 0;  // 47
    virtual int Release() = 0;                                               // 48
    virtual int SetCallbackFunc(SoloPlayerCallback pCallbackFunc, uint32_t nMessages) = 0;  // 49
    virtual int GetFFTValues(FFT_STRUCT* pFFT) = 0;                          // 50
    virtual int Open_Mp3FileW(const wchar_t* sFileName, int nWaveBufferLengthMs, uint32_t nSeek,
                              uint32_t nFileSize) = 0;                        // 51

protected:
    virtual ~CSoloPlayer() = default;
};

// Creates a one-stream player; null when memory runs out.
CSoloPlayer* CreateSoloPlayer();
