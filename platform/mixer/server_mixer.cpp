// The mixer over the desktop's sound server. Every source (microphones,
// line inputs, the monitors of the outputs) is one device, named by its
// description; its capture side has one line, the source's own volume, of
// the microphone's kind, since whichever source the user chose is the one
// the microphone slider means. Its ports (microphone, line in, front
// microphone...) are its input lines; switching one on makes it the active
// port, and a port goes off only by choosing another.
#include "platform/mixer/mixer_backend.h"
#include "platform/soundserver/sound_server.h"

namespace platform {

namespace {

namespace ss = platform::soundserver;

constexpr int kSourceVolumeControl = 0;

// Rounded up: a slider's 50 (32767 of 65535, a hair under half) is then
// the server's 50 % exactly, and full is full.
uint32_t ServerVolumeOf(uint32_t value)
{
    return static_cast<uint32_t>((static_cast<uint64_t>(value) * ss::kNormalVolume + 65534) / 65535);
}

uint32_t ValueOfServerVolume(uint32_t volume)
{
    const uint64_t value = (static_cast<uint64_t>(volume) * 65535 + ss::kNormalVolume / 2) / ss::kNormalVolume;
    return value > 65535 ? 65535 : static_cast<uint32_t>(value);
}

class ServerMixer : public MixerBackend {
public:
    explicit ServerMixer(std::shared_ptr<ss::Server> server) : server_(std::move(server)) {}

    int DeviceCount() override
    {
        ss::Snapshot snapshot;
        return server_->ReadSnapshot(snapshot) ? static_cast<int>(snapshot.sources.size()) : 0;
    }

    MixerResult DeviceName(int device, std::string& name) override
    {
        ss::Snapshot snapshot;
        const ss::Source* source = Find(snapshot, device);
        if (!source)
            return MixerResult::BadDevice;
        name = source->description;
        return MixerResult::Ok;
    }

    MixerResult SourceLines(int device, uint32_t destinationType, std::vector<MixerSourceLine>& lines) override
    {
        ss::Snapshot snapshot;
        const ss::Source* source = Find(snapshot, device);
        if (!source)
            return MixerResult::BadDevice;
        if (destinationType != MIXERLINE_COMPONENTTYPE_DST_WAVEIN)
            return MixerResult::NoSuchLine;
        MixerSourceLine line;
        line.name = source->description;
        line.componentType = MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
        line.channels = source->channels;
        line.volumeControlId = kSourceVolumeControl;
        lines.assign(1, line);
        return MixerResult::Ok;
    }

    MixerResult SetVolume(int device, int controlId, int channels, uint32_t value) override
    {
        if (channels < 1 || value > 65535)
            return MixerResult::BadValue;
        ss::Snapshot snapshot;
        const MixerResult found = Check(snapshot, device, controlId);
        if (found != MixerResult::Ok)
            return found;
        // The server keeps one level per channel; the slider means all.
        return server_->SetSourceVolume(snapshot.sources[static_cast<size_t>(device)].name, ServerVolumeOf(value))
                   ? MixerResult::Ok
                   : MixerResult::OpenFailed;
    }

    MixerResult GetVolume(int device, int controlId, uint32_t& value) override
    {
        ss::Snapshot snapshot;
        const MixerResult found = Check(snapshot, device, controlId);
        if (found == MixerResult::Ok)
            value = ValueOfServerVolume(snapshot.sources[static_cast<size_t>(device)].volume);
        return found;
    }

    MixerResult GetMute(int device, int controlId, bool& muted) override
    {
        ss::Snapshot snapshot;
        const MixerResult found = Check(snapshot, device, controlId);
        if (found == MixerResult::Ok)
            muted = snapshot.sources[static_cast<size_t>(device)].muted;
        return found;
    }

    MixerResult SetMute(int device, int controlId, bool muted) override
    {
        ss::Snapshot snapshot;
        const MixerResult found = Check(snapshot, device, controlId);
        if (found != MixerResult::Ok)
            return found;
        return server_->SetSourceMute(snapshot.sources[static_cast<size_t>(device)].name, muted) ? MixerResult::Ok
                                                                                             : MixerResult::OpenFailed;
    }

    std::vector<std::string> CaptureDevices() override
    {
        std::vector<std::string> names;
        ss::Snapshot snapshot;
        if (server_->ReadSnapshot(snapshot))
            for (const ss::Source& source : snapshot.sources)
                names.push_back(source.description);
        return names;
    }

    std::vector<std::string> InputLines(int captureDevice) override
    {
        std::vector<std::string> names;
        ss::Snapshot snapshot;
        if (const ss::Source* source = Find(snapshot, captureDevice))
            for (const ss::Port& port : source->ports)
                names.push_back(port.description.empty() ? port.name : port.description);
        return names;
    }

    bool IsInputLineOn(int captureDevice, int line) override
    {
        ss::Snapshot snapshot;
        const ss::Port* port = FindPort(snapshot, captureDevice, line);
        return port && port->name == snapshot.sources[static_cast<size_t>(captureDevice)].activePort;
    }

    bool SetInputLineOn(int captureDevice, int line, bool on) override
    {
        ss::Snapshot snapshot;
        const ss::Port* port = FindPort(snapshot, captureDevice, line);
        if (!port)
            return false;
        return !on || server_->SetSourcePort(snapshot.sources[static_cast<size_t>(captureDevice)].name, port->name);
    }

    int DefaultDevice() override
    {
        ss::Snapshot snapshot;
        if (!server_->ReadSnapshot(snapshot))
            return -1;
        for (size_t i = 0; i < snapshot.sources.size(); ++i)
            if (snapshot.sources[i].name == snapshot.defaultSource)
                return static_cast<int>(i);
        return snapshot.sources.empty() ? -1 : 0;
    }

    int MonitorDevice() override
    {
        ss::Snapshot snapshot;
        if (!server_->ReadSnapshot(snapshot))
            return -1;
        const std::string& output = snapshot.playbackSink.empty() ? snapshot.defaultSink : snapshot.playbackSink;
        int anyMonitor = -1;
        for (size_t i = 0; i < snapshot.sources.size(); ++i) {
            const std::string& of = snapshot.sources[i].monitorOf;
            if (of.empty())
                continue;
            if (of == output)
                return static_cast<int>(i);
            if (anyMonitor < 0)
                anyMonitor = static_cast<int>(i);
        }
        return anyMonitor;
    }

    bool IsMonitorDevice(int device) override
    {
        ss::Snapshot snapshot;
        const ss::Source* source = Find(snapshot, device);
        return source && !source->monitorOf.empty();
    }

    std::unique_ptr<MixerWatch> WatchChanges(std::function<void()> changed) override
    {
        struct Watch : MixerWatch {
            std::unique_ptr<ss::SourceWatch> sources;
        };
        auto watch = std::make_unique<Watch>();
        watch->sources = server_->WatchSources(std::move(changed));
        if (!watch->sources)
            return nullptr;
        return watch;
    }

private:
    // Reads the server's state into snapshot; the source at that index, or
    // null when there is none (or no server).
    const ss::Source* Find(ss::Snapshot& snapshot, int device)
    {
        if (device < 0 || !server_->ReadSnapshot(snapshot) || device >= static_cast<int>(snapshot.sources.size()))
            return nullptr;
        return &snapshot.sources[static_cast<size_t>(device)];
    }

    MixerResult Check(ss::Snapshot& snapshot, int device, int controlId)
    {
        if (!Find(snapshot, device))
            return MixerResult::BadDevice;
        return controlId == kSourceVolumeControl ? MixerResult::Ok : MixerResult::NoControl;
    }

    const ss::Port* FindPort(ss::Snapshot& snapshot, int device, int line)
    {
        const ss::Source* source = Find(snapshot, device);
        if (!source || line < 0 || line >= static_cast<int>(source->ports.size()))
            return nullptr;
        return &source->ports[static_cast<size_t>(line)];
    }

    std::shared_ptr<ss::Server> server_;
};

}  // namespace

std::shared_ptr<MixerBackend> ServerMixerBackend(std::shared_ptr<soundserver::Server> server)
{
    return std::make_shared<ServerMixer>(server ? std::move(server) : ss::DesktopServer());
}

}  // namespace platform
