// A record stream on a client main loop with a thread of its own: the
// server pushes the source's sound as it comes, so a source that falls
// silent (a microphone unplugged, a stalled pipe) only stops the data; it
// never holds up a stop or a close.
#include <pulse/pulseaudio.h>

#include <algorithm>
#include <vector>

#include "platform/soundserver/client_loop.h"
#include "platform/soundserver/own_streams.h"
#include "platform/soundserver/sound_server.h"

namespace platform::soundserver {

namespace {

constexpr pa_usec_t kFragmentUs = 10 * PA_USEC_PER_MSEC;

}  // namespace

struct RecordStream::State {
    ClientLoop client;
    pa_sample_spec spec{};
    pa_stream* stream = nullptr;
    Sink sink;
    Gone gone;
    bool running = false;     // under the loop's lock
    bool goneTold = false;
    uint32_t sourceIndex = PA_INVALID_INDEX;  // the source recorded
    uint32_t movingTo = PA_INVALID_INDEX;     // a move of our own asked for
    uint8_t silenceByte = 0;
    std::vector<uint8_t> silence;

    ~State()
    {
        client.Lock();
        if (client.Context())
            pa_context_set_subscribe_callback(client.Context(), nullptr, nullptr);
        if (stream) {
            pa_stream_set_read_callback(stream, nullptr, nullptr);
            pa_stream_set_state_callback(stream, nullptr, nullptr);
            pa_stream_set_moved_callback(stream, nullptr, nullptr);
            pa_stream_disconnect(stream);
            pa_stream_unref(stream);
        }
        client.Unlock();
    }

    void TellGone()
    {
        if (goneTold)
            return;
        goneTold = true;
        if (gone)
            gone();
    }

    static void OnStreamState(pa_stream* s, void* self)
    {
        State& state = *static_cast<State*>(self);
        const pa_stream_state_t now = pa_stream_get_state(s);
        if (now == PA_STREAM_READY && state.sourceIndex == PA_INVALID_INDEX)
            state.sourceIndex = pa_stream_get_device_index(s);
        if (now == PA_STREAM_FAILED || now == PA_STREAM_TERMINATED)
            state.TellGone();
        state.client.Signal();
    }

    static void OnRead(pa_stream* stream, size_t, void* userdata)
    {
        State& self = *static_cast<State*>(userdata);
        for (;;) {
            const void* data = nullptr;
            size_t count = 0;
            if (pa_stream_peek(stream, &data, &count) < 0 || count == 0)
                return;
            if (self.running) {
                if (data) {
                    self.sink(static_cast<const uint8_t*>(data), count);
                } else {
                    // A hole in the source's sound: it is heard as silence.
                    self.silence.assign(count, self.silenceByte);
                    self.sink(self.silence.data(), count);
                }
            }
            pa_stream_drop(stream);
        }
    }

    // A desktop whose server rescues the streams of a source that goes
    // away moves them to another source first: a move we did not ask for,
    // away from a source that no longer exists, is the source going away.
    static void OnMoved(pa_stream* s, void* self)
    {
        State& state = *static_cast<State*>(self);
        const uint32_t from = state.sourceIndex;
        state.sourceIndex = pa_stream_get_device_index(s);
        if (state.sourceIndex == state.movingTo) {
            state.movingTo = PA_INVALID_INDEX;
            return;
        }
        if (pa_operation* operation =
                pa_context_get_source_info_by_index(state.client.Context(), from, &State::OnMovedFrom, self))
            pa_operation_unref(operation);
    }
    static void OnMovedFrom(pa_context*, const pa_source_info*, int eol, void* self)
    {
        if (eol < 0)
            static_cast<State*>(self)->TellGone();
    }

    // Following the program's sound: a playback stream that came or
    // changed, if it is ours, leads to its output, whose monitor the
    // recording moves to. Pending answers after a close come with no info.
    static void OnEvent(pa_context* context, pa_subscription_event_type_t type, uint32_t index, void* userdata)
    {
        State& self = *static_cast<State*>(userdata);
        const auto facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
        const auto kind = type & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
        if (facility == PA_SUBSCRIPTION_EVENT_SOURCE) {
            if (kind == PA_SUBSCRIPTION_EVENT_REMOVE && index == self.sourceIndex)
                self.TellGone();
            return;
        }
        if (facility != PA_SUBSCRIPTION_EVENT_SINK_INPUT || kind == PA_SUBSCRIPTION_EVENT_REMOVE || !self.follow)
            return;
        if (pa_operation* operation =
                pa_context_get_sink_input_info(context, index, &State::OnPlaybackStream, userdata))
            pa_operation_unref(operation);
    }
    static void OnPlaybackStream(pa_context* context, const pa_sink_input_info* info, int eol, void* userdata)
    {
        if (eol != 0 || !info || !IsOwnStream(info->proplist))
            return;
        if (pa_operation* operation =
                pa_context_get_sink_info_by_index(context, info->sink, &State::OnPlaybackOutput, userdata))
            pa_operation_unref(operation);
    }
    static void OnPlaybackOutput(pa_context* context, const pa_sink_info* info, int eol, void* userdata)
    {
        State& self = *static_cast<State*>(userdata);
        if (eol != 0 || !info || !self.stream || info->monitor_source == PA_INVALID_INDEX ||
            info->monitor_source == pa_stream_get_device_index(self.stream))
            return;
        self.movingTo = info->monitor_source;
        if (pa_operation* operation = pa_context_move_source_output_by_index(
                context, pa_stream_get_index(self.stream), info->monitor_source, nullptr, nullptr))
            pa_operation_unref(operation);
    }

    bool follow = false;
};

RecordStream::RecordStream(std::unique_ptr<State> state) : state_(std::move(state)) {}

RecordStream::~RecordStream() = default;

std::unique_ptr<RecordStream> RecordStream::Open(const std::string& source, uint32_t sampleRate, uint16_t channels,
                                                 uint16_t bitsPerSample, Sink sink, Gone gone, std::string& reason)
{
    auto state = std::make_unique<State>();
    State& s = *state;
    s.spec.format = bitsPerSample == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
    s.spec.rate = sampleRate;
    s.spec.channels = static_cast<uint8_t>(channels);
    if ((bitsPerSample != 8 && bitsPerSample != 16) || !pa_sample_spec_valid(&s.spec)) {
        reason = "the sound server cannot record in that format";
        return nullptr;
    }
    s.sink = std::move(sink);
    s.gone = std::move(gone);
    s.silenceByte = bitsPerSample == 8 ? 0x80 : 0;
    if (!s.client.ConnectAndLock(reason))
        return nullptr;
    const auto fail = [&](const char* text) -> std::unique_ptr<RecordStream> {
        reason = text ? text : ContextError(s.client.Context());
        s.client.Unlock();
        return nullptr;
    };
    s.stream = pa_stream_new(s.client.Context(), "Recording", &s.spec, nullptr);
    if (!s.stream)
        return fail(nullptr);
    pa_stream_set_state_callback(s.stream, &State::OnStreamState, &s);
    pa_stream_set_read_callback(s.stream, &State::OnRead, &s);
    pa_stream_set_moved_callback(s.stream, &State::OnMoved, &s);
    pa_buffer_attr attributes{};
    attributes.maxlength = static_cast<uint32_t>(-1);
    attributes.fragsize = static_cast<uint32_t>(pa_usec_to_bytes(kFragmentUs, &s.spec));
    const auto flags =
        static_cast<pa_stream_flags_t>(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY | PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_record(s.stream, source.empty() ? nullptr : source.c_str(), &attributes, flags) < 0)
        return fail(nullptr);
    s.client.WaitLocked([&] {
        const pa_stream_state_t st = pa_stream_get_state(s.stream);
        return st == PA_STREAM_READY || !PA_STREAM_IS_GOOD(st);
    });
    if (pa_stream_get_state(s.stream) != PA_STREAM_READY)
        return fail(s.client.TimedOut() ? "the sound server does not answer" : nullptr);
    // A source that goes away is told by the server's events.
    pa_context_set_subscribe_callback(s.client.Context(), &State::OnEvent, &s);
    if (pa_operation* operation = pa_context_subscribe(
            s.client.Context(),
            static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_SINK_INPUT), nullptr,
            nullptr))
        pa_operation_unref(operation);
    s.client.Unlock();
    return std::unique_ptr<RecordStream>(new RecordStream(std::move(state)));
}

void RecordStream::FollowPlayback()
{
    State& s = *state_;
    s.client.Lock();
    s.follow = true;
    s.client.Unlock();
}

bool RecordStream::Run(bool on)
{
    State& s = *state_;
    s.client.Lock();
    // The read callback runs under this lock: once it is held no sink call
    // is in progress, and with running false none follows.
    s.running = on;
    const bool done = s.client.WaitForOperation(pa_stream_cork(s.stream, on ? 0 : 1, [](pa_stream*, int, void* self) {
        static_cast<State*>(self)->client.Signal();
    }, &s));
    s.client.Unlock();
    return done;
}

bool RecordStream::CapturedBytesNow(uint64_t& bytes)
{
    State& s = *state_;
    s.client.Lock();
    const pa_timing_info* timing =
        s.stream && pa_stream_get_state(s.stream) == PA_STREAM_READY ? pa_stream_get_timing_info(s.stream) : nullptr;
    const bool known = timing && !timing->write_index_corrupt && s.running;
    if (known) {
        // What the server has taken in, what the source holds that it has
        // not passed on yet, and the time since the server said so; for
        // the monitor of an output, less what that output has still to
        // play (zero for any other source).
        int64_t at = int64_t(pa_bytes_to_usec(uint64_t(std::max<int64_t>(timing->write_index, 0)), &s.spec)) +
                     int64_t(timing->source_usec) + int64_t(pa_timeval_age(&timing->timestamp)) -
                     int64_t(timing->sink_usec);
        const uint64_t b = at > 0 ? pa_usec_to_bytes(pa_usec_t(at), &s.spec) : 0;
        bytes = b - b % pa_frame_size(&s.spec);
    }
    s.client.Unlock();
    return known;
}

}  // namespace platform::soundserver
