#include "platform/mixer/memory_mixer.h"

namespace platform {

namespace {

// Capture-side controls have even ids, playback-side ones odd ids.
int ControlId(size_t index, bool capture)
{
    return static_cast<int>(index * 2 + (capture ? 0 : 1));
}

}  // namespace

int MemoryMixer::DeviceCount()
{
    return static_cast<int>(devices.size());
}

MixerResult MemoryMixer::DeviceName(int device, std::string& name)
{
    if (device < 0 || device >= DeviceCount())
        return MixerResult::BadDevice;
    name = CutProductName(devices[device].productName);
    return MixerResult::Ok;
}

std::vector<MemoryMixer::Line>* MemoryMixer::Side(int device, uint32_t destinationType)
{
    if (destinationType == MIXERLINE_COMPONENTTYPE_DST_WAVEIN)
        return &devices[device].capture;
    if (destinationType == MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT)
        return &devices[device].playback;
    return nullptr;
}

MixerResult MemoryMixer::SourceLines(int device, uint32_t destinationType, std::vector<MixerSourceLine>& lines)
{
    if (device < 0 || device >= DeviceCount())
        return MixerResult::BadDevice;
    if (!devices[device].opens)
        return MixerResult::OpenFailed;
    std::vector<Line>* side = Side(device, destinationType);
    if (!side || side->empty())
        return MixerResult::NoSuchLine;
    lines.clear();
    for (size_t i = 0; i < side->size(); ++i) {
        const Line& l = (*side)[i];
        MixerSourceLine out;
        out.name = l.name;
        out.componentType = l.componentType;
        out.channels = static_cast<int>(l.values.size());
        out.volumeControlId = l.hasVolume ? ControlId(i, destinationType == MIXERLINE_COMPONENTTYPE_DST_WAVEIN) : -1;
        lines.push_back(out);
    }
    return MixerResult::Ok;
}

MixerResult MemoryMixer::FindControl(int device, int controlId, Line*& line)
{
    if (device < 0 || device >= DeviceCount())
        return MixerResult::BadDevice;
    if (!devices[device].opens)
        return MixerResult::OpenFailed;
    if (controlId < 0)
        return MixerResult::NoControl;
    std::vector<Line>& side = controlId % 2 == 0 ? devices[device].capture : devices[device].playback;
    const size_t index = static_cast<size_t>(controlId / 2);
    if (index >= side.size() || !side[index].hasVolume)
        return MixerResult::NoControl;
    line = &side[index];
    return MixerResult::Ok;
}

MixerResult MemoryMixer::SetVolume(int device, int controlId, int channels, uint32_t value)
{
    ++setVolumeCalls;
    if (device >= 0 && device < DeviceCount() && devices[device].opens && (channels < 1 || value > 65535))
        return MixerResult::BadValue;
    Line* line = nullptr;
    const MixerResult found = FindControl(device, controlId, line);
    if (found != MixerResult::Ok)
        return found;
    std::vector<uint32_t>& values = line->values;
    for (size_t ch = 0; ch < values.size() && ch < static_cast<size_t>(channels); ++ch)
        values[ch] = value;
    return MixerResult::Ok;
}

MixerResult MemoryMixer::GetVolume(int device, int controlId, uint32_t& value)
{
    Line* line = nullptr;
    const MixerResult found = FindControl(device, controlId, line);
    if (found != MixerResult::Ok)
        return found;
    value = 0;
    for (uint32_t v : line->values)
        value = v > value ? v : value;
    return MixerResult::Ok;
}

MixerResult MemoryMixer::GetMute(int device, int controlId, bool& muted)
{
    Line* line = nullptr;
    const MixerResult found = FindControl(device, controlId, line);
    if (found == MixerResult::Ok)
        muted = line->muted;
    return found;
}

MixerResult MemoryMixer::SetMute(int device, int controlId, bool muted)
{
    ++setMuteCalls;
    Line* line = nullptr;
    const MixerResult found = FindControl(device, controlId, line);
    if (found == MixerResult::Ok)
        line->muted = muted;
    return found;
}

int MemoryMixer::DefaultDevice()
{
    if (defaultDevice != -2)
        return defaultDevice;
    return devices.empty() ? -1 : 0;
}

int MemoryMixer::MonitorDevice()
{
    return monitorDevice;
}

std::unique_ptr<MixerWatch> MemoryMixer::WatchChanges(std::function<void()> changed)
{
    class Watch : public MixerWatch {
    public:
        Watch(std::shared_ptr<std::vector<std::function<void()>*>> list, std::function<void()> changed)
            : list_(std::move(list)), changed_(std::move(changed))
        {
            list_->push_back(&changed_);
        }
        ~Watch() override { std::erase(*list_, &changed_); }

    private:
        std::shared_ptr<std::vector<std::function<void()>*>> list_;
        std::function<void()> changed_;
    };
    return std::make_unique<Watch>(watchers_, std::move(changed));
}

void MemoryMixer::TellChanged()
{
    const std::vector<std::function<void()>*> now = *watchers_;
    for (std::function<void()>* changed : now)
        (*changed)();
}

std::vector<std::string> MemoryMixer::CaptureDevices()
{
    std::vector<std::string> names;
    for (const CaptureDevice& d : captureDevices)
        names.push_back(d.friendlyName);
    return names;
}

std::vector<std::string> MemoryMixer::InputLines(int captureDevice)
{
    std::vector<std::string> names;
    if (captureDevice < 0 || captureDevice >= static_cast<int>(captureDevices.size()))
        return names;
    for (const InputLine& l : captureDevices[captureDevice].lines)
        names.push_back(l.name);
    return names;
}

MemoryMixer::InputLine* MemoryMixer::FindLine(int captureDevice, int line)
{
    if (captureDevice < 0 || captureDevice >= static_cast<int>(captureDevices.size()))
        return nullptr;
    std::vector<InputLine>& lines = captureDevices[captureDevice].lines;
    if (line < 0 || line >= static_cast<int>(lines.size()))
        return nullptr;
    return &lines[line];
}

bool MemoryMixer::IsInputLineOn(int captureDevice, int line)
{
    const InputLine* l = FindLine(captureDevice, line);
    return l && l->switchable && l->on;
}

bool MemoryMixer::SetInputLineOn(int captureDevice, int line, bool on)
{
    InputLine* l = FindLine(captureDevice, line);
    if (!l || !l->switchable)
        return false;
    l->on = on;
    return true;
}

}  // namespace platform
