#pragma once
// The program's one ID3 reader and writer. Reading takes an MP3 file's
// ID3v2 tag (2.2, 2.3 or 2.4) into a map of frames, or the ID3v1 record
// when there is no ID3v2 tag, and then finds the first MPEG frame for the
// bit rate and play length. Writing puts a new ID3v2.3 tag in front of a
// file that has none. Texts come and go as UTF-8.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "kvostudio/libskin/mpegaudioinfo.h"

class CId3Frame {
public:
    CId3Frame() = default;
    CId3Frame(const char id[4], std::vector<uint8_t> data, uint16_t flags);
    virtual ~CId3Frame() = default;
    CId3Frame(const CId3Frame&) = default;
    CId3Frame& operator=(const CId3Frame&) = default;

    uint32_t Size() const { return uint32_t(data.size()); }

    std::vector<uint8_t> data;
    char id[4] = {};
    uint16_t flags = 0;   // as read from the frame header; 0 for new frames
};

class CId3tagv2 {
public:
    CId3tagv2();
    virtual ~CId3tagv2() = default;

    // Returns 0 on success and -1 if the file carries no usable ID3v2 tag
    // (absent, truncated, or of a version we do not know); on an open
    // failure or exhausted memory, the errno value instead.
    int Read(const char* path);

    std::string GetTitle() const;
    std::string GetArtist() const;
    std::string GetLyrics() const;
    std::string GetUserText() const;
    void SetUserText(const char* text);
    uint32_t GetDurationSeconds() const;
    uint32_t GetBitrateKbps() const;

    // Empty for a missing frame and for frames that hold no text.
    std::string GetFrameText(const char* id) const;
    // An empty text removes the frame. Only T..., W... and COMM frames are
    // handled; the text is written in the tag's text encoding.
    void SetFrameText(const char* id, const char* text);

    // Puts a tag with these frames (plus TIT2 = the file's name) in front of
    // the file, through a temporary file that replaces it only when
    // complete. 0 on success, -1 when this object already holds a tag read
    // from or written to a file, else the system error code; on any failure
    // the file is left as it was.
    int Write(const char* path);

    void Clear();
    // Finds the first valid MPEG frame header from 'start' in the open file
    // and a Xing header in that frame. 1 when a header was found.
    int ReadAudioInfo(int fd, uint64_t start);

    uint16_t Version() const { return version_; }
    int TextEncoding() const { return encoding_; }
    bool Present() const { return present_ != 0; }
    const uint8_t* Header() const { return header_; }
    const std::map<uint32_t, CId3Frame>& Frames() const { return frames_; }

private:
    void ReadV1(int fd, uint64_t fileSize);
    void ParseFrames(const std::vector<uint8_t>& tag, size_t start);
    void InsertFrame(const char id[4], std::vector<uint8_t> data, uint16_t flags);
    std::string V1Field(int offset) const;

    int present_ = 0;
    int encoding_ = 0;
    int unsync_ = 1;
    uint8_t header_[10] = {};
    uint8_t v1_[128] = {};
    uint16_t version_ = 0x0300;
    std::map<uint32_t, CId3Frame> frames_;
    std::string encoderName_;
    mpeg::AudioInfo audio_;
};

// The map key of a frame ID: its four bytes as a little-endian number.
uint32_t Id3FrameKey(const char id[4]);
