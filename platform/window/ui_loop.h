#pragma once
// The UI thread's message loop (a GLib main loop): setting the window
// service up, running modal loops (the program's main window is one, and
// dialogs nest inside it), posting messages from any thread, and the
// pointer and screen queries.

#include <functional>

#include "platform/draw/geometry.h"
#include "platform/window/messages.h"

namespace platform {

class Window;

enum class DisplayMode {
    Auto,      // open the X display when one is reachable, else run in memory
    Headless,  // never touch a display: windows live in memory (tests)
};

// Makes the calling thread the UI thread. Returns true when windows appear
// on a display. Later calls change nothing and return the first answer.
bool InitWindowing(DisplayMode mode = DisplayMode::Auto);
bool HasDisplay();
bool IsUiThread();

// Runs a nested loop until EndModalLoop(window, code) or the window's
// destruction (result -1). Other windows keep their timers, posted messages
// and painting meanwhile.
int RunModalLoop(Window& window);
void EndModalLoop(Window& window, int code);
bool InModalLoop(const Window& window);

// A modal wait that runs a loop of its own (the desktop's message and file
// dialogs), known to CloseInnermostModal for as long as it lives: 'close'
// ends it as the dialog's close button would.
class ForeignModal {
public:
    explicit ForeignModal(std::function<void()> close);
    ~ForeignModal();
    ForeignModal(const ForeignModal&) = delete;
    ForeignModal& operator=(const ForeignModal&) = delete;

private:
    void* entry_;
};

// For a program that is ending: no dialog, message box, file chooser or
// popup menu opens any more; each answers at once as if it had been closed
// without a choice.
void SetClosingDown(bool closing);
bool ClosingDown();
// Closes the innermost modal wait that runs inside 'keep's own loop (a
// popup menu, a dialog, a message box, a file chooser) as its close button
// would; a wait asked before that is still open is ended by force (a
// dialog with IDCANCEL). False when nothing is open inside 'keep's loop.
bool CloseInnermostModal(const Window& keep);

// Handles everything that is ready, without waiting.
void PumpMessages();
// Handles messages until 'done' answers true or timeoutMs passes; returns
// done()'s last answer.
bool RunLoopUntil(const std::function<bool()>& done, int timeoutMs);

// Posts a message to a window; callable from any thread. Returns false
// (and leaves lParam to the caller) when the window does not exist or the
// service is not running. A window that is gone by the time the message
// comes up drops it; 'dropLParam', when given, then frees what lParam
// points to, so a record handed to a closing window is not lost memory.
bool PostMessage(WindowHandle hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                 void (*dropLParam)(LPARAM) = nullptr);

// The pointer's last known position on the screen.
Point GetCursorPos();
// The primary screen's area (1280 x 1024 in memory).
Rect GetScreenRect();
// The work area (the screen less the desktop's panels) of the monitor that
// holds the middle of 'near', or of the monitor nearest to it; the screen
// in memory.
Rect GetWorkAreaNear(const Rect& near);
// The desktop's id of a top-level window (an X window), 0 in memory.
unsigned long NativeWindowId(Window& top);
// The id of the desktop's top-level window that owns the pointer's
// position (shapes honoured), 0 in memory or over the bare desktop.
unsigned long NativeWindowUnderPointer();

}  // namespace platform
