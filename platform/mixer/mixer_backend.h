#pragma once
// The sound card's mixer, as the recording side sees it.
//
// Mixer devices are numbered from 0 and have a product name. Each has two
// sides: the capture side (what feeds the recording) and the playback side.
// A side's source lines carry a component type (microphone, line in, ...),
// a channel count and, when they have one, a volume control known by an id
// that stays valid while the device is unchanged.
//
// Capture devices are listed by their friendly name, each with its input
// lines (microphone, line in, stereo mix, ...) that can be switched on and
// off.
//
// Nothing here keeps a device open between calls: every call opens the
// device, does its work and closes it again, so a card plugged in or out
// between two calls is simply seen or missed by the next one.
//
// Where the desktop's sound server answers, its sources are both the mixer
// devices and the capture devices: one source is one device, its volume the
// one line of its capture side, its ports its input lines. Where none
// answers, ALSA's simple mixer stands behind the same calls, one card a
// device. A test may install another backend (memory_mixer.h). Calls belong
// to the user-interface thread; the install call to set-up code.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform::soundserver {
class Server;
}

namespace platform {

// Component types of lines, numbered as the recording code names them.
enum : uint32_t {
    MIXERLINE_COMPONENTTYPE_DST_SPEAKERS = 4,
    MIXERLINE_COMPONENTTYPE_DST_WAVEIN = 7,
    MIXERLINE_COMPONENTTYPE_SRC_UNDEFINED = 0x1000,
    MIXERLINE_COMPONENTTYPE_SRC_DIGITAL = 0x1001,
    MIXERLINE_COMPONENTTYPE_SRC_LINE = 0x1002,
    MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE = 0x1003,
    MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER = 0x1004,
    MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC = 0x1005,
    MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT = 0x1008,
    MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY = 0x1009,
};

// Results of the mixer calls: 0 is success.
enum class MixerResult {
    Ok = 0,
    BadDevice,     // no device with that index
    OpenFailed,    // the device exists but could not be opened
    NoSuchLine,    // the device has no destination of that type
    NoControl,     // no control with that id
    BadValue,      // a channel count below 1 or a value out of range
};

// One source line of a destination.
struct MixerSourceLine {
    std::string name;
    uint32_t componentType = MIXERLINE_COMPONENTTYPE_SRC_UNDEFINED;
    int channels = 0;
    int volumeControlId = -1;  // -1: the line has no volume control
};

// Kept while changes are to be told (MixerBackend::WatchChanges).
class MixerWatch {
public:
    virtual ~MixerWatch() = default;
};

class MixerBackend {
public:
    virtual ~MixerBackend() = default;

    // --- mixer devices ---------------------------------------------------
    virtual int DeviceCount() = 0;
    // The device's name: a card's product name, at most 31 bytes (cut at a
    // character boundary), as the recording code's device records hold it;
    // a sound server's source by its description, whole.
    virtual MixerResult DeviceName(int device, std::string& name) = 0;
    // The source lines feeding the destination of that component type:
    // MIXERLINE_COMPONENTTYPE_DST_WAVEIN for the capture side,
    // MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT for the playback side.
    virtual MixerResult SourceLines(int device, uint32_t destinationType, std::vector<MixerSourceLine>& lines) = 0;
    // Sets every one of the first 'channels' channels of the volume control
    // to value (0..65535 of the control's own range).
    virtual MixerResult SetVolume(int device, int controlId, int channels, uint32_t value) = 0;

    // --- capture devices and their input lines -------------------------
    // Friendly names, in the system's order; names need not be unique.
    virtual std::vector<std::string> CaptureDevices() = 0;
    // The input lines of the capture device at that index, in order.
    virtual std::vector<std::string> InputLines(int captureDevice) = 0;
    // Whether the line at that index is switched on; false for a line that
    // is not there.
    virtual bool IsInputLineOn(int captureDevice, int line) = 0;
    // Switches the line on or off; false when it is not there or refuses.
    virtual bool SetInputLineOn(int captureDevice, int line, bool on) = 0;

    // --- the level the user sees, and which device records ----------------
    // The volume control's level now, 0..65535 of its range (the loudest
    // channel's).
    virtual MixerResult GetVolume(int device, int controlId, uint32_t& value) = 0;
    // Whether the control's line is muted (not recorded at all).
    virtual MixerResult GetMute(int device, int controlId, bool& muted) = 0;
    virtual MixerResult SetMute(int device, int controlId, bool muted) = 0;
    // The device the system records from when none is chosen; -1 for none.
    virtual int DefaultDevice() = 0;
    // The device that records what the program plays: the monitor of the
    // output its sound goes to, or a loopback card; -1 for none.
    virtual int MonitorDevice() = 0;
    // Whether the device records what is played rather than a sound input.
    virtual bool IsMonitorDevice(int device) { return device >= 0 && device == MonitorDevice(); }
    // While the watch lives, calls `changed` whenever a level, a mute or
    // the devices may have been changed from outside the program (on a
    // thread of the backend's own: it must be quick). Null where the
    // backend cannot tell; a new read then shows such changes.
    virtual std::unique_ptr<MixerWatch> WatchChanges(std::function<void()>) { return nullptr; }
};

// The backend every call of the recording code goes through: the one
// installed, else the sound server's where one answers (and SDL_AUDIODRIVER
// forces no other driver), else ALSA's; asked again at every call.
MixerBackend& CurrentMixer();
// Replaces the backend (null restores the choice above); returns the
// previous one.
std::shared_ptr<MixerBackend> InstallMixerBackend(std::shared_ptr<MixerBackend> backend);
// The ALSA backend.
std::shared_ptr<MixerBackend> AlsaMixerBackend();
// The sound server's backend: the desktop's server, or the one given.
std::shared_ptr<MixerBackend> ServerMixerBackend(std::shared_ptr<soundserver::Server> server = nullptr);

// ALSA prints its own complaints (a card that is not there, a device that
// does not open) on standard error. Sends them to 'sink' instead, for the
// program's log; null drops them. Affects every user of ALSA in the
// process, SDL's included.
void RouteAlsaErrors(void (*sink)(const std::string& line));

// value 0..65535 placed in a control's range [minimum, maximum], rounded
// to the nearest step.
long ScaleMixerValue(uint32_t value, long minimum, long maximum);
// The product name as the device records keep it: at most 31 bytes, never
// ending inside a UTF-8 character.
std::string CutProductName(const std::string& name);

}  // namespace platform
