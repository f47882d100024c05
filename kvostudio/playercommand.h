#pragma once
// The program's one command message. Menus, links, lists, dialogs and
// workers send or post it to the main window (or to a window that passes
// it on). wParam holds either a menu id (32797..32836) or one of the
// program's own command codes (33769..33783); lParam a row, a pending command or a record the receiver
// frees, 0 when there is nothing.

#include "platform/window/messages.h"

inline constexpr platform::UINT WM_PLAYER_COMMAND = platform::WM_APP + 1000;

// Play the playlist's current item (lParam 0 or the row chosen), and stop
// playing (the playlist's current item was removed).
inline constexpr unsigned ID_CMD_PLAY = 33778;
inline constexpr unsigned ID_CMD_STOP = 33779;
