// The dialog after a take: the save to the PC with its tag, the settings it
// keeps for the next re-mix, its end codes, and the preview.

#include <signal.h>
#include <sys/resource.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include <gtest/gtest.h>

#include "kvostudio/libskin/id3tagv2.h"
#include "kvostudio/remixdlg.h"
#include "kvostudio/settings.h"
#include "platform/audio/audio_output.h"
#include "platform/audio/sim_output.h"
#include "tests/dialogs/dialog_fixture.h"
#include "tests/support/kvo_writer.h"
#include "tests/support/mp3_maker.h"

namespace {

using namespace platform;
using dialogtest::Click;
using dialogtest::DialogTest;
using dialogtest::kLeftOpen;
using dialogtest::RunModal;
using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::WriteFile;

constexpr Point kUpload{100, 455};
constexpr Point kSave{215, 455};
constexpr Point kRecordAgain{300, 455};
constexpr Point kClose{379, 14};
constexpr Point kRemix{180, 405};
constexpr Point kShiftUp{187, 248};

std::string StoredText(const char* key)
{
    char text[64] = {};
    int size = sizeof text;
    ReadConfigString(config::kRecord, key, text, &size);
    return text;
}

class Remix : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        take = testsupport::MakeMp3(testsupport::MakeTone(44100, 2, 3.0, 440, 0.4));
        WriteFile(dataDir + "Cache.mp3", take);
        testsupport::KvoContent song;
        song.tag = testsupport::MakeKvoTag({"Song", "Singer", u"", "4321", {}});
        song.head = {0};
        song.stream1 = testsupport::MakeMp3(testsupport::MakeTone(44100, 2, 1.0, 220, 0.3));
        song.stream2 = song.stream1;
        songPath = dir.File("song.kvo");
        WriteFile(songPath, testsupport::WriteKvo(song));
    }

    std::vector<uint8_t> take;
    std::string songPath;
};

TEST(RemixNames, SavedNamesAreTheChosenOnesEndingInMp3)
{
    EXPECT_EQ(CRecordingMoreDlg::SavePathFor("/home/Ann/Music/Take1"), "/home/Ann/Music/Take1.mp3");
    EXPECT_EQ(CRecordingMoreDlg::SavePathFor("/Music/My Song.MP3"), "/Music/My Song.MP3");
    EXPECT_EQ(CRecordingMoreDlg::SavePathFor("/Music/song.kvo"), "/Music/song.kvo.mp3");
    EXPECT_EQ(CRecordingMoreDlg::SavePathFor("/Music/a.mp3"), "/Music/a.mp3");
    EXPECT_EQ(CRecordingMoreDlg::SavePathFor("/Music/mp3"), "/Music/mp3.mp3");
    EXPECT_EQ(CRecordingMoreDlg::FormatMinutesSeconds(59), "00:59");
    EXPECT_EQ(CRecordingMoreDlg::FormatMinutesSeconds(65 * 60), "65:00");
}

TEST_F(Remix, SaveCopiesTheTakeWithTheSongsIdAndEndsWithThree)
{
    AnswerChooser({dir.File("Take1")});
    CRecordingMoreDlg dlg;
    dlg.SetSongPath(songPath);
    EXPECT_EQ(RunModal(dlg, [&] {
                  EXPECT_EQ(dlg.GetLengthText(), "00:03");
                  Click(dlg, kSave);
              }),
              CRecordingMoreDlg::kSaved);
    ASSERT_EQ(choosers.size(), 1u);
    EXPECT_EQ(choosers[0].kind, FileDialogKind::Save);
    EXPECT_TRUE(choosers[0].confirmOverwrite);
    ASSERT_EQ(choosers[0].filters.size(), 1u);
    EXPECT_EQ(choosers[0].filters[0].patterns, (std::vector<std::string>{"*.mp3"}));

    const std::string saved = dir.File("Take1.mp3");
    ASSERT_TRUE(FileExists(saved));
    CId3tagv2 tag;
    ASSERT_EQ(tag.Read(saved.c_str()), 0);
    EXPECT_EQ(tag.GetUserText(), "4321");
    // The audio behind the tag is the take, byte for byte.
    const std::vector<uint8_t> bytes = ReadFile(saved);
    ASSERT_GT(bytes.size(), take.size());
    EXPECT_EQ(std::memcmp(bytes.data() + bytes.size() - take.size(), take.data(), take.size()), 0);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Remix, SaveThatCannotFinishKeepsTheDialogOpenAndReplacesNothingUnasked)
{
    // The name typed was "Take2"; "Take2.mp3" exists: it is replaced only
    // when the user agrees.
    WriteFile(dir.File("Take2.mp3"), {1, 2, 3});
    AnswerChooser({dir.File("Take2")});
    CRecordingMoreDlg keep;
    EXPECT_EQ(RunModal(keep, [&] { Click(keep, kSave); }), kLeftOpen);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].type & 0xF, MB_YESNO);
    EXPECT_EQ(ReadFile(dir.File("Take2.mp3")), (std::vector<uint8_t>{1, 2, 3}));

    boxAnswers.push_back(IDYES);
    AnswerChooser({dir.File("Take2")});
    CRecordingMoreDlg replace;
    EXPECT_EQ(RunModal(replace, [&] { Click(replace, kSave); }), CRecordingMoreDlg::kSaved);
    EXPECT_EQ(ReadFile(dir.File("Take2.mp3")), take);  // no song: no tag

    // A copy that fails is told, and the dialog stays for another try.
    boxes.clear();
    AnswerChooser({dir.File("missing folder/take3")});
    AnswerChooser({});  // then the chooser is cancelled
    CRecordingMoreDlg fail;
    EXPECT_EQ(RunModal(fail,
                       [&] {
                           Click(fail, kSave);
                           Click(fail, kSave);
                       }),
              kLeftOpen);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find("could not be saved"), std::string::npos);
    EXPECT_FALSE(FileExists(dir.File("missing folder/take3.mp3")));
}

TEST_F(Remix, AFolderTheSystemCannotReachIsToldInTheSystemsWordsNotAsMissing)
{
    // A folder name longer than the file system takes, and one behind a
    // link that leads round in a circle: neither is "missing", whoever
    // asks (the superuser too).
    std::filesystem::create_symlink("circle", dir.File("circle"));
    const struct {
        std::string target;
        int error;
    } cases[] = {
        {dir.File(std::string(300, 'n') + "/take5.mp3"), ENAMETOOLONG},
        {dir.File("circle/take6.mp3"), ELOOP},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::strerror(c.error));
        boxes.clear();
        AnswerChooser({c.target});
        CRecordingMoreDlg dlg;
        EXPECT_EQ(RunModal(dlg, [&] { Click(dlg, kSave); }), kLeftOpen) << "the dialog stays for another try";
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text.rfind(CRecordingMoreDlg::kNotSavedText + c.target, 0), 0u) << boxes[0].text;
        EXPECT_NE(boxes[0].text.find(std::strerror(c.error)), std::string::npos) << boxes[0].text;
        EXPECT_EQ(boxes[0].text.find("does not exist"), std::string::npos) << boxes[0].text;
    }
}

// Files may grow only to `bytes` while it lives (past that a write fails
// with EFBIG, as on a full disk, instead of ending the process).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        handler_ = signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved_;
        small.rlim_cur = bytes;
        ok_ = setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        signal(SIGXFSZ, handler_);
    }
    bool ok() const { return ok_; }

private:
    rlimit saved_{};
    sighandler_t handler_ = SIG_DFL;
    bool ok_ = false;
};

TEST_F(Remix, ASaveThatDoesNotFitKeepsTheOldFileOrSaysTheSongIdIsMissing)
{
    const std::string target = dir.File("take4.mp3");
    const std::vector<uint8_t> old(1000, 0x5A);
    WriteFile(target, old);
    {
        // The take itself does not fit: the old file stays, and so does the
        // dialog, with the reason.
        AnswerChooser({target});
        CRecordingMoreDlg dlg;
        dlg.SetSongPath(songPath);
        FileSizeLimit limit(take.size() / 2);
        ASSERT_TRUE(limit.ok());
        EXPECT_EQ(RunModal(dlg, [&] { Click(dlg, kSave); }), kLeftOpen);
    }
    EXPECT_EQ(ReadFile(target), old);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind(CRecordingMoreDlg::kNotSavedText, 0), 0u) << boxes[0].text;
    EXPECT_NE(boxes[0].text.find(std::strerror(EFBIG)), std::string::npos) << boxes[0].text;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        EXPECT_EQ(entry.path().filename().string().rfind(".take4", 0), std::string::npos) << "a new file was left";

    // The take fits but its tag does not: saved, and the user learns the
    // file has no song id.
    boxes.clear();
    AnswerChooser({target});
    CRecordingMoreDlg dlg;
    dlg.SetSongPath(songPath);
    int end = 0;
    {
        FileSizeLimit limit(take.size() + 100);
        ASSERT_TRUE(limit.ok());
        end = RunModal(dlg, [&] { Click(dlg, kSave); });
    }
    EXPECT_EQ(end, CRecordingMoreDlg::kSaved);
    EXPECT_EQ(ReadFile(target), take);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind(CRecordingMoreDlg::kSavedWithoutIdText, 0), 0u) << boxes[0].text;
    EXPECT_NE(boxes[0].text.find(CRecordingMoreDlg::kCannotUploadText), std::string::npos) << boxes[0].text;
}

TEST_F(Remix, ShiftAndGainsAreStoredWheneverTheDialogCloses)
{
    WriteConfigFloat(config::kRecord, config::kVoiceDb, 3.0f);
    CRecordingMoreDlg dlg;
    EXPECT_EQ(RunModal(dlg,
                       [&] {
                           EXPECT_EQ(dlg.ShiftEdit().GetText(), "-200");  // the default
                           EXPECT_EQ(dlg.VoiceGainEdit().GetText(), "3");
                           EXPECT_EQ(dlg.AccompanimentGainEdit().GetText(), "0");
                           dlg.ShiftEdit().SetText("140");
                           Click(dlg, kShiftUp);  // +10
                           dlg.AccompanimentGainEdit().SetText("99999999999999999999");
                           Click(dlg, kRecordAgain);
                       }),
              IDCANCEL);
    EXPECT_EQ(StoredText(config::kVoiceShift), "150.000000");
    EXPECT_EQ(StoredText(config::kVoiceDb), "3.000000");
    EXPECT_EQ(StoredText(config::kAccomDb), "3000.000000");  // kept inside the spin's range

    // The close button stores too; a field without a number stores 0.
    CRecordingMoreDlg again;
    EXPECT_EQ(RunModal(again,
                       [&] {
                           EXPECT_EQ(again.ShiftEdit().GetText(), "150");
                           again.ShiftEdit().SetText("");
                           Click(again, kClose);
                       }),
              IDCANCEL);
    EXPECT_EQ(StoredText(config::kVoiceShift), "0.000000");
}

TEST_F(Remix, ButtonsEndWithTheirCodesAndStereoMixingCannotRemix)
{
    CRecordingMoreDlg upload;
    EXPECT_EQ(RunModal(upload, [&] { Click(upload, kUpload); }), CRecordingMoreDlg::kUpload);
    CRecordingMoreDlg remix;
    EXPECT_EQ(RunModal(remix, [&] { Click(remix, kRemix); }), CRecordingMoreDlg::kRemix);
    CRecordingMoreDlg enter;
    EXPECT_EQ(RunModal(enter, [&] { dialogtest::Key(enter, VK_RETURN); }), kLeftOpen);

    WriteConfigInt(config::kGeneral, config::kMixing, 1);
    CRecordingMoreDlg stereo;
    EXPECT_EQ(RunModal(stereo,
                       [&] {
                           EXPECT_FALSE(stereo.ShiftEdit().IsWindowEnabled());
                           EXPECT_FALSE(stereo.VoiceGainSpin().IsWindowEnabled());
                           EXPECT_EQ(stereo.RemixButton().GetDlgCtrlID(), 0);
                           Click(stereo, kRemix);
                       }),
              kLeftOpen);
}

class RemixPreview : public Remix {
protected:
    void SetUp() override
    {
        Remix::SetUp();
        sim = std::make_shared<audio::SimulatedOutput>();
        sim->SetRealTime(1.0);  // a busy machine must still see the take play
        audio::UseSimulatedOutput(sim);
    }
    void TearDown() override
    {
        audio::UseDefaultOutput();
        Remix::TearDown();
    }
    std::shared_ptr<audio::SimulatedOutput> sim;
};

TEST_F(RemixPreview, ListenPlaysToTheEndThenResets)
{
    CRecordingMoreDlg dlg;
    ASSERT_TRUE(dlg.Create(CRecordingMoreDlg::IDD));
    dlg.TogglePreview();
    ASSERT_TRUE(dlg.IsPreviewing());
    EXPECT_EQ(dlg.PositionBar().GetRangeMax(), 3);
    ASSERT_TRUE(RunLoopUntil([&] { return dlg.GetPositionText() != "00:00"; }, 10000));
    EXPECT_EQ(dlg.GetLengthText(), "00:03");
    ASSERT_TRUE(RunLoopUntil([&] { return !dlg.IsPreviewing(); }, 20000));
    EXPECT_EQ(dlg.PositionBar().GetPos(), 0);
    EXPECT_EQ(dlg.GetPositionText(), "00:00");
    EXPECT_FALSE(sim->Recorded().empty());

    // Listen again stops the preview at once.
    dlg.TogglePreview();
    ASSERT_TRUE(dlg.IsPreviewing());
    dlg.TogglePreview();
    EXPECT_FALSE(dlg.IsPreviewing());
    dlg.DestroyWindow();
}

TEST_F(RemixPreview, AMissingTakeNeitherPlaysNorHangs)
{
    std::remove((dataDir + "Cache.mp3").c_str());
    CRecordingMoreDlg dlg;
    ASSERT_TRUE(dlg.Create(CRecordingMoreDlg::IDD));
    EXPECT_EQ(dlg.GetLengthText(), "00:00");
    dlg.TogglePreview();
    ASSERT_TRUE(RunLoopUntil([&] { return !dlg.IsPreviewing(); }, 20000));
    EXPECT_EQ(dlg.PositionBar().GetRangeMax(), 100);  // the bar keeps its range
    dlg.DestroyWindow();
}

}  // namespace
