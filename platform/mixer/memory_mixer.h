#pragma once
// An in-memory mixer for tests: devices, their lines and volume controls,
// and capture devices with input lines, all set up by the test and
// inspected afterwards. Values are kept as given (0..65535).

#include <string>
#include <vector>

#include "platform/mixer/mixer_backend.h"

namespace platform {

class MemoryMixer : public MixerBackend {
public:
    struct Line {
        std::string name;
        uint32_t componentType = MIXERLINE_COMPONENTTYPE_SRC_UNDEFINED;
        bool hasVolume = true;
        std::vector<uint32_t> values;  // one per channel
        bool muted = false;
    };
    struct Device {
        std::string productName;  // as the card calls itself; cut when listed
        bool opens = true;
        std::vector<Line> capture;   // feeds the recording
        std::vector<Line> playback;
    };
    struct InputLine {
        std::string name;
        bool on = false;
        bool switchable = true;  // false: it has no enable switch
    };
    struct CaptureDevice {
        std::string friendlyName;
        std::vector<InputLine> lines;
    };

    std::vector<Device> devices;
    std::vector<CaptureDevice> captureDevices;
    // Every SetVolume and SetMute call, successful or not.
    int setVolumeCalls = 0;
    int setMuteCalls = 0;
    // What DefaultDevice and MonitorDevice answer; the default device is
    // the first one when not set.
    int defaultDevice = -2;
    int monitorDevice = -1;

    int DeviceCount() override;
    MixerResult DeviceName(int device, std::string& name) override;
    MixerResult SourceLines(int device, uint32_t destinationType, std::vector<MixerSourceLine>& lines) override;
    MixerResult SetVolume(int device, int controlId, int channels, uint32_t value) override;
    std::vector<std::string> CaptureDevices() override;
    std::vector<std::string> InputLines(int captureDevice) override;
    bool IsInputLineOn(int captureDevice, int line) override;
    bool SetInputLineOn(int captureDevice, int line, bool on) override;
    MixerResult GetVolume(int device, int controlId, uint32_t& value) override;
    MixerResult GetMute(int device, int controlId, bool& muted) override;
    MixerResult SetMute(int device, int controlId, bool muted) override;
    int DefaultDevice() override;
    int MonitorDevice() override;
    // The watch tells of changes the test announces with TellChanged.
    std::unique_ptr<MixerWatch> WatchChanges(std::function<void()> changed) override;
    // Calls the living watches' callbacks, as a change from outside would.
    void TellChanged();

private:
    std::shared_ptr<std::vector<std::function<void()>*>> watchers_ =
        std::make_shared<std::vector<std::function<void()>*>>();
    std::vector<Line>* Side(int device, uint32_t destinationType);
    MixerResult FindControl(int device, int controlId, Line*& line);
    InputLine* FindLine(int captureDevice, int line);
};

}  // namespace platform
