// The microphone controls against a real sound server (a private PulseAudio
// whose pipe source is the default microphone): the slider and the mute
// button set the source's volume and mute as the desktop shows them, the
// slider shows a level set from outside as the server tells of it, the
// voice a recorder captures follows them, and the preferences show the
// device that records.

#include <cmath>

#include "kvostudio/mixer.h"
#include "kvostudio/preferencesdlg.h"
#include "kvostudio/settings.h"
#include "kvostudio/waveinrecorder.h"
#include "kvostudio/windowcommands.h"
#include "platform/capture/capture_device.h"
#include "tests/appsupport/scoped_env.h"
#include "tests/mainwindow/mainwindow_fixture.h"
#include "tests/support/pcm_maker.h"
#include "tests/support/sound_server.h"
#include "tests/support/wait_until.h"

using namespace platform;
using namespace mainwindowtest;

namespace {

using D = CKvoStudioDlg;
constexpr double kVoiceHz = 1500;

class MicrophoneUnderServer : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (!server.Start({{"mic", "Pipe Microphone"}}))
            GTEST_SKIP() << server.Why();
        server.UseInThisProcess();
        env.Clear("SDL_AUDIODRIVER");
        // The real backends: the sound server's, found as the program finds it.
        InstallMixerBackend(nullptr);
        InstallCaptureBackend(nullptr);
        server.Feed("mic", testsupport::MakeTone(44100, 2, 1.0, kVoiceHz, 0.25).samples);
    }

    std::string Pactl(const std::vector<std::string>& args) { return server.Pactl(args).value_or("(pactl failed)"); }

    // The voice as a recorder captures it from the chosen input, stopped once
    // its first whole second is in the file: the tone's amplitude in the
    // left channel.
    double CapturedVoice()
    {
        const std::string path = dir.File("voice.wav");
        WaveInRecorder recorder;
        recorder.SetPath(path.c_str());
        if (!recorder.Start()) {
            ADD_FAILURE() << recorder.StartFailure();
            return -1;
        }
        const bool second = testsupport::WaitUntil(
            [&] { return testsupport::ReadFile(path).size() >= 46 + WaveInRecorder::kBufferBytes; }, 20000, 20);
        recorder.Stop();
        if (!second) {
            ADD_FAILURE() << "no second of sound reached the file";
            return -1;
        }
        const std::vector<uint8_t> bytes = testsupport::ReadFile(path);
        std::vector<int16_t> samples((bytes.size() - 46) / 2);
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = int16_t(bytes[46 + 2 * i] | bytes[47 + 2 * i] << 8);
        // Past the first fifth: the source's start-up.
        const size_t frames = samples.size() / 2;
        return testsupport::ToneAmplitude(samples, 2, 0, frames / 5, frames * 3 / 5, kVoiceHz, 44100);
    }

    testsupport::PrivateSoundServer server;
    ScopedEnv env;
};

}  // namespace

TEST_F(MicrophoneUnderServer, TheSliderAndMuteAreTheSourcesVolumeAndMute)
{
    ASSERT_TRUE(Open());
    Add(Kvo("a.kvo"), 1);
    ASSERT_EQ(win->PlayCurrent(), 1);
    CImageSliderCtrl& slider = win->GetLevelSlider(D::kMicrophone);
    EXPECT_EQ(slider.GetPos(), 100) << "the desktop's level, not a level of our own";
    const double full = CapturedVoice();
    ASSERT_GT(full, 0.1);

    // Half way: the desktop shows 50 %, the server's 32768 of 65536.
    slider.SetPos(50);
    slider.SendNotifyToParent(NM_RELEASEDCAPTURE);
    const std::string volume = Pactl({"get-source-volume", "mic"});
    EXPECT_NE(volume.find("32768 /  50%"), std::string::npos) << volume;
    // The server's volume curve is cubic: half way is 20 log10(0.5^3) dB.
    const double expectedDb = 60 * std::log10(0.5);
    EXPECT_NEAR(20 * std::log10(CapturedVoice() / full), expectedDb, 1.0);

    // Muted: nothing of the voice reaches a take; the level is kept.
    Click(win->GetButton(D::kSlotMuteMic));
    EXPECT_NE(Pactl({"get-source-mute", "mic"}).find("yes"), std::string::npos);
    EXPECT_LT(CapturedVoice(), full / 1000);
    Click(win->GetButton(D::kSlotMuteMic));
    EXPECT_NE(Pactl({"get-source-mute", "mic"}).find("no"), std::string::npos);
    EXPECT_NE(Pactl({"get-source-volume", "mic"}).find(" 50%"), std::string::npos);

    // Set in the desktop's settings: shown when the window is next shown.
    Pactl({"set-source-volume", "mic", "30%"});
    win->ShowWindow(SW_HIDE);
    win->ShowWindow(SW_SHOW);
    EXPECT_EQ(slider.GetPos(), 30);
}

TEST_F(MicrophoneUnderServer, ThePreferencesListTheServersSourcesAndTheirPorts)
{
    ASSERT_TRUE(Open());
    CPreferencesDlg preferences(win.get());
    ASSERT_TRUE(preferences.Create(CPreferencesDlg::IDD));
    ComboBox& devices = preferences.InputDeviceCombo();
    std::vector<std::string> names;
    for (int i = 0; i < devices.GetCount(); ++i)
        names.push_back(devices.GetLBText(i));
    EXPECT_EQ(devices.GetSelectedText(), "Pipe Microphone") << "nothing stored: the server's default source";
    EXPECT_EQ(preferences.RecordControlCombo().GetCount(), 0);
    preferences.DestroyWindow();
    EXPECT_NE(std::find(names.begin(), names.end(), "Pipe Microphone"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), testsupport::PrivateSoundServer::kSpeakersMonitorDescription),
              names.end());
    // A pipe has no ports (pactl lists none): its record controls are none.
    EXPECT_EQ(Pactl({"list", "sources"}).find("Ports:"), std::string::npos);
    for (const stAudioDeviceInfo& device : g_AudioDeviceList)
        EXPECT_TRUE(device.inputLines.empty()) << device.name;
    EXPECT_EQ(ChosenCaptureDevice(), "") << "nothing stored: the server's default source";
    EXPECT_EQ(g_AudioDeviceList[size_t(ChosenMixerDevice())].name, "Pipe Microphone");
}

TEST_F(MicrophoneUnderServer, AStoredDeviceThatIsGoneShowsTheDefaultSourceAndOkRecordsTheMicrophone)
{
    // The server lists the monitor of its speakers before the microphone.
    ASSERT_TRUE(WriteConfigString(config::kGeneral, config::kInputDevice, "USB Headset"));
    ASSERT_TRUE(Open());
    ASSERT_EQ(g_AudioDeviceList.front().name, testsupport::PrivateSoundServer::kSpeakersMonitorDescription);
    std::string shown;
    win->answers.push_back(RunsWith([&](Dialog& dlg) {
        shown = static_cast<CPreferencesDlg&>(dlg).InputDeviceCombo().GetSelectedText();
        Window* ok = dlg.GetDlgItem(IDOK);
        ASSERT_NE(ok, nullptr);
        Click(*ok);
    }));
    win->OnPlayerCommand(menuid::kPreferences, 0);
    EXPECT_EQ(shown, "Pipe Microphone");
    EXPECT_EQ(ChosenCaptureDevice(), "Pipe Microphone");
    EXPECT_GT(CapturedVoice(), 0.1) << "the take is not of the microphone";
}

TEST_F(MicrophoneUnderServer, StereoMixingChoosesTheMonitorOfTheOutputTheProgramPlaysTo)
{
    ASSERT_TRUE(server.Pactl({"load-module", "module-null-sink", "sink_name=headphones",
                              "sink_properties=device.description=Headphones"}));
    env.Set("PULSE_SINK", "headphones");
    ASSERT_TRUE(Open());
    CPreferencesDlg preferences(win.get());
    ASSERT_TRUE(preferences.Create(CPreferencesDlg::IDD));
    EXPECT_EQ(preferences.InputDeviceCombo().GetSelectedText(), "Pipe Microphone");
    preferences.MixingCombo().SetCurSel(1);
    preferences.OnMixingChanged();
    EXPECT_EQ(preferences.InputDeviceCombo().GetSelectedText(), "Monitor of Headphones");
    preferences.DestroyWindow();
}

TEST_F(MicrophoneUnderServer, TheControlsFollowTheServersChangeEvents)
{
    ASSERT_TRUE(Open());
    Add(Kvo("a.kvo"), 1);
    ASSERT_EQ(win->PlayCurrent(), 1);
    CImageSliderCtrl& slider = win->GetLevelSlider(D::kMicrophone);
    ASSERT_EQ(slider.GetPos(), 100);
    // Nothing is done by the window: the server's own event brings it.
    Pactl({"set-source-volume", "mic", "40%"});
    EXPECT_TRUE(WaitFor([&] { return slider.GetPos() == 40; }, 2000)) << slider.GetPos();
    Pactl({"set-source-mute", "mic", "1"});
    EXPECT_TRUE(WaitFor([&] { return win->GetLevelState(D::kMicrophone).on == 0; }, 2000));
    EXPECT_EQ(slider.GetPos(), 0);
    // Nor did the window write anything back.
    EXPECT_NE(Pactl({"get-source-volume", "mic"}).find(" 40%"), std::string::npos);
    EXPECT_NE(Pactl({"get-source-mute", "mic"}).find("yes"), std::string::npos);
}
