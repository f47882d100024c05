#include "platform/window/message_box.h"

#include <gtk/gtk.h>

#include <cstdio>

#include "platform/window/debug_output.h"
#include "platform/window/desktop_widget.h"
#include "platform/window/ui_loop.h"
#include "platform/window/window.h"

namespace platform {

namespace {

MessageBoxHandler& Handler()
{
    static MessageBoxHandler handler;
    return handler;
}

int FirstButton(UINT type)
{
    switch (type & 0xF) {
    case MB_YESNO:
    case MB_YESNOCANCEL:
        return IDYES;
    default:
        return IDOK;
    }
}

// The answer of a box closed without a button: the cancelling one when
// there is one.
int ClosedAnswer(UINT type)
{
    const UINT buttons = type & 0xF;
    if (buttons == MB_OKCANCEL || buttons == MB_YESNOCANCEL)
        return IDCANCEL;
    if (buttons == MB_YESNO)
        return IDNO;
    return IDOK;
}

int ShowOnDesktop(Window* owner, const MessageBoxRequest& req)
{
    GtkWindow* parent = nullptr;
    if (owner && owner->IsWindow())
        parent = GTK_WINDOW(DesktopWidgetOf(*owner));
    GtkMessageType kind = GTK_MESSAGE_OTHER;
    switch (req.type & 0xF0) {
    case MB_ICONERROR:
        kind = GTK_MESSAGE_ERROR;
        break;
    case MB_ICONQUESTION:
        kind = GTK_MESSAGE_QUESTION;
        break;
    case MB_ICONWARNING:
        kind = GTK_MESSAGE_WARNING;
        break;
    case MB_ICONINFORMATION:
        kind = GTK_MESSAGE_INFO;
        break;
    default:
        break;
    }
    GtkWidget* box = gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, kind, GTK_BUTTONS_NONE, "%s", req.text.c_str());
    gtk_window_set_title(GTK_WINDOW(box), req.caption.c_str());
    switch (req.type & 0xF) {
    case MB_OKCANCEL:
        gtk_dialog_add_buttons(GTK_DIALOG(box), "_OK", IDOK, "_Cancel", IDCANCEL, nullptr);
        break;
    case MB_YESNO:
        gtk_dialog_add_buttons(GTK_DIALOG(box), "_Yes", IDYES, "_No", IDNO, nullptr);
        break;
    case MB_YESNOCANCEL:
        gtk_dialog_add_buttons(GTK_DIALOG(box), "_Yes", IDYES, "_No", IDNO, "_Cancel", IDCANCEL, nullptr);
        break;
    default:
        gtk_dialog_add_buttons(GTK_DIALOG(box), "_OK", IDOK, nullptr);
        break;
    }
    int response;
    {
        const ForeignModal modal([box] { gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_DELETE_EVENT); });
        response = gtk_dialog_run(GTK_DIALOG(box));
    }
    gtk_widget_destroy(box);
    return response > 0 ? response : ClosedAnswer(req.type);
}

}  // namespace

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler)
{
    MessageBoxHandler old = std::move(Handler());
    Handler() = std::move(handler);
    return old;
}

int MessageBox(Window* owner, const std::string& text, const std::string& caption, UINT type)
{
    MessageBoxRequest req{owner ? owner->GetSafeHwnd() : 0, text, caption, type};
    if (ClosingDown()) {
        DebugOutput("message box not shown, the program is closing: " + text + "\n");
        return ClosedAnswer(type);
    }
    // What the user was told, for whoever follows the program's debug lines.
    DebugOutput("message box: " + text + "\n");
    Window* ownerTop = (owner && owner->IsWindow()) ? owner->GetTopLevel() : nullptr;
    const WindowHandle ownerHandle = ownerTop ? ownerTop->GetSafeHwnd() : 0;
    const bool disable = ownerTop && ownerTop->IsWindowEnabled();
    if (disable)
        ownerTop->EnableWindow(false);
    int answer;
    if (Handler())
        answer = Handler()(req);
    else if (HasDisplay() && IsUiThread())
        answer = ShowOnDesktop(ownerTop, req);
    else {
        std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
        answer = FirstButton(type);
    }
    if (disable)
        if (Window* o = Window::FromHandle(ownerHandle))
            o->EnableWindow(true);
    return answer;
}

}  // namespace platform
