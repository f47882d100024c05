// Recording from the main window with a scripted microphone: what may be
// recorded, the locked transport while the voice is captured, the stop by
// the button or at the song's end, and the chain after it.
#include <gtest/gtest.h>

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
        script.bytes.assign(44100 * 4 / 2, 0);  // half a second, then silence
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
    EXPECT_TRUE(boxes.empty());
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
    // This song's accompaniment cannot be mixed by software (it is not
    // 44100 Hz stereo): the user is told why, and no dialog follows.
    ASSERT_TRUE(WaitFor([&] { return !boxes.empty(); }, 60000));
    EXPECT_EQ(boxes[0].text, win->GetFailureText());
    EXPECT_FALSE(boxes[0].text.empty());
    EXPECT_EQ(win->Opened<CRecordingMoreDlg>(), 1);
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
    EXPECT_EQ(boxes[0].text, rectext::kNoCapture);
    EXPECT_TRUE(TransportEnabled());
    EXPECT_FALSE(win->GetButton(D::kSlotRecord).IsBlinking());
    EXPECT_FALSE(win->IsPlaying());
}
