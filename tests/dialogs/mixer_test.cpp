// The microphone level through the mixer, and the capture devices' input
// lines as the preferences list and switch them, on the in-memory mixer.

#include <memory>

#include <gtest/gtest.h>

#include "kvostudio/mixer.h"
#include "kvostudio/recordingimpl.h"
#include "kvostudio/settings.h"
#include "platform/mixer/memory_mixer.h"
#include "platform/soundserver/sound_server.h"
#include "tests/appsupport/scoped_env.h"

namespace {

using platform::MemoryMixer;

class MixerTest : public testing::Test {
protected:
    void SetUp() override
    {
        mixer = std::make_shared<MemoryMixer>();
        MemoryMixer::Device card;
        card.productName = "Sound Card";
        card.capture = {{"Line", platform::MIXERLINE_COMPONENTTYPE_SRC_LINE, true, {0, 0}},
                        {"Mic", platform::MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, true, {0, 0}}};
        card.playback = {{"PCM", platform::MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, true, {7, 7}}};
        mixer->devices.push_back(card);
        previous = platform::InstallMixerBackend(mixer);
    }
    void TearDown() override { platform::InstallMixerBackend(previous); }

    std::shared_ptr<MemoryMixer> mixer;
    std::shared_ptr<platform::MixerBackend> previous;
    TestDataFolder data;
};

TEST_F(MixerTest, SliderPositionsSetEveryChannelOfTheMicrophone)
{
    CMixer mic(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 0);
    ASSERT_TRUE(mic.IsReady());
    EXPECT_EQ(mic.GetChannels(), 2);
    for (const auto& [percent, value] : {std::pair{100, 65535u}, {50, 32767u}, {0, 0u}}) {
        mic.SetValue(MixerValueOfPercent(percent));
        EXPECT_EQ(mixer->devices[0].capture[1].values, (std::vector<uint32_t>{value, value})) << percent;
    }
    // The other capture line and the playback side are left alone.
    EXPECT_EQ(mixer->devices[0].capture[0].values, (std::vector<uint32_t>{0, 0}));
    EXPECT_EQ(mixer->devices[0].playback[0].values, (std::vector<uint32_t>{7, 7}));
    // The playback side is searched with which = 1.
    CMixer wave(MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, 1);
    wave.SetValue(1234);
    EXPECT_EQ(mixer->devices[0].playback[0].values, (std::vector<uint32_t>{1234, 1234}));
}

TEST_F(MixerTest, TheDeviceTheRecordingUsesIsTheChosenOneNotTheFirst)
{
    MemoryMixer::Device usb;
    usb.productName = "USB Headset";
    usb.capture = {{"Mic", platform::MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, true, {0}}};
    mixer->devices.push_back(usb);

    // Stored by the preferences, letter case aside.
    WriteConfigString(config::kGeneral, config::kInputDevice, "usb headset");
    CMixer(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 0).SetValue(MixerValueOfPercent(40));
    EXPECT_EQ(mixer->devices[1].capture[0].values[0], MixerValueOfPercent(40));
    EXPECT_EQ(mixer->devices[0].capture[1].values[0], 0u);
    EXPECT_EQ(ChosenCaptureDevice(), "USB Headset");

    // A device that is gone: the one the preferences show then records,
    // the default input (never a monitor, which would record the
    // speakers), and its slider is that one's.
    WriteConfigString(config::kGeneral, config::kInputDevice, "Gone");
    mixer->defaultDevice = 1;
    mixer->monitorDevice = 0;
    EXPECT_EQ(ChosenCaptureDevice(), "");
    EXPECT_EQ(CMixer(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 0).GetDevice(), 1);
    EXPECT_FALSE(ChosenCaptureFollowsPlayback());
    mixer->defaultDevice = -2;
    mixer->monitorDevice = -1;

    // Nothing stored: the system's default input, or what records the
    // program's sound for stereo mixing.
    WriteConfigString(config::kGeneral, config::kInputDevice, "");
    mixer->defaultDevice = 1;
    mixer->monitorDevice = 0;
    EXPECT_EQ(CMixer(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 0).GetDevice(), 1);
    EXPECT_EQ(ChosenCaptureDevice(), "");
    WriteConfigInt(config::kGeneral, config::kMixing, 1);
    EXPECT_EQ(ChosenMixerDevice(), 0);
    EXPECT_EQ(ChosenCaptureDevice(), "Sound Card");
}

TEST_F(MixerTest, AGoneDeviceIsToldOnceWithTheOneThatRecordsInItsPlace)
{
    MemoryMixer::Device usb;
    usb.productName = "USB Headset";
    mixer->devices.push_back(usb);
    WriteConfigString(config::kGeneral, config::kInputDevice, "USB Headset");
    EXPECT_EQ(StandInInputNotice(), "") << "there: nothing to tell";

    mixer->devices.pop_back();
    const std::string notice = StandInInputNotice();
    EXPECT_NE(notice.find("\"USB Headset\""), std::string::npos) << notice;
    EXPECT_NE(notice.find("\"Sound Card\""), std::string::npos) << "which one records: " << notice;
    EXPECT_EQ(StandInInputNotice(), "") << "told once";

    // Back, then gone again: told again. Another gone device: told too.
    mixer->devices.push_back(usb);
    EXPECT_EQ(StandInInputNotice(), "");
    mixer->devices.pop_back();
    EXPECT_NE(StandInInputNotice(), "");
    WriteConfigString(config::kGeneral, config::kInputDevice, "Other Headset");
    EXPECT_NE(StandInInputNotice().find("\"Other Headset\""), std::string::npos);

    // With stereo mixing, what records in its place is the monitor.
    mixer->devices.push_back(MemoryMixer::Device{});
    mixer->devices.back().productName = "Monitor of Speakers";
    mixer->monitorDevice = 1;
    WriteConfigInt(config::kGeneral, config::kMixing, 1);
    WriteConfigString(config::kGeneral, config::kInputDevice, "Third Headset");
    EXPECT_NE(StandInInputNotice().find("\"Monitor of Speakers\""), std::string::npos);
    EXPECT_TRUE(ChosenCaptureFollowsPlayback());
    EXPECT_EQ(ChosenCaptureDevice(), "Monitor of Speakers");
    WriteConfigString(config::kGeneral, config::kInputDevice, "");
    EXPECT_EQ(StandInInputNotice(), "") << "nothing stored: nothing gone";
}

TEST_F(MixerTest, LevelAndMuteReadBackAsTheDesktopShowsThem)
{
    CMixer mic(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 0);
    mixer->devices[0].capture[1].values = {MixerValueOfPercent(20), MixerValueOfPercent(60)};
    uint32_t value = 0;
    ASSERT_TRUE(mic.GetValue(value));
    EXPECT_EQ(PercentOfMixerValue(value), 60) << "the louder channel";
    for (int percent = 0; percent <= 100; ++percent)
        EXPECT_EQ(PercentOfMixerValue(MixerValueOfPercent(percent)), percent);
    ASSERT_TRUE(mic.SetMute(true));
    bool muted = false;
    EXPECT_TRUE(mic.GetMute(muted));
    EXPECT_TRUE(muted);
    EXPECT_EQ(mixer->devices[0].capture[1].values[1], MixerValueOfPercent(60)) << "muting keeps the level";
}

TEST_F(MixerTest, MissingDeviceLineOrControlChangesNothing)
{
    mixer->devices[0].capture[1].hasVolume = false;
    CMixer noControl(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 0);
    EXPECT_TRUE(noControl.IsReady());
    EXPECT_EQ(noControl.GetControlId(), -1);
    noControl.SetValue(65535);
    EXPECT_EQ(mixer->devices[0].capture[0].values, (std::vector<uint32_t>{0, 0}));

    CMixer noLine(platform::MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, 0);
    EXPECT_EQ(noLine.GetControlId(), -1);
    noLine.SetValue(65535);

    mixer->devices[0].opens = false;
    CMixer closed(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 0);
    EXPECT_FALSE(closed.IsReady());
    const int calls = mixer->setVolumeCalls;
    closed.SetValue(100);
    EXPECT_EQ(mixer->setVolumeCalls, calls);  // not ready: not even tried

    mixer->devices.clear();
    EXPECT_FALSE(CMixer(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 0).IsReady());
}

TEST_F(MixerTest, DeviceListPairsMixerNamesWithTheirCaptureDevicesLines)
{
    MemoryMixer::Device usb;
    usb.productName = "USB Headset With A Rather Long Product Name";  // cut to 31 bytes
    mixer->devices.push_back(usb);
    MemoryMixer::Device other;
    other.productName = "Unmatched";
    mixer->devices.push_back(other);
    mixer->captureDevices = {
        {"Sound Card", {{"Microphone", false}, {"Line In", true}}},
        {"USB Headset With A Rather Long Product Name", {{"Headset Mic", true}}},
        {"Sound Card", {{"Stereo Mix", false}}},  // a second device of the same name
    };
    const std::vector<stAudioDeviceInfo> list = BuildAudioDeviceList();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].name, "Sound Card");
    EXPECT_EQ(list[0].inputLines, (std::vector<std::string>{"Microphone", "Line In", "Stereo Mix"}));
    EXPECT_EQ(list[1].name, "USB Headset With A Rather Long ");
    EXPECT_EQ(list[1].name.size(), 31u);
    EXPECT_EQ(list[1].inputLines, (std::vector<std::string>{"Headset Mic"}));
    EXPECT_TRUE(list[2].inputLines.empty());

    std::vector<std::string> names;
    EXPECT_EQ(CRecordingImpl::ListMixerDevices(names), 0);
    EXPECT_EQ(names.size(), 3u);
    // The cut never splits a character.
    EXPECT_EQ(platform::CutProductName(std::string(30, 'a') + "\xC3\xA9"), std::string(30, 'a'));
}

TEST_F(MixerTest, EnablingALineSwitchesTheLinesBeforeItOffAndLeavesLaterOnes)
{
    mixer->captureDevices = {{"Sound Card",
                              {{"Mic", true}, {"Aux", true, false}, {"Line", false}, {"Stereo Mix", true}}}};
    EnableCaptureInputLine("Sound Card", "Line");
    const auto& lines = mixer->captureDevices[0].lines;
    EXPECT_FALSE(lines[0].on);
    EXPECT_TRUE(lines[1].on);  // no switch: untouched
    EXPECT_TRUE(lines[2].on);
    EXPECT_TRUE(lines[3].on);  // after the chosen one: untouched
    EXPECT_EQ(IsCaptureInputLineEnabled("Sound Card", "Line"), 1);
    EXPECT_EQ(IsCaptureInputLineEnabled("Sound Card", "Mic"), 0);
    EXPECT_EQ(IsCaptureInputLineEnabled("Sound Card", "Aux"), 0);  // without a switch it never counts
    EXPECT_EQ(IsCaptureInputLineEnabled("sound card", "Line"), 0);  // names are exact

    // A name no line has turns every switchable line of the device off.
    EnableCaptureInputLine("Sound Card", "Nothing");
    EXPECT_FALSE(lines[0].on || lines[2].on || lines[3].on);
}

TEST(MixerValues, ScaleIntoTheControlsRange)
{
    EXPECT_EQ(platform::ScaleMixerValue(0, -20, 10), -20);
    EXPECT_EQ(platform::ScaleMixerValue(65535, -20, 10), 10);
    EXPECT_EQ(platform::ScaleMixerValue(32768, 0, 31), 16);
    EXPECT_EQ(platform::ScaleMixerValue(70000, 0, 100), 100);
    EXPECT_EQ(platform::ScaleMixerValue(500, 5, 5), 5);
}

}  // namespace

namespace {

TEST(AlsaMixer, AsksForWhatIsThereAndRefusesWhatIsNot)
{
    // Whatever cards this machine has: every listed device has a name of at
    // most 31 bytes, and a device past the end or an unknown control is
    // refused, never touched.
    const std::shared_ptr<platform::MixerBackend> alsa = platform::AlsaMixerBackend();
    const int count = alsa->DeviceCount();
    ASSERT_GE(count, 0);
    for (int i = 0; i < count; ++i) {
        std::string name;
        EXPECT_EQ(alsa->DeviceName(i, name), platform::MixerResult::Ok);
        EXPECT_LE(name.size(), 31u);
    }
    std::string name;
    EXPECT_EQ(alsa->DeviceName(count, name), platform::MixerResult::BadDevice);
    std::vector<platform::MixerSourceLine> lines;
    EXPECT_EQ(alsa->SourceLines(count, platform::MIXERLINE_COMPONENTTYPE_DST_WAVEIN, lines),
              platform::MixerResult::BadDevice);
    EXPECT_EQ(alsa->SetVolume(count, 0, 2, 100), platform::MixerResult::BadDevice);
    EXPECT_EQ(alsa->CaptureDevices().size(), static_cast<size_t>(count));
    EXPECT_TRUE(alsa->InputLines(count).empty());
    EXPECT_FALSE(alsa->SetInputLineOn(count, 0, true));
    if (count > 0) {
        EXPECT_EQ(alsa->SetVolume(0, -1, 2, 100), platform::MixerResult::NoControl);
    }
}

}  // namespace

namespace {

namespace ss = platform::soundserver;

// A sound server as a desktop with a sound card has it: the monitor of the
// speakers listed first, then the card's input with its ports.
class FakeServer : public ss::Server {
public:
    FakeServer()
    {
        ss::Source monitor;
        monitor.name = "alsa_output.pci-0000_00_1f.3.analog-stereo.monitor";
        monitor.description = "Monitor of Built-in Audio Analog Stereo Speakers And Headphones";
        monitor.monitorOf = "alsa_output.pci-0000_00_1f.3.analog-stereo";
        monitor.channels = 2;
        monitor.volume = ss::kNormalVolume;
        ss::Source input;
        input.name = "alsa_input.pci-0000_00_1f.3.analog-stereo";
        input.description = "Built-in Audio Analog Stereo";
        input.channels = 2;
        input.volume = ss::kNormalVolume / 2;
        input.ports = {{"analog-input-mic", "Microphone"}, {"analog-input-linein", "Line In"}};
        input.activePort = "analog-input-mic";
        state.sources = {monitor, input};
        state.defaultSource = input.name;
        state.defaultSink = monitor.monitorOf;
    }
    bool ReadSnapshot(ss::Snapshot& out) override
    {
        out = state;
        return true;
    }
    bool SetSourceVolume(const std::string& source, uint32_t volume) override
    {
        return Change(source, [&](ss::Source& s) { s.volume = volume; });
    }
    bool SetSourceMute(const std::string& source, bool muted) override
    {
        return Change(source, [&](ss::Source& s) { s.muted = muted; });
    }
    bool SetSourcePort(const std::string& source, const std::string& port) override
    {
        ports.push_back(source + " " + port);
        return Change(source, [&](ss::Source& s) { s.activePort = port; });
    }

    ss::Snapshot state;
    std::vector<std::string> ports;

private:
    template <typename Act>
    bool Change(const std::string& name, Act&& act)
    {
        for (ss::Source& s : state.sources)
            if (s.name == name) {
                act(s);
                return true;
            }
        return false;
    }
};

class ServerMixerTest : public testing::Test {
protected:
    void SetUp() override { previous = platform::InstallMixerBackend(platform::ServerMixerBackend(server)); }
    void TearDown() override { platform::InstallMixerBackend(previous); }

    std::shared_ptr<FakeServer> server = std::make_shared<FakeServer>();
    std::shared_ptr<platform::MixerBackend> previous;
    TestDataFolder data;
};

}  // namespace

TEST_F(ServerMixerTest, SourcesAreTheDevicesByTheirWholeDescriptionWithTheirPortsAsLines)
{
    const std::vector<stAudioDeviceInfo> list = BuildAudioDeviceList();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].name, "Monitor of Built-in Audio Analog Stereo Speakers And Headphones") << "not cut";
    EXPECT_TRUE(list[0].inputLines.empty());
    EXPECT_EQ(list[1].name, "Built-in Audio Analog Stereo");
    EXPECT_EQ(list[1].inputLines, (std::vector<std::string>{"Microphone", "Line In"}));
    EXPECT_EQ(IsCaptureInputLineEnabled("Built-in Audio Analog Stereo", "Microphone"), 1);
    EXPECT_EQ(IsCaptureInputLineEnabled("Built-in Audio Analog Stereo", "Line In"), 0);

    // Switching a line on makes it the source's active port.
    EnableCaptureInputLine("Built-in Audio Analog Stereo", "Line In");
    EXPECT_EQ(server->ports, (std::vector<std::string>{"alsa_input.pci-0000_00_1f.3.analog-stereo analog-input-linein"}));
    EXPECT_EQ(IsCaptureInputLineEnabled("Built-in Audio Analog Stereo", "Line In"), 1);
}

TEST_F(ServerMixerTest, TheSliderIsTheChosenSourcesVolumeAndStereoMixingTheSpeakersMonitor)
{
    // Nothing chosen: the server's default source, not the first listed.
    CMixer mic(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 0);
    ASSERT_TRUE(mic.IsReady());
    EXPECT_EQ(mic.GetDevice(), 1);
    uint32_t value = 0;
    ASSERT_TRUE(mic.GetValue(value));
    EXPECT_EQ(PercentOfMixerValue(value), 50);
    for (const auto& [percent, volume] : {std::pair{50, 0x8000u}, {100, 0x10000u}, {0, 0u}, {1, 656u}}) {
        mic.SetValue(MixerValueOfPercent(percent));
        EXPECT_EQ(server->state.sources[1].volume, volume) << percent;
    }
    EXPECT_EQ(server->state.sources[0].volume, ss::kNormalVolume) << "the monitor is left alone";
    ASSERT_TRUE(mic.SetMute(true));
    EXPECT_TRUE(server->state.sources[1].muted);
    EXPECT_EQ(ChosenCaptureDevice(), "");

    WriteConfigInt(config::kGeneral, config::kMixing, 1);
    EXPECT_EQ(ChosenCaptureDevice(), "Monitor of Built-in Audio Analog Stereo Speakers And Headphones");
    // A chosen source wins over both.
    WriteConfigString(config::kGeneral, config::kInputDevice, "Built-in Audio Analog Stereo");
    EXPECT_EQ(ChosenCaptureDevice(), "Built-in Audio Analog Stereo");
}
