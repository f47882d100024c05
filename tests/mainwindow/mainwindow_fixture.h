// What the main window tests share: the window on in-memory windows with
// its modal dialogs answered by the test, a private data folder, songs made
// at test time, the simulated sound device and an in-memory mixer, message
// boxes and file choosers answered from a script, and clicks on controls.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include <gtest/gtest.h>

#include "kvostudio/kvostudiodlg.h"
#include "platform/audio/sim_output.h"
#include "platform/mixer/memory_mixer.h"
#include "platform/window/message_box.h"
#include "tests/playlist/playlist_test_env.h"
#include "tests/support/temp_files.h"

namespace mainwindowtest {

using playlisttest::SongTags;

// The main window with its modal dialogs answered by the test, in order,
// and its command line given by the test.
class TestMainWindow : public CKvoStudioDlg {
public:
    using Answer = std::function<int(platform::Dialog&)>;

    std::deque<Answer> answers;
    // The type of every dialog the window opened, in order.
    std::vector<std::string> dialogs;
    std::string arg1;
    std::string arg2;

    template <class T>
    int Opened() const
    {
        int n = 0;
        for (const std::string& name : dialogs)
            n += name == typeid(T).name();
        return n;
    }

protected:
    int RunModal(platform::Dialog& dlg) override
    {
        dialogs.push_back(typeid(dlg).name());
        if (answers.empty())
            return platform::IDCANCEL;
        Answer answer = answers.front();
        answers.pop_front();
        return answer(dlg);
    }
    std::string CommandLineArg(int index) override { return index == 1 ? arg1 : index == 2 ? arg2 : ""; }
};

// An answer that only returns a code.
inline TestMainWindow::Answer Returns(int code)
{
    return [code](platform::Dialog&) { return code; };
}
// An answer that runs the dialog for real and, once it is up, the script.
TestMainWindow::Answer RunsWith(std::function<void(platform::Dialog&)> script);

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Builds the window (modeless, shown) with the command line given.
    // False when it failed.
    bool Open(const std::string& arg1 = "", const std::string& arg2 = "");
    void Close();

    std::string Kvo(const std::string& name, const SongTags& tags = {"Song", "Singer", ""}, int seconds = 2);
    std::string Mp3(const std::string& name, const SongTags& tags = {"Tune", "Player", ""}, int seconds = 2);
    // Adds the file to the list and waits until the list has read it.
    void Add(const std::string& path, int makeCurrent);

    // A click on a control of the window (a press and a release in its middle).
    void Click(platform::Window& control);
    // Runs the loop until 'done' holds; the bound is generous, for a busy
    // machine and the sanitizer builds.
    bool WaitFor(const std::function<bool()>& done, int timeoutMs = 30000);
    void Pump();

    // The text of every message box shown so far.
    std::vector<std::string> BoxTexts() const;

    testsupport::TempDir dir;
    std::unique_ptr<TestMainWindow> win;
    std::shared_ptr<platform::audio::SimulatedOutput> sound;
    std::shared_ptr<platform::MemoryMixer> mixer;
    std::shared_ptr<platform::MixerBackend> previousMixer;
    std::vector<platform::MessageBoxRequest> boxes;
    std::deque<int> boxAnswers;
    // Paths each file chooser answers with, in order (none: cancelled).
    std::deque<std::vector<std::string>> chooserAnswers;
    int choosersShown = 0;
};

}  // namespace mainwindowtest
