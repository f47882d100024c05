// Seek, loop play and reverse play: all three need random access to the
// streams, so they work on sources held whole in memory, never on pushed
// (managed) streams.

#include <algorithm>
#include <cmath>

#include "libkvo/src/clampcast.h"
#include "libkvo/src/playercore.h"

uint32_t PlayerCore::TimeToMs(int format, const MP3_TIME& t)
{
    switch (format) {
    case TIME_FORMAT_MS:
        return t.ms;
    case TIME_FORMAT_SEC:
        return t.sec * 1000;
    case TIME_FORMAT_HMS:
        return t.hms.hour * 3600000 + t.hms.minute * 60000 + t.hms.second * 1000 + t.hms.millisecond;
    default:
        return 0;
    }
}

uint32_t PlayerCore::OffsetForTime(const Stream& s, uint32_t t) const
{
    if (lengthMs_ == 0)
        return 0;
    double offset;
    if (s.vbrHeader.found) {
        // Clamped while still a real number: the entry's index must be 0..99
        // whatever the time and length are.
        const double p = std::clamp(double(t) * 100.0 / lengthMs_, 0.0, 100.0);
        const int i = std::min(static_cast<int>(p), 99);
        const double a = s.vbrHeader.toc[i];
        const double b = i == 99 ? 256.0 : s.vbrHeader.toc[i + 1];
        const double f = a + (b - a) * (p - i);
        // The table counts bytes from the start of the VBR header frame,
        // the offset is taken from the first audio frame behind it.
        offset = std::trunc(double(s.size) / 256.0 * f) - s.headerOffset;
    } else {
        // The length counts the audio frames only, so the bytes they take
        // are the measure (a VBR header frame in front is not song time).
        offset = std::trunc(double(t) / lengthMs_ * s.DataBytes());
    }
    return ClampedCast<uint32_t>(offset);
}

void PlayerCore::PlaceStream(Stream& s, uint32_t offset, uint32_t base)
{
    const uint8_t* pos = s.firstFrame + offset;
    if (offset >= static_cast<uint32_t>(s.End() - s.firstFrame)) {
        pos = s.End();
        base = lengthMs_;
    }
    s.readPos = pos;
    s.positionBase = base;
    s.bytePosition = static_cast<uint32_t>(pos - s.firstFrame);
}

int PlayerCore::Seek(int format, MP3_TIME* time, int method)
{
    if (!time)
        return Fail("Seek->MP3_TIME *pTime can't be 0 !");
    if (format == 0)
        return Fail("Seek->Invalid time format !");
    if (managed_)
        return Fail("Seek->This is managed stream. Can't seek !");
    if (!IsOpen())
        return Fail("Seek->Stream isn't open !");

    const uint32_t L = lengthMs_;
    if (format == TIME_FORMAT_BYTES) {
        const uint32_t b = time->bytes;
        const Stream& s1 = streams_[0];
        const uint32_t S = static_cast<uint32_t>(s1.End() - s1.firstFrame);
        const uint32_t P = s1.bytePosition.load();
        if (playing_.load())
            Stop();
        uint32_t offset;
        switch (method) {
        case SONG_BEGIN: offset = b > S ? S : b; break;
        case SONG_END: offset = b > S ? 0 : S - b; break;
        case SONG_CURRENT_FORWARD: offset = b > S - P ? S : P + b; break;
        case SONG_CURRENT_BACKWARD: offset = b > P ? 0 : P - b; break;
        default: offset = 0; break;
        }
        const uint32_t base = BaseForOffset(offset, S);
        for (int i = 0; i < streamCount_; ++i)
            PlaceStream(streams_[i], offset, base);
        return 1;
    }

    const uint32_t t = TimeToMs(format, *time);
    uint32_t position = 0;
    if (method == SONG_CURRENT_FORWARD || method == SONG_CURRENT_BACKWARD) {
        MP3_TIME now;
        GetPosition(&now);
        position = now.ms;
    }
    uint32_t T;
    switch (method) {
    case SONG_BEGIN: T = t; break;
    case SONG_END: T = t > L ? 0 : L - t; break;
    case SONG_CURRENT_FORWARD: T = position + t; break;
    case SONG_CURRENT_BACKWARD: T = t > position ? 0 : position - t; break;
    default: T = 0; break;
    }
    if (playing_.load())
        Stop();
    for (int i = 0; i < streamCount_; ++i) {
        Stream& s = streams_[i];
        if (T > L)
            PlaceStream(s, static_cast<uint32_t>(s.End() - s.firstFrame), L);
        else
            PlaceStream(s, OffsetForTime(s, T), T);
    }
    return 1;
}

uint32_t PlayerCore::BaseForOffset(uint32_t offset, uint32_t S) const
{
    const Stream& s = streams_[0];
    const uint32_t L = lengthMs_;
    if (S == 0)
        return 0;
    if (!s.vbrHeader.found)
        return static_cast<uint32_t>(MulDiv(offset, L, S));
    // The table counts bytes from the start of the VBR header frame.
    const double total = double(s.size);
    const double target = (double(offset) + s.headerOffset) * 256.0 / total;
    int k = 99, k0 = 0;
    for (int i = 0; i < 100; ++i) {
        if (s.vbrHeader.toc[i] > target) {
            k = i;
            k0 = i > 0 ? i - 1 : 0;
            break;
        }
    }
    const double t0 = k0 / 100.0 * L, t1 = k / 100.0 * L;
    const double b0 = total / 256.0 * s.vbrHeader.toc[k0], b1 = total / 256.0 * s.vbrHeader.toc[k];
    if (b1 - b0 <= 0)
        return ClampedCast<uint32_t>(t0);
    return ClampedCast<uint32_t>(t0 + (t1 - t0) * (double(offset) + s.headerOffset - b0) / (b1 - b0));
}

int PlayerCore::PlayLoop(int startFormat, MP3_TIME* start, int endFormat, MP3_TIME* end, int repeat)
{
    if (managed_)
        return Fail("PlayLoop->This is dynamic stream. Can't play in loop !");
    if (reverse_.load())
        return Fail("PlayLoop->Stream is in reverse mode. Can't play loop !");
    if (startFormat == TIME_FORMAT_BYTES || endFormat == TIME_FORMAT_BYTES)
        return Fail("PlayLoop->TIME_FORMAT_BYTES not supported !");
    if (!start || !end || startFormat == 0 || endFormat == 0)
        return Fail("PlayLoop->Invalid time format !");
    if (!IsOpen())
        return Fail("PlayLoop->Stream isn't open !");
    const uint32_t a = TimeToMs(startFormat, *start);
    const uint32_t b = TimeToMs(endFormat, *end);
    if (b < a)
        return Fail("PlayLoop->Loop end time is smaller than loop start time !");

    const bool wasPlaying = playing_.load() || paused_.load();
    if (!Seek(startFormat, start, SONG_BEGIN))
        return Fail("PlayLoop->Can't seek to start of loop !");
    JoinThread();

    const uint32_t rate = streams_[0].format.sampleRate;
    const uint32_t spf = streams_[0].format.samplesPerFrame;
    loop_ = true;
    loopActive_ = true;
    repeatCount_ = repeat;
    passesDone_ = 0;
    const int32_t frames = MulDiv(int64_t(b) - a, rate, int64_t(spf) * 1000);
    framesPerPass_ = frames > 0 ? static_cast<uint32_t>(frames) : 0;
    const uint64_t samples = lengthMs_ < b ? ClampedCast<uint64_t>((double(lengthMs_) - a) / 1000.0 * rate)
                                           : uint64_t(framesPerPass_) * spf;
    passLengthMs_ = rate ? ClampedCast<uint32_t>(double(samples) * 1000 / rate) : 0;
    continueAfterLoop_ = wasPlaying;
    for (int i = 0; i < streamCount_; ++i)
        loopStart_[i] = streams_[i].readPos.load();

    if (!StartThread()) {
        loop_ = loopActive_ = false;
        error_.Format("%s->Can't create decoding thread!", names_.classPlayLoop);
        return 0;
    }
    // As Play does: a thread that could not start playing (no sound device)
    // is a failure, with the thread's own text.
    if (startResult_.load() != 1) {
        Stop();
        loop_ = loopActive_ = false;
        return 0;
    }
    return 1;
}

bool PlayerCore::BuildFrameIndex(Stream& s)
{
    s.frameIndex.clear();
    const uint8_t* p = s.firstFrame;
    const uint8_t* end = s.End();
    while (p + 4 <= end) {
        MpegHeader h;
        uint32_t length = 0;
        // Frames of another layer than the stream's are stepped over: the
        // decoder passes them.
        if (ParseMpegHeader(p, h) && (length = h.FrameLength()) >= 4 && p + length <= end) {
            if (h.layer == s.format.layer)
                s.frameIndex.push_back(p);
            p += length;
        } else if (ParseMpegHeader(p, h) && length >= 4) {
            if (h.layer == s.format.layer)
                s.frameIndex.push_back(p);  // the last frame, cut short
            break;
        } else {
            ++p;
        }
    }
    return !s.frameIndex.empty();
}

int PlayerCore::ReverseMode(int enable)
{
    if (!IsOpen())
        return Fail("ReverseMode->Stream isn't open !");
    if (managed_)
        return Fail("ReverseMode->This is managed stream. Can't use reverse mode !");
    if (enable) {
        for (int i = 0; i < streamCount_; ++i) {
            if (!streams_[i].frameIndex.empty())
                continue;
            try {
                if (!BuildFrameIndex(streams_[i]))
                    return Fail("ReverseMode->There is no mp3 frame in this stream !");
            } catch (const std::bad_alloc&) {
                streams_[i].frameIndex.clear();
                return Fail("ReverseMode->Memory allocation error !");
            }
        }
    }
    if (playing_.load()) {
        MP3_TIME now;
        GetPosition(&now);
        Stop();
        reverse_ = enable != 0;
        MP3_TIME target{};
        target.ms = now.ms;
        Seek(TIME_FORMAT_MS, &target, SONG_BEGIN);
        Play();
    } else {
        reverse_ = enable != 0;
    }
    return 1;
}
