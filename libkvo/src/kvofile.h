#pragma once
// The container reader: opens a .kvo music container, hands its two
// streams (accompaniment and vocal) to a two-stream player and offers the
// few playback operations the application uses.
//
// Container layout (little-endian): 6-byte signature area, uint16, uint32
// chunk count N, N uint32 payload sizes, then N chunks of {uint32 type,
// uint32 length, payload}. Chunk 0 is the song's ID3v2 tag, chunk 1 the
// head block of the vocal stream; then pairs of a type-1 chunk (a piece of
// the accompaniment) and a type-2 chunk (the vocal piece for the same
// stretch of time) of equal length.

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <vector>

#include "libkvo/src/duoplayer.h"
#include "libkvo/src/rawbytes.h"

class KvoFile : public MP3CallBack {
public:
    KvoFile();
    ~KvoFile() override;
    KvoFile(const KvoFile&) = delete;
    KvoFile& operator=(const KvoFile&) = delete;

    // streaming: feed the player piece by piece while it plays instead of
    // reading the whole song at once.
    bool Open(const char* path, bool streaming);
    void Close();

    // These expect an open container; without one they do nothing (and
    // IsPlaying answers false).
    bool Play();
    void Stop();
    bool Pause();
    bool IsPlaying();
    bool IsPaused();
    float GetPositionSeconds();
    float GetLengthSeconds();
    // Plays from 'seconds'; the player's Play result.
    int SeekSeconds(float seconds);
    // Moves to 'seconds' without playing: the song is stopped there, and
    // its position is that place until it plays again.
    void PlaceAtSeconds(float seconds);
    // volume 0..1; left and right weigh the two sides (equal: centred).
    void SetVolume(float volume, unsigned left, unsigned right);
    int SetMixLevel(float gain);
    int GetFFTValues(FFT_STRUCT* fft);

    // Streaming refill, on the player's callback thread.
    int OnPlayerMessage(uint32_t kind, uintptr_t wParam, uintptr_t lParam) override;

    int VolumePercent() const { return volume_; }
    CDuoPlayer* Player() const { return player_; }

private:
    bool ReadHeader(uint64_t fileSize);
    // Appends whole pairs to a and b while stream 1 stays below 'limit'.
    bool ReadChunks(RawBytes& a, RawBytes& b, uint32_t limit, bool growForLargePair);
    bool OpenPlayer(bool streaming);
    uint64_t FirstAudioChunkOffset() const;
    void RefillAndPush();

    int volume_ = 80;
    bool streaming_ = false;
    // Streaming: the song's start is queued in the player and not played yet.
    bool startQueued_ = false;
    CDuoPlayer* player_ = nullptr;
    // A whole song's two streams, which the player decodes where they lie;
    // or, streaming, the fill being pushed.
    RawBytes bufferA_;
    RawBytes bufferB_;
    FILE* file_ = nullptr;
    uint64_t fileSize_ = 0;
    uint8_t signature_[6] = {};
    uint16_t field_ = 0;
    uint32_t count_ = 0;
    std::vector<uint32_t> sizes_;
    // The refill runs on the callback thread while Stop runs on the
    // caller's: both read the file and the buffers.
    std::mutex fileMutex_;
};
