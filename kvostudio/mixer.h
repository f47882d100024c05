#pragma once
// The sound card's input side for the recording: the volume of one source
// line of the recording mixer (the microphone level slider), and the list
// of capture devices with their input lines, which the preferences show and
// switch.
//
// Everything here runs on the user-interface thread. The device list is
// filled once while the main window starts and only read afterwards.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/mixer/mixer_backend.h"

using platform::MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
using platform::MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
using platform::MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;

// Sets the volume of one source line of the mixer device the recording
// uses (ChosenMixerDevice). The device is opened and closed inside each
// call; nothing is held in between.
class CMixer {
public:
    // componentType: the wanted source line's type (e.g. the microphone,
    // 0x1003). which: 0 the lines feeding the recording, 1 those of the
    // playback side. Finds the line and its volume control; no device, a
    // mixer that cannot be opened or lacks that side leaves the object not
    // ready.
    CMixer(uint32_t componentType, int which);
    virtual ~CMixer();

    // Sets every channel of the found volume control to value (0..65535,
    // larger values count as 65535). Does nothing when not ready; with no
    // control found the mixer refuses and nothing changes.
    void SetValue(uint32_t value);
    // The control's level now (0..65535); false when not ready or there is
    // no control.
    bool GetValue(uint32_t& value) const;
    // The line's mute, as the desktop's sound settings show it.
    bool SetMute(bool muted);
    bool GetMute(bool& muted) const;

    int GetDevice() const { return m_device; }
    int GetChannels() const { return m_channels; }
    int GetControlId() const { return m_controlId; }
    bool IsReady() const { return m_ready; }

private:
    int m_device = -1;
    int m_channels = 0;
    int m_controlId = -1;
    bool m_ready = false;
};

// The mixer value of a 0..100 slider position: position x 65535 / 100.
uint32_t MixerValueOfPercent(int percent);
// The slider position that shows a mixer value, rounded.
int PercentOfMixerValue(uint32_t value);

// The mixer device the recording uses: the stored "input_device", matched
// as the preferences match it; with none stored, or a stored one that is
// no longer there, the system's default input (what the preferences show
// then). With stereo mixing chosen and no device or a monitor, the device
// that records what the program plays, wherever it plays it. -1 when
// there is no such device.
int ChosenMixerDevice();
// The name of that device as the capture side opens it: empty for the
// system's default input.
std::string ChosenCaptureDevice();
// What to tell the user before a take when the stored device has gone and
// another records in its place: which one. Said once for each device that
// went; empty otherwise. User-interface thread.
std::string StandInInputNotice();
// True when the recording is of what the program plays and follows it
// from output to output (platform::OpenPlaybackCapture).
bool ChosenCaptureFollowsPlayback();
// The name of the device a recording of that mixing type (0 software,
// 1 stereo) uses when no device is stored: the default input, or the
// monitor of the output the program plays to. Empty when there is none.
std::string RecordingDeviceName(int mixingType);
// While the watch lives, `changed` runs (on a thread of the mixer's own)
// whenever the desktop may have changed a level, a mute or the devices;
// null where the mixer cannot tell.
std::unique_ptr<platform::MixerWatch> WatchMixer(std::function<void()> changed);
// Whether there is any sound input to record from.
bool HasCaptureDevice();
// Sends ALSA's own complaints (no card, a device that does not open) to the
// program's log instead of the terminal.
void LogAlsaErrors();

// The index of the name that the stored text chooses: the one equal to it,
// letter case aside, else the first that begins with it searching from the
// second name round to the first; -1 when none does.
int MatchStoredDeviceName(const std::vector<std::string>& names, const std::string& stored);

// One capture device: the mixer device's product name (at most 31 bytes)
// and the names of the input lines of the capture device(s) of that name.
struct stAudioDeviceInfo {
    std::string name;
    std::vector<std::string> inputLines;
};

// The program's device list, in mixer device order.
extern std::vector<stAudioDeviceInfo> g_AudioDeviceList;

// Builds the list as the main window does at start-up: every mixer device's
// name with the input lines of the capture devices of that name.
std::vector<stAudioDeviceInfo> BuildAudioDeviceList();

// A capture device's name matches a device record's name when both are
// equal, or when the record holds the cut (31-byte) form of it.
bool CaptureDeviceNameMatches(const std::string& friendlyName, const std::string& wanted);

// 1 when the named input line of the named capture device is switched on.
int IsCaptureInputLineEnabled(const std::string& device, const std::string& line);
// Switches the named input line of every capture device of that name on,
// and every switchable line before it off; lines after it stay as they
// are. A name no line has switches every switchable line of the device off.
void EnableCaptureInputLine(const std::string& device, const std::string& line);
