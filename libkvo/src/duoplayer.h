#pragma once
// The two-stream player: decodes stream 1 (accompaniment) and stream 2
// (vocal) of a song in lockstep, mixes them and plays the result. Callers
// see it only through CDuoPlayer and create it with CreateDuoPlayer; it is
// destroyed only by its own Release.
//
// Every operation returns 1 (or a count) on success and 0 on failure, and a
// failure keeps a text "<operation>-><reason>" (at most 511 characters)
// that GetError returns. Nothing throws.

#include <cstdint>

#include "libkvo/src/mp3callback.h"
#include "libkvo/src/playerrecords.h"
#include "libkvo/src/resources.h"

class CDuoPlayer {
public:
    virtual int GetVersion() = 0;                                            // 0
    virtual const char* GetError() = 0;                                      // 1
    virtual int EnumerateWaveOut() = 0;                                      // 2
    virtual int GetWaveOutInfo(uint32_t nIndex, WAVEOUT_INFO* pWaveOutInfo) = 0;  // 3
    virtual int SetWaveOutDevice(int nIndex) = 0;                            // 4
    virtual int OpenMp3File(const char* sFileName, int nWaveBufferLengthMs, uint32_t nSeek,
                            uint32_t nFileSize) = 0;                          // 5
    virtual int OpenStream(int fBuffered, int fManaged, const void* sMemStream1, uint32_t nStreamSize1,
                           const void* sMemStream2, uint32_t nStreamSize2,
                           int nWaveBufferLengthMs) = 0;                      // 6
    virtual int PushDataToStream(const void* sMemNewData1, const void* sMemNewData2, uint32_t nNewDataSize) = 0;  // 7
    virtual int IsStreamDataFree(const void* sMemNewData) = 0;               // 8
    virtual int GetStreamLoad(STREAM_LOAD_INFO* pStreamLoadInfo) = 0;        // 9
    virtual int OpenMp3Resource(const ResourceModule* hModule, const char* sResName, const char* sResType,
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
    virtual int SetMixLevel(float fLevel) = 0;                               // 22
    virtual int SetWaveOutVolume(uint32_t nLeftVolume, uint32_t nRightVolume) = 0;  // 23
    virtual int SetPlayerVolume(uint32_t nLeftVolume, uint32_t nRightVolume) = 0;   // 24
    virtual int GetVolume(uint32_t* pnLeftVolume, uint32_t* pnRightVolume) = 0;     // 25
    virtual int GetWaveOutVolume(uint32_t* pnLeftVolume, uint32_t* pnRightVolume) = 0;  // 26
    virtual int GetPlayerVolume(uint32_t* pnLeftVolume, uint32_t* pnRightVolume) = 0;   // 27
    virtual int GetMp3Info(MP3_STREAM_INFO* pInfo) = 0;                      // 28
    virtual int GetSongLengthHMS(MP3_TIME* pLength) = 0;                     // 29
    virtual int GetBitrate(int fAverage) = 0;                                // 30
    virtual int GetStatus(MP3_STATUS* pStatus) = 0;                          // 31
    virtual int MixChannels(int fEnable, uint32_t nLeftPercent, uint32_t nRightPercent) = 0;  // 32
    virtual int GetVUData(uint32_t* pnLeftChannel, uint32_t* pnRightChannel) = 0;            // 33
    virtual int VocalCut(int fEnable) = 0;                                   // 34
    virtual int FadeVolume(int fMode, int fFormat, MP3_TIME* pTime) = 0;     // 35
    virtual int FadeVolumeFull(int fMode, int fFormat, MP3_TIME* pTime) = 0; // 36
    virtual int EnableEQ(int fEnable, int fExternal) = 0;                    // 37
    virtual int CreateEqBands(const int* pnFreqPoint, int nNumOfPoints) = 0; // 38
    virtual int GetEqBandFrequencies(int* pnFreqPoint) = 0;                  // 39
    virtual int SetEqBands(int fExternal, int nPreampGain, const int* pnGain, int nNumberOfBands) = 0;     // 40
    virtual int SetEqBandsRaw(int fExternal, int nPreampGain, const int* pnGain, int nNumberOfBands) = 0;  // 41
    virtual int GetEqBands(int fExternal, int* pnPreampGain, int* pnGain) = 0;     // 42
    virtual int GetEqBandsRaw(int fExternal, int* pnPreampGain, int* pnGain) = 0;  // 43
    virtual int LoadID3(int nId3Version, ID3_INFO* pId3Info) = 0;           // 44
    virtual int SetSfxParam(int fEnable, int nMode, int nDelayMs, int nInputGain, int nEchoGain,
                            int nOutputGain) = 0;                             // 45
    virtual int GetSfxParam(int* pnMode, int* pnDelayMs, int* pnInputGain, int* pnEchoGain,
                            int* pnOutputGain) = 0;                           // 46
    virtual int SetSfxModeData(int nMode, const int* pnLeftDelayGains, const int* pnRightDelayGains,
                               int nCount) = 0;                               // 47
    virtual int GetSfxModeData(int nMode, int* pnLeftDelayGains, int* pnRightDelayGains) = 0;  // 48
    virtual int Release() = 0;                                               // 49
    virtual int SetCallbackFunc(MP3CallBack* pCallbackFunc, uint32_t nMessages) = 0;  // 50
    virtual int GetFFTValues(FFT_STRUCT* pFFT) = 0;                          // 51

protected:
    // Only Release destroys a player.
    virtual ~CDuoPlayer() = default;
};

// Creates a two-stream player; null when memory runs out.
CDuoPlayer* CreateDuoPlayer();
