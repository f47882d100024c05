#pragma once
// The encoder module's interface: one configuration record and four C entry
// points, looked up by name after the module is loaded. Every entry point
// but beCloseStream returns 0 on success or one of the error codes below.

#include <cstdint>

// The configuration record, packed, as the caller fills it.
#pragma pack(push, 1)
struct BeMp3Settings {
    uint32_t sampleRate;  // of the input and the output, e.g. 44100
    uint8_t mode;         // kBeModeStereo
    uint16_t bitrate;     // kbit/s
    uint32_t privateFlag; // the private bit of every frame header
    uint32_t crc;         // non-zero: CRC-protected frames
    uint32_t copyright;   // the copyright bit of every frame header
    uint32_t original;    // the original-medium bit of every frame header
};
struct BeConfig {
    uint32_t kind;        // kBeConfigMp3
    BeMp3Settings mp3;
    uint8_t reserved[235]; // zero
};
#pragma pack(pop)

inline constexpr uint32_t kBeConfigMp3 = 0;
inline constexpr uint8_t kBeModeStereo = 0;

inline constexpr uint32_t kBeOk = 0;
inline constexpr uint32_t kBeErrInvalidFormat = 1;      // unknown record kind or mode
inline constexpr uint32_t kBeErrInvalidParameters = 2;  // rate or bit rate the encoder cannot do
inline constexpr uint32_t kBeErrNoMemory = 3;
inline constexpr uint32_t kBeErrBadStream = 4;          // null or closed stream, null buffers
inline constexpr uint32_t kBeErrEncoder = 5;            // the encoder itself failed

struct BeStream;  // opaque
using BeStreamHandle = BeStream*;

extern "C" {
// Opens a stream. samplesPerChunk: how many 16-bit values (both channels
// counted) one beEncodeChunk call takes at most; outputBytes: the size of
// the output buffer every call needs.
using BeInitStreamFn = uint32_t (*)(const BeConfig* config, uint32_t* samplesPerChunk, uint32_t* outputBytes,
                                    BeStreamHandle* stream);
// Encodes count interleaved 16-bit values (left, right, ...). A lone value
// left over from an odd count is kept for the next call.
using BeEncodeChunkFn = uint32_t (*)(BeStreamHandle stream, uint32_t count, const int16_t* samples,
                                     uint8_t* output, uint32_t* written);
// Flushes the encoder's last frames into output.
using BeDeinitStreamFn = uint32_t (*)(BeStreamHandle stream, uint8_t* output, uint32_t* written);
// Frees the stream; the handle is invalid afterwards.
using BeCloseStreamFn = uint32_t (*)(BeStreamHandle stream);
}

inline constexpr const char* kBeInitStreamName = "beInitStream";
inline constexpr const char* kBeEncodeChunkName = "beEncodeChunk";
inline constexpr const char* kBeDeinitStreamName = "beDeinitStream";
inline constexpr const char* kBeCloseStreamName = "beCloseStream";

// The module's file name beside the program.
inline constexpr const char* kLameModuleFileName = "lame_enc.so";
