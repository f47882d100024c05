#include "kvostudio/mixer.h"

#include "kvostudio/recordingimpl.h"

using platform::CurrentMixer;
using platform::MixerBackend;
using platform::MixerResult;
using platform::MixerSourceLine;

std::vector<stAudioDeviceInfo> g_AudioDeviceList;

namespace {

constexpr int kMixerDevice = 0;

// Calls visit(backend, index) for every capture device of that name.
template <typename Visit>
void ForEachCaptureDevice(const std::string& name, Visit&& visit)
{
    MixerBackend& mixer = CurrentMixer();
    const std::vector<std::string> devices = mixer.CaptureDevices();
    for (size_t i = 0; i < devices.size(); ++i)
        if (CaptureDeviceNameMatches(devices[i], name))
            visit(mixer, static_cast<int>(i));
}

}  // namespace

CMixer::CMixer(uint32_t componentType, int which)
{
    const uint32_t destination =
        which == 0 ? MIXERLINE_COMPONENTTYPE_DST_WAVEIN : MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
    std::vector<MixerSourceLine> lines;
    if (CurrentMixer().SourceLines(kMixerDevice, destination, lines) != MixerResult::Ok)
        return;
    for (const MixerSourceLine& line : lines) {
        if (line.componentType != componentType)
            continue;
        m_channels = line.channels;
        m_controlId = line.volumeControlId;
        break;
    }
    m_ready = true;
}

CMixer::~CMixer() = default;

void CMixer::SetValue(uint32_t value)
{
    if (!m_ready)
        return;
    // Without a control the mixer refuses; that is the documented no-op.
    CurrentMixer().SetVolume(kMixerDevice, m_controlId, m_channels, value > 65535 ? 65535 : value);
}

uint32_t MixerValueOfPercent(int percent)
{
    if (percent <= 0)
        return 0;
    if (percent >= 100)
        return 65535;
    return static_cast<uint32_t>(percent) * 65535u / 100u;
}

bool CaptureDeviceNameMatches(const std::string& friendlyName, const std::string& wanted)
{
    if (friendlyName == wanted)
        return true;
    // The mixer side keeps names cut to 31 bytes; the capture side has them
    // whole. A cut name still means its device.
    return friendlyName.size() > wanted.size() && platform::CutProductName(friendlyName) == wanted;
}

int CRecordingImpl::ListMixerDevices(std::vector<std::string>& names)
{
    MixerBackend& mixer = CurrentMixer();
    const int count = mixer.DeviceCount();
    for (int i = 0; i < count; ++i) {
        std::string name;
        const MixerResult result = mixer.DeviceName(i, name);
        if (result != MixerResult::Ok)
            return static_cast<int>(result);
        names.push_back(name);
    }
    return 0;
}

void CRecordingImpl::ListInputLines(const std::string& device, std::vector<std::string>& lines)
{
    ForEachCaptureDevice(device, [&](MixerBackend& mixer, int index) {
        for (const std::string& line : mixer.InputLines(index))
            lines.push_back(line);
    });
}

std::vector<stAudioDeviceInfo> BuildAudioDeviceList()
{
    std::vector<std::string> names;
    CRecordingImpl::ListMixerDevices(names);
    std::vector<stAudioDeviceInfo> list;
    for (const std::string& name : names) {
        stAudioDeviceInfo info;
        info.name = name;
        CRecordingImpl::ListInputLines(name, info.inputLines);
        list.push_back(std::move(info));
    }
    return list;
}

int IsCaptureInputLineEnabled(const std::string& device, const std::string& line)
{
    int enabled = 0;
    ForEachCaptureDevice(device, [&](MixerBackend& mixer, int index) {
        if (enabled)
            return;
        const std::vector<std::string> lines = mixer.InputLines(index);
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i] == line && mixer.IsInputLineOn(index, static_cast<int>(i))) {
                enabled = 1;
                return;
            }
    });
    return enabled;
}

void EnableCaptureInputLine(const std::string& device, const std::string& line)
{
    ForEachCaptureDevice(device, [&](MixerBackend& mixer, int index) {
        const std::vector<std::string> lines = mixer.InputLines(index);
        for (size_t i = 0; i < lines.size(); ++i) {
            const bool chosen = lines[i] == line;
            // A line without a switch refuses and does not count.
            if (mixer.SetInputLineOn(index, static_cast<int>(i), chosen) && chosen)
                return;
        }
    });
}
