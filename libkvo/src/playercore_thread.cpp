// Playing: Play, Stop, Pause and Resume, and the decoding thread that
// decodes every stream frame by frame in lockstep, mixes them into 16-bit
// stereo, runs the chain of effects on each full buffer and writes it to
// the wave-out device.

#include <algorithm>
#include <cstring>
#include <system_error>
#include <vector>

#include "libkvo/src/playercore.h"
#include "libkvo/src/streamdecoder.h"
#include "platform/thread/thread_name.h"

namespace {

// Longest MPEG audio frame, for the managed work buffers.
constexpr uint32_t kMaxFrameBytes = 5761;
// Every wait of the decoding thread is woken by its event (a buffer played,
// data arriving, Stop); the limit is only a safety net against a lost wake,
// long enough that a paused player sleeps instead of looking every moment.
constexpr int kWaitSliceMs = 5000;

}  // namespace

// The decoding thread's own state, alive for one play.
class PlayerCore::Decoding {
public:
    explicit Decoding(PlayerCore& core) : c_(core) {}
    void Run();

private:
    enum class Outcome { Ok, End };
    enum class LoopAction { None, Jump, EndPlay };
    static constexpr size_t kReversePreroll = 2;

    struct Input {
        StreamDecoder decoder;
        // Managed streams decode from a work buffer refilled from the queue.
        std::vector<uint8_t> work;
        size_t workFill = 0;
        uint64_t consumedBefore = 0;  // stream bytes that left the work buffer
        bool guardAdded = false;
        // Unmanaged streams decode in place, then their last bytes from a
        // copy with the decoder's guard bytes behind them.
        std::vector<uint8_t> tail;
        bool inTail = false;
        uint32_t tailOffset = 0;
        // The stream's data has run out: it is silent while another plays on.
        bool ended = false;
    };

    void CancelStart();
    bool RunForward();
    bool RunReverse();
    LoopAction LoopStep();
    LoopAction EndLoop();
    bool PassEndedAtEndOfData();
    void JumpTo(int i, const uint8_t* position);
    void JumpToLoopStart();
    bool PrimeManaged();
    bool RefillManaged(int i, bool atStart);
    Outcome NextFrame(int i);
    bool NextFrames();
    void ProcessSubbands();
    void StartTail(int i);
    uint32_t StreamOffset(int i, const uint8_t* p) const;
    void AfterFrame();
    void MixFrame();
    bool FinishBuffer();
    bool WriteBuffer(uint32_t bytes);
    bool DrainEqTail();
    void End(bool natural);

    PlayerCore& c_;
    Input in_[kMaxStreams];
    DitherState dither_[kMaxStreams][2];
    DitherScratch dithered_;
    uint32_t bufferIndex_ = 0;
    uint32_t fill_ = 0;
    uint32_t framesInBuffer_ = 0;
    bool stopLoop_ = false;
    uint32_t loopFrames_ = 0;  // frames played in the current loop pass
};

// ---- Operations on the caller's thread ----

void PlayerCore::JoinThread()
{
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

bool PlayerCore::StartThread()
{
    paused_ = false;
    playing_ = true;
    startResult_ = 1;
    started_.Reset();
    try {
        thread_ = std::thread([this] {
            platform::SetCurrentThreadName("DecodingThread");
            Decoding(*this).Run();
        });
    } catch (const std::system_error&) {
        playing_ = false;
        return false;
    }
    started_.Wait();
    return true;
}

int PlayerCore::Play()
{
    if (!IsOpen())
        return Fail("Play->Stream isn't open !");
    if (paused_.load())
        return Resume();
    if (playing_.load())
        return 0;
    JoinThread();
    if (!StartThread())
        return Fail("Play->Can't create decoding thread !");
    if (startResult_.load() == 1)
        return 1;
    Stop();
    return 0;
}

int PlayerCore::Stop()
{
    if (!IsOpen())
        return Fail("Stop->Stream isn't open !");
    if (!playing_.load()) {
        JoinThread();
        return 0;
    }
    loop_ = false;
    loopActive_ = false;
    waveOut_.Pause();
    playing_ = false;
    paused_ = false;
    streamData_.Set();
    waveOut_.Reset();
    bufferFree_.Set();
    JoinThread();
    {
        std::lock_guard<std::mutex> lock(fadeMutex_);
        fadeLevel_ = 100.0;
    }
    if (managed_)
        EmptyQueues();
    for (int i = 0; i < streamCount_; ++i)
        streams_[i].bytePosition = 0;
    return 1;
}

int PlayerCore::Pause()
{
    if (!IsOpen())
        return Fail("Pause->Stream isn't open !");
    waveOut_.Pause();
    paused_ = true;
    return 1;
}

int PlayerCore::Resume()
{
    if (!IsOpen())
        return Fail("Resume->Stream isn't open !");
    waveOut_.Restart();
    paused_ = false;
    return 1;
}

uint32_t PlayerCore::ElapsedMs()
{
    if (callbacks_.Mask() & MP3_MSG_WAVE_BUFFER_SYNC)
        return static_cast<uint32_t>(pcmClockMs_.load());
    return waveOut_.GetPosition(1);
}

void PlayerCore::RewindStreams()
{
    for (int i = 0; i < streamCount_; ++i) {
        streams_[i].readPos = streams_[i].firstFrame;
        streams_[i].positionBase = 0;
        streams_[i].bytePosition = 0;
    }
}

void PlayerCore::OnWaveOut(WaveOutDriver* driver, uint32_t message, void* instance, uint32_t index, uint32_t bytes)
{
    auto* core = static_cast<PlayerCore*>(instance);
    if (message == WOM_DONE) {
        core->playedBytes_ += bytes;
        const uint32_t count = driver->GetBufferCount();
        core->playingBuffer_ = count ? (index + 1) % count : 0;
        core->outputStarted_ = true;
        core->bufferFree_.Set();
    } else if (message == WOM_CLOSE) {
        core->bufferFree_.Set();
    }
}

// ---- The decoding thread ----

void PlayerCore::Decoding::CancelStart()
{
    c_.playing_ = false;
    c_.paused_ = false;
    {
        std::lock_guard<std::mutex> lock(c_.fadeMutex_);
        c_.fadeUp_ = c_.fadeDown_ = false;
    }
    c_.RewindStreams();
    c_.SendEvent(MP3_MSG_STOP);
    c_.startResult_ = 1;
    c_.started_.Set();
}

void PlayerCore::Decoding::Run()
{
    // Start: the play events (a synchronous answer of 1 cancels).
    {
        std::lock_guard<std::mutex> lock(c_.fadeMutex_);
        c_.loopEntered_ = c_.loopExited_ = false;
        c_.fadeOutEntered_ = c_.fadeOutExited_ = false;
        c_.fadeInEntered_ = c_.fadeInExited_ = false;
    }
    if (c_.callbacks_.Send(MP3_MSG_PLAY, 0, 0) == 1) {
        CancelStart();
        return;
    }
    bool allAtEnd = true;
    for (int i = 0; i < c_.streamCount_; ++i) {
        Stream& s = c_.streams_[i];
        s.currentBitrate = 0;
        s.framesCounted = 0;
        s.kbpsSum = 0;
        allAtEnd = allAtEnd && s.readPos.load() + 2 >= s.End();
    }
    if (!c_.managed_ && !c_.reverse_.load() && allAtEnd) {
        CancelStart();
        return;
    }

    if (!c_.plan_.noDevice) {
        if (!c_.waveOut_.OpenAudioOutput(c_.device_, &PlayerCore::OnWaveOut, &c_, CALLBACK_FUNCTION)) {
            if (c_.device_ == -1)
                c_.Fail("_ThreadFunc->Can't open wave output: WAVE_MAPPER");
            else if (c_.device_ < static_cast<int>(c_.deviceNames_.size()))
                c_.error_.Format("_ThreadFunc->Can't open wave output: %s", c_.deviceNames_[c_.device_].c_str());
            else
                c_.Fail("_ThreadFunc->Can't open wave output");
            c_.playing_ = false;
            c_.startResult_ = 0;
            c_.SendEvent(MP3_MSG_STOP);
            c_.started_.Set();
            return;
        }
    }
    c_.playedBytes_ = 0;
    c_.playingBuffer_ = 0;
    c_.outputStarted_ = false;
    c_.pcmClockMs_ = 0;
    c_.startResult_ = 1;
    c_.started_.Set();

    for (uint32_t b = 0; b < c_.waveOut_.GetBufferCount(); ++b) {
        c_.waveOut_.MarkBufferFree(b);
        c_.waveOut_.UnprepareBuffer(b);
    }
    c_.OnPlayStarting();

    bool ok = true;
    if (c_.managed_) {
        ok = PrimeManaged();
    } else {
        for (int i = 0; i < c_.streamCount_; ++i) {
            Stream& s = c_.streams_[i];
            in_[i].decoder.SetBuffer(s.data, s.size, s.readPos.load(), true);
        }
    }

    bool natural = false;
    if (ok)
        natural = c_.reverse_.load() ? RunReverse() : RunForward();
    // The last partial buffer of a song that ended on its own is played too,
    // and then what the equalizer still holds.
    if (natural && fill_ > 0 && !stopLoop_)
        FinishBuffer();
    if (natural && !stopLoop_ && c_.playing_.load()) {
        c_.EndEqTail();
        DrainEqTail();
    }
    End(natural && !stopLoop_);
}

// Returns true when the song ended on its own (end of data or loop end).
bool PlayerCore::Decoding::RunForward()
{
    while (c_.playing_.load() && !stopLoop_) {
        if (!NextFrames()) {
            if (c_.loopActive_.load() && PassEndedAtEndOfData())
                continue;
            return c_.playing_.load();
        }
        AfterFrame();
        if (c_.loopActive_.load()) {
            const LoopAction action = LoopStep();
            if (action == LoopAction::EndPlay)
                return c_.playing_.load();
            if (action == LoopAction::Jump) {
                JumpToLoopStart();
                continue;  // this frame lies past the loop's end
            }
        }
        ProcessSubbands();
        c_.StepFades();
        if (!c_.playing_.load() || stopLoop_)
            break;
        MixFrame();
        if (framesInBuffer_ >= c_.plan_.framesPerBuffer && fill_ > 0 && !FinishBuffer())
            break;
    }
    return false;
}

PlayerCore::Decoding::LoopAction PlayerCore::Decoding::LoopStep()
{
    if (c_.EnterOnce(&PlayerCore::loopEntered_, MP3_MSG_ENTER_LOOP) == 1) {
        // The caller ends the loop at once; playback goes on.
        c_.passesDone_ = c_.repeatCount_;
        c_.continueAfterLoop_ = true;
        return EndLoop();
    }
    if (c_.passesDone_.load() < c_.repeatCount_ && loopFrames_ >= c_.framesPerPass_) {
        c_.passesDone_ += 1;
        loopFrames_ = 0;
        // The frame that ended the pass lies past the loop's end: it is not
        // played, the next pass starts with the loop's first frame.
        if (c_.passesDone_.load() < c_.repeatCount_)
            return LoopAction::Jump;
    }
    if (c_.passesDone_.load() >= c_.repeatCount_)
        return EndLoop();
    ++loopFrames_;
    return LoopAction::None;
}

PlayerCore::Decoding::LoopAction PlayerCore::Decoding::EndLoop()
{
    c_.loopActive_ = false;
    c_.ExitOnce(&PlayerCore::loopEntered_, &PlayerCore::loopExited_, MP3_MSG_EXIT_LOOP);
    return c_.continueAfterLoop_ ? LoopAction::None : LoopAction::EndPlay;
}

// The end of the data during a pass ends the pass. True when the next pass
// starts.
bool PlayerCore::Decoding::PassEndedAtEndOfData()
{
    c_.passesDone_ += 1;
    loopFrames_ = 0;
    if (c_.passesDone_.load() < c_.repeatCount_) {
        JumpToLoopStart();
        return true;
    }
    EndLoop();
    return false;
}

void PlayerCore::Decoding::JumpTo(int i, const uint8_t* position)
{
    Input& in = in_[i];
    const Stream& s = c_.streams_[i];
    in.inTail = false;
    in.ended = false;
    in.decoder.SetBuffer(s.data, s.size, position, true);
}

void PlayerCore::Decoding::JumpToLoopStart()
{
    for (int i = 0; i < c_.streamCount_; ++i)
        JumpTo(i, c_.loopStart_[i]);
}

// Plays backwards: each buffer is decoded forwards from the frames that end
// where the last one began (two frames earlier, to fill the reservoir and
// the filters), then reversed.
bool PlayerCore::Decoding::RunReverse()
{
    for (int i = 0; i < c_.streamCount_; ++i) {
        if (c_.streams_[i].frameIndex.empty()) {
            c_.Fail("_ThreadFunc->pFramePtr is 0 !");
            return false;
        }
    }
    // The longest stream sets the song's frames; a shorter one is silent
    // past its last frame.
    size_t frameCount = 0;
    for (int i = 0; i < c_.streamCount_; ++i)
        frameCount = std::max(frameCount, c_.streams_[i].frameIndex.size());
    const uint32_t perBuffer = c_.plan_.framesPerBuffer;
    size_t index = c_.lengthMs_ ? static_cast<size_t>(MulDiv(c_.streams_[0].positionBase.load(), int64_t(frameCount),
                                                             c_.lengthMs_))
                                : frameCount;
    if (index > frameCount)
        index = frameCount;
    while (c_.playing_.load() && !stopLoop_ && index > 0) {
        const size_t first = index > perBuffer ? index - perBuffer : 0;
        const size_t pre = first >= kReversePreroll ? first - kReversePreroll : 0;
        for (int i = 0; i < c_.streamCount_; ++i) {
            const auto& frames = c_.streams_[i].frameIndex;
            JumpTo(i, frames[std::min(pre, frames.size() - 1)]);
            in_[i].ended = pre >= frames.size();
        }
        for (size_t k = pre; k < index; ++k) {
            if (!NextFrames())
                return c_.playing_.load();
            AfterFrame();
            ProcessSubbands();
            c_.StepFades();
            if (k < first) {
                for (int i = 0; i < c_.streamCount_; ++i)
                    if (!in_[i].ended)
                        in_[i].decoder.Synth();
            } else {
                MixFrame();
            }
        }
        if (fill_ > 0 && !FinishBuffer())
            return false;
        index = first;
    }
    return c_.playing_.load() && !stopLoop_;
}

bool PlayerCore::Decoding::PrimeManaged()
{
    const size_t capacity = size_t(c_.plan_.framesPerBuffer) * kMaxFrameBytes + MAD_BUFFER_GUARD;
    for (int i = 0; i < c_.streamCount_; ++i) {
        in_[i].work.assign(capacity, 0);
        in_[i].workFill = 0;
    }
    for (int i = 0; i < c_.streamCount_; ++i) {
        if (!RefillManaged(i, true))
            return false;
        // A pushed stream is played from its beginning: skip its tags and
        // VBR header frame there, as the open did.
        const size_t skip = std::min<size_t>(c_.streams_[i].leadIn, in_[i].workFill);
        in_[i].decoder.SetBuffer(in_[i].work.data(), in_[i].workFill, in_[i].work.data() + skip, true);
    }
    return true;
}

// Moves the undecoded rest of the work buffer to its front and appends queued
// blocks behind it, asking the caller for data while the queue is dry.
// Returns false when the stream has ended (or playing stopped).
bool PlayerCore::Decoding::RefillManaged(int i, bool atStart)
{
    Input& in = in_[i];
    Stream& s = c_.streams_[i];
    size_t keep = 0;
    if (!atStart) {
        const uint8_t* next = in.decoder.NextFrame();
        const uint8_t* base = in.work.data();
        const size_t from = (next >= base && next <= base + in.workFill) ? size_t(next - base) : in.workFill;
        keep = in.workFill - from;
        std::memmove(in.work.data(), in.work.data() + from, keep);
        in.consumedBefore += from;
    }
    in.workFill = keep;
    for (;;) {
        const uint32_t room = static_cast<uint32_t>(in.work.size() - MAD_BUFFER_GUARD - in.workFill);
        uint32_t delivered = 0;
        uint32_t usedUp = 0;
        char* dest = reinterpret_cast<char*>(in.work.data() + in.workFill);
        if (c_.copyMode_)
            delivered = s.copyQueue.Read(dest, room, &usedUp);
        else
            s.blockQueue.Read(dest, room, &delivered, &usedUp);
        in.workFill += delivered;
        if (usedUp > 0) {
            const uint32_t blocks = c_.copyMode_ ? s.copyQueue.GetCount() : s.blockQueue.GetCount();
            const uint32_t bytes = c_.copyMode_ ? s.copyQueue.GetUnreadBytes() : s.blockQueue.GetUnreadBytes();
            c_.SendEvent(MP3_MSG_STREAM_BUFFER_DONE, blocks, bytes);
        }
        if (delivered > 0 || in.workFill > keep)
            return true;
        if (!c_.playing_.load())
            return false;
        // Once a push has said the data ends, nothing more will be queued
        // for either stream: a dry stream has ended (the other still plays
        // what it holds).
        bool ended = false;
        for (int k = 0; k < c_.streamCount_; ++k)
            ended = ended || c_.streams_[k].ended.load();
        if (ended) {
            // The last frame needs the decoder's guard bytes behind it.
            if (in.guardAdded || in.workFill == 0)
                return false;
            std::memset(in.work.data() + in.workFill, 0, MAD_BUFFER_GUARD);
            in.workFill += MAD_BUFFER_GUARD;
            in.guardAdded = true;
            return true;
        }
        c_.streamData_.Reset();
        const int answer = c_.callbacks_.Send(MP3_MSG_STREAM_OUT_OF_DATA, 0, 0);
        if (answer == 1) {
            s.ended = true;
            if (atStart)
                return false;
            continue;
        }
        if (answer == 2)
            continue;
        while (!c_.streamData_.Wait(kWaitSliceMs)) {
            if (!c_.playing_.load())
                return false;
        }
        if (!c_.playing_.load())
            return false;
    }
}

void PlayerCore::Decoding::StartTail(int i)
{
    Input& in = in_[i];
    const Stream& s = c_.streams_[i];
    const uint8_t* from = in.decoder.NextFrame();
    if (from < s.data || from > s.End())
        from = s.End();
    in.tailOffset = static_cast<uint32_t>(from - s.data);
    in.tail.assign(from, s.End());
    in.tail.resize(in.tail.size() + MAD_BUFFER_GUARD + 1, 0);
    in.inTail = true;
    in.decoder.SetBuffer(in.tail.data(), in.tail.size() - 1, nullptr, false);
}

PlayerCore::Decoding::Outcome PlayerCore::Decoding::NextFrame(int i)
{
    Input& in = in_[i];
    for (;;) {
        switch (in.decoder.DecodeFrame()) {
        case StreamDecoder::Result::Ok:
            // A frame of another layer than the stream's is passed over, as
            // the length leaves it out: it would not fit the buffers.
            if (static_cast<int>(in.decoder.Header().layer) != c_.streams_[i].format.layer)
                continue;
            return Outcome::Ok;
        case StreamDecoder::Result::Recoverable:
            continue;
        case StreamDecoder::Result::Fatal:
            return Outcome::End;
        case StreamDecoder::Result::NeedData:
            if (c_.managed_) {
                if (!RefillManaged(i, false))
                    return Outcome::End;
                in.decoder.SetBuffer(in.work.data(), in.workFill, nullptr, false);
                continue;
            }
            if (!in.inTail) {
                StartTail(i);
                continue;
            }
            return Outcome::End;
        }
    }
}

// Decodes the next frame of every stream that still has data. A stream that
// has run out is silent while the others play on (a container's vocal may
// end before its accompaniment, or the other way round); false when every
// stream has ended.
bool PlayerCore::Decoding::NextFrames()
{
    bool any = false;
    for (int i = 0; i < c_.streamCount_; ++i) {
        if (in_[i].ended)
            continue;
        if (NextFrame(i) == Outcome::End)
            in_[i].ended = true;
        else
            any = true;
    }
    return any;
}

void PlayerCore::Decoding::ProcessSubbands()
{
    for (int i = 0; i < c_.streamCount_; ++i)
        if (!in_[i].ended)
            c_.ProcessSubbands(in_[i].decoder.Frame());
}

uint32_t PlayerCore::Decoding::StreamOffset(int i, const uint8_t* p) const
{
    const Input& in = in_[i];
    const Stream& s = c_.streams_[i];
    if (c_.managed_)
        return static_cast<uint32_t>(in.consumedBefore + (p - in.work.data()));
    if (in.inTail)
        return in.tailOffset + static_cast<uint32_t>(p - in.tail.data());
    return static_cast<uint32_t>(p - s.data);
}

void PlayerCore::Decoding::AfterFrame()
{
    for (int i = 0; i < c_.streamCount_; ++i) {
        if (in_[i].ended)
            continue;
        Stream& s = c_.streams_[i];
        const uint32_t offset = StreamOffset(i, in_[i].decoder.NextFrame());
        const uint32_t first = static_cast<uint32_t>(s.firstFrame - s.data);
        s.bytePosition = offset > first ? offset - first : 0;
        const uint32_t bitrate = static_cast<uint32_t>(in_[i].decoder.Header().bitrate);
        s.currentBitrate = bitrate;
        s.framesCounted += 1;
        s.kbpsSum += bitrate / 1000;
    }
}

void PlayerCore::Decoding::MixFrame()
{
    // A stream that has ended adds silence; the frame's length is that of
    // the first stream still playing.
    int lead = -1;
    for (int i = 0; i < c_.streamCount_; ++i) {
        if (in_[i].ended)
            continue;
        in_[i].decoder.Synth();
        if (lead < 0)
            lead = i;
    }
    if (lead < 0)
        return;
    const uint32_t samples = in_[lead].decoder.Pcm().length;
    if (fill_ + samples * 4 > c_.waveOut_.GetBufferSize())
        return;  // cannot happen with the planned buffer length
    auto* out = reinterpret_cast<int16_t*>(c_.waveOut_.GetBufferData(bufferIndex_) + fill_);

    DecodedFrame frames[kMaxStreams];
    for (int i = 0; i < c_.streamCount_; ++i) {
        const struct mad_pcm& pcm = in_[i].decoder.Pcm();
        // A stream that has ended is silence until the longer one ends.
        frames[i] = {pcm.samples[0], pcm.channels == 2 ? pcm.samples[1] : nullptr, in_[i].ended ? 0u : uint32_t(pcm.length)};
    }
    DitherAndMixFrame(frames, c_.streamCount_, samples, dither_, c_.mixLevel_.load(), dithered_, out);
    fill_ += samples * 4;
    ++framesInBuffer_;
}

// Runs the chain on the full buffer and writes it. False ends the play.
bool PlayerCore::Decoding::FinishBuffer()
{
    uint32_t bytes = fill_;
    fill_ = 0;
    framesInBuffer_ = 0;
    char* data = c_.waveOut_.GetBufferData(bufferIndex_);
    auto* samples = reinterpret_cast<int16_t*>(data);
    const size_t count = bytes / 2;

    if (c_.reverse_.load())
        ReverseSamples(samples, bytes, 2);
    {
        double left, right;
        {
            std::lock_guard<std::mutex> lock(c_.fadeMutex_);
            left = c_.appliedGainL_;
            right = c_.appliedGainR_;
        }
        if (left != 1.0 || right != 1.0)
            ApplyGains(samples, count, 2, left, right);
    }
    if (c_.vocalCut_.load())
        VocalCutPairs(samples, count);
    if (c_.EqTailPending()) {
        // The equalizer was just switched off: what it still holds is played
        // before this buffer.
        const std::vector<int16_t> keep(samples, samples + count);
        if (!DrainEqTail())
            return false;
        data = c_.waveOut_.GetBufferData(bufferIndex_);
        samples = reinterpret_cast<int16_t*>(data);
        std::copy(keep.begin(), keep.end(), samples);
    }
    // Echo and equalizer; the equalizer holds back its delay at the start.
    bytes = c_.ProcessEffects(samples, bytes);
    if (bytes == 0)
        return true;

    if (c_.callbacks_.Mask() & MP3_MSG_WAVE_BUFFER_SYNC) {
        const uint32_t rate = c_.streams_[0].format.sampleRate;
        c_.pcmClockMs_ += static_cast<uint64_t>(MulDiv(bytes / 4, 1000, rate));
        const int answer = c_.callbacks_.Post(MP3_MSG_WAVE_BUFFER_SYNC, reinterpret_cast<uintptr_t>(data), bytes);
        if (answer == 2 || !c_.playing_.load()) {
            stopLoop_ = true;
            return false;
        }
        if (answer != 0)
            return true;  // the callback took the buffer; it is not written
    }
    return WriteBuffer(bytes);
}

bool PlayerCore::Decoding::WriteBuffer(uint32_t bytes)
{
    if (c_.plan_.noDevice)
        return true;  // no device: the PCM callback was the only listener
    WaveOutDriver& wo = c_.waveOut_;
    wo.SetBufferBytes(bufferIndex_, bytes);
    if (!wo.PlayBuffer(bufferIndex_))
        return c_.playing_.load();
    c_.NoteBufferWritten(bufferIndex_);
    bufferIndex_ = (bufferIndex_ + 1) % wo.GetBufferCount();
    while (!wo.IsBufferFree(bufferIndex_) && c_.playing_.load())
        c_.bufferFree_.Wait(kWaitSliceMs);
    if (!c_.playing_.load())
        return false;
    wo.UnprepareBuffer(bufferIndex_);
    c_.OnBufferReclaimed(bufferIndex_);
    return true;
}

// Writes out what the equalizer still holds, one ring buffer at a time.
bool PlayerCore::Decoding::DrainEqTail()
{
    while (c_.EqTailPending()) {
        char* data = c_.waveOut_.GetBufferData(bufferIndex_);
        const uint32_t bytes = c_.DrainEqTail(reinterpret_cast<int16_t*>(data), c_.waveOut_.GetBufferSize());
        if (bytes > 0 && !WriteBuffer(bytes))
            return false;
        if (bytes == 0)
            break;
    }
    return true;
}

void PlayerCore::Decoding::End(bool natural)
{
    WaveOutDriver& wo = c_.waveOut_;
    c_.OnPlayEnding();
    if (natural) {
        // The end of the song is what the device still holds: a pause here
        // holds it (Resume plays it out), only Stop gives it up.
        for (uint32_t b = 0; b < wo.GetBufferCount(); ++b) {
            while (!wo.IsBufferFree(b) && c_.playing_.load())
                c_.bufferFree_.Wait(kWaitSliceMs);
        }
    }
    wo.Reset();
    for (uint32_t b = 0; b < wo.GetBufferCount(); ++b)
        wo.UnprepareBuffer(b);

    c_.playing_ = false;
    c_.paused_ = false;
    bool loopExit, fadeOutExit, fadeInExit;
    {
        std::lock_guard<std::mutex> lock(c_.fadeMutex_);
        c_.fadeUp_ = c_.fadeDown_ = false;
        loopExit = c_.loopEntered_ && !c_.loopExited_;
        fadeOutExit = c_.fadeOutEntered_ && !c_.fadeOutExited_;
        fadeInExit = c_.fadeInEntered_ && !c_.fadeInExited_;
        c_.loopExited_ = c_.loopExited_ || loopExit;
        c_.fadeOutExited_ = c_.fadeOutExited_ || fadeOutExit;
        c_.fadeInExited_ = c_.fadeInExited_ || fadeInExit;
    }
    c_.RewindStreams();
    c_.loop_ = false;
    c_.loopActive_ = false;
    for (int i = 0; i < c_.streamCount_; ++i) {
        c_.streams_[i].currentBitrate = 0;
        c_.streams_[i].framesCounted = 0;
        c_.streams_[i].kbpsSum = 0;
    }
    wo.Close();

    if (c_.managed_) {
        for (int i = 0; i < c_.streamCount_; ++i) {
            Stream& s = c_.streams_[i];
            const bool queued = c_.copyMode_ ? s.copyQueue.GetCount() > 0 : s.blockQueue.GetCount() > 0;
            if (queued) {
                s.blockQueue.Empty();
                s.copyQueue.Empty();
                c_.SendEvent(MP3_MSG_STREAM_BUFFER_DONE, 0, 0);
            }
        }
    }
    if (loopExit)
        c_.SendEvent(MP3_MSG_EXIT_LOOP);
    if (fadeOutExit)
        c_.SendEvent(MP3_MSG_EXIT_FADE_OUT);
    if (fadeInExit)
        c_.SendEvent(MP3_MSG_EXIT_FADE_IN);
    c_.SendEvent(MP3_MSG_STOP);
}
