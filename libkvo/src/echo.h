#pragma once
// The players' echo: ten preset modes of tap gains kept in one table for
// the whole process, and the processor that runs on the halves of each
// finished 16-bit stereo buffer. The processor keeps a ring of the last 40
// halved half-buffers; tap j of a side adds its gain times the sample at
// the same position in ring slot j + delay index.
//
// The processor itself takes no lock: the player runs it and changes it
// under its effects lock.

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int kEchoModes = 10;
constexpr int kEchoTaps = 20;
constexpr int kEchoSlots = 40;
constexpr int kEchoMaxDelayMs = 1000;

struct EchoTaps {
    double left[kEchoTaps] = {};
    double right[kEchoTaps] = {};
};

// The tap gains of a mode of the process-wide table (mode 0..9; any other
// gives all zeros).
EchoTaps GetEchoMode(int mode);
// Replaces a mode's tap gains for every player. False for a mode outside
// 0..9.
bool SetEchoMode(int mode, const EchoTaps& taps);

// Delay index of a delay in ms (clamped to 0..1000): 0..20 ring slots.
int EchoDelayIndex(int delayMs);

class EchoProcessor {
public:
    // Makes the ring of slotSamples 16-bit samples per slot (zeroed);
    // false, with no ring, when the memory cannot be had.
    bool Allocate(size_t slotSamples);
    void Free();
    bool Allocated() const { return !slots_.empty(); }
    size_t SlotSamples() const { return slotSamples_; }

    void SetTaps(const double* left, const double* right);
    // The three levels are in dB; the output level is added to both paths
    // (dry: input + output, wet: echo + output) before converting to gains.
    void SetGains(int inputDb, int echoDb, int outputDb);
    void SetDelayIndex(int index);
    // Silences the ring.
    void Clear();

    // One half-buffer of 'pairs' stereo pairs, in place. A half larger
    // than a slot (no ring, or a ring made for shorter buffers) is left as
    // it is.
    void Process(int16_t* samples, size_t pairs);

private:
    int16_t* Slot(int k) { return slots_.data() + ((head_ + size_t(k)) % kEchoSlots) * slotSamples_; }

    std::vector<int16_t> slots_;  // kEchoSlots slots of slotSamples_ each
    size_t slotSamples_ = 0;
    size_t head_ = 0;             // physical slot of logical slot 0
    double left_[kEchoTaps] = {};
    double right_[kEchoTaps] = {};
    double dry_ = 1.0;
    double wet_ = 1.0;
    int delayIndex_ = 0;
};
