// Recording from the main window with a scripted microphone: what may be
// recorded, the locked transport while the voice is captured, the stop by
// the button or at the song's end, and the chain after it.
#include <gtest/gtest.h>

#include <filesystem>

#include "kvostudio/logindlg.h"
#include "kvostudio/messages.h"
#include "kvostudio/playercommand.h"
#include "kvostudio/playlistdlg.h"
#include "kvostudio/recordoptiondlg.h"
#include "kvostudio/remixdlg.h"
#include "kvostudio/savecompletedlg.h"
#include "kvostudio/settings.h"
#include "kvostudio/windowcommands.h"
#include "platform/capture/sim_capture.h"
#include "platform/window/copy_data.h"
#include "tests/appsupport/scoped_env.h"
#include "tests/mainwindow/mainwindow_fixture.h"

using namespace platform;
using namespace mainwindowtest;

namespace {

using D = CKvoStudioDlg;

class RecordingFlowTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        // The sound card's own mix: the take is encoded as captured.
        WriteConfigInt(config::kGeneral, config::kMixing, 1);
        Microphone({});
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        InstallCaptureBackend(nullptr);
    }

    void Microphone(SimCaptureScript script)
    {
        // Half a second of a quiet room (never exact zeros, as a working
        // microphone gives), then silence.
        script.bytes.assign(44100 * 4 / 2, 0);
        for (size_t i = 0; i < script.bytes.size(); i += 8)
            script.bytes[i] = 1;
        script.silenceAfterEnd = true;
        InstallCaptureBackend(std::make_shared<SimCaptureBackend>(script));
    }

    bool OpenForRecording()
    {
        if (!Open())
            return false;
        win->SetFinishPause(std::chrono::milliseconds(0));
        return true;
    }

    // Record with the options dialog answered OK; true when recording.
    bool Record()
    {
        win->answers.push_back(Returns(IDOK));
        Click(win->GetButton(D::kSlotRecord));
        return win->IsRecording() != 0;
    }

    bool TransportEnabled()
    {
        return win->GetButton(D::kSlotStop).IsWindowEnabled() && win->GetButton(D::kSlotPlay).IsWindowEnabled() &&
               win->GetButton(D::kSlotNext).IsWindowEnabled() && win->GetButton(D::kSlotPrevious).IsWindowEnabled();
    }
};

}  // namespace

TEST_F(RecordingFlowTest, OnlyContainersAreRecorded)
{
    ASSERT_TRUE(OpenForRecording());
    Add(Mp3("a.mp3"), 1);
    Click(win->GetButton(D::kSlotRecord));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{LoadFormatString(104)});
    EXPECT_EQ(win->Opened<CRecordDlg>(), 0);
    EXPECT_FALSE(win->IsRecording());
}

TEST_F(RecordingFlowTest, RecordLocksTheTransportUntilTheTakeIsDone)
{
    ASSERT_TRUE(OpenForRecording());
    // An empty playlist asks for a container first.
    const std::string song = Kvo("song.kvo");
    chooserAnswers.push_back({song});
    ASSERT_TRUE(Record());
    EXPECT_EQ(choosersShown, 1);
    EXPECT_EQ(win->Opened<CRecordDlg>(), 1);
    EXPECT_EQ(win->GetPlayList()->GetCurrentPath(), song);
    EXPECT_EQ(win->GetRecordedSong(), song);
    EXPECT_TRUE(win->IsPlaying());
    EXPECT_FALSE(TransportEnabled());
    EXPECT_FALSE(win->GetPositionBar().IsWindowEnabled());
    EXPECT_TRUE(win->GetButton(D::kSlotRecord).IsBlinking());

    // Nothing restarts playback under the recording, nor hands a file in.
    EXPECT_EQ(win->OnPlayerCommand(ID_CMD_PLAY, 0), 0);
    win->PostMessage(WM_COPYDATA, 0, reinterpret_cast<LPARAM>(MakeCopyData(1002, Mp3("other.mp3"))));
    Pump();
    EXPECT_EQ(win->GetPlayList()->GetItemCount(), 1);
    Click(win->GetButton(D::kSlotRecord));  // a second Record changes nothing
    EXPECT_EQ(win->Opened<CRecordDlg>(), 1);

    Click(win->GetButton(D::kSlotStopRecording));
    EXPECT_FALSE(win->IsRecording());
    EXPECT_FALSE(win->IsPlaying());
    EXPECT_TRUE(TransportEnabled());
    EXPECT_FALSE(win->GetButton(D::kSlotRecord).IsBlinking());
    ASSERT_TRUE(WaitFor([&] { return win->Opened<CRecordingMoreDlg>() == 1; }, 60000));
    EXPECT_TRUE(boxes.empty()) << (boxes.empty() ? std::string() : boxes.front().text);
}

TEST_F(RecordingFlowTest, TheSongsEndStopsTheRecordingUnlessTheOptionsSayNot)
{
    ASSERT_TRUE(OpenForRecording());
    Add(Kvo("song.kvo", {"Song", "Singer", ""}, 1), 1);
    auto playToEnd = [&] {
        return WaitFor([&] {
            sound->Advance(200);
            return !win->HasTimer(D::kPlaybackTimer);
        });
    };
    WriteConfigInt(config::kRecord, config::kStop, 1);  // only by the button
    ASSERT_TRUE(Record());
    ASSERT_TRUE(playToEnd());
    Pump();
    EXPECT_TRUE(win->IsRecording());
    EXPECT_EQ(win->ToggleRecording(), 1);
    ASSERT_TRUE(WaitFor([&] { return win->Opened<CRecordingMoreDlg>() == 1; }, 60000));

    WriteConfigInt(config::kRecord, config::kStop, 0);  // at the end of playback
    ASSERT_TRUE(Record());
    ASSERT_TRUE(playToEnd());
    EXPECT_FALSE(win->IsRecording());
    EXPECT_TRUE(TransportEnabled());
    ASSERT_TRUE(WaitFor([&] { return win->Opened<CRecordingMoreDlg>() == 2; }, 60000));
    EXPECT_EQ(win->ToggleRecording(), 0);  // nothing to stop any more
}

TEST_F(RecordingFlowTest, VocalOffMutesTheVocalOnlyWithTheCardsMix)
{
    ASSERT_TRUE(OpenForRecording());
    Add(Kvo("song.kvo"), 1);
    WriteConfigInt(config::kRecord, config::kVocal, 1);
    ASSERT_TRUE(Record());
    EXPECT_EQ(win->GetLevelState(D::kVocal).on, 0);
    EXPECT_EQ(win->GetLevelSlider(D::kVocal).GetPos(), 0);
    win->ToggleRecording();
    ASSERT_TRUE(WaitFor([&] { return win->Opened<CRecordingMoreDlg>() == 1; }, 60000));

    WriteConfigInt(config::kGeneral, config::kMixing, 0);
    ASSERT_TRUE(Record());
    EXPECT_EQ(win->GetLevelState(D::kVocal).on, 1);
    EXPECT_EQ(win->GetLevelSlider(D::kVocal).GetPos(), 100);
    win->ToggleRecording();
    // The song's accompaniment is mono at 22050 Hz: mixed all the same.
    ASSERT_TRUE(WaitFor([&] { return win->Opened<CRecordingMoreDlg>() == 2; }, 60000));
    EXPECT_TRUE(boxes.empty()) << boxes[0].text;
}

TEST_F(RecordingFlowTest, AfterTheTakeTheChainSavesUploadsOrRemixes)
{
    // A sign-in server named (never reached): without one the upload would
    // only say that no service is configured.
    ScopedEnv env;
    env.Set("KVO_SIGNIN_ADDR", "signin.test:8001");
    ASSERT_TRUE(OpenForRecording());
    Add(Kvo("song.kvo"), 1);
    ASSERT_TRUE(Record());
    win->answers.push_back(Returns(CRecordingMoreDlg::kSaved));
    win->answers.push_back(Returns(CSaveCompleteDlg::kMainButton));  // upload: asks for a sign-in
    win->ToggleRecording();
    ASSERT_TRUE(WaitFor([&] { return win->Opened<CLoginDlg>() == 1; }, 60000));
    EXPECT_EQ(win->Opened<CSaveCompleteDlg>(), 1);

    // A re-mix runs the worker again, which ends in the same chain.
    win->answers.push_back(Returns(CRecordingMoreDlg::kRemix));
    win->OnRecordingDone();
    ASSERT_TRUE(WaitFor([&] { return win->Opened<CRecordingMoreDlg>() == 3; }, 60000));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(RecordingFlowTest, AMicrophoneThatDoesNotOpenRecordsNothingAndSaysSo)
{
    SimCaptureScript broken;
    broken.openResult = CaptureResult::OpenFailed;
    Microphone(broken);
    ASSERT_TRUE(OpenForRecording());
    Add(Kvo("song.kvo"), 1);
    EXPECT_FALSE(Record());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind(rectext::kNoCapture, 0), 0u) << boxes[0].text;
    EXPECT_NE(boxes[0].text.find("Scripted microphone"), std::string::npos) << boxes[0].text;
    EXPECT_TRUE(TransportEnabled());
    EXPECT_FALSE(win->GetButton(D::kSlotRecord).IsBlinking());
    EXPECT_FALSE(win->IsPlaying());
}

TEST_F(RecordingFlowTest, TheSelectedSongIsTheOneThatPlaysAndIsMixedFromItsStart)
{
    WriteConfigInt(config::kGeneral, config::kMixing, 0);
    WriteConfigInt(config::kRecord, config::kStart, 1);  // "from here" means nothing for another song
    ASSERT_TRUE(OpenForRecording());
    const std::string tune = Mp3("tune.mp3", {"Tune", "Player", ""}, 3);
    const std::string song = Kvo("song.kvo");
    Add(tune, 1);
    Add(Kvo("after.kvo"), 0);
    Add(song, 0);
    ASSERT_EQ(win->PlayCurrent(), 1);
    sound->Advance(500);
    Pump();
    win->GetPlayList()->GetList().SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);

    ASSERT_TRUE(Record());
    EXPECT_EQ(win->GetRecordedSong(), song);
    EXPECT_EQ(win->GetPlayList()->GetCurrentPath(), song);
    EXPECT_EQ(win->GetFileType(), CPlayImpl::kFileKvo);
    EXPECT_LT(win->GetPosition(), 0.5f);

    // The song plays to its end, the take ends with it, and the list has
    // not moved on meanwhile.
    ASSERT_TRUE(WaitFor([&] {
        sound->Advance(200);
        return !win->IsRecording();
    }));
    EXPECT_EQ(win->GetPlayList()->GetCurrentPath(), song);
    ASSERT_TRUE(WaitFor([&] { return win->Opened<CRecordingMoreDlg>() == 1; }, 60000));
    EXPECT_TRUE(boxes.empty()) << boxes[0].text;
}

TEST_F(RecordingFlowTest, FromHereTheSongGoesOnWhereItStoodAndTheEngineIsToldThatPlace)
{
    WriteConfigInt(config::kRecord, config::kStart, 1);
    ASSERT_TRUE(OpenForRecording());
    Add(Kvo("song.kvo", {"Song", "Singer", ""}, 3), 1);
    ASSERT_EQ(win->PlayCurrent(), 1);
    ASSERT_TRUE(WaitFor([&] {
        sound->Advance(50);
        return win->GetPosition() > 0.5f;
    }));
    const float at = win->GetPosition();

    // Record pauses the song where it plays, then lets it go on from there.
    ASSERT_TRUE(Record());
    EXPECT_TRUE(win->IsPlaying());
    EXPECT_NEAR(win->GetPosition(), at, 0.001f);
    EXPECT_NEAR(win->GetStartOffset(), at, 0.001f);
    win->ToggleRecording();
    ASSERT_TRUE(WaitFor([&] { return win->Opened<CRecordingMoreDlg>() == 1; }, 60000));
}

TEST_F(RecordingFlowTest, NoCommandChangesWhatPlaysUnderATake)
{
    ASSERT_TRUE(OpenForRecording());
    const std::string song = Kvo("song.kvo", {"Song", "Singer", ""}, 3);
    Add(Kvo("before.kvo"), 0);
    Add(song, 1);
    const std::string after = Mp3("after.mp3");
    Add(after, 0);
    ASSERT_TRUE(Record());
    // The song under way (its decoding thread starts it in its own time).
    ASSERT_TRUE(WaitFor([&] {
        sound->Advance(50);
        return win->GetPosition() > 0.3f;
    }));

    const unsigned menuCommands[] = {menuid::kPlay, menuid::kPause, menuid::kStop, menuid::kNext,
                                     menuid::kPrevious, menuid::kListPlay};
    for (unsigned code : menuCommands) {
        SCOPED_TRACE(code);
        win->OnPlayerCommand(code, 0);
        Pump();
        EXPECT_TRUE(win->IsRecording());
        EXPECT_TRUE(win->IsPlaying());
        EXPECT_EQ(win->GetPlayList()->GetCurrentPath(), song);
    }
    // What the list sends for a double click, Enter or the removal of the
    // playing row.
    EXPECT_EQ(win->OnPlayerCommand(ID_CMD_PLAY, 0), 0);
    EXPECT_EQ(win->OnPlayerCommand(ID_CMD_STOP, 0), 0);
    win->PlayNext();
    win->PlayPrevious();
    Pump();
    EXPECT_TRUE(win->IsPlaying());
    EXPECT_EQ(win->GetPlayList()->GetCurrentPath(), song);
    const float position = win->GetPosition();
    EXPECT_GT(position, 0.2f) << "the song was not started again";

    Click(win->GetButton(D::kSlotStopRecording));
    EXPECT_FALSE(win->IsRecording());
    ASSERT_TRUE(WaitFor([&] { return win->Opened<CRecordingMoreDlg>() == 1; }, 60000));
    // Once the take is done the transport acts again.
    win->OnPlayerCommand(menuid::kNext, 0);
    Pump();
    EXPECT_EQ(win->GetPlayList()->GetCurrentPath(), after);
}

TEST_F(RecordingFlowTest, ARemixSettingThatCannotBeKeptIsToldOnce)
{
    ASSERT_TRUE(OpenForRecording());
    Add(Kvo("song.kvo"), 1);
    ASSERT_TRUE(Record());
    // The after-take dialog runs for real and closes; config.ini cannot be
    // written by then.
    const std::string config = dir.Path() + "/data/config.ini";
    win->answers.push_back(RunsWith([&](Dialog& dlg) {
        std::filesystem::remove(config);
        std::filesystem::create_directory(config);
        dlg.EndDialog(IDCANCEL);
    }));
    win->ToggleRecording();
    ASSERT_TRUE(WaitFor([&] { return win->Opened<CRecordingMoreDlg>() == 1 && !boxes.empty(); }, 60000));
    Pump();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kConfigNotKeptText});
    std::filesystem::remove(config);
}
