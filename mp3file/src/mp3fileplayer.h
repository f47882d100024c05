#pragma once
// Plays one plain MP3 file through a one-stream player. The plain-MP3
// counterpart of the container reader; its users poll it.

#include "mp3file/src/soloplayer.h"

class Mp3FilePlayer {
public:
    Mp3FilePlayer() = default;
    ~Mp3FilePlayer();
    Mp3FilePlayer(const Mp3FilePlayer&) = delete;
    Mp3FilePlayer& operator=(const Mp3FilePlayer&) = delete;

    bool Open(const char* path);
    void Close();
    bool Play();
    void Stop();
    bool Pause();
    bool IsPlaying();
    bool IsPaused();
    float GetPositionSeconds();
    float GetLengthSeconds();
    bool SeekSeconds(float seconds);
    // Moves to 'seconds' without playing: the song is stopped there, and
    // its position is that place until it plays again.
    void PlaceAtSeconds(float seconds);
    // volume 0..1; this player has no balance, left and right are unused.
    void SetVolume(float volume, int left, int right);
    int GetFFTValues(FFT_STRUCT* fft);

    int VolumePercent() const { return volume_; }
    CSoloPlayer* Player() const { return player_; }

private:
    CSoloPlayer* player_ = nullptr;
    int volume_ = 80;
};
