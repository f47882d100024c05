// A machine with no sound server and no sound card, as the test's own
// environment makes it: the microphone's controls stay off, the preferences
// say that no input device was found, a recording that cannot start names
// the input and the reason, and ALSA says nothing on the terminal.

#include <fcntl.h>
#include <glob.h>
#include <unistd.h>

#include <fstream>

#include "kvostudio/mixer.h"
#include "kvostudio/preferencesdlg.h"
#include "platform/capture/capture_device.h"
#include "kvostudio/folders.h"
#include "tests/appsupport/scoped_env.h"
#include "tests/support/child_process.h"
#include "tests/mainwindow/mainwindow_fixture.h"

using namespace platform;
using namespace mainwindowtest;

namespace {

using D = CKvoStudioDlg;

bool MachineHasASoundCard()
{
    glob_t found{};
    const bool any = glob("/dev/snd/controlC*", 0, nullptr, &found) == 0 && found.gl_pathc > 0;
    globfree(&found);
    return any;
}

// Everything written on standard error while it lives goes to a file.
class StderrToFile {
public:
    explicit StderrToFile(const std::string& path)
    {
        std::fflush(stderr);
        saved_ = dup(2);
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        dup2(fd, 2);
        close(fd);
    }
    ~StderrToFile()
    {
        std::fflush(stderr);
        dup2(saved_, 2);
        close(saved_);
    }

private:
    int saved_ = -1;
};

class NoSoundDevice : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (MachineHasASoundCard())
            GTEST_SKIP() << "this machine has a sound card; the test needs one without";
        std::ofstream(dir.File("client.conf")) << "autospawn = no\n";
        env.Set("PULSE_SERVER", "unix:" + dir.File("no-server"));
        env.Set("PULSE_CLIENTCONFIG", dir.File("client.conf"));
        env.Clear("SDL_AUDIODRIVER");
        InstallMixerBackend(nullptr);
        InstallCaptureBackend(nullptr);
    }

    ScopedEnv env;
};

}  // namespace

TEST_F(NoSoundDevice, TheMicrophoneIsOffThePreferencesSaySoAndAlsaKeepsQuiet)
{
    const std::string errors = dir.File("stderr.txt");
    {
        StderrToFile quiet(errors);
        ASSERT_TRUE(Open());
        EXPECT_FALSE(win->HasInputDevice());
        Add(Kvo("a.kvo"), 1);
        ASSERT_EQ(win->PlayCurrent(), 1);
        EXPECT_EQ(win->GetLevelState(D::kMicrophone).available, 0);
        EXPECT_EQ(win->GetLevelSlider(D::kMicrophone).GetPos(), 0);

        CPreferencesDlg preferences(win.get());
        ASSERT_TRUE(preferences.Create(CPreferencesDlg::IDD));
        EXPECT_EQ(preferences.GetDeviceHint().rfind("No sound input device was found.", 0), 0u)
            << preferences.GetDeviceHint();
        preferences.DestroyWindow();

        // REC: the recording does not start, the user is told which input
        // and why, and no work file is left.
        win->StopPlayback();
        win->answers.push_back(Returns(IDOK));
        Click(win->GetButton(D::kSlotRecord));
        EXPECT_EQ(win->IsRecording(), 0);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_NE(boxes[0].text.find("The input device \""), std::string::npos) << boxes[0].text;
        EXPECT_NE(boxes[0].text.find("there is no sound card and no sound server answered"), std::string::npos)
            << boxes[0].text;
        for (const char* work : {"Cache", "OriginKVO", "Cache.mp3"})
            EXPECT_FALSE(testsupport::FileExists(dir.File(std::string("data/") + work))) << work;

        // ALSA asked for by name is tried, and finds nothing either.
        env.Set("SDL_AUDIODRIVER", "alsa");
        win->answers.push_back(Returns(IDOK));
        Click(win->GetButton(D::kSlotRecord));
        EXPECT_EQ(win->IsRecording(), 0);
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_NE(boxes[1].text.find("Couldn't open audio device"), std::string::npos) << boxes[1].text;
    }
    const std::string said = ReadText(errors);
    EXPECT_EQ(said.find("ALSA"), std::string::npos) << said;
    EXPECT_NE(ReadText(dir.File("data/log.txt")).find("ALSA"), std::string::npos) << "kept in the log instead";
}

TEST_F(NoSoundDevice, KvoplaySaysThereIsNothingToPlayOnInPlainWords)
{
    // Under the leak checker: what SDL and the desktop's libraries keep for
    // the life of the process is theirs.
    std::ofstream(dir.File("lsan.supp")) << "leak:libSDL2\nleak:libpulse.so\nleak:libdbus-1.so\n";
    testsupport::ChildProcess kvoplay;
    ASSERT_TRUE(kvoplay.Start({GetProgramFolder() + "kvoplay", Kvo("a.kvo")},
                              {"KVO_DATA_DIR=" + dir.Path(), "LSAN_OPTIONS=suppressions=" + dir.File("lsan.supp")}));
    EXPECT_EQ(kvoplay.Wait(20000), 1) << kvoplay.Err();
    EXPECT_NE(kvoplay.Err().find("No sound output could be opened to play on"), std::string::npos) << kvoplay.Err();
    EXPECT_EQ(kvoplay.Err().find("ALSA lib"), std::string::npos) << kvoplay.Err();
    EXPECT_EQ(kvoplay.Err().find("WAVE_MAPPER"), std::string::npos) << kvoplay.Err();
}
