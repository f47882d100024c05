#include "kvostudio/kvostudioapp.h"

#include <cstdio>

#include "kvostudio/crashdump.h"
#include "kvostudio/helpers.h"
#include "kvostudio/kvostudiodlg.h"
#include "kvostudio/startrequest.h"
#include "kvostudio/updatecheck.h"
#include "kvostudio/updatestep.h"
#include "kvostudio/userboxes.h"
#include "platform/instance/single_instance.h"
#include "platform/window/copy_data.h"
#include "platform/window/debug_output.h"
#include "platform/window/quit_signals.h"
#include "platform/window/ui_loop.h"

using namespace platform;

CKvoStudioApp theApp;

HandOffRequest CKvoStudioApp::MakeHandOff(const std::string& option, const std::string& path)
{
    HandOffRequest request;
    if (option == "/open")
        request.code = kOpenCode;
    else if (option == "/play")
        request.code = kPlayCode;
    else
        return request;
    if (path.size() > kMaxHandOffText) {
        // The running copy takes paths of up to 1023 bytes; a longer one is
        // not cut into another file's name.
        DebugOutput("The path is too long to hand to the running KVO Studio: " + path);
        request.code = kActivateCode;
        return request;
    }
    request.text = path;
    return request;
}

bool CKvoStudioApp::DeliverHandOff(Window* mainWindow, const HandOffRequest& request)
{
    if (!mainWindow || !mainWindow->PostMessage(WM_SYSCOMMAND, SC_RESTORE, 0))
        return false;
    if (request.code != kOpenCode && request.code != kPlayCode)
        return true;
    COPYDATASTRUCT* data = MakeCopyData(request.code, request.text);
    if (!PostMessage(mainWindow->GetSafeHwnd(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(data), FreeCopyData)) {
        FreeCopyData(reinterpret_cast<LPARAM>(data));
        return false;
    }
    return true;
}

bool CKvoStudioApp::CloseMainWindow(Window* mainWindow)
{
    if (!mainWindow)
        return false;
    // Whatever is open over the window (also a message box of its start,
    // before its own loop runs) closes as its close button would, one at a
    // time from the innermost, and asks nothing more on its way: a desktop
    // logout follows its request with SIGKILL soon after.
    SetClosingDown(true);
    if (CloseInnermostModal(*mainWindow))
        return false;
    // Only a window in its modal loop can end it; until then the request
    // waits.
    if (!mainWindow->IsWindow() || !InModalLoop(*mainWindow))
        return false;
    return PostMessage(mainWindow->GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(CKvoStudioDlg::kIdClose, BN_CLICKED), 0);
}

int CKvoStudioApp::InitInstance()
{
    // Its folder may not be a running copy's: the path is made whole here.
    const StartRequest start = ReadStartRequest(GetCommandLineArg(1), GetCommandLineArg(2), CurrentWorkingFolder());
    if (start.LacksItsFile()) {
        std::fputs(kStartUsage, stderr);
        return 2;
    }
    SingleInstance instance(kInstanceName);
    if (instance.Acquire() == SingleInstance::Role::Second) {
        // Another copy runs: it comes to the front and takes the file.
        SingleInstance::SendHandOff(kInstanceName, MakeHandOff(start.option, start.path));
        return 0;
    }
    const InstallCrashHandler crashHandler;
    if (!InitWindowing(DisplayMode::Auto)) {
        std::fputs("KVO Studio needs a graphical desktop (an X display) to show its window.\n", stderr);
        return 1;
    }
    ShowNoticesInBoxes();
    std::string updateNotice;
    if (RunStartupUpdate(kRunningVersion, updateNotice) == StartupUpdate::UpdaterStarted) {
        instance.Release();
        return 0;
    }
    // Ctrl+C and kill close the window as its close button does, so that
    // the work files go and the settings stay. Declared before the window:
    // a signal while the window is torn down waits instead of cutting the
    // tear-down short.
    const QuitSignalWatch quitSignals([this] { return CloseMainWindow(m_pMainWnd.load()); });
    int result;
    {
        CKvoStudioDlg dlg;
        m_pMainWnd = &dlg;
        StartupNotice notice;
        notice.ShowOver(&dlg, updateNotice);
        instance.Listen([this](const HandOffRequest& request) { return DeliverHandOff(m_pMainWnd.load(), request); });
        result = dlg.DoModal();
        instance.Release();
        m_pMainWnd = nullptr;
    }
    // The window and all it owned are gone, the work files with them; what
    // follows is the process's own end.
    DebugOutput("KVO Studio has closed\n");
    return result == -1 ? 1 : 0;
}
