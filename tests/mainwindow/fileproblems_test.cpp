// Every file the window is given gets an answer: files it cannot list or
// play are named with the reason in one message and the window goes on;
// odd but playable files (very short songs, lying VBR headers) are listed
// and play.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "kvostudio/kvostudioapp.h"
#include "kvostudio/playlistdlg.h"
#include "platform/instance/single_instance.h"
#include "platform/window/drop_files.h"
#include "tests/mainwindow/mainwindow_fixture.h"
#include "tests/support/kvo_writer.h"

using namespace platform;
using namespace mainwindowtest;

namespace {

using D = CKvoStudioDlg;

class FileAnswers : public MainWindowTest {
protected:
    struct Bad {
        std::string path;
        const char* reason;
    };
    // The files the window cannot take, each with what it must say.
    std::vector<Bad> BadFiles()
    {
        testsupport::WriteFile(dir.File("zero.mp3"), {});
        const std::string text = "Not a song at all.\n";
        testsupport::WriteFile(dir.File("text.mp3"), std::vector<uint8_t>(text.begin(), text.end()));
        testsupport::KvoContent content;
        content.tag = testsupport::MakeKvoTag({"Broken", "Singer", u"", "", {}});
        content.head = {1, 2, 3, 4};
        content.stream1 = playlisttest::ToneMp3(1);
        content.stream2 = playlisttest::ToneMp3(1);
        content.pieceSize = 3000;
        testsupport::WriteFile(dir.File("damaged.kvo"),
                               testsupport::WriteKvo(content, {testsupport::KvoFault::WrongSecondType, 0, 0}));
        return {{dir.File("missing.kvo"), "file not found"},
                {dir.File("zero.mp3"), "empty file"},
                {dir.File("text.mp3"), "not an MP3 file"},
                {dir.File("damaged.kvo"), "damaged container"}};
    }
    static std::string Named(const Bad& bad)
    {
        return "This file cannot be played:\n\n" + bad.path + ": " + bad.reason;
    }
};

}  // namespace

TEST_F(FileAnswers, PlayOfAFileItCannotTakeNamesItOnceAndTheWindowGoesOn)
{
    for (const Bad& bad : BadFiles()) {
        SCOPED_TRACE(bad.path);
        boxes.clear();
        ASSERT_TRUE(Open("/play", bad.path));
        Pump();
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{Named(bad)});
        EXPECT_EQ(boxes.at(0).caption, "KVO Studio");
        EXPECT_TRUE(win->IsWindow());
        EXPECT_FALSE(win->IsPlaying());
        EXPECT_EQ(win->GetPlayList()->GetItemCount(), 0);

        // A later start's file the same way; then one that plays.
        ASSERT_TRUE(CKvoStudioApp::DeliverHandOff(win.get(), CKvoStudioApp::MakeHandOff("/play", bad.path)));
        Pump();
        EXPECT_EQ(BoxTexts(), (std::vector<std::string>{Named(bad), Named(bad)}));
        const std::string good = Kvo("good.kvo");
        ASSERT_TRUE(CKvoStudioApp::DeliverHandOff(win.get(), CKvoStudioApp::MakeHandOff("/play", good)));
        ASSERT_TRUE(WaitFor([&] { return win->IsPlaying(); }));
        EXPECT_EQ(win->CurrentPath(), good);
        EXPECT_EQ(boxes.size(), 2u);
        Close();
    }
}

TEST_F(FileAnswers, ADropOfThreeFilesOneDamagedListsTwoAndNamesTheThird)
{
    ASSERT_TRUE(Open());
    const std::string a = Mp3("a.mp3");
    const std::string c = Kvo("c.kvo");
    const Bad damaged = BadFiles()[3];
    CSkinListCtrl& list = win->GetPlayList()->GetList();
    const Point at = win->ScreenToClient(list.ClientToScreen(Point{20, 20}));
    ASSERT_TRUE(DeliverDroppedFiles(*win, at, {a, damaged.path, c}));
    ASSERT_TRUE(WaitFor([&] { return !boxes.empty(); }));
    EXPECT_EQ(list.GetItemCount(), 2);
    EXPECT_EQ(list.GetItemText(0, 0), "a.mp3");
    EXPECT_EQ(list.GetItemText(1, 0), "c.kvo");
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{Named(damaged)});
    EXPECT_EQ(boxes[0].owner, win->GetSafeHwnd());
}

TEST_F(FileAnswers, ADropOfEightyFilesItCannotTakeIsOneMessageThatFitsTheScreen)
{
    ASSERT_TRUE(Open());
    // Eighty of them, one in a folder so deep that its path alone would be
    // wider than the screen.
    std::string deep = dir.Path();
    for (int i = 0; i < 12; ++i) {
        deep += "/a folder nested deeper and deeper " + std::to_string(i);
        ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
    }
    const std::string text = "Not a song at all.\n";
    std::vector<std::string> paths = {deep + "/deep.mp3"};
    for (int i = 1; i < 80; ++i)
        paths.push_back(dir.File("text" + std::to_string(100 + i) + ".mp3"));
    for (const std::string& path : paths)
        testsupport::WriteFile(path, std::vector<uint8_t>(text.begin(), text.end()));
    CSkinListCtrl& list = win->GetPlayList()->GetList();
    const Point at = win->ScreenToClient(list.ClientToScreen(Point{20, 20}));
    ASSERT_TRUE(DeliverDroppedFiles(*win, at, paths));
    ASSERT_TRUE(WaitFor([&] { return !boxes.empty(); }));
    Pump();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(list.GetItemCount(), 0);

    // The first files by name, the rest counted; no line as wide as the
    // deep path.
    const std::string& said = boxes[0].text;
    std::vector<std::string> lines;
    for (size_t from = 0; from <= said.size();) {
        const size_t end = std::min(said.find('\n', from), said.size());
        lines.push_back(said.substr(from, end - from));
        from = end + 1;
    }
    ASSERT_EQ(lines.size(), 11u) << said;
    EXPECT_EQ(lines[0], "These files cannot be played:");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2].substr(0, 20), deep.substr(0, 20));
    EXPECT_NE(lines[2].find("deep.mp3: not an MP3 file"), std::string::npos) << lines[2];
    for (int i = 1; i < 8; ++i)
        EXPECT_EQ(lines[2 + i], paths[i] + ": not an MP3 file");
    EXPECT_EQ(lines[10], "and 72 more");
    for (const std::string& line : lines)
        EXPECT_LE(line.size(), 160u) << line;
}

TEST_F(FileAnswers, ASongThatNoLongerPlaysSaysWhy)
{
    ASSERT_TRUE(Open());
    const std::string song = Kvo("song.kvo");
    Add(song, 1);
    ASSERT_TRUE(boxes.empty());

    // The sound device refuses: that is no fault of the song.
    sound->FailNextOpen(1);
    EXPECT_EQ(win->PlayCurrent(), 0);
    ASSERT_EQ(BoxTexts().size(), 1u);
    EXPECT_EQ(BoxTexts()[0].rfind("No sound output could be opened to play on", 0), 0u) << BoxTexts()[0];

    // A container with an empty tag block plays like any other; when the
    // sound device refuses, that is what the user is told.
    boxes.clear();
    testsupport::KvoContent untagged;
    untagged.head = {0};
    untagged.stream1 = playlisttest::ToneMp3(1);
    untagged.stream2 = playlisttest::ToneMp3(1);
    const std::string bare = dir.File("untagged.kvo");
    testsupport::WriteFile(bare, testsupport::WriteKvo(untagged));
    win->GetPlayList()->GetList().DeleteAllItems();
    Add(bare, 1);
    ASSERT_TRUE(boxes.empty()) << BoxTexts()[0];
    sound->FailNextOpen(1);
    EXPECT_EQ(win->PlayCurrent(), 0);
    ASSERT_EQ(BoxTexts().size(), 1u);
    EXPECT_EQ(BoxTexts()[0].rfind("No sound output could be opened to play on", 0), 0u) << BoxTexts()[0];
    win->GetPlayList()->GetList().DeleteAllItems();
    Add(song, 1);

    // The file went away after it was listed.
    boxes.clear();
    ASSERT_EQ(unlink(song.c_str()), 0);
    Click(win->GetButton(D::kSlotPlay));
    EXPECT_FALSE(win->IsPlaying());
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"This file cannot be played:\n\n" + song + ": file not found"});

    // An empty list has nothing to name.
    boxes.clear();
    win->GetPlayList()->GetList().DeleteAllItems();
    EXPECT_EQ(win->PlayCurrent(), 0);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(FileAnswers, ASongUnderASecondIsListedAndPlaysToItsEnd)
{
    ASSERT_TRUE(Open());
    testsupport::Mp3Options options;
    options.bitrateKbps = 128;
    const std::string path = dir.File("short.mp3");
    testsupport::WriteFile(path, testsupport::MakeMp3(testsupport::MakeTone(44100, 2, 0.8, 440, 0.3), options));
    Add(path, 1);
    ASSERT_EQ(win->GetPlayList()->GetItemCount(), 1);
    EXPECT_EQ(win->GetPlayList()->GetList().GetItemText(0, 1), "00:00");
    EXPECT_TRUE(boxes.empty());

    win->SetRepeatMode(1);  // off: the song ends and nothing follows
    sound->ClearRecorded();
    ASSERT_EQ(win->PlayCurrent(), 1);
    ASSERT_TRUE(WaitFor([&] {
        sound->Advance(100);
        return !win->HasTimer(D::kPlaybackTimer);
    }));
    EXPECT_NEAR(double(sound->RecordedSize()) / 4 / 44100, 0.8, 0.06);
}

TEST_F(FileAnswers, ALyingVbrHeaderShowsTheTrueLengthSeeksAndReplays)
{
    ASSERT_TRUE(Open());
    const auto song = testsupport::MakeMp3(testsupport::MakeNoise(44100, 2, 4.2, 0.2));
    struct Case {
        const char* name;
        uint32_t frames;  // 0: the count stays true
        bool tocOfOneValue;
    };
    for (const Case& c : {Case{"0xFFFFFFFF frames", 0xFFFFFFFFu, false}, Case{"1 frame", 1u, false},
                          Case{"a table of contents all 0xFF", 0u, true}}) {
        SCOPED_TRACE(c.name);
        auto mp3 = song;
        if (c.frames)
            testsupport::SetVbrHeaderFrames(mp3, c.frames);
        if (c.tocOfOneValue)
            testsupport::FillVbrHeaderToc(mp3, 0xFF);
        const std::string path = dir.File(std::string(c.name) + ".mp3");
        testsupport::WriteFile(path, mp3);
        win->GetPlayList()->GetList().DeleteAllItems();
        Add(path, 1);
        ASSERT_EQ(win->GetPlayList()->GetItemCount(), 1);
        EXPECT_EQ(win->GetPlayList()->GetList().GetItemText(0, 1), "00:04");

        win->SetRepeatMode(0);  // one: the song starts again at its end
        const int opensBefore = sound->OpensSucceeded();
        ASSERT_EQ(win->PlayCurrent(), 1);
        EXPECT_NEAR(win->GetLength(), 4.2, 1.0);
        EXPECT_EQ(win->GetPositionBar().GetRangeMax(), 4);
        win->Seek(2.1f);
        EXPECT_NEAR(win->GetPosition(), 2.1, 1.0);
        ASSERT_TRUE(WaitFor([&] {
            sound->Advance(50);
            return win->GetPosition() > 3.0f;
        }));

        // Past the end it starts again from the start, and goes on playing.
        ASSERT_TRUE(WaitFor([&] {
            sound->Advance(50);
            return win->IsPlaying() && win->GetPosition() < 1.0f;
        }));
        ASSERT_TRUE(WaitFor([&] {
            sound->Advance(50);
            return win->IsPlaying() && win->GetPosition() > 2.0f;
        }));
        EXPECT_LE(sound->OpensSucceeded() - opensBefore, 3);
        win->StopPlayback();
    }
}
