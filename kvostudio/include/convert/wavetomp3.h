#pragma once
// WAV to MP3: the last step of every recording. The encoder is the module
// lame_enc.so beside the program, loaded for each encode, so that the
// program runs without it until a recording is encoded.

#include <cstdint>

// What the encoder tells its caller while it runs. The recording engine
// forwards progress to its progress window and errors to a message box
// captioned "Error".
class Mp3EncodeObserver {
public:
    virtual ~Mp3EncodeObserver() = default;
    virtual void SetProgressTotal(int64_t total) = 0;
    virtual void SetProgressDone(int64_t done) = 0;
    // Called at the top of every pass and once more at the end (100 %).
    virtual void ReportProgress() = 0;
    virtual void ShowError(const char* text) = 0;
};

// The error texts shown to the user.
inline constexpr const char* kLameLoadErrorText = "Lame Module Load Error!";
inline constexpr const char* kLameFuncErrorText = "Can't Get Func!";
inline constexpr const char* kLameOpenErrorText = "Can't Open File!";

// Set to an absolute path, this file is loaded instead of the module beside
// the program (tests use it to load fakes).
inline constexpr const char* kLameModuleEnv = "KVO_LAME_MODULE";

// The module's absolute path: $KVO_LAME_MODULE when set, else the program's
// folder followed by the module's file name; empty when neither is known.
const char* LameModulePath(char* out, unsigned outSize);

// Encodes the samples of a 44100 Hz 16-bit stereo WAV file (source) into an
// MP3 file (target, created or emptied) at bitrate kbit/s: stereo, CRC-
// protected frames, 44100 Hz. Only the "data" chunk is encoded; a source
// without a RIFF header is taken as raw samples. Returns 1 only if every
// sample made it into the target, otherwise 0; when the module cannot be
// loaded or a file cannot be opened the observer (may be null) also gets
// one of the texts above.
int EncodeMp3(const char* source, const char* target, int bitrate, Mp3EncodeObserver* observer);
