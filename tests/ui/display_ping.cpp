#include "tests/ui/display_ping.h"

#include <X11/Xlib.h>

#include <chrono>

namespace uitest {

struct DisplayPing::Connection {
    Display* display = nullptr;
    Atom protocols = 0;
    Atom ping = 0;
    long serial = 0;
};

namespace {

// Errors of our own connection (a window that went meanwhile) are answers
// too; any other connection's go to the handler that was there before.
Display* g_ours = nullptr;
bool g_failed = false;
XErrorHandler g_before = nullptr;

int OnError(Display* display, XErrorEvent* error)
{
    if (display == g_ours) {
        g_failed = true;
        return 0;
    }
    return g_before ? g_before(display, error) : 0;
}

// Our connection's calls run with our error handler, put back after them.
class OwnErrors {
public:
    explicit OwnErrors(Display* display)
    {
        g_ours = display;
        g_failed = false;
        g_before = XSetErrorHandler(OnError);
    }
    ~OwnErrors()
    {
        XSetErrorHandler(g_before);
        g_ours = nullptr;
    }
};

}  // namespace

DisplayPing::DisplayPing() : connection_(new Connection)
{
    connection_->display = XOpenDisplay(nullptr);
    if (!connection_->display)
        return;
    Display* d = connection_->display;
    connection_->protocols = XInternAtom(d, "WM_PROTOCOLS", False);
    connection_->ping = XInternAtom(d, "_NET_WM_PING", False);
    // The answer goes to the root window, to whoever listens there.
    XSelectInput(d, DefaultRootWindow(d), SubstructureNotifyMask);
    XSync(d, False);
}

DisplayPing::~DisplayPing()
{
    if (connection_->display)
        XCloseDisplay(connection_->display);
    delete connection_;
}

bool DisplayPing::Answered(unsigned long window, int timeoutMs, const std::function<bool()>& meanwhile)
{
    Display* d = connection_->display;
    if (!d || window == 0)
        return false;
    const long serial = ++connection_->serial;
    {
        OwnErrors errors(d);
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = connection_->protocols;
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(connection_->ping);
        event.xclient.data.l[1] = serial;
        event.xclient.data.l[2] = static_cast<long>(window);
        XSendEvent(d, window, False, NoEventMask, &event);
        XSync(d, False);
        if (g_failed)
            return false;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        {
            OwnErrors errors(d);
            while (XPending(d) > 0) {
                XEvent answer;
                XNextEvent(d, &answer);
                if (answer.type == ClientMessage && answer.xclient.message_type == connection_->protocols &&
                    answer.xclient.data.l[0] == static_cast<long>(connection_->ping) &&
                    answer.xclient.data.l[1] == serial)
                    return true;
            }
        }
        if (std::chrono::steady_clock::now() >= end)
            return false;
        if (!meanwhile())
            return false;
    }
}

}  // namespace uitest
