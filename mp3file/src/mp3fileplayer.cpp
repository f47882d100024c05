#include "mp3file/src/mp3fileplayer.h"

#include <cmath>

#include "libkvo/src/clampcast.h"

Mp3FilePlayer::~Mp3FilePlayer()
{
    Close();
}

bool Mp3FilePlayer::Open(const char* path)
{
    if (!path)
        return false;
    Close();
    player_ = CreateSoloPlayer();
    if (!player_)
        return false;
    return player_->Open_Mp3File(path, 800, 0, 0) != 0;
}

void Mp3FilePlayer::Close()
{
    if (!player_)
        return;
    // Release joins every thread of the player, so nothing is left to settle
    // and no pause is needed before it.
    player_->Release();
    player_ = nullptr;
    volume_ = 80;
}

bool Mp3FilePlayer::Play()
{
    // The player's answer is passed on: a caller must not show a song as
    // playing when nothing plays.
    return player_ && player_->Play() != 0;
}

void Mp3FilePlayer::Stop()
{
    if (player_)
        player_->Stop();
}

bool Mp3FilePlayer::Pause()
{
    if (player_)
        player_->Pause();
    return true;
}

bool Mp3FilePlayer::IsPlaying()
{
    if (!player_)
        return false;
    MP3_STATUS status;
    return player_->GetStatus(&status) && status.fPlay == 1;
}

bool Mp3FilePlayer::IsPaused()
{
    if (!player_)
        return false;
    MP3_STATUS status;
    return player_->GetStatus(&status) && status.fPause == 1;
}

float Mp3FilePlayer::GetPositionSeconds()
{
    if (!player_)
        return 0.0f;
    MP3_TIME time;
    player_->GetPosition(&time);
    return static_cast<float>(time.ms * 0.001);
}

float Mp3FilePlayer::GetLengthSeconds()
{
    if (!player_)
        return 0.0f;
    MP3_TIME length;
    player_->GetSongLengthHMS(&length);
    return static_cast<float>(length.ms * 0.001);
}

bool Mp3FilePlayer::SeekSeconds(float seconds)
{
    if (!player_)
        return false;
    PlaceAtSeconds(seconds);
    return player_->Play() != 0;
}

void Mp3FilePlayer::PlaceAtSeconds(float seconds)
{
    if (!player_)
        return;
    MP3_TIME target{};
    target.ms = ClampedCast<uint32_t>(double(seconds) * 1000.0);
    player_->Seek(TIME_FORMAT_MS, &target, SONG_BEGIN);
}

void Mp3FilePlayer::SetVolume(float volume, int, int)
{
    const int percent = ClampedCast<int>(volume * 100.0);
    volume_ = percent;
    if (player_ && percent >= 0 && percent <= 100)
        player_->SetPlayerVolume(static_cast<uint32_t>(percent), static_cast<uint32_t>(percent));
}

int Mp3FilePlayer::GetFFTValues(FFT_STRUCT* fft)
{
    return player_ ? player_->GetFFTValues(fft) : 0;
}
