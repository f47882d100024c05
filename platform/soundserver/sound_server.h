#pragma once
// The desktop's sound server, as the recording side sees it: its sources
// (microphones, line inputs, and the monitor of each output) with their
// description as the desktop's sound settings show it, volume, mute and
// ports; the default source and output; and a record stream from a source.
//
// Nothing here starts a server: where none runs every call fails at once.
// The one-shot calls connect, ask, and disconnect again, each bounded by a
// few seconds, so a server that comes or goes between two calls is simply
// seen or missed by the next one. Calls may come from any thread.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform::soundserver {

// The server's volume scale: 0 is silent, kNormalVolume is 100 %, the level
// the desktop shows at its full mark.
inline constexpr uint32_t kNormalVolume = 0x10000;

struct Port {
    std::string name;         // the server's id of the port
    std::string description;  // "Microphone", "Line In", ...
};

struct Source {
    std::string name;         // the server's id of the source
    std::string description;  // as the desktop shows it
    std::string monitorOf;    // the output it monitors; empty for an input
    int channels = 0;
    uint32_t volume = 0;      // the loudest channel's
    bool muted = false;
    std::vector<Port> ports;
    std::string activePort;   // a port's name; empty when it has none
};

struct Snapshot {
    std::vector<Source> sources;   // in the server's order
    std::string defaultSource;     // names
    std::string defaultSink;
    // The output this program's own sound goes to: the one its newest
    // playback stream is on, else the one PULSE_SINK names, else the
    // default one.
    std::string playbackSink;
};

// True when a sound server answers and the program should use it: no SDL
// audio driver other than the servers' own is forced by SDL_AUDIODRIVER
// (a test that asks for SDL's disk driver gets that driver throughout).
bool UseSoundServer();
// True when a server answers.
bool ServerAnswers();

// The server's sources and defaults; false (with the reason) when no
// server answers.
bool ReadSnapshot(Snapshot& out, std::string* reason = nullptr);
// Sets every channel of the source to volume (0..kNormalVolume and above).
bool SetSourceVolume(const std::string& source, uint32_t volume);
bool SetSourceMute(const std::string& source, bool muted);
bool SetSourcePort(const std::string& source, const std::string& port);

// Tells of changes to the sources (volume, mute, ports, a source come or
// gone) and to the defaults while it lives. `changed` runs on a thread of
// the watch's own, also once when the server goes away; it must be quick.
class SourceWatch {
public:
    virtual ~SourceWatch() = default;
};
// Null when no server answers.
std::unique_ptr<SourceWatch> WatchSources(std::function<void()> changed);

// What the mixer asks of a server, so that a test can stand in for one
// whose sources have ports (a private test server's have none).
class Server {
public:
    virtual ~Server() = default;
    virtual bool ReadSnapshot(Snapshot& out) = 0;
    virtual bool SetSourceVolume(const std::string& source, uint32_t volume) = 0;
    virtual bool SetSourceMute(const std::string& source, bool muted) = 0;
    virtual bool SetSourcePort(const std::string& source, const std::string& port) = 0;
    // Null where changes are not told.
    virtual std::unique_ptr<SourceWatch> WatchSources(std::function<void()>) { return nullptr; }
};
// The desktop's server, through the calls above.
std::shared_ptr<Server> DesktopServer();

// Sound from one source in the format asked for (the server converts),
// handed to the sink on the stream's own thread while it runs.
class RecordStream {
public:
    using Sink = std::function<void(const uint8_t* bytes, size_t count)>;
    // Told once, on the stream's own thread, when the source went away
    // while the stream ran (unplugged, its module unloaded) or the server
    // dropped the stream: no more of that source's sound will come.
    using Gone = std::function<void()>;

    // source: a source's name, empty for the server's default source.
    // bitsPerSample 8 (unsigned) or 16 (signed little-endian). Null with
    // the server's reason when it cannot be opened. The stream starts
    // stopped.
    static std::unique_ptr<RecordStream> Open(const std::string& source, uint32_t sampleRate, uint16_t channels,
                                              uint16_t bitsPerSample, Sink sink, Gone gone, std::string& reason);
    // From now on the stream follows the program's sound: when a playback
    // stream of this program starts on, or is moved to, an output whose
    // monitor the stream is not recording, it goes on from that monitor.
    void FollowPlayback();
    ~RecordStream();
    RecordStream(const RecordStream&) = delete;
    RecordStream& operator=(const RecordStream&) = delete;

    // Starts or stops the sound. Once Run(false) has returned the sink is
    // not running and is not called again until Run(true).
    bool Run(bool on);

    // How many bytes of the stream, counted from the first one the sink
    // was given, the source is taking in at this moment by the server's
    // clock (for the monitor of an output: the sound a listener hears
    // now). False while the server has not told yet.
    bool CapturedBytesNow(uint64_t& bytes);

private:
    struct State;
    explicit RecordStream(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

}  // namespace platform::soundserver
