#include "kvostudio/playimpl.h"

#include <algorithm>
#include <cctype>

CPlayImpl::CPlayImpl() : kvo_(std::make_unique<KvoFile>()), mp3_(std::make_unique<Mp3FilePlayer>()) {}

CPlayImpl::~CPlayImpl()
{
    kvo_->Close();
    mp3_->Close();
}

int CPlayImpl::FileTypeOf(const std::string& path)
{
    std::string tail = path.size() > 3 ? path.substr(path.size() - 3) : path;
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
    if (tail == "kvo")
        return kFileKvo;
    if (tail == "mp3")
        return kFileMp3;
    return kFileOther;
}

int CPlayImpl::GetFileType() const
{
    return FileTypeOf(path_);
}

int CPlayImpl::Play(const std::string& path, float volume)
{
    const bool sameSong = path == path_;
    playError_.clear();
    if (path.empty())
        return 0;
    if (sameSong && ResumePaused(volume)) {
        playing_ = 1;
        paused_ = 0;
        return 1;
    }

    float resumeAt = 0.0f;
    switch (GetFileType()) {
    case kFileKvo:
        if (!kvo_->IsPlaying())
            resumeAt = kvo_->GetPositionSeconds();
        break;
    case kFileMp3:
        if (!mp3_->IsPlaying())
            resumeAt = mp3_->GetPositionSeconds();
        break;
    default:
        break;
    }
    if (!sameSong)
        Stop();
    path_ = path;

    bool started = false;
    switch (GetFileType()) {
    case kFileKvo:
        if (kvo_->Open(path.c_str(), false)) {
            kvo_->SetVolume(volume, 100, 100);
            kvo_->SetMixLevel(1.0f);
            started = sameSong ? kvo_->SeekSeconds(resumeAt) != 0 : kvo_->Play();
        }
        break;
    case kFileMp3:
        if (mp3_->Open(path.c_str())) {
            // The level first: the player decodes ahead at the level it has.
            mp3_->SetVolume(volume, 100, 100);
            started = sameSong ? mp3_->SeekSeconds(resumeAt) : mp3_->Play();
        }
        break;
    default:
        // No player plays this file: refuse it rather than show it playing.
        break;
    }
    if (!started) {
        // Kept before Stop, which may set a text of its own.
        const char* said = nullptr;
        if (GetFileType() == kFileKvo && kvo_->Player())
            said = kvo_->Player()->GetError();
        else if (GetFileType() == kFileMp3 && mp3_->Player())
            said = mp3_->Player()->GetError();
        playError_ = said ? said : "";
        Stop();
        return 0;
    }
    playing_ = 1;
    paused_ = 0;
    return 1;
}

bool CPlayImpl::ResumePaused(float volume)
{
    // Reopening would start the song again from a seek, which lands on a
    // frame and, near the end, past what was left to hear.
    switch (GetFileType()) {
    case kFileKvo:
        if (!kvo_->IsPaused())
            return false;
        kvo_->SetVolume(volume, 100, 100);
        kvo_->SetMixLevel(1.0f);
        return kvo_->Play();
    case kFileMp3:
        if (!mp3_->IsPaused())
            return false;
        mp3_->SetVolume(volume, 100, 100);
        return mp3_->Play();
    default:
        return false;
    }
}

int CPlayImpl::Pause()
{
    playing_ = 0;
    switch (GetFileType()) {
    case kFileKvo:
        if (kvo_->IsPlaying())
            kvo_->Pause();
        break;
    case kFileMp3:
        if (mp3_->IsPlaying())
            mp3_->Pause();
        break;
    default:
        break;
    }
    paused_ = 1;
    return 1;
}

int CPlayImpl::Stop()
{
    playing_ = 0;
    paused_ = 0;
    switch (GetFileType()) {
    case kFileKvo:
        kvo_->Stop();
        break;
    case kFileMp3:
        mp3_->Stop();
        break;
    default:
        break;
    }
    return 1;
}

bool CPlayImpl::IsPlaying()
{
    switch (GetFileType()) {
    case kFileKvo:
        return kvo_->IsPlaying();
    case kFileMp3:
        return mp3_->IsPlaying();
    default:
        return false;
    }
}

void CPlayImpl::SetVolume(float volume, unsigned vocalPercent)
{
    switch (GetFileType()) {
    case kFileKvo:
        if (kvo_->IsPlaying()) {
            kvo_->SetVolume(volume, 100, 100);
            kvo_->SetMixLevel(static_cast<float>(vocalPercent) / 100.0f);
        }
        break;
    case kFileMp3:
        if (mp3_->IsPlaying())
            mp3_->SetVolume(volume, 100, 100);
        break;
    default:
        break;
    }
}

int CPlayImpl::Seek(float seconds)
{
    // A paused song moves and stays paused: the next Play continues from
    // the new place (Play resumes the same song from its position).
    const bool paused = paused_ && !playing_;
    switch (GetFileType()) {
    case kFileKvo:
        if (paused)
            kvo_->PlaceAtSeconds(seconds);
        else
            kvo_->SeekSeconds(seconds);
        break;
    case kFileMp3:
        if (paused)
            mp3_->PlaceAtSeconds(seconds);
        else
            mp3_->SeekSeconds(seconds);
        break;
    default:
        break;
    }
    return 1;
}

float CPlayImpl::GetPosition()
{
    switch (GetFileType()) {
    case kFileKvo:
        return kvo_->GetPositionSeconds();
    case kFileMp3:
        return mp3_->GetPositionSeconds();
    default:
        return 0.0f;
    }
}

float CPlayImpl::GetLength()
{
    switch (GetFileType()) {
    case kFileKvo:
        return kvo_->GetLengthSeconds();
    case kFileMp3:
        return mp3_->GetLengthSeconds();
    default:
        return 0.0f;
    }
}

void CPlayImpl::GetFFT(FFT_STRUCT* fft)
{
    switch (GetFileType()) {
    case kFileKvo:
        kvo_->GetFFTValues(fft);
        break;
    case kFileMp3:
        mp3_->GetFFTValues(fft);
        break;
    default:
        break;
    }
}
