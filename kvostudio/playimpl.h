#pragma once
// The one object through which the main window plays music: a container
// player for ".kvo" songs and a plain-MP3 player, chosen by the current
// song's file type. Times are seconds, volumes 0..1.

#include <memory>
#include <string>

#include "libkvo/src/kvofile.h"
#include "mp3file/src/mp3fileplayer.h"

class CPlayImpl {
public:
    enum FileType { kFileMp3 = 0, kFileKvo = 1, kFileOther = 2 };

    CPlayImpl();
    ~CPlayImpl();
    CPlayImpl(const CPlayImpl&) = delete;
    CPlayImpl& operator=(const CPlayImpl&) = delete;

    // The type of the current song, by the last three characters of its
    // lower-cased path.
    int GetFileType() const;
    static int FileTypeOf(const std::string& path);

    // Plays 'path'. The song that is paused goes on in its player at the
    // sample where it paused; the song that is stopped continues where it
    // was placed (its start, or where a seek put it); any other song, and
    // the song that plays now, starts from 0. Returns 1 when the song plays.
    int Play(const std::string& path, float volume);
    int Pause();
    int Stop();
    bool IsPlaying();
    void SetVolume(float volume, unsigned vocalPercent);
    // Plays from 'seconds'; a paused song only moves there and stays paused.
    int Seek(float seconds);
    float GetPosition();
    float GetLength();
    void GetFFT(FFT_STRUCT* fft);

    // The failing player's own text after a Play that returned 0; empty
    // when no player said anything.
    const std::string& LastPlayError() const { return playError_; }

    bool PlayingFlag() const { return playing_ != 0; }
    bool PausedFlag() const { return paused_ != 0; }
    const std::string& CurrentPath() const { return path_; }

private:
    // The current song, paused in its player, goes on there; false when it
    // is not paused (or did not go on).
    bool ResumePaused(float volume);

    std::unique_ptr<KvoFile> kvo_;
    std::unique_ptr<Mp3FilePlayer> mp3_;
    int playing_ = 0;
    int paused_ = 0;
    std::string path_;
    std::string playError_;
};
