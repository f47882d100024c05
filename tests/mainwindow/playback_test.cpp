// Playing the playlist from the main window: play, pause and resume, stop,
// the end of a song by repeat code, seeking, the level channels with their
// mutes and the microphone mixer, repeat and shuffle, the spectrum bands and
// the time texts.
#include <cstdio>

#include <gtest/gtest.h>

#include "kvostudio/lcdwnd.h"
#include "kvostudio/mixer.h"
#include "kvostudio/playlistdlg.h"
#include "kvostudio/settings.h"
#include "kvostudio/windowcommands.h"
#include "platform/capture/sim_capture.h"
#include "tests/mainwindow/mainwindow_fixture.h"

using namespace platform;
using namespace mainwindowtest;

namespace {

using D = CKvoStudioDlg;

int ReadInt(const char* section, const char* key)
{
    int v = -1;
    ReadConfigInt(section, key, &v);
    return v;
}

}  // namespace

TEST_F(MainWindowTest, PlayPauseResumeAndStopTheCurrentSong)
{
    ASSERT_TRUE(Open());
    Add(Kvo("a.kvo", {"First Song", "First Singer", "la la"}), 1);
    Click(win->GetButton(D::kSlotPlay));
    ASSERT_TRUE(win->IsPlaying());
    EXPECT_EQ(win->GetButton(D::kSlotPlay).GetDlgCtrlID(), D::kIdPause);
    unsigned period = 0;
    EXPECT_TRUE(win->HasTimer(D::kPlaybackTimer, &period));
    EXPECT_EQ(period, D::kPlaybackPeriodMs);
    EXPECT_EQ(win->GetLcd()->GetText(1), "First Song");
    EXPECT_EQ(win->GetLcd()->GetText(2), "First Singer");
    EXPECT_EQ(win->GetWindowText(), win->GetPlayList()->GetCurrentDisplayText());
    EXPECT_TRUE(win->GetPositionBar().IsWindowEnabled());
    EXPECT_EQ(win->GetPositionBar().GetRangeMax(), static_cast<int>(win->GetLength()));
    // A container opens the vocal and microphone channels at their levels.
    EXPECT_EQ(win->GetLevelSlider(D::kVocal).GetPos(), 100);
    EXPECT_EQ(win->GetLevelSlider(D::kMicrophone).GetPos(), 77);
    EXPECT_EQ(win->GetLevelState(D::kVocal).available, 1);

    // The timer moves the position bar as the song plays.
    ASSERT_TRUE(WaitFor([&] {
        sound->Advance(50);
        return win->GetPositionBar().GetPos() >= 1;
    }));

    Click(win->GetButton(D::kSlotPlay));  // the pause look
    EXPECT_TRUE(win->PausedFlag());
    EXPECT_EQ(win->GetButton(D::kSlotPlay).GetDlgCtrlID(), D::kIdPlay);
    EXPECT_FALSE(win->HasTimer(D::kPlaybackTimer));
    const float pausedAt = win->GetPosition();
    EXPECT_GE(pausedAt, 1.0f);

    Click(win->GetButton(D::kSlotPlay));  // resumes where it stood
    ASSERT_TRUE(win->IsPlaying());
    EXPECT_NEAR(win->GetPosition(), pausedAt, 0.001f);

    Click(win->GetButton(D::kSlotStop));
    EXPECT_FALSE(win->IsPlaying());
    EXPECT_FALSE(win->HasTimer(D::kPlaybackTimer));
    EXPECT_EQ(win->GetLcd()->GetText(1), "");
    EXPECT_EQ(win->GetLcd()->GetText(3), "00:00");
    EXPECT_FALSE(win->GetPositionBar().IsWindowEnabled());
    EXPECT_EQ(win->GetButton(D::kSlotPlay).GetDlgCtrlID(), D::kIdPlay);

    // A song that cannot be played turns the pause look back to play.
    ASSERT_EQ(win->PlayCurrent(), 1);
    const std::string gone = Kvo("gone.kvo", {"Gone", "Away", ""});
    Add(gone, 1);
    ASSERT_EQ(win->GetPlayList()->GetCurrentPath(), gone);
    std::remove(gone.c_str());
    EXPECT_EQ(win->PlayCurrent(), 0);
    EXPECT_EQ(win->GetButton(D::kSlotPlay).GetDlgCtrlID(), D::kIdPlay);
}

TEST_F(MainWindowTest, AContainerWithoutReadableTagsPlaysUnderItsFileName)
{
    // An empty tag chunk, and one too short to hold a tag header.
    const std::vector<std::vector<uint8_t>> tags = {{}, {'I', 'D', '3'}};
    for (size_t i = 0; i < tags.size(); ++i) {
        SCOPED_TRACE(i);
        testsupport::KvoContent content;
        content.tag = tags[i];
        content.head = {1, 2, 3, 4};
        content.stream1 = playlisttest::ToneMp3(2);
        content.stream2 = content.stream1;
        content.pieceSize = 3000;
        const std::string name = "Untagged " + std::to_string(i) + ".kvo";
        const std::string song = dir.File(name);
        testsupport::WriteFile(song, testsupport::WriteKvo(content));

        ASSERT_TRUE(Open("/play", song));
        ASSERT_TRUE(WaitFor([&] { return win->IsPlaying(); })) << (BoxTexts().empty() ? "" : BoxTexts().back());
        EXPECT_TRUE(BoxTexts().empty());
        EXPECT_EQ(win->GetPlayList()->GetCurrentPath(), song);
        EXPECT_EQ(win->GetPlayList()->GetCurrentDisplayText(), name);
        EXPECT_EQ(win->GetLcd()->GetText(1), name);
        EXPECT_EQ(win->GetLcd()->GetText(2), "");
        EXPECT_NEAR(win->GetLength(), 2.2, 0.5);
        Close();
    }
}

TEST_F(MainWindowTest, AnMp3SongMutesVocalAndMicrophoneAndKeepsTheirLevels)
{
    ASSERT_TRUE(Open());
    const std::string kvo = Kvo("a.kvo");
    Add(kvo, 1);
    ASSERT_EQ(win->PlayCurrent(), 1);
    win->GetLevelSlider(D::kVocal).SetPos(60);

    Add(Mp3("b.mp3"), 1);
    ASSERT_EQ(win->PlayCurrent(), 1);
    EXPECT_EQ(win->GetLevelSlider(D::kVocal).GetPos(), 0);
    EXPECT_EQ(win->GetLevelState(D::kVocal).available, 0);
    EXPECT_EQ(win->GetLevelState(D::kVocal).level, 60);
    // The vocal mute button does nothing while an MP3 is loaded.
    Click(win->GetButton(D::kSlotMuteVocal));
    EXPECT_EQ(win->GetLevelSlider(D::kVocal).GetPos(), 0);
    EXPECT_EQ(win->GetLevelState(D::kVocal).on, 0);

    win->GetPlayList()->SelectIndex(1);
    ASSERT_EQ(win->PlayCurrent(), 1);
    EXPECT_EQ(win->GetLevelSlider(D::kVocal).GetPos(), 60);
    EXPECT_EQ(win->GetLevelSlider(D::kMicrophone).GetPos(), 77);
}

TEST_F(MainWindowTest, TheEndOfASongTakesTheNextStepByTheRepeatCode)
{
    ASSERT_TRUE(Open());
    const std::string first = Kvo("a.kvo", {"A", "X", ""}, 1);
    Add(first, 0);
    Add(Mp3("b.mp3", {"B", "Y", ""}, 1), 1);
    auto playToEnd = [&] {
        return WaitFor([&] {
            sound->Advance(200);
            return !win->HasTimer(D::kPlaybackTimer);
        });
    };

    win->SetRepeatMode(1);  // off
    ASSERT_EQ(win->PlayCurrent(), 1);
    ASSERT_TRUE(playToEnd());
    Pump();
    EXPECT_FALSE(win->IsPlaying());
    EXPECT_EQ(win->GetLcd()->GetText(1), "");  // stopped: the last song had no next

    win->SetRepeatMode(0);  // one
    ASSERT_EQ(win->PlayCurrent(), 1);
    ASSERT_TRUE(playToEnd());
    ASSERT_TRUE(WaitFor([&] { return win->IsPlaying(); }));
    EXPECT_EQ(win->GetLcd()->GetText(1), "B");

    win->SetRepeatMode(2);  // all: round to the first
    ASSERT_TRUE(playToEnd());
    ASSERT_TRUE(WaitFor([&] { return win->IsPlaying() && win->CurrentPath() == first; }));
    win->StopPlayback();
}

TEST_F(MainWindowTest, ReleasingThePositionBarSeeks)
{
    ASSERT_TRUE(Open());
    Add(Kvo("a.kvo", {"A", "", ""}, 3), 1);
    ASSERT_EQ(win->PlayCurrent(), 1);
    win->GetPositionBar().SetPos(2);
    win->GetPositionBar().SendNotifyToParent(NM_RELEASEDCAPTURE);
    EXPECT_NEAR(win->GetPosition(), 2.0f, 0.001f);
    EXPECT_TRUE(win->IsPlaying());

    // Paused, the song moves and stays paused; Play goes on from there.
    Click(win->GetButton(D::kSlotPlay));
    win->GetPositionBar().SetPos(1);
    win->GetPositionBar().SendNotifyToParent(NM_RELEASEDCAPTURE);
    EXPECT_FALSE(win->IsPlaying());
    EXPECT_EQ(win->GetButton(D::kSlotPlay).GetDlgCtrlID(), D::kIdPlay);
    EXPECT_EQ(win->GetLcd()->GetText(3), "00:01");
    Click(win->GetButton(D::kSlotPlay));
    EXPECT_TRUE(win->IsPlaying());
    EXPECT_NEAR(win->GetPosition(), 1.0f, 0.001f);
}

TEST_F(MainWindowTest, LevelsClampMutesRestoreAndTheMicrophoneFollowsItsSlider)
{
    ASSERT_TRUE(Open());
    CImageSliderCtrl& music = win->GetLevelSlider(D::kMusic);
    music.SetPos(5);
    win->OnPlayerCommand(menuid::kVolumeDown, 0);
    EXPECT_EQ(music.GetPos(), 0);
    music.SetPos(95);
    win->OnPlayerCommand(menuid::kVolumeUp, 0);
    EXPECT_EQ(music.GetPos(), 100);

    music.SetPos(64);
    Click(win->GetButton(D::kSlotMuteMusic));
    EXPECT_EQ(music.GetPos(), 0);
    EXPECT_EQ(win->GetLevelState(D::kMusic).on, 0);
    Click(win->GetButton(D::kSlotMuteMusic));
    EXPECT_EQ(music.GetPos(), 64);

    Add(Kvo("a.kvo"), 1);
    ASSERT_EQ(win->PlayCurrent(), 1);
    const auto& mic = mixer->devices[0].capture[0];
    EXPECT_EQ(mic.values, (std::vector<uint32_t>{MixerValueOfPercent(77), MixerValueOfPercent(77)}));
    // The mute button mutes the input and keeps its level, as the desktop
    // shows it.
    Click(win->GetButton(D::kSlotMuteMic));
    EXPECT_TRUE(mic.muted);
    EXPECT_EQ(mic.values[0], MixerValueOfPercent(77));
    Click(win->GetButton(D::kSlotMuteMic));
    EXPECT_FALSE(mic.muted);
    EXPECT_EQ(win->GetLevelSlider(D::kMicrophone).GetPos(), 77);
    win->GetLevelSlider(D::kMicrophone).SetPos(50);
    win->GetLevelSlider(D::kMicrophone).SendNotifyToParent(NM_RELEASEDCAPTURE);
    EXPECT_EQ(mic.values, (std::vector<uint32_t>{MixerValueOfPercent(50), MixerValueOfPercent(50)}));
}

TEST_F(MainWindowTest, TheMicrophoneShowsTheDesktopsLevelAndASongWithoutItLeavesThatBe)
{
    ASSERT_TRUE(Open());
    auto& mic = mixer->devices[0].capture[0];
    Add(Kvo("a.kvo"), 1);
    ASSERT_EQ(win->PlayCurrent(), 1);
    ASSERT_EQ(win->GetLevelSlider(D::kMicrophone).GetPos(), 77);

    // Changed in the desktop's sound settings: shown when the window is
    // next shown.
    mic.values = {MixerValueOfPercent(30), MixerValueOfPercent(30)};
    win->ShowWindow(SW_HIDE);
    win->ShowWindow(SW_SHOW);
    EXPECT_EQ(win->GetLevelSlider(D::kMicrophone).GetPos(), 30);
    mic.muted = true;
    win->ShowWindow(SW_HIDE);
    win->ShowWindow(SW_SHOW);
    EXPECT_EQ(win->GetLevelState(D::kMicrophone).on, 0);
    EXPECT_EQ(win->GetLevelSlider(D::kMicrophone).GetPos(), 0);
    Click(win->GetButton(D::kSlotMuteMic));
    EXPECT_FALSE(mic.muted);
    EXPECT_EQ(win->GetLevelSlider(D::kMicrophone).GetPos(), 30);

    // An MP3 has no microphone part: the user's input keeps its level.
    const int calls = mixer->setVolumeCalls;
    Add(Mp3("b.mp3"), 1);
    ASSERT_EQ(win->PlayCurrent(), 1);
    EXPECT_EQ(mixer->setVolumeCalls, calls);
    EXPECT_EQ(mic.values[0], MixerValueOfPercent(30));
    EXPECT_FALSE(mic.muted);
}

TEST_F(MainWindowTest, OnlyTheUserSetsTheMicrophoneAndTheControlsFollowItsChanges)
{
    auto& mic = mixer->devices[0].capture[0];
    mic.values = {MixerValueOfPercent(45), MixerValueOfPercent(45)};
    mic.muted = true;
    ASSERT_TRUE(Open());
    for (const std::string& song : {Kvo("a.kvo"), Mp3("b.mp3"), Kvo("c.kvo")}) {
        Add(song, 1);
        ASSERT_EQ(win->PlayCurrent(), 1);
        EXPECT_EQ(win->StopPlayback(), 1);
    }
    Add(Kvo("d.kvo"), 1);
    ASSERT_EQ(win->PlayCurrent(), 1);
    EXPECT_EQ(win->GetLevelState(D::kMicrophone).on, 0) << "the desktop's mute is shown";
    // Told of a change, the window reads it; it writes nothing back.
    mic.values = {MixerValueOfPercent(60), MixerValueOfPercent(60)};
    mic.muted = false;
    mixer->TellChanged();
    EXPECT_TRUE(WaitFor([&] { return win->GetLevelSlider(D::kMicrophone).GetPos() == 60; }));
    EXPECT_EQ(win->GetLevelState(D::kMicrophone).on, 1);
    Close();
    EXPECT_EQ(mixer->setVolumeCalls, 0);
    EXPECT_EQ(mixer->setMuteCalls, 0);
}

TEST_F(MainWindowTest, WithoutAnInputDeviceTheMicrophoneControlsStayOff)
{
    SimCaptureScript none;
    none.deviceNames.clear();
    InstallCaptureBackend(std::make_shared<SimCaptureBackend>(none));
    ASSERT_TRUE(Open());
    EXPECT_FALSE(win->HasInputDevice());
    Add(Kvo("a.kvo"), 1);
    ASSERT_EQ(win->PlayCurrent(), 1);
    EXPECT_EQ(win->GetLevelState(D::kMicrophone).available, 0);
    EXPECT_EQ(win->GetLevelSlider(D::kMicrophone).GetPos(), 0);
    Click(win->GetButton(D::kSlotMuteMic));
    EXPECT_EQ(win->GetLevelState(D::kMicrophone).on, 0);
    EXPECT_EQ(win->GetLevelState(D::kVocal).available, 1) << "the song's vocal is still there";
}

TEST_F(MainWindowTest, APlayWithNoSoundOutputSaysSoInWords)
{
    ASSERT_TRUE(Open());
    Add(Kvo("a.kvo"), 1);
    sound->SetDevices({});
    EXPECT_EQ(win->PlayCurrent(), 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind("No sound output could be opened to play on", 0), 0u) << boxes[0].text;
    EXPECT_NE(boxes[0].text.find("no sound output device"), std::string::npos) << "the sound system's reason";

    // With the output back, a song plays without a word.
    sound->SetDevices({"Speakers"});
    EXPECT_EQ(win->PlayCurrent(), 1);
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(MainWindowTest, RepeatAndShuffleCycleAndAreStored)
{
    ASSERT_TRUE(Open());
    ASSERT_EQ(win->GetRepeat(), 0);
    const int cycle[] = {1, 2, 0, 1};
    for (int expected : cycle) {
        Click(win->GetButton(D::kSlotRepeat));
        EXPECT_EQ(win->GetRepeat(), expected);
        EXPECT_EQ(ReadInt(config::kGeneral, config::kRepeat), expected);
    }
    // The menu's entries set exactly their code.
    win->OnPlayerCommand(menuid::kRepeatOff, 0);
    EXPECT_EQ(win->GetRepeat(), 2);
    win->OnPlayerCommand(menuid::kRepeatAll, 0);
    EXPECT_EQ(win->GetRepeat(), 0);
    win->OnPlayerCommand(menuid::kRepeatOne, 0);
    EXPECT_EQ(win->GetRepeat(), 1);

    Click(win->GetButton(D::kSlotShuffle));
    EXPECT_EQ(win->GetShuffle(), 1);
    EXPECT_EQ(ReadInt(config::kGeneral, config::kShuffle), 1);
    win->OnPlayerCommand(menuid::kShuffle, 0);
    EXPECT_EQ(win->GetShuffle(), 0);
    EXPECT_EQ(ReadInt(config::kGeneral, config::kShuffle), 0);
}

TEST(SpectrumBands, AverageTheFftBinsInElevenBands)
{
    std::vector<int32_t> left(1025);
    std::vector<int32_t> right(1025);
    for (int k = 0; k < 1025; ++k) {
        left[k] = k;
        right[k] = k + 1;  // the bin's value is (2k + 1) / 2 = k
    }
    int bands[11];
    CKvoStudioDlg::SpectrumBands(left.data(), right.data(), 1025, bands);
    EXPECT_EQ(bands[0], (0 + 93) / 2);  // bins 0..93: 94 of them
    for (int i = 1; i < 11; ++i)
        EXPECT_EQ(bands[i], (93 * i + 1 + 93 * i + 93) / 2) << i;  // bins 93i+1 .. 93i+93

    // Bin 1024 is summed but never stored, and bin 0 counts in band 0.
    std::fill(left.begin(), left.end(), 0);
    std::fill(right.begin(), right.end(), 0);
    left[1024] = right[1024] = 1000;
    left[0] = right[0] = 94 * 10;
    CKvoStudioDlg::SpectrumBands(left.data(), right.data(), 1025, bands);
    EXPECT_EQ(bands[0], 10);
    EXPECT_EQ(bands[10], 0);
}
