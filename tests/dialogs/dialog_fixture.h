// What the dialog tests share: in-memory windows, a private data folder,
// message boxes and file choosers answered by the test, clicks, and a way
// to act on a modal dialog while its DoModal runs.
#pragma once

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/window/dialog.h"
#include "platform/window/file_dialog.h"
#include "platform/window/input_injection.h"
#include "platform/window/message_box.h"
#include "platform/window/ui_loop.h"
#include "tests/support/temp_files.h"

namespace dialogtest {

// A hidden window that runs a script when its posted message comes up.
class ScriptWindow : public platform::Window {
public:
    static constexpr platform::UINT kRun = platform::WM_APP + 77;
    std::function<void()> script;

    const platform::MessageMap* GetMessageMap() const override
    {
        using M = platform::MessageMap;
        static const M map(platform::Window::GetMessageMap(), {M::On(kRun, &ScriptWindow::OnRun)});
        return &map;
    }

private:
    platform::LRESULT OnRun(const platform::Message&)
    {
        if (script)
            script();
        return 0;
    }
};

// The result DoModal gives when the script left the dialog open.
inline constexpr int kLeftOpen = -99;

// Runs dlg.DoModal() and, once the dialog is up, the script; a dialog the
// script did not end is ended with kLeftOpen, so a test never hangs.
inline int RunModal(platform::Dialog& dlg, const std::function<void()>& script)
{
    ScriptWindow helper;
    helper.CreateEx(0, "Script", "", platform::WS_POPUP, {0, 0, 1, 1}, nullptr, 0);
    helper.script = [&] {
        script();
        platform::PumpMessages();
        if (dlg.IsWindow() && platform::InModalLoop(dlg))
            platform::EndModalLoop(dlg, kLeftOpen);
    };
    helper.PostMessage(ScriptWindow::kRun);
    const int result = dlg.DoModal();
    helper.DestroyWindow();
    return result;
}

inline void Click(platform::Window& top, platform::Point p)
{
    platform::InjectMouseMove(top, p);
    platform::InjectMouseButton(top, 1, true, p);
    platform::InjectMouseButton(top, 1, false, p);
    platform::PumpMessages();
}

inline void Key(platform::Window& top, platform::WPARAM vk, uint32_t ch = 0)
{
    platform::InjectKey(top, true, vk, ch);
    platform::InjectKey(top, false, vk);
    platform::PumpMessages();
}

// The middle of a child window, in its top-level's client coordinates.
inline platform::Point CentreOf(platform::Window& child)
{
    platform::Window* top = child.GetTopLevel();
    const platform::Rect r = top->ScreenToClient(child.ClientToScreen(child.GetClientRect()));
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class DialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        platform::InitWindowing(platform::DisplayMode::Headless);
        dataDir = dir.Path() + "/data/";
        std::filesystem::create_directories(dataDir);
        ::setenv("KVO_DATA_DIR", dataDir.c_str(), 1);
        platform::SetMessageBoxHandler([this](const platform::MessageBoxRequest& req) {
            boxes.push_back(req);
            if (boxAnswers.empty())
                return (req.type & 0xF) == platform::MB_YESNO ? int(platform::IDNO) : int(platform::IDOK);
            const int answer = boxAnswers.front();
            boxAnswers.pop_front();
            return answer;
        });
        platform::SetFileDialogHandler([this](const platform::FileDialogRequest& req) {
            choosers.push_back(req);
            platform::FileDialogAnswer answer;
            if (!chooserAnswers.empty()) {
                answer.paths = chooserAnswers.front();
                chooserAnswers.pop_front();
                answer.ok = !answer.paths.empty();
            }
            return answer;
        });
    }
    void TearDown() override
    {
        platform::SetMessageBoxHandler(nullptr);
        platform::SetFileDialogHandler(nullptr);
        platform::PumpMessages();
        ::unsetenv("KVO_DATA_DIR");
    }

    // The next chooser answers with these paths (none: cancelled).
    void AnswerChooser(std::vector<std::string> paths) { chooserAnswers.push_back(std::move(paths)); }

    testsupport::TempDir dir;
    std::string dataDir;
    std::vector<platform::MessageBoxRequest> boxes;
    std::deque<int> boxAnswers;
    std::vector<platform::FileDialogRequest> choosers;
    std::deque<std::vector<std::string>> chooserAnswers;
};

}  // namespace dialogtest
