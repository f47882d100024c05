#pragma once
// The update step of start-up, with the user. When the service names a
// newer version, its updater is downloaded in a progress window that the
// user can close to cancel; once it is whole the user is asked whether to
// install it now, and on yes it is started and start-up ends. Anything else
// (no answer, a failed or cancelled download, no) lets the program start
// as usual; a failure leaves one notice saying why, to be shown once the
// main window is up (StartupNotice).

#include <string>

#include "platform/window/window.h"

enum class StartupUpdate {
    StartProgram,    // go on to the main window
    UpdaterStarted,  // the updater runs: start-up ends here
};

// UI thread, before the main window. notice: empty, or the text that tells
// the user the update failed.
StartupUpdate RunStartupUpdate(const char* runningVersion, std::string& notice);

// Shows a message box over a window once that window's loop runs, so that
// a notice known before the main window exists appears over it and does
// not keep it from opening.
class StartupNotice : public platform::Window {
public:
    // Nothing happens for an empty text.
    void ShowOver(platform::Window* owner, const std::string& text);

protected:
    platform::LRESULT WindowProc(platform::UINT msg, platform::WPARAM wParam, platform::LPARAM lParam) override;

private:
    platform::Window* owner_ = nullptr;
    std::string text_;
};
