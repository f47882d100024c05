#include "platform/audio/server_output.h"

#include "platform/audio/output_volume.h"
#include "platform/audio/queued_output.h"
#include "platform/soundserver/play_stream.h"

namespace platform::audio {

namespace {

namespace ss = platform::soundserver;

class ServerDevice final : public QueuedOutputDevice {
public:
    ServerDevice(int deviceId, const OutputFormat& format, OutputCallback callback)
        : QueuedOutputDevice(deviceId, format, std::move(callback))
    {
    }
    // The stream goes before the queue it pulls from.
    ~ServerDevice() override
    {
        if (stream_)
            stream_->Close();
    }

    int Open()
    {
        std::string reason;
        const OutputFormat& f = Format();
        stream_ = ss::PlayStream::Open(
            f.sampleRate, f.channels, f.bitsPerSample,
            [this](uint8_t* out, size_t max) -> size_t {
                const uint32_t limit = max > UINT32_MAX ? UINT32_MAX : uint32_t(max);
                const uint32_t got = Consume(out, limit - limit % Format().blockAlign);
                if (got > 0)
                    ApplyOutputVolume(out, got, Format(), CurrentOutputVolume(DeviceId()));
                return got;
            },
            [this](uint64_t heard, bool failed) {
                // Nothing more will be heard: the buffers go back now, so
                // that no writer waits for them.
                if (failed)
                    HandBackAll();
                else
                    HandBackHeard(heard);
            },
            reason);
        if (!stream_) {
            NoteOutputOpenError(reason);
            return kOutputNoDriver;
        }
        return StartNotifier("Audio output", true) ? kOutputOk : kOutputNoMemory;
    }

    uint64_t PositionBytes() const override { return stream_ ? stream_->HeardBytes() : 0; }

protected:
    // The stream object stays until the device goes: the position may
    // still be asked for from another thread.
    int StopBackend() override
    {
        stream_->Close();
        return kOutputOk;
    }
    void OnQueueChanged() override
    {
        if (stream_)
            stream_->Kick();
    }
    void PauseBackend() override { stream_->Pause(true); }
    int ResumeBackend() override
    {
        stream_->Pause(false);
        return stream_->Failed() ? kOutputNoDriver : kOutputOk;
    }
    void ResetBackend(const std::function<void()>& dropQueue) override { stream_->Restart(dropQueue); }

private:
    std::unique_ptr<ss::PlayStream> stream_;
};

class ServerOutput final : public OutputBackend {
public:
    // The server plays to whichever output the desktop chose; that is the
    // one device offered.
    int DeviceCount() override { return 1; }

    bool DeviceCaps(int index, OutputDeviceCaps* caps) override
    {
        if (index != 0)
            return false;
        // The server converts every rate and layout we offer.
        *caps = ConvertingDeviceCaps("The sound server's output");
        return true;
    }

    int Open(int deviceId, const OutputFormat& format, OutputCallback callback,
             std::unique_ptr<OutputDevice>* device) override
    {
        if (deviceId != kDefaultOutputDevice && deviceId != 0)
            return kOutputBadDeviceId;
        auto dev = std::make_unique<ServerDevice>(deviceId, format, std::move(callback));
        const int result = dev->Open();
        if (result == kOutputOk)
            *device = std::move(dev);
        return result;
    }
};

}  // namespace

std::shared_ptr<OutputBackend> MakeServerOutput()
{
    return std::make_shared<ServerOutput>();
}

}  // namespace platform::audio
