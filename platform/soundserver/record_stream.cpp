// A record stream on a client main loop with a thread of its own: the
// server pushes the source's sound as it comes, so a source that falls
// silent (a microphone unplugged, a stalled pipe) only stops the data; it
// never holds up a stop or a close.
#include <pulse/pulseaudio.h>

#include <vector>

#include "platform/soundserver/own_streams.h"
#include "platform/soundserver/sound_server.h"

namespace platform::soundserver {

namespace {

constexpr pa_usec_t kAnswerLimitUs = 5 * PA_USEC_PER_SEC;
constexpr pa_usec_t kFragmentUs = 20 * PA_USEC_PER_MSEC;

}  // namespace

struct RecordStream::State {
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    Sink sink;
    bool running = false;     // under the loop's lock
    bool timedOut = false;    // under the loop's lock
    uint8_t silenceByte = 0;
    std::vector<uint8_t> silence;

    ~State()
    {
        if (loop) {
            pa_threaded_mainloop_lock(loop);
            if (context)
                pa_context_set_subscribe_callback(context, nullptr, nullptr);
            if (stream) {
                pa_stream_set_read_callback(stream, nullptr, nullptr);
                pa_stream_set_state_callback(stream, nullptr, nullptr);
                pa_stream_disconnect(stream);
            }
            if (context) {
                pa_context_set_state_callback(context, nullptr, nullptr);
                pa_context_disconnect(context);
            }
            pa_threaded_mainloop_unlock(loop);
            pa_threaded_mainloop_stop(loop);
        }
        if (stream)
            pa_stream_unref(stream);
        if (context)
            pa_context_unref(context);
        if (loop)
            pa_threaded_mainloop_free(loop);
    }

    static void Signal(void* self) { pa_threaded_mainloop_signal(static_cast<State*>(self)->loop, 0); }
    static void OnContextState(pa_context*, void* self) { Signal(self); }
    static void OnStreamState(pa_stream*, void* self) { Signal(self); }
    static void OnDone(pa_stream*, int, void* self) { Signal(self); }
    static void OnTimeout(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self)
    {
        static_cast<State*>(self)->timedOut = true;
        Signal(self);
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

    // Following the program's sound: a playback stream that came or
    // changed, if it is ours, leads to its output, whose monitor the
    // recording moves to. Pending answers after a close come with no info.
    static void OnPlaybackEvent(pa_context* context, pa_subscription_event_type_t type, uint32_t index,
                                void* userdata)
    {
        const auto kind = type & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
        if (kind == PA_SUBSCRIPTION_EVENT_REMOVE)
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
        if (pa_operation* operation = pa_context_move_source_output_by_index(
                context, pa_stream_get_index(self.stream), info->monitor_source, nullptr, nullptr))
            pa_operation_unref(operation);
    }

    // Waits, with the loop locked, until done() holds or the server took
    // too long to answer.
    template <typename Done>
    bool WaitLocked(Done&& done)
    {
        timedOut = false;
        pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop);
        struct timeval limit;
        pa_timeval_add(pa_gettimeofday(&limit), kAnswerLimitUs);
        pa_time_event* timer = api->time_new(api, &limit, &State::OnTimeout, this);
        while (!done() && !timedOut)
            pa_threaded_mainloop_wait(loop);
        api->time_free(timer);
        return done();
    }
};

RecordStream::RecordStream(std::unique_ptr<State> state) : state_(std::move(state)) {}

RecordStream::~RecordStream() = default;

std::unique_ptr<RecordStream> RecordStream::Open(const std::string& source, uint32_t sampleRate, uint16_t channels,
                                                 uint16_t bitsPerSample, Sink sink, std::string& reason)
{
    pa_sample_spec spec{};
    spec.format = bitsPerSample == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
    spec.rate = sampleRate;
    spec.channels = static_cast<uint8_t>(channels);
    if ((bitsPerSample != 8 && bitsPerSample != 16) || !pa_sample_spec_valid(&spec)) {
        reason = "the sound server cannot record in that format";
        return nullptr;
    }
    auto state = std::make_unique<State>();
    State& s = *state;
    s.sink = std::move(sink);
    s.silenceByte = bitsPerSample == 8 ? 0x80 : 0;
    s.loop = pa_threaded_mainloop_new();
    if (!s.loop || !(s.context = pa_context_new(pa_threaded_mainloop_get_api(s.loop), "KVO Studio"))) {
        reason = "the sound server's client could not be set up";
        return nullptr;
    }
    pa_context_set_state_callback(s.context, &State::OnContextState, &s);
    if (pa_context_connect(s.context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        reason = pa_strerror(pa_context_errno(s.context));
        return nullptr;
    }
    pa_threaded_mainloop_lock(s.loop);
    if (pa_threaded_mainloop_start(s.loop) < 0) {
        pa_threaded_mainloop_unlock(s.loop);
        reason = "the sound server's client could not start";
        return nullptr;
    }
    const auto fail = [&](const char* text) -> std::unique_ptr<RecordStream> {
        reason = text ? text : pa_strerror(pa_context_errno(s.context));
        pa_threaded_mainloop_unlock(s.loop);
        return nullptr;
    };
    s.WaitLocked([&] {
        const pa_context_state_t st = pa_context_get_state(s.context);
        return st == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(st);
    });
    if (pa_context_get_state(s.context) != PA_CONTEXT_READY)
        return fail(s.timedOut ? "the sound server does not answer" : nullptr);

    s.stream = pa_stream_new(s.context, "Recording", &spec, nullptr);
    if (!s.stream)
        return fail(nullptr);
    pa_stream_set_state_callback(s.stream, &State::OnStreamState, &s);
    pa_stream_set_read_callback(s.stream, &State::OnRead, &s);
    pa_buffer_attr attributes{};
    attributes.maxlength = static_cast<uint32_t>(-1);
    attributes.fragsize = static_cast<uint32_t>(pa_usec_to_bytes(kFragmentUs, &spec));
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY);
    if (pa_stream_connect_record(s.stream, source.empty() ? nullptr : source.c_str(), &attributes, flags) < 0)
        return fail(nullptr);
    s.WaitLocked([&] {
        const pa_stream_state_t st = pa_stream_get_state(s.stream);
        return st == PA_STREAM_READY || !PA_STREAM_IS_GOOD(st);
    });
    if (pa_stream_get_state(s.stream) != PA_STREAM_READY)
        return fail(s.timedOut ? "the sound server does not answer" : nullptr);
    pa_threaded_mainloop_unlock(s.loop);
    return std::unique_ptr<RecordStream>(new RecordStream(std::move(state)));
}

void RecordStream::FollowPlayback()
{
    State& s = *state_;
    pa_threaded_mainloop_lock(s.loop);
    pa_context_set_subscribe_callback(s.context, &State::OnPlaybackEvent, &s);
    if (pa_operation* operation = pa_context_subscribe(s.context, PA_SUBSCRIPTION_MASK_SINK_INPUT, nullptr, nullptr))
        pa_operation_unref(operation);
    pa_threaded_mainloop_unlock(s.loop);
}

bool RecordStream::Run(bool on)
{
    State& s = *state_;
    pa_threaded_mainloop_lock(s.loop);
    // The read callback runs under this lock: once it is held no sink call
    // is in progress, and with running false none follows.
    s.running = on;
    pa_operation* operation = pa_stream_cork(s.stream, on ? 0 : 1, &State::OnDone, &s);
    bool done = false;
    if (operation) {
        done = s.WaitLocked([&] { return pa_operation_get_state(operation) != PA_OPERATION_RUNNING; });
        if (!done)
            pa_operation_cancel(operation);
        pa_operation_unref(operation);
    }
    pa_threaded_mainloop_unlock(s.loop);
    return done;
}

}  // namespace platform::soundserver
