#include "kvostudio/mixer.h"

#include <strings.h>

#include "kvostudio/helpers.h"
#include "kvostudio/recordingimpl.h"
#include "kvostudio/settings.h"
#include "platform/capture/capture_device.h"

using platform::CurrentMixer;
using platform::MixerBackend;
using platform::MixerResult;
using platform::MixerSourceLine;

std::vector<stAudioDeviceInfo> g_AudioDeviceList;

namespace {

std::string StoredInputDevice()
{
    char buffer[config::kDeviceCapacity] = {};
    int size = static_cast<int>(sizeof buffer);
    if (!ReadConfigString(config::kGeneral, config::kInputDevice, buffer, &size))
        return {};
    return buffer;
}

int StoredMixingType()
{
    int mixing = 0;
    ReadConfigInt(config::kGeneral, config::kMixing, &mixing);
    return mixing;
}

std::vector<std::string> MixerDeviceNames(MixerBackend& mixer)
{
    std::vector<std::string> names;
    const int count = mixer.DeviceCount();
    for (int i = 0; i < count; ++i) {
        std::string name;
        if (mixer.DeviceName(i, name) != MixerResult::Ok)
            break;
        names.push_back(name);
    }
    return names;
}

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
    m_device = ChosenMixerDevice();
    std::vector<MixerSourceLine> lines;
    if (m_device < 0 || CurrentMixer().SourceLines(m_device, destination, lines) != MixerResult::Ok)
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
    CurrentMixer().SetVolume(m_device, m_controlId, m_channels, value > 65535 ? 65535 : value);
}

bool CMixer::GetValue(uint32_t& value) const
{
    return m_ready && CurrentMixer().GetVolume(m_device, m_controlId, value) == MixerResult::Ok;
}

bool CMixer::SetMute(bool muted)
{
    return m_ready && CurrentMixer().SetMute(m_device, m_controlId, muted) == MixerResult::Ok;
}

bool CMixer::GetMute(bool& muted) const
{
    return m_ready && CurrentMixer().GetMute(m_device, m_controlId, muted) == MixerResult::Ok;
}

int PercentOfMixerValue(uint32_t value)
{
    if (value >= 65535)
        return 100;
    return static_cast<int>((value * 100u + 32767u) / 65535u);
}

int MatchStoredDeviceName(const std::vector<std::string>& names, const std::string& stored)
{
    if (stored.empty())
        return -1;
    for (size_t i = 0; i < names.size(); ++i)
        if (strcasecmp(names[i].c_str(), stored.c_str()) == 0)
            return static_cast<int>(i);
    for (size_t step = 1; step <= names.size(); ++step) {
        const size_t i = step % names.size();
        if (names[i].size() >= stored.size() && strncasecmp(names[i].c_str(), stored.c_str(), stored.size()) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

namespace {

// The stored device's index, -1 when none is stored or it is gone.
int StoredDevice(MixerBackend& mixer, const std::string& stored)
{
    return stored.empty() ? -1 : MatchStoredDeviceName(MixerDeviceNames(mixer), stored);
}

// The stored name while its device is there. A device that has gone stands
// for nothing stored: the take records from what the preferences then
// show, the default input (or, for stereo mixing, the monitor).
std::string PresentStoredDevice(MixerBackend& mixer)
{
    const std::string stored = StoredInputDevice();
    return StoredDevice(mixer, stored) >= 0 ? stored : std::string();
}

// With stereo mixing, nothing stored or a monitor stored means what the
// program plays, wherever it plays it.
bool FollowsPlayback(MixerBackend& mixer, const std::string& stored)
{
    return StoredMixingType() == 1 && (stored.empty() || mixer.IsMonitorDevice(StoredDevice(mixer, stored)));
}

// The gone device the user was last told about, so each is told once.
std::string g_toldGone;

}  // namespace

int ChosenMixerDevice()
{
    MixerBackend& mixer = CurrentMixer();
    const std::string stored = PresentStoredDevice(mixer);
    if (FollowsPlayback(mixer, stored) && mixer.MonitorDevice() >= 0)
        return mixer.MonitorDevice();
    return stored.empty() ? mixer.DefaultDevice() : StoredDevice(mixer, stored);
}

std::string ChosenCaptureDevice()
{
    MixerBackend& mixer = CurrentMixer();
    const std::string stored = PresentStoredDevice(mixer);
    const std::vector<std::string> names = MixerDeviceNames(mixer);
    const int monitor = FollowsPlayback(mixer, stored) ? mixer.MonitorDevice() : -1;
    if (monitor >= 0 && monitor < static_cast<int>(names.size()))
        return names[static_cast<size_t>(monitor)];
    // (The list is asked again: a device may go between the two looks.)
    const int index = MatchStoredDeviceName(names, stored);
    return index >= 0 ? names[static_cast<size_t>(index)] : std::string();
}

bool ChosenCaptureFollowsPlayback()
{
    MixerBackend& mixer = CurrentMixer();
    return FollowsPlayback(mixer, PresentStoredDevice(mixer));
}

std::string StandInInputNotice()
{
    MixerBackend& mixer = CurrentMixer();
    const std::string stored = StoredInputDevice();
    if (stored.empty() || StoredDevice(mixer, stored) >= 0) {
        g_toldGone.clear();
        return {};
    }
    if (stored == g_toldGone)
        return {};
    g_toldGone = stored;
    std::string used;
    const int device = ChosenMixerDevice();
    if (device < 0 || mixer.DeviceName(device, used) != MixerResult::Ok || used.empty())
        used = "the system's default input";
    else
        used = "\"" + used + "\"";
    return "The input device \"" + stored + "\" chosen in the preferences is not connected. The recording uses " +
           used + ", as the preferences show, until it is back or another is chosen.";
}

std::string RecordingDeviceName(int mixingType)
{
    MixerBackend& mixer = CurrentMixer();
    const int device = mixingType == 1 ? mixer.MonitorDevice() : mixer.DefaultDevice();
    std::string name;
    if (device < 0 || mixer.DeviceName(device, name) != MixerResult::Ok)
        return {};
    return name;
}

std::unique_ptr<platform::MixerWatch> WatchMixer(std::function<void()> changed)
{
    return CurrentMixer().WatchChanges(std::move(changed));
}

bool HasCaptureDevice()
{
    return !platform::ListCaptureDevices().empty();
}

void LogAlsaErrors()
{
    platform::RouteAlsaErrors([](const std::string& line) { WriteLog(line.c_str()); });
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
