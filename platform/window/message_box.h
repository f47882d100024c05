#pragma once
// Message boxes: a modal question or notice with a caption, a text, an
// icon and a set of buttons, answered with the button's command id.
// On the desktop it is a GTK message dialog over its owner; without a
// display the text goes to standard error and the first button answers.
// Tests install a handler to see the boxes and answer them.

#include <functional>
#include <string>

#include "platform/window/messages.h"

namespace platform {

class Window;

enum : UINT {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
};

struct MessageBoxRequest {
    WindowHandle owner = 0;
    std::string text;
    std::string caption;
    UINT type = MB_OK;
};

using MessageBoxHandler = std::function<int(const MessageBoxRequest&)>;

// Replaces how boxes are shown (an empty handler restores the default);
// returns the previous handler.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// Returns IDOK, IDCANCEL, IDYES or IDNO. The owner's window is disabled
// while the box is up. UI thread only.
int MessageBox(Window* owner, const std::string& text, const std::string& caption, UINT type = MB_OK);

}  // namespace platform
