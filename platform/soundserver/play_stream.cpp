// The playback stream. How far the listener has heard is worked out from
// the server's timing reports rather than libpulse's own clock, which
// stands still short of the end once the stream has run dry (it subtracts
// the sink's latency from a read index that no longer moves).
#include "platform/soundserver/play_stream.h"

#include <algorithm>
#include <vector>

#include "platform/soundserver/client_loop.h"

namespace platform::soundserver {

namespace {

// What the server may hold of ours: enough to ride out a busy desktop for
// a while, little enough that a volume change is soon heard.
constexpr pa_usec_t kServerBufferUs = 250 * PA_USEC_PER_MSEC;
constexpr pa_usec_t kRequestUs = 20 * PA_USEC_PER_MSEC;
// How often the heard position is asked for while the sound runs.
constexpr pa_usec_t kTimingStepUs = 20 * PA_USEC_PER_MSEC;

}  // namespace

struct PlayStream::State {
    ClientLoop client;
    pa_sample_spec spec{};
    pa_stream* stream = nullptr;
    pa_time_event* timer = nullptr;
    Pull pull;
    Progress progress;
    bool paused = false;
    bool failed = false;
    bool closed = false;
    uint64_t written = 0;     // bytes handed to the current stream
    uint64_t heard = 0;       // the most heard so far, bytes
    std::vector<uint8_t> scratch;

    ~State()
    {
        client.Lock();
        StopTimer();
        DropStream();
        client.Unlock();
    }

    size_t FrameBytes() const { return pa_frame_size(&spec); }

    void DropStream()
    {
        if (!stream)
            return;
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_set_write_callback(stream, nullptr, nullptr);
        pa_stream_disconnect(stream);
        pa_stream_unref(stream);
        stream = nullptr;
    }

    bool Connect()
    {
        stream = pa_stream_new(client.Context(), "Playback", &spec, nullptr);
        if (!stream)
            return false;
        pa_stream_set_state_callback(stream, &State::OnStreamState, this);
        pa_stream_set_write_callback(stream, &State::OnWrite, this);
        pa_buffer_attr attributes{};
        attributes.maxlength = static_cast<uint32_t>(-1);
        attributes.tlength = static_cast<uint32_t>(pa_usec_to_bytes(kServerBufferUs, &spec));
        // Starts with the first frame, and after running dry as soon as
        // more comes; never plays past what it was given.
        attributes.prebuf = static_cast<uint32_t>(FrameBytes());
        attributes.minreq = static_cast<uint32_t>(pa_usec_to_bytes(kRequestUs, &spec));
        attributes.fragsize = static_cast<uint32_t>(-1);
        auto flags = PA_STREAM_ADJUST_LATENCY;
        if (paused)
            flags = static_cast<pa_stream_flags_t>(flags | PA_STREAM_START_CORKED);
        written = 0;
        heard = 0;
        return pa_stream_connect_playback(stream, nullptr, &attributes, flags, nullptr, nullptr) >= 0;
    }

    bool Ready() const { return stream && pa_stream_get_state(stream) == PA_STREAM_READY; }

    void Fail()
    {
        if (failed)
            return;
        failed = true;
        StopTimer();
        progress(heard, true);
    }

    static void OnStreamState(pa_stream* s, void* self)
    {
        State& state = *static_cast<State*>(self);
        const pa_stream_state_t now = pa_stream_get_state(s);
        if (now == PA_STREAM_READY) {
            state.Fill();
            state.StartTimer();
        } else if (now == PA_STREAM_FAILED || now == PA_STREAM_TERMINATED) {
            state.Fail();
        }
        state.client.Signal();
    }

    static void OnWrite(pa_stream*, size_t, void* self) { static_cast<State*>(self)->Fill(); }

    void Fill()
    {
        if (failed || closed)
            return;
        if (!stream && !Connect()) {
            Fail();
            return;
        }
        if (!Ready())
            return;
        const size_t frame = FrameBytes();
        size_t room = pa_stream_writable_size(stream);
        while (room >= frame) {
            const size_t want = room - room % frame;
            if (scratch.size() < want)
                scratch.resize(want);
            const size_t got = pull(scratch.data(), want);
            if (got == 0)
                break;
            if (pa_stream_write(stream, scratch.data(), got, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
                Fail();
                return;
            }
            written += got;
            room -= std::min(room, got);
        }
    }

    // Where the listener is now, by the latest timing report and the time
    // since it was made.
    uint64_t Heard()
    {
        if (!Ready())
            return heard;
        const pa_timing_info* timing = pa_stream_get_timing_info(stream);
        if (!timing)
            return heard;
        // Worked out as an offset from the read index, so that a stream
        // played to its end is heard to its last byte.
        const uint64_t read = uint64_t(std::max<int64_t>(timing->read_index, 0));
        int64_t offsetUs = 0;
        if (!paused) {
            const int64_t age = int64_t(pa_timeval_age(&timing->timestamp));
            if (timing->playing) {
                offsetUs = age - int64_t(timing->sink_usec);
            } else {
                // Run dry: what was handed over before is heard as the
                // sink's latency passes; the silence since counts that off.
                const pa_usec_t dry =
                    pa_bytes_to_usec(uint64_t(std::max<int64_t>(timing->since_underrun, 0)), &spec);
                offsetUs = std::min<int64_t>(0, int64_t(dry) + age - int64_t(timing->sink_usec));
            }
        }
        const uint64_t offset = pa_usec_to_bytes(pa_usec_t(offsetUs < 0 ? -offsetUs : offsetUs), &spec);
        uint64_t bytes = offsetUs >= 0 ? read + offset : (offset < read ? read - offset : 0);
        bytes = std::min(bytes - bytes % FrameBytes(), written);
        heard = std::max(heard, bytes);
        return heard;
    }

    void StartTimer()
    {
        if (timer || paused || failed || !Ready())
            return;
        timer = client.Api()->time_new(client.Api(), nullptr, &State::OnTimer, this);
        Rearm();
    }
    void StopTimer()
    {
        if (timer)
            client.Api()->time_free(timer);
        timer = nullptr;
    }
    void Rearm()
    {
        struct timeval next;
        pa_timeval_add(pa_gettimeofday(&next), kTimingStepUs);
        client.Api()->time_restart(timer, &next);
    }

    static void OnTimer(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self)
    {
        State& state = *static_cast<State*>(self);
        state.Rearm();
        if (!state.Ready())
            return;
        if (pa_operation* operation = pa_stream_update_timing_info(state.stream, &State::OnTiming, self))
            pa_operation_unref(operation);
        state.progress(state.Heard(), false);
    }
    static void OnTiming(pa_stream*, int success, void* self)
    {
        State& state = *static_cast<State*>(self);
        if (success && !state.failed && !state.closed)
            state.progress(state.Heard(), false);
        state.client.Signal();
    }
};

PlayStream::PlayStream(std::unique_ptr<State> state) : state_(std::move(state)) {}

PlayStream::~PlayStream() = default;

std::unique_ptr<PlayStream> PlayStream::Open(uint32_t rate, uint16_t channels, uint16_t bitsPerSample, Pull pull,
                                             Progress progress, std::string& reason)
{
    auto state = std::make_unique<State>();
    State& s = *state;
    s.spec.format = bitsPerSample == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
    s.spec.rate = rate;
    s.spec.channels = static_cast<uint8_t>(channels);
    if ((bitsPerSample != 8 && bitsPerSample != 16) || !pa_sample_spec_valid(&s.spec)) {
        reason = "the sound server cannot play that format";
        return nullptr;
    }
    s.pull = std::move(pull);
    s.progress = std::move(progress);
    if (!s.client.ConnectAndLock(reason))
        return nullptr;
    if (!s.Connect()) {
        reason = ContextError(s.client.Context());
        s.client.Unlock();
        return nullptr;
    }
    s.client.WaitLocked([&] {
        const pa_stream_state_t st = pa_stream_get_state(s.stream);
        return st == PA_STREAM_READY || !PA_STREAM_IS_GOOD(st);
    });
    if (!s.Ready()) {
        reason = s.client.TimedOut() ? "the sound server does not answer" : ContextError(s.client.Context());
        s.client.Unlock();
        return nullptr;
    }
    s.failed = false;
    s.client.Unlock();
    return std::unique_ptr<PlayStream>(new PlayStream(std::move(state)));
}

void PlayStream::Kick()
{
    State& s = *state_;
    s.client.Lock();
    s.Fill();
    s.client.Unlock();
}

bool PlayStream::Pause(bool paused)
{
    State& s = *state_;
    s.client.Lock();
    s.paused = paused;
    bool done = true;
    if (s.Ready()) {
        done = s.client.WaitForOperation(pa_stream_cork(s.stream, paused ? 1 : 0, [](pa_stream*, int, void* self) {
            static_cast<State*>(self)->client.Signal();
        }, &s));
        // The read index once the server has taken back what it had not
        // played yet: where the sound stopped.
        if (done && paused)
            s.client.WaitForOperation(pa_stream_update_timing_info(s.stream, &State::OnTiming, &s));
    }
    if (paused) {
        s.StopTimer();
    } else {
        s.Fill();
        s.StartTimer();
    }
    s.client.Unlock();
    return done;
}

void PlayStream::Restart(const std::function<void()>& whileLocked)
{
    State& s = *state_;
    s.client.Lock();
    whileLocked();
    s.StopTimer();
    s.DropStream();
    s.written = 0;
    s.heard = 0;
    s.client.Unlock();
}

void PlayStream::Close()
{
    State& s = *state_;
    s.client.Lock();
    s.closed = true;
    s.StopTimer();
    s.DropStream();
    s.client.Unlock();
}

uint64_t PlayStream::HeardBytes()
{
    State& s = *state_;
    s.client.Lock();
    const uint64_t heard = s.Heard();
    s.client.Unlock();
    return heard;
}

bool PlayStream::Failed()
{
    State& s = *state_;
    s.client.Lock();
    const bool failed = s.failed;
    s.client.Unlock();
    return failed;
}

}  // namespace platform::soundserver
