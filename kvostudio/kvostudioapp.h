#pragma once
// The program's start-up: one running copy per user (a later start hands
// its "/open" or "/play" file to the first and ends), the crash handler,
// the update check, then the main window until it closes.

#include <atomic>
#include <string>

#include "kvostudio/signinstate.h"

namespace platform {
class Window;
struct HandOffRequest;
}  // namespace platform

class CKvoStudioApp {
public:
    // The name the running copy is found by.
    static constexpr char kInstanceName[] = "KVO Studio";
    static constexpr unsigned kOpenCode = 1001;
    static constexpr unsigned kPlayCode = 1002;
    // A request that only brings the running window to the front.
    static constexpr unsigned kActivateCode = 0;

    // Runs the start-up and, in the first copy, the main window; returns the
    // process's exit code (0 also for a later start that handed over).
    int InitInstance();

    // The session of the user signed in to the service.
    SignInState& Session() { return TheSignInState(); }

    // What a later start sends, from its first two arguments.
    static platform::HandOffRequest MakeHandOff(const std::string& option, const std::string& path);
    // The first start's side: brings the main window to the front and hands
    // it the file. False while there is no main window to take it.
    static bool DeliverHandOff(platform::Window* mainWindow, const platform::HandOffRequest& request);
    // Asks the main window to close as its close button does. False while
    // it cannot (not yet running).
    static bool CloseMainWindow(platform::Window* mainWindow);

private:
    std::atomic<platform::Window*> m_pMainWnd{nullptr};
};

extern CKvoStudioApp theApp;
