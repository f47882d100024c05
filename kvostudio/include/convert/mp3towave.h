#pragma once
// MP3 to WAV: decodes a whole MP3 file (the accompaniment of a song) into a
// 16-bit PCM WAV file with the plain 44-byte header, at the stream's own
// sample rate and channel layout. The recording engine mixes the voice
// against this file sample by sample, so its timeline must be the song's:
// a frame that cannot be decoded, or one lost to damage, becomes silence of
// its length instead of disappearing.

#include <string>

class mp3toWave {
public:
    mp3toWave() = default;
    ~mp3toWave() = default;
    mp3toWave(const mp3toWave&) = delete;
    mp3toWave& operator=(const mp3toWave&) = delete;

    // Deletes wavPath, then writes it anew from mp3Path. Returns 0 when the
    // WAV was written; kNoInput when the MP3 cannot be opened (LastError()
    // then holds "File not Found - <path>", or for a file that is there
    // the reason, e.g. "not a regular file - <path>" for a FIFO, which is
    // refused without waiting for a writer); kNoAudio when the file holds no
    // decodable frame; kWriteFailed when the WAV cannot be written. On every
    // failure no WAV file is left behind.
    int Convert(const char* mp3Path, const char* wavPath);

    const std::string& LastError() const { return m_lastError; }

    static constexpr int kNoInput = -1;
    static constexpr int kNoAudio = -2;
    static constexpr int kWriteFailed = -3;

private:
    std::string m_lastError;
};
