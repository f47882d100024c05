#pragma once
// Records and codes that cross the players' interfaces. Both players (the
// two-stream DuoPlayer and the one-stream SoloPlayer) share them.

#include <cstdint>

// Time formats: which field of MP3_TIME an operation reads.
enum : int {
    TIME_FORMAT_MS = 1,
    TIME_FORMAT_SEC = 2,
    TIME_FORMAT_HMS = 4,
    TIME_FORMAT_BYTES = 8,
};

// Seek methods.
enum : int {
    SONG_BEGIN = 1,
    SONG_END = 2,
    SONG_CURRENT_FORWARD = 4,
    SONG_CURRENT_BACKWARD = 8,
};

// Volume modes.
enum : int {
    VOLUME_MODE_DEVICE = 0,
    VOLUME_MODE_SOFTWARE = 1,
};

// Fade modes (fMode).
enum : int {
    FADE_UP = 1,
    FADE_DOWN = 2,
};

struct MP3_TIME {
    uint32_t ms;
    uint32_t sec;
    uint32_t bytes;
    uint32_t frames;
    struct {
        uint32_t hour;
        uint32_t minute;
        uint32_t second;
        uint32_t millisecond;
    } hms;
};

// Exactly one of playing, paused, stopped is 1.
struct MP3_STATUS {
    int32_t fPlay;
    int32_t fPause;
    int32_t fStop;
    int32_t fEcho;
    int32_t nSfxMode;
    int32_t fExternalEQ;
    int32_t fInternalEQ;
    int32_t fVocalCut;
    int32_t fChannelMix;
    int32_t fFadeIn;
    int32_t fFadeOut;
    int32_t fInternalVolume;
    int32_t fLoop;
    int32_t fReverse;
};

struct STREAM_LOAD_INFO {
    uint32_t NumberOfBuffers;
    uint32_t NumberOfBytes;
    uint32_t NumberOfMilliseconds;
};

struct MP3_STREAM_INFO {
    int32_t nMPEGVersion;    // 1 MPEG-1, 2 MPEG-2, 4 MPEG-2.5
    int32_t nLayer;          // 1 I, 2 II, 4 III, 0 otherwise
    int32_t nChannelMode;    // 1 single, 2 dual, 4 joint stereo, 8 stereo
    int32_t nEmphasis;       // 1 none, 2 50/15 us, 4 CCITT J.17, 8 reserved
    uint32_t nSampleRate;
    uint32_t nHeaderStart;   // bytes from the start of the data to the first frame
    int32_t nChannel;        // 1 or 2
    int32_t fVbr;
    uint32_t nBitrate;       // kbit/s
};

// Texts owned by the player; valid until its next LoadID3, Close or Release.
struct ID3_INFO {
    char* Title;
    char* Artist;
    char* Album;
    char* Year;
    char* Comment;
    char* TrackNum;
    char* Genre;
};

struct WAVEOUT_INFO {
    uint32_t ManufacturerID;
    uint32_t ProductID;
    uint32_t DriverVersion;
    uint32_t Formats;
    uint32_t Channels;
    uint32_t Support;
    char ProductName[32];
};

// Spectrum request and answer; the caller owns every array.
struct FFT_STRUCT {
    uint32_t nFFTPoints;    // 32, 64, 128, 256, 512, 1024, 2048, 8192 or 16384
    uint32_t nFFTWindow;    // window code
    uint32_t nHarmonicsNumber;  // out: nFFTPoints / 2 + 1
    int32_t* pnFreq;
    int32_t* pnLeftAmplitude;
    int32_t* pnRightAmplitude;
    int32_t* pnLeftPhase;
    int32_t* pnRightPhase;
};
