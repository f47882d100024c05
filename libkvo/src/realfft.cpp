#include "libkvo/src/realfft.h"

#include <fftw3.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cmath>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

// The transform itself is FFTW's single-precision real one. What this file
// adds is the packing the players were written for (interleaved R, I with
// I the sine sum, and the n/2 scale of the inverse) and plans per size
// shared by every thread.
//
// FFTW executes a plan from any thread on arrays of the same alignment as
// the ones it was planned on, but its planner is not thread-safe: plans
// are made under one lock and then only read. Each thread keeps its own
// aligned scratch spectrum, so the equalizer's design thread, the decoding
// thread and the spectrum's caller never share working memory.

namespace {

constexpr int kMaxLog2 = 30;

struct Plans {
    fftwf_plan forward = nullptr;  // n reals -> n/2 + 1 complex
    fftwf_plan inverse = nullptr;  // n/2 + 1 complex -> n reals
};

int Log2(int n)
{
    return __builtin_ctz(unsigned(n));  // n is a power of two
}

// Aligned working arrays of one thread, grown to the largest size it used.
class Scratch {
public:
    Scratch() = default;
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    ~Scratch()
    {
        fftwf_free(spectrum_);
        fftwf_free(real_);
    }

    void Reserve(int n)
    {
        if (n <= capacity_)
            return;
        fftwf_free(spectrum_);
        fftwf_free(real_);
        spectrum_ = fftwf_alloc_complex(size_t(n / 2 + 1));
        real_ = fftwf_alloc_real(size_t(n));
        capacity_ = n;
    }
    fftwf_complex* Spectrum() { return spectrum_; }
    float* Real() { return real_; }

private:
    fftwf_complex* spectrum_ = nullptr;
    float* real_ = nullptr;
    int capacity_ = 0;
};

Scratch& ThreadScratch(int n)
{
    thread_local Scratch scratch;
    scratch.Reserve(n);
    return scratch;
}

// Plans for a size are made twice. FFTW's estimated plans come at once and
// serve from the first transform; a thread of the cache's own then measures
// candidates for a faster pair, which takes a third of a second or more
// per size and would otherwise hold up whichever thread asked first (the
// window's spectrum, the decoding thread). The measured pair replaces the
// estimated one; the estimated one is kept until the cache goes, as a
// caller may still be transforming with it.
class PlanCache {
public:
    ~PlanCache()
    {
        {
            std::lock_guard<std::mutex> lock(queueLock_);
            stopping_ = true;
        }
        queued_.notify_one();
        if (measurer_.joinable())
            measurer_.join();
        for (auto& slot : slots_)
            Destroy(slot.load(std::memory_order_acquire));
        for (Plans* plans : replaced_)
            Destroy(plans);
        fftwf_cleanup();
    }

    const Plans& For(int n)
    {
        std::atomic<Plans*>& slot = slots_[size_t(Log2(n))];
        if (const Plans* ready = slot.load(std::memory_order_acquire))
            return *ready;
        Plans* plans = nullptr;
        {
            std::lock_guard<std::mutex> lock(estimating_);
            if (const Plans* ready = slot.load(std::memory_order_acquire))
                return *ready;
            plans = Make(n, FFTW_ESTIMATE);
            slot.store(plans, std::memory_order_release);
        }
        {
            std::lock_guard<std::mutex> lock(queueLock_);
            if (!stopping_) {
                sizes_.push_back(n);
                if (!measurer_.joinable())
                    measurer_ = std::thread(&PlanCache::Measure, this);
            }
        }
        queued_.notify_one();
        return *plans;
    }

    void WaitUntilMeasured(int n)
    {
        For(n);
        std::unique_lock<std::mutex> lock(queueLock_);
        measuredOne_.wait(lock, [&] {
            return stopping_ || std::find(measuredSizes_.begin(), measuredSizes_.end(), n) != measuredSizes_.end();
        });
    }

private:
    // FFTW's planner serves one thread at a time: each plan is made under
    // planning_, taken for one plan at a time so that a size asked for
    // while another is measured waits for half of that at most. Planned on
    // arrays of FFTW's own alignment; measuring writes over them.
    Plans* Make(int n, unsigned flags)
    {
        // Above what measuring one plan takes on an idle machine; on a busy
        // one it keeps a process that ends meanwhile from waiting long.
        constexpr double kMeasuringLimitSeconds = 0.5;
        float* real = fftwf_alloc_real(size_t(n));
        fftwf_complex* spectrum = fftwf_alloc_complex(size_t(n / 2 + 1));
        auto* plans = new Plans;
        {
            std::lock_guard<std::mutex> lock(planning_);
            fftwf_set_timelimit(kMeasuringLimitSeconds);
            plans->forward = fftwf_plan_dft_r2c_1d(n, real, spectrum, flags);
        }
        {
            std::lock_guard<std::mutex> lock(planning_);
            plans->inverse = fftwf_plan_dft_c2r_1d(n, spectrum, real, flags);
        }
        fftwf_free(spectrum);
        fftwf_free(real);
        return plans;
    }
    static void Destroy(Plans* plans)
    {
        if (plans == nullptr)
            return;
        fftwf_destroy_plan(plans->forward);
        fftwf_destroy_plan(plans->inverse);
        delete plans;
    }

    void Measure()
    {
        for (;;) {
            int n = 0;
            {
                std::unique_lock<std::mutex> lock(queueLock_);
                queued_.wait(lock, [&] { return stopping_ || !sizes_.empty(); });
                if (stopping_)
                    return;
                n = sizes_.front();
                sizes_.erase(sizes_.begin());
            }
            Plans* measured = Make(n, FFTW_MEASURE);
            replaced_.push_back(slots_[size_t(Log2(n))].exchange(measured, std::memory_order_acq_rel));
            {
                std::lock_guard<std::mutex> lock(queueLock_);
                measuredSizes_.push_back(n);
            }
            measuredOne_.notify_all();
        }
    }

    // Lock order: estimating_, then planning_ (taken inside Make);
    // queueLock_ is never held with either.
    std::mutex estimating_;  // one estimated pair made for a size, not two
    std::mutex planning_;    // FFTW's planner
    std::array<std::atomic<Plans*>, kMaxLog2 + 1> slots_{};  // the pair each size uses now
    std::mutex queueLock_;
    std::condition_variable queued_;
    std::condition_variable measuredOne_;
    std::vector<int> sizes_;          // under queueLock_: sizes to measure, in the order asked
    std::vector<int> measuredSizes_;  // under queueLock_
    bool stopping_ = false;           // under queueLock_
    std::thread measurer_;            // started by the first size asked for, under queueLock_
    std::vector<Plans*> replaced_;    // the measuring thread's until it is joined
};

PlanCache& Cache()
{
    static PlanCache cache;
    return cache;
}

// The caller's block can be used by FFTW directly when it has the alignment
// the plans were made for; otherwise it goes through the thread's scratch.
bool Aligned(const float* data)
{
    return fftwf_alignment_of(const_cast<float*>(data)) == 0;
}

// Four floats (two complex values) at a time; the build targets plain
// x86-64, where these are SSE registers.
using Float4 = float __attribute__((vector_size(16)));

Float4 Load4(const float* p)
{
    Float4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void Store4(float* p, Float4 v)
{
    std::memcpy(p, &v, sizeof v);
}

// FFTW's X[k] = R[k] - i I[k], with I the sine sum: the players' packing
// is FFTW's spectrum with the imaginary parts negated and R[n/2] moved into
// the empty imaginary slot of R[0]. A whole vector per step: the compiler
// does not vectorise a loop of unknown length at this optimisation level,
// and the scalar pass cost a sixth of a forward transform.
void Unpack(int n, const float* __restrict x, float* __restrict data)
{
    const Float4 conjugate = {1.0f, -1.0f, 1.0f, -1.0f};
    int i = 0;
    for (; i + 4 <= n; i += 4)
        Store4(data + i, Load4(x + i) * conjugate);
    for (; i < n; i += 2) {
        data[i] = x[i];
        data[i + 1] = -x[i + 1];
    }
    data[0] = x[0];
    data[1] = x[n];
}

void Pack(int n, const float* __restrict data, float* __restrict x)
{
    const Float4 halfConjugate = {0.5f, -0.5f, 0.5f, -0.5f};
    int i = 0;
    for (; i + 4 <= n; i += 4)
        Store4(x + i, Load4(data + i) * halfConjugate);
    for (; i < n; i += 2) {
        x[i] = 0.5f * data[i];
        x[i + 1] = -0.5f * data[i + 1];
    }
    x[0] = 0.5f * data[0];
    x[1] = 0.0f;
    x[n] = 0.5f * data[1];
    x[n + 1] = 0.0f;
}

void Forward(const Plans& plans, int n, float* data, Scratch& scratch)
{
    fftwf_complex* x = scratch.Spectrum();
    float* in = data;
    if (!Aligned(data)) {
        in = scratch.Real();
        std::copy(data, data + n, in);
    }
    fftwf_execute_dft_r2c(plans.forward, in, x);
    Unpack(n, &x[0][0], data);
}

void Inverse(const Plans& plans, int n, float* data, Scratch& scratch)
{
    // FFTW's inverse sums the whole Hermitian spectrum, twice what the
    // players' inverse gives: the halving is folded into the unpacking.
    fftwf_complex* x = scratch.Spectrum();
    Pack(n, data, &x[0][0]);
    if (Aligned(data)) {
        fftwf_execute_dft_c2r(plans.inverse, x, data);
        return;
    }
    float* out = scratch.Real();
    fftwf_execute_dft_c2r(plans.inverse, x, out);
    std::copy(out, out + n, data);
}

}  // namespace

bool IsRealFftSize(int n)
{
    return n >= 2 && n <= (1 << kMaxLog2) && (n & (n - 1)) == 0;
}

size_t RealFftIntTableSize(int n)
{
    if (n < 2)
        return 2;
    return size_t(std::sqrt(double(n / 2))) + 2;
}

size_t RealFftFloatTableSize(int n)
{
    return n < 2 ? 0 : size_t(n / 2);
}

void RealFft(int n, int direction, float* data, int* ip, float* w)
{
    if (!IsRealFftSize(n) || data == nullptr || ip == nullptr || w == nullptr)
        return;
    // The work tables stay in the interface for the callers that keep them;
    // the plans they once stood for are held here. The first entries still
    // record the size last transformed.
    ip[0] = n;
    ip[1] = n;
    const Plans& plans = Cache().For(n);
    Scratch& scratch = ThreadScratch(n);
    if (direction >= 0)
        Forward(plans, n, data, scratch);
    else
        Inverse(plans, n, data, scratch);
}

void RealFftWaitUntilMeasured(int n)
{
    if (IsRealFftSize(n))
        Cache().WaitUntilMeasured(n);
}

void RealFftTables::Resize(int n)
{
    if (n <= 0) {
        Free();
        return;
    }
    if (ip_.size() < RealFftIntTableSize(n))
        ip_.resize(RealFftIntTableSize(n), 0);
    const size_t wantW = RealFftFloatTableSize(n) > 0 ? RealFftFloatTableSize(n) : 1;
    if (w_.size() < wantW)
        w_.resize(wantW, 0.0f);
    if (n != n_)
        ip_[0] = 0;
    n_ = n;
}

void RealFftTables::Free()
{
    ip_.clear();
    ip_.shrink_to_fit();
    w_.clear();
    w_.shrink_to_fit();
    n_ = 0;
}
