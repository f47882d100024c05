// "Save to PC" after a take, in the program itself on the display: the file
// the user picks is the file written, letter case and all; a file that
// cannot be replaced (no room left, a read-only folder, a
// write-protected file) stays as it was and the window stays open with the
// reason, and a song id that cannot be written into the saved file is told,
// not passed over.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "platform/audio/sdl_output.h"
#include "tests/support/tone_bursts.h"
#include "tests/ui/running_program.h"
#include "ui_test_env.h"

using namespace testsupport;
using platform::Point;
using uitest::RunningProgram;

namespace {

constexpr char kCaption[] = "KVO Studio";
// The after-take window's "Save to PC" button.
constexpr Point kSaveButton{215, 455};

// Mounts a small file system at $1 holding the old take $2 and little room
// besides, makes the folder $3 read-only, then runs the program; all of it
// in a mount namespace of the program's own, gone when it ends.
constexpr char kPrivateMounts[] =
    "mount -t tmpfs -o size=64k tmpfs \"$1\" && cp \"$2\" \"$1/old take.mp3\" &&"
    " head -c 36000 /dev/zero > \"$1/filler\" &&"
    " mount --bind \"$3\" \"$3\" && mount -o remount,bind,ro \"$3\" \"$3\" || exit 99\n"
    "shift 3\n"
    "exec \"$@\"\n";

bool CanMountPrivately()
{
    return geteuid() == 0 && HaveTool("unshare") && CommandOutput({"unshare", "-m", "--propagation", "private", "true"});
}

class SavingATakeInTheProgram : public testing::Test {
protected:
    void SetUp() override
    {
        KVO_REQUIRE_DISPLAY();
        if (!platform::audio::SdlHasAudioDriver("disk"))
            GTEST_SKIP() << "this SDL has no 'disk' audio driver";
#if defined(__SANITIZE_THREAD__)
        // The program's GTK chooser hands folder reads over through GLib's
        // own locks, which the thread sanitizer it is built with cannot see
        // into: it would report GLib, not the save.
        GTEST_SKIP() << "GTK's file chooser under the thread sanitizer";
#endif
        song = program.Scratch("song.kvo");
        WriteFile(song, SongKvo(BurstPcm(44100, 2, 2.0, 0.8, 0.4, 600), {"Song", "Singer", u"", "KVO-0042", {}}));
        program.SetMicrophone(PcmBytes(BurstPcm(44100, 2, 3.0, 1.0, 0.4, 2500)));
    }

    // Records the song through to its end; the after-take window.
    std::optional<uitest::Geometry> RecordATake(const std::vector<std::string>& wrapper = {})
    {
        if (!program.Start({"/open", song}, wrapper)) {
            ADD_FAILURE() << "the program did not start: " << program.Said();
            return std::nullopt;
        }
        if (!program.Record()) {
            ADD_FAILURE() << "no recording: " << program.Said();
            return std::nullopt;
        }
        const auto dialog = program.WaitForWindow(RunningProgram::kAfterTake, 60000);
        if (!dialog)
            ADD_FAILURE() << "no take: " << program.Said();
        else if (!program.Sync())
            ADD_FAILURE() << "the program does not answer";
        return dialog;
    }

    // "Save to PC" with the path typed into the desktop's chooser; an
    // existing file is replaced when the chooser asks. A chooser that stands
    // still through every Return is put away and the save begun anew.
    bool SaveAs(const uitest::Geometry& dialog, const std::string& path)
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (const auto done = TrySaveAs(dialog, path))
                return *done;
        }
        return false;
    }
    std::optional<bool> TrySaveAs(const uitest::Geometry& dialog, const std::string& path)
    {
        auto seen = program.Windows();
        if (!program.ClickIn(dialog, kSaveButton.x, kSaveButton.y))
            return Failed("the save button could not be clicked");
        const auto chooser = program.WaitForNewWindow(seen, 10000);
        if (!chooser)
            return Failed("no chooser came");
        if (!program.Sync())
            return Failed("the program did not answer once the chooser came");
        if (!RunningProgram::TypeInto(*chooser, {"ctrl+a", "text:" + path}) || !program.Sync())
            return Failed("the name could not be typed into the chooser");
        seen.push_back(*chooser);
        // The chooser checks the name in its own time after Return: a
        // question comes, or the program's answer, or it goes. Return while
        // the list of names that match is open only closes that list, and
        // GTK lets one pass that comes while it still reads the folder just
        // typed: the chooser then stands as it was, and takes Return again.
        constexpr int kTries = 3;
        for (int tries = 0; tries < kTries; ++tries) {
            if (!RunningProgram::TypeInto(*chooser, {"Return"}) && Among(program.Windows(), *chooser))
                return Failed("Return could not be typed into the chooser");
            // A list of matches left open (or one that came just now) is
            // not among the windows the chooser may answer with; the next
            // Return closes it.
            if (const auto matches = CompletionList(seen, *chooser))
                seen.push_back(*matches);
            std::optional<unsigned long> question;
            const bool moved = program.WaitUntil(
                [&] {
                    // A window as large as a dialog: a tooltip or a list
                    // of matches is none.
                    for (unsigned long id : program.Windows()) {
                        const auto rect = uitest::WindowGeometry(id);
                        if (!Among(seen, id) && rect && rect->Height() >= 90)
                            question = id;
                    }
                    return question || !Among(program.Windows(), *chooser);
                },
                3000);
            if (!moved)
                continue;
            if (!question)
                return true;
            if (RunningProgram::WindowTitle(*question) == kCaption)
                return true;  // the program answers already
            if (!program.Sync() || !RunningProgram::TypeInto(*question, {"Return"}))  // "Replace"
                return Failed("the chooser's question could not be answered");
            return true;
        }
        // What stood still, for the log; then Escape (a list of matches
        // first, then the chooser) until the chooser has gone.
        uitest::Screenshot(uitest::ArtifactPath("save_chooser_stood_still.png"));
        std::string windows;
        for (unsigned long id : program.Windows())
            windows += " '" + RunningProgram::WindowTitle(id) + "'";
        std::fprintf(stderr, "the chooser stood still through every Return; windows:%s\n", windows.c_str());
        for (int escapes = 0; escapes < 3 && Among(program.Windows(), *chooser); ++escapes) {
            RunningProgram::TypeInto(*chooser, {"Escape"});
            program.WaitUntil([&] { return !Among(program.Windows(), *chooser); }, 3000);
        }
        if (Among(program.Windows(), *chooser) || !program.Sync())
            return Failed("the chooser that stood still could not be put away");
        return std::nullopt;
    }
    // A save that went wrong in the chooser, not in the program: what
    // happened and what stood on the screen, for the log.
    static bool Failed(const char* what)
    {
        std::fprintf(stderr, "saving through the chooser: %s\n", what);
        uitest::Screenshot(uitest::ArtifactPath("save_chooser_failed.png"));
        return false;
    }
    // The chooser's list of names that match what was typed: a low window
    // of the program not among `seen` that opens just under the chooser's
    // name field (a tooltip of the button clicked is elsewhere, and stays).
    std::optional<unsigned long> CompletionList(const std::vector<unsigned long>& seen, unsigned long chooser)
    {
        const auto under = uitest::WindowGeometry(chooser);
        if (!under)
            return std::nullopt;
        for (unsigned long id : program.Windows()) {
            const auto rect = uitest::WindowGeometry(id);
            if (!Among(seen, id) && rect && rect->top >= under->top && rect->top < under->top + 120 &&
                rect->left >= under->left - 20 && rect->left < under->right && rect->Height() < 90)
                return id;
        }
        return std::nullopt;
    }
    static bool Among(const std::vector<unsigned long>& ids, unsigned long id)
    {
        return std::find(ids.begin(), ids.end(), id) != ids.end();
    }

    // The message box the program shows after `said` of its output, with
    // the windows `seen` before it: its text; the box is closed.
    std::string Told(size_t said, const std::vector<unsigned long>& seen)
    {
        const std::string mark = "message box: ";
        if (!program.Process().WaitForOutput(
                [&](const std::string&, const std::string& err) { return err.find(mark, said) != std::string::npos; },
                15000))
            return {};
        // The text is written whole before the box shows.
        const auto box = program.WaitForNewWindow(seen, 10000, kCaption);
        const std::string& err = program.Said();
        std::string text = err.substr(err.find(mark, said) + mark.size());
        // Escape closes it as its only button would.
        if (!box || !program.Sync() || !RunningProgram::TypeInto(*box, {"Escape"}) ||
            !program.WaitForWindowGone(*box, uitest::kWaitMs))
            ADD_FAILURE() << "the message box could not be closed";
        return text;
    }

    RunningProgram program{RunningProgram::Sound::Disk};
    std::string song;
};

std::vector<uint8_t> OldTake()
{
    std::vector<uint8_t> bytes(20000);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(i * 7);
    return bytes;
}

}  // namespace

TEST_F(SavingATakeInTheProgram, WhatCannotBeReplacedIsKeptAndWhatCannotBeWrittenIsTold)
{
    const std::string keep = program.Scratch("kept.mp3");
    WriteFile(keep, OldTake());
    chmod(keep.c_str(), 0444);
    const std::string locked = program.Scratch("locked");
    const std::string small = program.Scratch("small");
    std::filesystem::create_directories(locked);
    std::filesystem::create_directories(small);
    const std::string old = program.Scratch("old take.mp3");
    WriteFile(old, OldTake());
    const bool privateMounts = CanMountPrivately();
    std::vector<std::string> wrapper;
    if (privateMounts)
        wrapper = {"/usr/bin/env", "unshare", "-m", "--propagation", "private", "sh", "-c", kPrivateMounts, "sh",
                   small, old, locked};
    // Without a mount of its own only a user other than the superuser
    // meets a folder it cannot write in.
    const bool lockable = privateMounts || geteuid() != 0;
    if (!privateMounts)
        chmod(locked.c_str(), 0555);
    const auto dialog = RecordATake(wrapper);
    ASSERT_TRUE(dialog);
    // What the program sees of its folders.
    const std::string root = privateMounts ? "/proc/" + std::to_string(program.Pid()) + "/root" : "";

    // A file that cannot be replaced stays as it was, the window stays open
    // and says why.
    struct Case {
        std::string target;
        bool exists;
        std::string reason;
    };
    std::vector<Case> cases;
    if (privateMounts)
        cases.push_back({small + "/old take.mp3", true, "No space left on device"});
    if (lockable)
        cases.push_back({locked + "/take.mp3", false, privateMounts ? "Read-only file system" : "Permission denied"});
    cases.push_back({keep, true, "write-protected"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        const size_t said = program.Said().size();
        const auto seen = program.Windows();
        ASSERT_TRUE(SaveAs(*dialog, c.target));
        const std::string told = Told(said, seen);
        EXPECT_EQ(told.rfind("The recording could not be saved to " + c.target, 0), 0u) << told;
        EXPECT_NE(told.find(c.reason), std::string::npos) << told;
        ASSERT_TRUE(program.FindWindow(RunningProgram::kAfterTake)) << "the window stays open";
        if (c.exists)
            EXPECT_EQ(ReadFile(root + c.target), OldTake());
        else
            EXPECT_FALSE(FileExists(root + c.target));
    }
    if (privateMounts) {
        std::vector<std::string> left;
        for (const auto& entry : std::filesystem::directory_iterator(root + small))
            left.push_back(entry.path().filename().string());
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, (std::vector<std::string>{"filler", "old take.mp3"})) << "no new file is left beside it";
    }
    chmod(locked.c_str(), 0755);

    // Room for the take's copy, not for the copy with the song id's tag in
    // front: the take is saved without it, and the window says so.
    if (!HaveTool("prlimit"))
        return;
    const auto taken = ReadFile(root + program.DataFolder() + "Cache.mp3");
    ASSERT_FALSE(taken.empty());
    const std::string limit = std::to_string(taken.size() + 1000);
    ASSERT_TRUE(CommandOutput({"prlimit", "--pid", std::to_string(program.Pid()), "--fsize=" + limit}));
    const std::string target = program.Scratch("tagless.mp3");
    const size_t said = program.Said().size();
    const auto seen = program.Windows();
    ASSERT_TRUE(SaveAs(*dialog, target));
    const std::string told = Told(said, seen);
    EXPECT_EQ(told.rfind("The recording was saved without the song's id to " + target, 0), 0u) << told;
    EXPECT_NE(told.find("File too large"), std::string::npos) << told;
    EXPECT_NE(told.find("cannot be uploaded"), std::string::npos) << told;
    EXPECT_EQ(ReadFile(target), taken) << "the take is saved whole, untagged";
    EXPECT_TRUE(program.WaitForNoWindow(RunningProgram::kAfterTake, 10000)) << "the take was saved: the window goes";
}

TEST_F(SavingATakeInTheProgram, TheChosenFileIsReplacedAsItIsNamed)
{
    const std::string folder = program.Scratch("Takes Folder");
    std::filesystem::create_directories(folder);
    const std::string target = folder + "/Mixed Case.mp3";
    WriteFile(target, OldTake());
    const auto dialog = RecordATake();
    ASSERT_TRUE(dialog);
    const auto taken = ReadFile(program.DataFolder() + "Cache.mp3");
    ASSERT_FALSE(taken.empty());

    ASSERT_TRUE(SaveAs(*dialog, target));
    ASSERT_TRUE(program.WaitForNoWindow(RunningProgram::kAfterTake, 15000)) << program.Said();
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"Mixed Case.mp3"}) << "no other file appears";
    // The take, behind the tag with the song's id.
    const auto saved = ReadFile(target);
    ASSERT_GT(saved.size(), taken.size()) << "the chosen file is the take";
    EXPECT_TRUE(std::equal(taken.begin(), taken.end(), saved.end() - taken.size()));
    EXPECT_EQ(std::string(saved.begin(), saved.begin() + 3), "ID3");
}
