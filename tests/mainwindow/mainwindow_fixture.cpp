#include "tests/mainwindow/mainwindow_fixture.h"

#include <cstdlib>

#include "kvostudio/playlistdlg.h"
#include "kvostudio/signinstate.h"
#include "kvostudio/mixer.h"
#include "platform/audio/audio_output.h"
#include "platform/capture/sim_capture.h"
#include "platform/window/file_dialog.h"
#include "platform/window/input_injection.h"
#include "platform/window/popup_menu.h"
#include "platform/window/ui_loop.h"
#include "tests/mainwindow/script.h"

using namespace platform;

namespace mainwindowtest {

namespace {

// A window that runs a script once a modal loop it was posted into runs.
class ScriptRunner : public Window {
public:
    static constexpr UINT kRun = WM_APP + 902;
    std::function<void()> script;

    const MessageMap* GetMessageMap() const override
    {
        using M = MessageMap;
        static const M map(Window::GetMessageMap(), {M::On(kRun, &ScriptRunner::OnRun)});
        return &map;
    }

private:
    LRESULT OnRun(const Message&)
    {
        script();
        return 0;
    }
};

}  // namespace

TestMainWindow::Answer RunsWith(std::function<void(Dialog&)> script)
{
    return [script](Dialog& dlg) {
        ScriptRunner runner;
        runner.CreateEx(0, "Script", "", WS_POPUP, {0, 0, 1, 1}, nullptr, 0);
        runner.script = [&] {
            script(dlg);
            PumpMessages();
            // A dialog the script left open ends, so that no test hangs.
            if (dlg.IsWindow() && InModalLoop(dlg))
                EndModalLoop(dlg, -99);
        };
        runner.PostMessage(ScriptRunner::kRun);
        const int result = dlg.DoModal();
        runner.DestroyWindow();
        return result;
    };
}

void MainWindowTest::SetUp()
{
    InitWindowing(DisplayMode::Headless);
    setenv("KVO_DATA_DIR", (dir.Path() + "/data/").c_str(), 1);
    TheSignInState().Clear();
    sound = std::make_shared<audio::SimulatedOutput>();
    sound->SetStepped();
    audio::UseSimulatedOutput(sound);

    mixer = std::make_shared<MemoryMixer>();
    MemoryMixer::Device card;
    card.productName = "Test card";
    MemoryMixer::Line microphone;
    microphone.name = "Mic";
    microphone.componentType = MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
    // The level a desktop would show at the start.
    microphone.values = {MixerValueOfPercent(77), MixerValueOfPercent(77)};
    card.capture.push_back(microphone);
    mixer->devices.push_back(card);
    previousMixer = InstallMixerBackend(mixer);
    InstallCaptureBackend(std::make_shared<SimCaptureBackend>(SimCaptureScript{}));

    SetMessageBoxHandler([this](const MessageBoxRequest& request) {
        boxes.push_back(request);
        if (boxAnswers.empty())
            return int(IDOK);
        const int answer = boxAnswers.front();
        boxAnswers.pop_front();
        return answer;
    });
    SetFileDialogHandler([this](const FileDialogRequest&) {
        ++choosersShown;
        FileDialogAnswer answer;
        if (!chooserAnswers.empty()) {
            answer.paths = chooserAnswers.front();
            chooserAnswers.pop_front();
            answer.ok = !answer.paths.empty();
        }
        return answer;
    });
}

void MainWindowTest::TearDown()
{
    if (IsMenuTracking())
        EndMenu();
    Close();
    SetMessageBoxHandler(nullptr);
    SetFileDialogHandler(nullptr);
    InstallMixerBackend(previousMixer);
    InstallCaptureBackend(nullptr);
    audio::UseDefaultOutput();
    TheSignInState().Clear();
    PumpMessages();
    unsetenv("KVO_DATA_DIR");
}

bool MainWindowTest::Open(const std::string& arg1, const std::string& arg2)
{
    win = std::make_unique<TestMainWindow>();
    win->arg1 = arg1;
    win->arg2 = arg2;
    if (!win->Create(CKvoStudioDlg::IDD, nullptr))
        return false;
    Pump();
    return true;
}

void MainWindowTest::Close()
{
    if (!win)
        return;
    if (win->IsWindow())
        win->DestroyWindow();
    PumpMessages();
    win.reset();
}

std::string MainWindowTest::Kvo(const std::string& name, const SongTags& tags, int seconds)
{
    return playlisttest::WriteKvoSong(dir, name, tags, seconds);
}

std::string MainWindowTest::Mp3(const std::string& name, const SongTags& tags, int seconds)
{
    return playlisttest::WriteMp3Song(dir, name, tags, seconds);
}

void MainWindowTest::Add(const std::string& path, int makeCurrent)
{
    win->GetPlayList()->AddFile(path, makeCurrent, 0);
}

void MainWindowTest::Click(Window& control)
{
    Window* top = control.GetTopLevel();
    const Rect r = top->ScreenToClient(control.ClientToScreen(control.GetClientRect()));
    const Point p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    InjectMouseMove(*top, p);
    InjectMouseButton(*top, 1, true, p);
    InjectMouseButton(*top, 1, false, p);
    PumpMessages();
}

bool MainWindowTest::WaitFor(const std::function<bool()>& done, int timeoutMs)
{
    // The sanitizer builds run several times slower, more so beside other
    // work; the bound only ends a wait that would never succeed.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
    timeoutMs *= 4;
#endif
    return RunLoopUntil(done, timeoutMs);
}

void MainWindowTest::Pump()
{
    PumpMessages();
}

std::vector<std::string> MainWindowTest::BoxTexts() const
{
    std::vector<std::string> texts;
    for (const MessageBoxRequest& box : boxes)
        texts.push_back(box.text);
    return texts;
}

}  // namespace mainwindowtest
