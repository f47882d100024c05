// Whether another program on the display has handled the input the display
// holds for it so far. The display's ping (the window manager's
// _NET_WM_PING) goes to one of its windows; its toolkit answers it only
// once every event that came before it is handled, clicks and keys
// included. A test waits for the answer instead of for a time it hopes is
// long enough.
#pragma once

#include <functional>

namespace uitest {

class DisplayPing {
public:
    DisplayPing();
    ~DisplayPing();
    DisplayPing(const DisplayPing&) = delete;
    DisplayPing& operator=(const DisplayPing&) = delete;

    // Pings the window (an X window id) and waits for its answer, calling
    // 'meanwhile' while it waits (a test drains the program's output
    // there; false from it ends the wait); false when no answer came
    // within timeoutMs or the window is not there.
    bool Answered(unsigned long window, int timeoutMs, const std::function<bool()>& meanwhile);

private:
    struct Connection;
    Connection* connection_;
};

}  // namespace uitest
