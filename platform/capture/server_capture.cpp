// Capture from the desktop's sound server: the devices are its sources,
// named by their description as the desktop's sound settings show them
// (the monitors of its outputs among them), and a device is recorded
// through the server's own record stream.
#include "platform/capture/capture_device.h"
#include "platform/soundserver/sound_server.h"

namespace platform {

namespace {

namespace ss = platform::soundserver;

class ServerCaptureDevice final : public CaptureDevice {
public:
    ServerCaptureDevice(const CaptureFormat& format, CaptureCallback callback, void* instance)
        : CaptureDevice(format, callback, instance)
    {
    }
    ~ServerCaptureDevice() override
    {
        Close();
        stream_.reset();
    }

    // source: the server's name of it, empty for its default; shown: the
    // name the user knows it by. follow: the stream moves with the
    // program's sound (a monitor of what it plays).
    CaptureResult OpenInput(const std::string& source, const std::string& shown, bool follow = false)
    {
        SetName(shown);
        std::string reason;
        const CaptureFormat& f = Format();
        stream_ = ss::RecordStream::Open(
            source, f.sampleRate, f.channels, f.bitsPerSample,
            [this](const uint8_t* bytes, size_t count) { Deliver(bytes, count); }, [this] { ReportGone(); },
            reason);
        if (!stream_) {
            SetCaptureOpenFailure(shown, reason);
            return CaptureResult::OpenFailed;
        }
        if (follow)
            stream_->FollowPlayback();
        BeginNotices();
        return CaptureResult::Ok;
    }

    bool CapturedBytesNow(uint64_t& bytes) override
    {
        uint64_t streamBytes = 0;
        if (!stream_ || !stream_->CapturedBytesNow(streamBytes))
            return false;
        const uint64_t lost = OverrunBytes();
        bytes = streamBytes > lost ? streamBytes - lost : 0;
        return true;
    }

private:
    bool BeginInput() override { return stream_->Run(true); }
    void EndInput() override
    {
        if (stream_)
            stream_->Run(false);
    }

    std::unique_ptr<ss::RecordStream> stream_;
};

class ServerBackend final : public CaptureBackend {
public:
    std::vector<std::string> ListDevices() override
    {
        std::vector<std::string> names;
        ss::Snapshot snapshot;
        if (ss::ReadSnapshot(snapshot))
            for (const ss::Source& source : snapshot.sources)
                names.push_back(source.description);
        return names;
    }

    CaptureResult Open(int deviceIndex, const CaptureFormat& format, CaptureCallback callback, void* instance,
                       std::unique_ptr<CaptureDevice>& out) override
    {
        ss::Snapshot snapshot;
        std::string reason;
        if (!ss::ReadSnapshot(snapshot, &reason)) {
            SetCaptureOpenFailure("the sound server", reason);
            return CaptureResult::NoDriver;
        }
        std::string source;
        std::string shown = "the sound server's default input";
        if (deviceIndex >= 0) {
            if (deviceIndex >= static_cast<int>(snapshot.sources.size()))
                return CaptureResult::BadDevice;
            source = snapshot.sources[static_cast<size_t>(deviceIndex)].name;
            shown = snapshot.sources[static_cast<size_t>(deviceIndex)].description;
        } else {
            // The default by its own name, so that what is said of it later
            // names the device the user can look for.
            for (const ss::Source& s : snapshot.sources)
                if (s.name == snapshot.defaultSource)
                    shown = s.description;
        }
        return OpenWith(source, shown, false, format, callback, instance, out);
    }

    bool RecordsPlayback() const override { return true; }

    CaptureResult OpenPlayback(const CaptureFormat& format, CaptureCallback callback, void* instance,
                               std::unique_ptr<CaptureDevice>& out) override
    {
        ss::Snapshot snapshot;
        std::string reason;
        if (!ss::ReadSnapshot(snapshot, &reason)) {
            SetCaptureOpenFailure("the sound server", reason);
            return CaptureResult::NoDriver;
        }
        for (const ss::Source& s : snapshot.sources)
            if (!s.monitorOf.empty() && s.monitorOf == snapshot.playbackSink)
                return OpenWith(s.name, s.description, true, format, callback, instance, out);
        SetCaptureOpenFailure("the monitor of " + snapshot.playbackSink,
                              "the sound server has no monitor of the output the program plays to");
        return CaptureResult::BadDevice;
    }

private:
    static CaptureResult OpenWith(const std::string& source, const std::string& shown, bool follow,
                                  const CaptureFormat& format, CaptureCallback callback, void* instance,
                                  std::unique_ptr<CaptureDevice>& out)
    {
        auto device = std::make_unique<ServerCaptureDevice>(format, callback, instance);
        const CaptureResult result = device->OpenInput(source, shown, follow);
        if (result == CaptureResult::Ok)
            out = std::move(device);
        return result;
    }
};

}  // namespace

std::shared_ptr<CaptureBackend> ServerCaptureBackend()
{
    return std::make_shared<ServerBackend>();
}

}  // namespace platform
