#include "kvostudio/userboxes.h"

#include "kvostudio/usernotice.h"
#include "platform/window/debug_output.h"
#include "platform/window/message_box.h"
#include "platform/window/ui_loop.h"

void ShowFileProblems(platform::Window* owner, const std::vector<FileProblem>& problems)
{
    if (problems.empty())
        return;
    const std::string text = FileProblemsText(problems);
    platform::DebugOutput("file message: " + text);
    platform::MessageBox(owner, text, "KVO Studio", platform::MB_OK | platform::MB_ICONWARNING);
}

void ShowNoticesInBoxes()
{
    SetNoticeShower([](const std::string& text) {
        // Boxes belong to the UI thread.
        if (!platform::IsUiThread())
            return false;
        platform::MessageBox(nullptr, text, "KVO Studio");
        return true;
    });
}
