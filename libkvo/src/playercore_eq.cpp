// The two equalizers' controls: the subband equalizer's ten bands, the FIR
// equalizer's band edges and gains, its design thread, and the run-out of
// its tail when it is switched off or the song ends.

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

#include "libkvo/src/playercore.h"

namespace {

constexpr float kTopEdge = 96000.0f;
const float kDefaultEdges[] = {0, 115, 240, 455, 800, 2000, 4500, 9000, 13000, 15000, 96000};

// The edges the filter is built on: a leading 0 and a trailing 96000 only
// say that the first and last bands run to the ends of the spectrum.
std::vector<float> FilterEdges(const std::vector<float>& edges)
{
    size_t first = 0, last = edges.size();
    if (!edges.empty() && edges.front() == 0.0f)
        first = 1;
    if (last > first && edges.back() == kTopEdge)
        --last;
    return std::vector<float>(edges.begin() + long(first), edges.begin() + long(last));
}

int32_t ToMilli(int value, bool raw)
{
    if (raw)
        return value;
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t(value) * 1000, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

float LinearGain(double db)
{
    // Beyond float range a design would be refused; keep it finite.
    return static_cast<float>(std::min(std::pow(10.0, db / 20.0), 1e30));
}

}  // namespace

// Runs once, from the member's initialiser: defaults of both equalizers.
bool PlayerCore::SetUpEqualizer()
{
    eqEdges_.assign(std::begin(kDefaultEdges), std::end(kDefaultEdges));
    eqBandsMilliDb_.assign(eqEdges_.size() - 1, 0);
    eqLeftGains_.assign(eqEdges_.size() + 1, 1.0f);
    eqRightGains_ = eqLeftGains_;
    eq_.SetFilterOn(true);
    eq_.SetDitherOn(false);
    eq_.SetBandEdges(FilterEdges(eqEdges_));
    eq_.Init(FirEqualizer::kPlayerBits);
    RecomputeSubbandGains();
    return true;
}

// Under effectsMutex_.
void PlayerCore::RecomputeSubbandGains()
{
    const double preamp = subbandPreampMilliDb_ / 1000.0;
    for (int k = 0; k < kSubbands; ++k)
        subbandGains_[k] = DbToGain428(preamp + subbandBandsMilliDb_[SubbandBand(k)] / 1000.0);
}

bool PlayerCore::StartDesignThread()
{
    return eqThread_.Start(
        [this](EqDesignRequest& request) {
            std::lock_guard<std::mutex> lock(effectsMutex_);
            if (!(eqRate_ > 0.0f))
                return false;  // nothing opened yet: the open asks again
            request.leftGains = eqLeftGains_;
            request.rightGains = eqRightGains_;
            request.sampleRate = eqRate_;
            designGeneration_ = eqGeneration_;
            return true;
        },
        [this](float rate) {
            std::lock_guard<std::mutex> lock(effectsMutex_);
            // A re-initialisation since the read emptied the tables again;
            // the design it asked for follows.
            if (designGeneration_ != eqGeneration_)
                return;
            designRate_ = rate;
            firReady_ = true;
        });
}

int PlayerCore::EnableEQ(int enable, int fir)
{
    if (!fir) {
        subbandEq_ = enable != 0;
        return 1;
    }
    if (enable) {
        if (!eqThread_.Running() && !StartDesignThread())
            return Fail("EnableEQ->Can't create  thread. Please try again !");
        eqThread_.RequestDesign();
        return 1;
    }
    // The decoding thread sees ready cleared and runs the filter's tail out.
    eqThread_.Stop();
    firReady_ = false;
    return 1;
}

int PlayerCore::CreateEqBands(const int* edges, int count)
{
    if (IsOpen())
        Stop();
    if (!edges || count < 2)
        return Fail("CreateEqBands->Invalid parameters !");
    std::vector<float> newEdges, gains;
    std::vector<int32_t> milliDb;
    try {
        newEdges.assign(edges, edges + count);
        milliDb.assign(size_t(count) - 1, 0);
        gains.assign(size_t(count) + 1, 1.0f);
    } catch (const std::bad_alloc&) {
        return Fail("CreateEqBands->Memory allocation error !");
    }
    {
        std::lock_guard<std::mutex> lock(effectsMutex_);
        // The filter needs at least one edge inside the spectrum, each a
        // positive frequency.
        const std::vector<float> filterEdges = FilterEdges(newEdges);
        if (filterEdges.empty() || !eq_.SetBandEdges(filterEdges))
            return Fail("CreateEqBands->Invalid parameters !");
        eqEdges_ = std::move(newEdges);
        eqBandsMilliDb_ = std::move(milliDb);
        eqLeftGains_ = gains;
        eqRightGains_ = std::move(gains);
        eqPreampMilliDb_ = 0;
        eq_.Init(FirEqualizer::kPlayerBits);
        ++eqGeneration_;
        eqInUse_ = eqEnding_ = eqDraining_ = false;
        // Ready again once the design for the new bands is in.
        firReady_ = false;
    }
    eqThread_.RequestDesign();
    return 1;
}

int PlayerCore::GetEqBandFrequencies(int* edges)
{
    std::lock_guard<std::mutex> lock(effectsMutex_);
    if (edges) {
        for (size_t i = 0; i < eqEdges_.size(); ++i)
            edges[i] = static_cast<int>(eqEdges_[i]);
    }
    return static_cast<int>(eqEdges_.size());
}

// Under effectsMutex_.
void PlayerCore::SetFirGains(double preampDb, const double* gainsDb, int count)
{
    const int bands = static_cast<int>(eqBandsMilliDb_.size());
    const int n = std::clamp(count, 0, bands);
    const bool fromZero = eqEdges_.front() == 0.0f;
    const int shift = fromZero ? 0 : 1;
    for (int i = 0; i < n; ++i)
        eqLeftGains_[i + shift] = eqRightGains_[i + shift] = LinearGain(preampDb + gainsDb[i]);
    if (!fromZero)
        eqLeftGains_[0] = eqRightGains_[0] = 1.0f;
    // The part of the spectrum above the last edge.
    if (eqEdges_.back() != kTopEdge)
        eqLeftGains_[bands + shift] = eqRightGains_[bands + shift] = 1.0f;
}

int PlayerCore::SetEqBands(int fir, int preamp, const int* gains, int count, bool raw)
{
    const char* op = raw ? "SetEqBandsRaw" : "SetEqBands";
    const double scale = raw ? 1000.0 : 1.0;
    if (!fir) {
        if (!gains || count < kSubbandEqBands)
            return FailOp(op, "Invalid parameters !");
        std::lock_guard<std::mutex> lock(effectsMutex_);
        for (int i = 0; i < kSubbandEqBands; ++i)
            subbandBandsMilliDb_[i] = ToMilli(gains[i], raw);
        subbandPreampMilliDb_ = ToMilli(preamp, raw);
        RecomputeSubbandGains();
        return 1;
    }
    if (!gains && count > 0)
        return FailOp(op, "Invalid parameters !");
    {
        std::lock_guard<std::mutex> lock(effectsMutex_);
        const int n = std::clamp(count, 0, static_cast<int>(eqBandsMilliDb_.size()));
        std::vector<double> db(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            eqBandsMilliDb_[i] = ToMilli(gains[i], raw);
            db[i] = gains[i] / scale;
        }
        eqPreampMilliDb_ = ToMilli(preamp, raw);
        SetFirGains(preamp / scale, db.data(), n);
    }
    eqThread_.RequestDesign();  // nothing when the equalizer is off
    return 1;
}

int PlayerCore::GetEqBands(int fir, int* preamp, int* gains, bool raw)
{
    std::lock_guard<std::mutex> lock(effectsMutex_);
    const int count = fir ? static_cast<int>(eqBandsMilliDb_.size()) : kSubbandEqBands;
    if (!preamp)
        return count;
    const int32_t* bands = fir ? eqBandsMilliDb_.data() : subbandBandsMilliDb_;
    *preamp = fir ? eqPreampMilliDb_ : subbandPreampMilliDb_;
    if (!raw)
        *preamp /= 1000;
    if (gains) {
        for (int i = 0; i < count; ++i)
            gains[i] = raw ? bands[i] : bands[i] / 1000;
    }
    return count;
}

// ---- The filter's tail (decoding thread) ----

bool PlayerCore::EqTailPending()
{
    std::lock_guard<std::mutex> lock(effectsMutex_);
    if (!eqInUse_)
        return false;
    if (!eqDraining_) {
        if (!eqEnding_ && firReady_.load())
            return false;
        // Once begun, the run-out goes to its end even if the equalizer is
        // switched on again meanwhile: it starts afresh after it.
        eqDraining_ = true;
    }
    if (eqGate_.TailPending())
        return true;
    eqInUse_ = eqEnding_ = eqDraining_ = false;
    return false;
}

uint32_t PlayerCore::DrainEqTail(int16_t* out, uint32_t capacityBytes)
{
    std::lock_guard<std::mutex> lock(effectsMutex_);
    if (!eqInUse_)
        return 0;
    const uint32_t capacity = capacityBytes / 4;
    uint32_t frames = 0;
    // A short song's tail begins with delay still to drop: go on until
    // sound comes out or nothing is left.
    while (frames == 0 && capacity > 0 && eqGate_.TailPending())
        frames = eqGate_.DrainTail(eq_, out, capacity, 2);
    return frames * 4;
}

void PlayerCore::EndEqTail()
{
    std::lock_guard<std::mutex> lock(effectsMutex_);
    if (eqInUse_)
        eqEnding_ = true;
}
