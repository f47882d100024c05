#pragma once
// The graphic equalizer, the last stage each player applies to decoded
// samples on their way to the device. The band gains become a linear-phase
// FIR filter (firdesign.h), run as fast convolution (real FFT with
// overlap-add) over 2^bits-point blocks; both players pick 14 bits.
//
// Threads: MakeTable runs on the player's design thread, Process on its
// decoding thread. They meet only through two response table sets and a
// pending set number, guarded by a small lock: a design is computed aside,
// then copied into the set that is not active and offered, in one step
// under the lock (replacing an offer not yet taken); Process switches to
// the offered set at the start of a call. Processing waits at most for
// that copy, never for a design, and it never sees a half written table.
// Init, Quit, Clear and the setters must not run while Process runs (the
// owning player holds its effects lock around them); Init and Quit wait
// for a design in progress.

#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

#include "libkvo/src/realfft.h"

class FirEqualizer {
public:
    // Band edges in Hz used when none are requested: ten bands, the last
    // one above 15000 Hz.
    static constexpr float kDefaultBandEdges[] = {115, 240, 455, 800, 2000, 4500, 9000, 13000, 15000};
    static constexpr int kPlayerBits = 14;

    FirEqualizer() = default;
    ~FirEqualizer() { Quit(); }
    FirEqualizer(const FirEqualizer&) = delete;
    FirEqualizer& operator=(const FirEqualizer&) = delete;

    // Band edges (Hz, finite and positive, at least one) for the next Init;
    // an empty list asks for the defaults. Returns false, keeping the old
    // request, for an invalid list.
    bool SetBandEdges(std::span<const float> edges);

    // Frees what exists and sets up a 2^bits-point filter (bits 3 to 20)
    // with the requested band edges, both table sets empty. Returns false
    // for other bit counts, leaving the equalizer uninitialised.
    bool Init(int bits);

    // Designs both channels from one linear gain per band (BandCount() of
    // each; extra ones are ignored) into the table set that is not in use
    // and offers it to the next Process. Returns false and changes nothing
    // when not initialised, for a rate of 0 or less, too few or non-finite
    // gains.
    bool MakeTable(std::span<const float> leftGains, std::span<const float> rightGains,
                   float sampleRate);

    // Filters interleaved PCM in place: 1 or 2 channels of 8-bit (unsigned),
    // 16-bit or 24-bit (little-endian) samples. Output is GetLatency()
    // frames behind the input. Returns the frame count, or 0 (buffer
    // untouched) for another sample size or channel count, or when not
    // initialised.
    uint32_t Process(void* buffer, uint32_t frames, int channels, int bitsPerSample);

    // Forgets the buffered frames and the tail of the previous block.
    void Clear();
    // Frees every buffer; the equalizer is uninitialised afterwards.
    void Quit();

    // Frames between a sample going in and coming out: the block delay plus
    // the filter's group delay (12286 for 14 bits).
    uint32_t GetLatency() const { return blockLength_ + blockLength_ / 2; }

    void SetFilterOn(bool on) { filterOn_ = on; }
    void SetDitherOn(bool on) { ditherOn_ = on; }
    bool IsInitialised() const { return initialised_; }
    // Bands of the current design: edge count + 1.
    int BandCount() const { return int(edges_.size()) + 1; }

private:
    float DitherOut(float s, float minValue, float maxValue);
    void FreeAll();
    void TakeOfferedTables();
    void FilterBlock(int channels);

    // Response tables: set (0 or 1) x channel (0 left, 1 right).
    std::vector<float> response_[2][2];
    std::vector<float> design_;       // taps being designed
    std::vector<float> block_;        // one channel's block being filtered
    std::vector<int32_t> input_;      // L frames x 2 channels
    std::vector<float> accumulator_;  // N frames x 2 channels
    std::vector<float> ditherTable_;
    std::vector<float> edges_;
    std::vector<float> requestedEdges_;
    RealFftTables processFft_;
    RealFftTables designFft_;

    // Guarded by tableMutex_: the set Process reads (active) and the one a
    // finished design offers (pending, -1 none). A design fills the set
    // that is not active and offers it under this lock; only Process
    // changes the active set, and only to the offered one.
    std::mutex tableMutex_;
    int active_ = 0;
    int pending_ = -1;
    // Serialises designs, and Init/Quit against a design.
    std::mutex designMutex_;

    int activeForProcess_ = 0;  // decoding thread's copy of active_
    uint32_t blockLength_ = 0;  // L = 2^(bits-1) - 1
    uint32_t fftSize_ = 0;      // N = 2^bits
    int bits_ = 0;
    uint32_t bufferedFrames_ = 0;
    bool filterOn_ = true;
    bool ditherOn_ = false;
    uint32_t ditherIndex_ = 0;
    float ditherError_ = 0.0f;
    bool initialised_ = false;
};
