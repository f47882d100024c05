// The one-shot calls: each runs its own client main loop on the calling
// thread, polled in short steps so that a server that stops answering ends
// the call after a few seconds instead of hanging it.
#include <pulse/pulseaudio.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "platform/soundserver/own_streams.h"
#include "platform/soundserver/sound_server.h"

namespace platform::soundserver {

namespace {

constexpr auto kCallLimit = std::chrono::seconds(5);
constexpr int kPollStepUs = 100000;

class Session {
public:
    Session()
    {
        loop_ = pa_mainloop_new();
        if (loop_)
            context_ = pa_context_new(pa_mainloop_get_api(loop_), "KVO Studio");
    }
    ~Session()
    {
        if (context_) {
            pa_context_disconnect(context_);
            pa_context_unref(context_);
        }
        if (loop_)
            pa_mainloop_free(loop_);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Never starts a server of its own: a desktop without one has none.
    bool Connect(std::string* reason)
    {
        if (!context_) {
            Say(reason, "the sound server's client could not be set up");
            return false;
        }
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            Say(reason, pa_strerror(pa_context_errno(context_)));
            return false;
        }
        pa_context_state_t state = PA_CONTEXT_UNCONNECTED;
        const bool answered = RunUntil([&] {
            state = pa_context_get_state(context_);
            return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
        });
        if (answered && state == PA_CONTEXT_READY)
            return true;
        Say(reason, answered ? pa_strerror(pa_context_errno(context_)) : "the sound server does not answer");
        return false;
    }

    // Waits for the operation to end; false when it failed or took too long.
    bool Wait(pa_operation* operation)
    {
        if (!operation)
            return false;
        const bool done = RunUntil([&] { return pa_operation_get_state(operation) != PA_OPERATION_RUNNING; });
        if (!done)
            pa_operation_cancel(operation);
        pa_operation_unref(operation);
        return done;
    }

    pa_context* Context() { return context_; }

private:
    static void Say(std::string* reason, const char* text)
    {
        if (reason)
            *reason = text ? text : "";
    }

    template <typename Done>
    bool RunUntil(Done&& done)
    {
        const auto limit = std::chrono::steady_clock::now() + kCallLimit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > limit)
                return false;
            if (pa_mainloop_prepare(loop_, kPollStepUs) < 0 || pa_mainloop_poll(loop_) < 0 ||
                pa_mainloop_dispatch(loop_) < 0)
                return false;
        }
        return true;
    }

    pa_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
};

const char* Property(pa_proplist* properties, const char* key)
{
    const char* value = properties ? pa_proplist_gets(properties, key) : nullptr;
    return value ? value : "";
}

void OnSource(pa_context*, const pa_source_info* info, int eol, void* userdata)
{
    if (eol != 0 || !info)
        return;
    Snapshot& out = *static_cast<Snapshot*>(userdata);
    Source source;
    source.name = info->name ? info->name : "";
    source.description = info->description ? info->description : Property(info->proplist, "device.description");
    if (source.description.empty())
        source.description = source.name;
    if (info->monitor_of_sink != PA_INVALID_INDEX)
        source.monitorOf = info->monitor_of_sink_name ? info->monitor_of_sink_name : "?";
    source.channels = info->channel_map.channels;
    source.volume = pa_cvolume_max(&info->volume);
    source.muted = info->mute != 0;
    for (uint32_t i = 0; i < info->n_ports && info->ports; ++i) {
        const pa_source_port_info* port = info->ports[i];
        if (!port)
            continue;
        source.ports.push_back({port->name ? port->name : "", port->description ? port->description : ""});
    }
    if (info->active_port && info->active_port->name)
        source.activePort = info->active_port->name;
    out.sources.push_back(std::move(source));
}

void OnServer(pa_context*, const pa_server_info* info, void* userdata)
{
    if (!info)
        return;
    Snapshot& out = *static_cast<Snapshot*>(userdata);
    out.defaultSource = info->default_source_name ? info->default_source_name : "";
    out.defaultSink = info->default_sink_name ? info->default_sink_name : "";
}

// What ReadSnapshot gathers beside the snapshot to find the program's
// output.
struct Outputs {
    std::map<uint32_t, std::string> sinks;  // by index
    uint32_t ownStream = PA_INVALID_INDEX;  // the newest of ours
    uint32_t ownSink = PA_INVALID_INDEX;
};

void OnSink(pa_context*, const pa_sink_info* info, int eol, void* userdata)
{
    if (eol == 0 && info && info->name)
        static_cast<Outputs*>(userdata)->sinks[info->index] = info->name;
}

void OnSinkInput(pa_context*, const pa_sink_input_info* info, int eol, void* userdata)
{
    Outputs& out = *static_cast<Outputs*>(userdata);
    if (eol != 0 || !info || !IsOwnStream(info->proplist))
        return;
    if (out.ownStream == PA_INVALID_INDEX || info->index > out.ownStream) {
        out.ownStream = info->index;
        out.ownSink = info->sink;
    }
}

std::string PlaybackSink(const Outputs& outputs, const std::string& defaultSink)
{
    const auto own = outputs.sinks.find(outputs.ownSink);
    if (own != outputs.sinks.end())
        return own->second;
    // Where the program's next stream will go when none plays now.
    if (const char* chosen = std::getenv("PULSE_SINK"))
        for (const auto& [index, name] : outputs.sinks)
            if (name == chosen)
                return name;
    return defaultSink;
}

void OnSuccess(pa_context*, int success, void* userdata)
{
    *static_cast<bool*>(userdata) = success != 0;
}

struct ChannelCount {
    int channels = 0;
};

void OnOneSource(pa_context*, const pa_source_info* info, int eol, void* userdata)
{
    if (eol == 0 && info)
        static_cast<ChannelCount*>(userdata)->channels = info->channel_map.channels;
}

}  // namespace

bool IsOwnStream(const pa_proplist* properties)
{
    const char* pid = properties ? pa_proplist_gets(properties, PA_PROP_APPLICATION_PROCESS_ID) : nullptr;
    return pid && std::to_string(getpid()) == pid;
}

bool ServerAnswers()
{
    Session session;
    return session.Connect(nullptr);
}

bool UseSoundServer()
{
    const char* driver = std::getenv("SDL_AUDIODRIVER");
    if (driver && *driver && std::strcmp(driver, "pulseaudio") != 0 && std::strcmp(driver, "pipewire") != 0)
        return false;
    return ServerAnswers();
}

bool ReadSnapshot(Snapshot& out, std::string* reason)
{
    out = Snapshot{};
    Session session;
    if (!session.Connect(reason))
        return false;
    pa_context* c = session.Context();
    Snapshot read;
    Outputs outputs;
    const bool ok = session.Wait(pa_context_get_server_info(c, &OnServer, &read)) &&
                    session.Wait(pa_context_get_source_info_list(c, &OnSource, &read)) &&
                    session.Wait(pa_context_get_sink_info_list(c, &OnSink, &outputs)) &&
                    session.Wait(pa_context_get_sink_input_info_list(c, &OnSinkInput, &outputs));
    if (!ok) {
        if (reason)
            *reason = "the sound server did not list its sources";
        return false;
    }
    read.playbackSink = PlaybackSink(outputs, read.defaultSink);
    out = std::move(read);
    return true;
}

bool SetSourceVolume(const std::string& source, uint32_t volume)
{
    Session session;
    if (!session.Connect(nullptr))
        return false;
    ChannelCount count;
    if (!session.Wait(pa_context_get_source_info_by_name(session.Context(), source.c_str(), &OnOneSource, &count)) ||
        count.channels < 1)
        return false;
    pa_cvolume levels;
    pa_cvolume_set(&levels, static_cast<unsigned>(count.channels),
                   volume > PA_VOLUME_MAX ? PA_VOLUME_MAX : static_cast<pa_volume_t>(volume));
    bool done = false;
    return session.Wait(
               pa_context_set_source_volume_by_name(session.Context(), source.c_str(), &levels, &OnSuccess, &done)) &&
           done;
}

bool SetSourceMute(const std::string& source, bool muted)
{
    Session session;
    if (!session.Connect(nullptr))
        return false;
    bool done = false;
    return session.Wait(pa_context_set_source_mute_by_name(session.Context(), source.c_str(), muted ? 1 : 0,
                                                           &OnSuccess, &done)) &&
           done;
}

bool SetSourcePort(const std::string& source, const std::string& port)
{
    Session session;
    if (!session.Connect(nullptr))
        return false;
    bool done = false;
    return session.Wait(pa_context_set_source_port_by_name(session.Context(), source.c_str(), port.c_str(),
                                                           &OnSuccess, &done)) &&
           done;
}

namespace {

class DesktopServerCalls : public Server {
public:
    bool ReadSnapshot(Snapshot& out) override { return soundserver::ReadSnapshot(out); }
    bool SetSourceVolume(const std::string& source, uint32_t volume) override
    {
        return soundserver::SetSourceVolume(source, volume);
    }
    bool SetSourceMute(const std::string& source, bool muted) override
    {
        return soundserver::SetSourceMute(source, muted);
    }
    bool SetSourcePort(const std::string& source, const std::string& port) override
    {
        return soundserver::SetSourcePort(source, port);
    }
    std::unique_ptr<SourceWatch> WatchSources(std::function<void()> changed) override
    {
        return soundserver::WatchSources(std::move(changed));
    }
};

}  // namespace

std::shared_ptr<Server> DesktopServer()
{
    return std::make_shared<DesktopServerCalls>();
}

}  // namespace platform::soundserver
