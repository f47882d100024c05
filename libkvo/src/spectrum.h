#pragma once
// The arithmetic of the players' spectrum query. A block of the sound now
// at the device is windowed and transformed, and for each channel the
// bins' frequency, level (dB) and phase are written into the FFT_STRUCT
// the caller passed. The
// player gathers the block (playingwindow.h) under its own lock and hands
// it in; nothing here touches the player's buffers.

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "libkvo/src/playerrecords.h"
#include "libkvo/src/realfft.h"

// Window codes of FFT_STRUCT::nFFTWindow; any other code is rectangular.
enum FFT_WINDOW : uint32_t {
    FFT_WINDOW_RECTANGULAR = 1,
    FFT_WINDOW_HAMMING = 2,
    FFT_WINDOW_HANN = 3,
    FFT_WINDOW_SINE = 4,
    FFT_WINDOW_LANCZOS = 5,
    FFT_WINDOW_BARTLETT = 6,
    FFT_WINDOW_TRIANGULAR = 7,
    FFT_WINDOW_GAUSS = 8,
    FFT_WINDOW_BARTLETT_HANN = 9,
    FFT_WINDOW_BLACKMAN = 10,
    FFT_WINDOW_NUTTALL = 11,
    FFT_WINDOW_BLACKMAN_HARRIS = 12,
    FFT_WINDOW_BLACKMAN_NUTTALL = 13,
    FFT_WINDOW_FLAT_TOP = 14,
};

// The nine transform sizes a request may ask for (4096 is not one).
bool IsSpectrumSize(uint32_t n);

// Fills n window values for a window code.
void MakeFftWindow(uint32_t code, uint32_t n, float* window);

// What the player hands in for one query.
struct SpectrumInput {
    bool playing = false;              // playing and the output device open
    uint32_t sampleRate = 0;           // output rate in Hz
    int channels = 2;                  // of 'samples': 1 (both sides read it) or 2
    const int16_t* samples = nullptr;  // interleaved, from the sample at the device now
    uint32_t frames = 0;               // frames in 'samples'; the transform's rest is silence
};

// The spectrum state a player keeps between queries. Calls are serialised,
// so two callers may share one player.
class SpectrumState {
public:
    // Answers the request in place and returns 1, or returns 0 with the
    // reason in 'error'. A null request frees the state and returns 1.
    int GetFFTValues(FFT_STRUCT* request, const SpectrumInput& input, std::string& error);
    uint32_t Size() const;

private:
    void FreeLocked();
    void FillInput(const SpectrumInput& input, int channel);
    void Answer(const SpectrumInput& input, int channel, int32_t* amplitudes, int32_t* phases);

    mutable std::mutex mutex_;
    std::vector<float> input_;
    std::vector<float> window_;
    RealFftTables fft_;
    uint32_t size_ = 0;
    uint32_t windowCode_ = 0;
    bool windowBuilt_ = false;
};
