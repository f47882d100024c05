// The mixer over ALSA's simple mixer. A mixer device is a sound card
// ("hw:N", in the order ALSA lists the cards). Its capture side's source
// lines are the elements with a capture volume, its playback side's those
// with a playback volume; a line's kind comes from its element's name.
//
// A capture device is a card too, named by the card's full name. Its input
// lines are the items of the card's capture source selector when it has one
// (switching an item on selects it, and the others go off by themselves);
// otherwise the elements with a capture switch, less the card's master
// "Capture" switch, which gates every input and is no input of its own.
#include <alsa/asoundlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/mixer/mixer_backend.h"

namespace platform {

namespace {

// Card numbers in ALSA's order.
std::vector<int> Cards()
{
    std::vector<int> cards;
    int card = -1;
    while (snd_card_next(&card) == 0 && card >= 0)
        cards.push_back(card);
    return cards;
}

std::string CardName(int card)
{
    char* name = nullptr;
    if (snd_card_get_name(card, &name) != 0 || !name)
        return {};
    std::string text = name;
    std::free(name);
    return text;
}

// One card's simple mixer, open for the life of the object.
class OpenMixer {
public:
    explicit OpenMixer(int card)
    {
        const std::string device = "hw:" + std::to_string(card);
        if (snd_mixer_open(&mixer_, 0) != 0) {
            mixer_ = nullptr;
            return;
        }
        if (snd_mixer_attach(mixer_, device.c_str()) != 0 || snd_mixer_selem_register(mixer_, nullptr, nullptr) != 0 ||
            snd_mixer_load(mixer_) != 0) {
            snd_mixer_close(mixer_);
            mixer_ = nullptr;
        }
    }
    ~OpenMixer()
    {
        if (mixer_)
            snd_mixer_close(mixer_);
    }
    OpenMixer(const OpenMixer&) = delete;
    OpenMixer& operator=(const OpenMixer&) = delete;

    bool IsOpen() const { return mixer_ != nullptr; }

    // The active elements in the mixer's order.
    std::vector<snd_mixer_elem_t*> Elements() const
    {
        std::vector<snd_mixer_elem_t*> elements;
        if (!mixer_)
            return elements;
        for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer_); e; e = snd_mixer_elem_next(e))
            if (snd_mixer_selem_is_active(e))
                elements.push_back(e);
        return elements;
    }

private:
    snd_mixer_t* mixer_ = nullptr;
};

bool Contains(const char* text, const char* part)
{
    return std::strstr(text, part) != nullptr;
}

uint32_t KindOfName(const char* name)
{
    if (Contains(name, "Mic"))
        return MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
    if (Contains(name, "Line"))
        return MIXERLINE_COMPONENTTYPE_SRC_LINE;
    if (Contains(name, "CD"))
        return MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC;
    if (Contains(name, "Aux"))
        return MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY;
    if (Contains(name, "Synth") || Contains(name, "MIDI"))
        return MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER;
    if (Contains(name, "IEC958") || Contains(name, "SPDIF") || Contains(name, "Digital"))
        return MIXERLINE_COMPONENTTYPE_SRC_DIGITAL;
    if (Contains(name, "PCM") || Contains(name, "Wave") || Contains(name, "Mix"))
        return MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
    return MIXERLINE_COMPONENTTYPE_SRC_UNDEFINED;
}

constexpr snd_mixer_selem_channel_id_t kChannels[] = {
    SND_MIXER_SCHN_FRONT_LEFT, SND_MIXER_SCHN_FRONT_RIGHT, SND_MIXER_SCHN_REAR_LEFT,
    SND_MIXER_SCHN_REAR_RIGHT, SND_MIXER_SCHN_FRONT_CENTER, SND_MIXER_SCHN_WOOFER,
    SND_MIXER_SCHN_SIDE_LEFT, SND_MIXER_SCHN_SIDE_RIGHT, SND_MIXER_SCHN_REAR_CENTER,
};

std::vector<snd_mixer_selem_channel_id_t> ChannelsOf(snd_mixer_elem_t* e, bool capture)
{
    std::vector<snd_mixer_selem_channel_id_t> channels;
    if (capture ? snd_mixer_selem_is_capture_mono(e) : snd_mixer_selem_is_playback_mono(e)) {
        channels.push_back(SND_MIXER_SCHN_MONO);
        return channels;
    }
    for (snd_mixer_selem_channel_id_t ch : kChannels)
        if (capture ? snd_mixer_selem_has_capture_channel(e, ch) : snd_mixer_selem_has_playback_channel(e, ch))
            channels.push_back(ch);
    return channels;
}

// Control ids: the element's place among the card's elements, times two,
// plus one for the playback side.
int ControlId(size_t position, bool capture)
{
    return static_cast<int>(position * 2 + (capture ? 0 : 1));
}

class AlsaMixer : public MixerBackend {
public:
    int DeviceCount() override { return static_cast<int>(Cards().size()); }

    MixerResult DeviceName(int device, std::string& name) override
    {
        const std::vector<int> cards = Cards();
        if (device < 0 || device >= static_cast<int>(cards.size()))
            return MixerResult::BadDevice;
        name = CutProductName(CardName(cards[device]));
        return MixerResult::Ok;
    }

    MixerResult SourceLines(int device, uint32_t destinationType, std::vector<MixerSourceLine>& lines) override
    {
        const std::vector<int> cards = Cards();
        if (device < 0 || device >= static_cast<int>(cards.size()))
            return MixerResult::BadDevice;
        bool capture;
        if (destinationType == MIXERLINE_COMPONENTTYPE_DST_WAVEIN)
            capture = true;
        else if (destinationType == MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT)
            capture = false;
        else
            return MixerResult::NoSuchLine;
        OpenMixer mixer(cards[device]);
        if (!mixer.IsOpen())
            return MixerResult::OpenFailed;
        const std::vector<snd_mixer_elem_t*> elements = mixer.Elements();
        std::vector<MixerSourceLine> found;
        bool namedMicrophone = false;
        for (size_t i = 0; i < elements.size(); ++i) {
            snd_mixer_elem_t* e = elements[i];
            if (capture ? !snd_mixer_selem_has_capture_volume(e) : !snd_mixer_selem_has_playback_volume(e))
                continue;
            MixerSourceLine line;
            line.name = snd_mixer_selem_get_name(e);
            line.componentType = KindOfName(line.name.c_str());
            line.channels = static_cast<int>(ChannelsOf(e, capture).size());
            line.volumeControlId = ControlId(i, capture);
            namedMicrophone = namedMicrophone || line.componentType == MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
            found.push_back(line);
        }
        if (found.empty())
            return MixerResult::NoSuchLine;
        // The sound servers' mixer shows the default source as a bare
        // "Capture" volume: that is the microphone when nothing else is.
        if (capture && !namedMicrophone)
            for (MixerSourceLine& line : found)
                if (line.name == "Capture") {
                    line.componentType = MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
                    break;
                }
        lines = std::move(found);
        return MixerResult::Ok;
    }

    MixerResult SetVolume(int device, int controlId, int channels, uint32_t value) override
    {
        if (channels < 1 || value > 65535) {
            const std::vector<int> cards = Cards();
            return device < 0 || device >= static_cast<int>(cards.size()) ? MixerResult::BadDevice
                                                                          : MixerResult::BadValue;
        }
        return WithElement(device, controlId, [&](snd_mixer_elem_t* e, bool capture) {
            long minimum = 0, maximum = 0;
            if (capture)
                snd_mixer_selem_get_capture_volume_range(e, &minimum, &maximum);
            else
                snd_mixer_selem_get_playback_volume_range(e, &minimum, &maximum);
            const long level = ScaleMixerValue(value, minimum, maximum);
            int done = 0;
            for (snd_mixer_selem_channel_id_t ch : ChannelsOf(e, capture)) {
                if (done++ == channels)
                    break;
                if (capture)
                    snd_mixer_selem_set_capture_volume(e, ch, level);
                else
                    snd_mixer_selem_set_playback_volume(e, ch, level);
            }
            return MixerResult::Ok;
        });
    }

    std::vector<std::string> CaptureDevices() override
    {
        std::vector<std::string> names;
        for (int card : Cards())
            names.push_back(CardName(card));
        return names;
    }

    std::vector<std::string> InputLines(int captureDevice) override
    {
        std::vector<std::string> names;
        Walk(captureDevice, [&](const Line& line) {
            names.push_back(line.name);
            return true;
        });
        return names;
    }

    bool IsInputLineOn(int captureDevice, int index) override
    {
        bool on = false;
        WalkTo(captureDevice, index, [&](const Line& line) {
            if (line.item >= 0) {
                unsigned int selected = 0;
                on = snd_mixer_selem_get_enum_item(line.element, SND_MIXER_SCHN_FRONT_LEFT, &selected) == 0 &&
                     static_cast<int>(selected) == line.item;
            } else {
                for (snd_mixer_selem_channel_id_t ch : ChannelsOf(line.element, true)) {
                    int value = 0;
                    if (snd_mixer_selem_get_capture_switch(line.element, ch, &value) == 0 && value)
                        on = true;
                }
            }
        });
        return on;
    }

    bool SetInputLineOn(int captureDevice, int index, bool on) override
    {
        bool done = false;
        WalkTo(captureDevice, index, [&](const Line& line) {
            if (line.item >= 0) {
                // A selector's item goes off only by choosing another.
                done = !on || snd_mixer_selem_set_enum_item(line.element, SND_MIXER_SCHN_FRONT_LEFT,
                                                             static_cast<unsigned int>(line.item)) == 0;
            } else {
                done = snd_mixer_selem_set_capture_switch_all(line.element, on ? 1 : 0) == 0;
            }
        });
        return done;
    }

    MixerResult GetVolume(int device, int controlId, uint32_t& value) override
    {
        return WithElement(device, controlId, [&](snd_mixer_elem_t* e, bool capture) {
            long minimum = 0, maximum = 0, level = 0, loudest = 0;
            if (capture)
                snd_mixer_selem_get_capture_volume_range(e, &minimum, &maximum);
            else
                snd_mixer_selem_get_playback_volume_range(e, &minimum, &maximum);
            loudest = minimum;
            for (snd_mixer_selem_channel_id_t ch : ChannelsOf(e, capture)) {
                const int got = capture ? snd_mixer_selem_get_capture_volume(e, ch, &level)
                                        : snd_mixer_selem_get_playback_volume(e, ch, &level);
                if (got == 0 && level > loudest)
                    loudest = level;
            }
            value = maximum > minimum
                        ? static_cast<uint32_t>(((loudest - minimum) * 65535LL + (maximum - minimum) / 2) /
                                                (maximum - minimum))
                        : 0;
            return MixerResult::Ok;
        });
    }

    MixerResult GetMute(int device, int controlId, bool& muted) override
    {
        return WithElement(device, controlId, [&](snd_mixer_elem_t* e, bool capture) {
            // A line without a switch is never muted.
            muted = false;
            const bool hasSwitch =
                capture ? snd_mixer_selem_has_capture_switch(e) : snd_mixer_selem_has_playback_switch(e);
            if (!hasSwitch)
                return MixerResult::Ok;
            muted = true;
            for (snd_mixer_selem_channel_id_t ch : ChannelsOf(e, capture)) {
                int on = 0;
                const int got = capture ? snd_mixer_selem_get_capture_switch(e, ch, &on)
                                        : snd_mixer_selem_get_playback_switch(e, ch, &on);
                if (got == 0 && on)
                    muted = false;
            }
            return MixerResult::Ok;
        });
    }

    MixerResult SetMute(int device, int controlId, bool muted) override
    {
        return WithElement(device, controlId, [&](snd_mixer_elem_t* e, bool capture) {
            const int set = capture ? (snd_mixer_selem_has_capture_switch(e)
                                           ? snd_mixer_selem_set_capture_switch_all(e, muted ? 0 : 1)
                                           : -1)
                                    : (snd_mixer_selem_has_playback_switch(e)
                                           ? snd_mixer_selem_set_playback_switch_all(e, muted ? 0 : 1)
                                           : -1);
            return set == 0 ? MixerResult::Ok : MixerResult::NoControl;
        });
    }

    int DefaultDevice() override { return Cards().empty() ? -1 : 0; }

    int MonitorDevice() override
    {
        // The kernel's loopback card records what is played into it.
        const std::vector<int> cards = Cards();
        for (size_t i = 0; i < cards.size(); ++i) {
            char* id = nullptr;
            if (snd_card_get_name(cards[i], &id) != 0 || !id)
                continue;
            const bool loopback = std::strstr(id, "Loopback") != nullptr;
            std::free(id);
            if (loopback)
                return static_cast<int>(i);
        }
        return -1;
    }

private:
    // Runs act(element, capture side) on the control's element with the
    // card's mixer open.
    template <typename Act>
    MixerResult WithElement(int device, int controlId, Act&& act)
    {
        const std::vector<int> cards = Cards();
        if (device < 0 || device >= static_cast<int>(cards.size()))
            return MixerResult::BadDevice;
        if (controlId < 0)
            return MixerResult::NoControl;
        OpenMixer mixer(cards[device]);
        if (!mixer.IsOpen())
            return MixerResult::OpenFailed;
        const std::vector<snd_mixer_elem_t*> elements = mixer.Elements();
        const size_t position = static_cast<size_t>(controlId / 2);
        const bool capture = controlId % 2 == 0;
        if (position >= elements.size())
            return MixerResult::NoControl;
        snd_mixer_elem_t* e = elements[position];
        if (capture ? !snd_mixer_selem_has_capture_volume(e) : !snd_mixer_selem_has_playback_volume(e))
            return MixerResult::NoControl;
        return act(e, capture);
    }

    struct Line {
        std::string name;
        snd_mixer_elem_t* element = nullptr;
        int item = -1;  // the selector's item, -1 for a switch element
    };

    // Calls visit(line) for each input line of the device while it answers
    // true; the mixer stays open meanwhile.
    template <typename Visit>
    void Walk(int captureDevice, Visit&& visit)
    {
        const std::vector<int> cards = Cards();
        if (captureDevice < 0 || captureDevice >= static_cast<int>(cards.size()))
            return;
        OpenMixer mixer(cards[captureDevice]);
        if (!mixer.IsOpen())
            return;
        const std::vector<snd_mixer_elem_t*> elements = mixer.Elements();
        for (snd_mixer_elem_t* e : elements) {
            if (!snd_mixer_selem_is_enumerated(e) || !snd_mixer_selem_is_enum_capture(e))
                continue;
            const int items = snd_mixer_selem_get_enum_items(e);
            for (int i = 0; i < items; ++i) {
                char name[64] = {};
                if (snd_mixer_selem_get_enum_item_name(e, static_cast<unsigned int>(i), sizeof name - 1, name) != 0)
                    continue;
                if (!visit(Line{name, e, i}))
                    return;
            }
            return;  // one selector is the card's input choice
        }
        for (snd_mixer_elem_t* e : elements) {
            if (!snd_mixer_selem_has_capture_switch(e) || std::strcmp(snd_mixer_selem_get_name(e), "Capture") == 0)
                continue;
            if (!visit(Line{snd_mixer_selem_get_name(e), e, -1}))
                return;
        }
    }

    template <typename Act>
    void WalkTo(int captureDevice, int index, Act&& act)
    {
        int at = 0;
        Walk(captureDevice, [&](const Line& line) {
            if (at++ != index)
                return true;
            act(line);
            return false;
        });
    }
};

}  // namespace

std::shared_ptr<MixerBackend> AlsaMixerBackend()
{
    return std::make_shared<AlsaMixer>();
}

}  // namespace platform
