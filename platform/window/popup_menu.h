#pragma once
// Plain popup menus in the desktop's ordinary look (the skinned windows
// draw their own): entries with check marks, greyed entries, separators and
// cascading sub-menus, tracked modally like the desktop's own menus.
//
// While a menu is tracked it holds the pointer and the keyboard: moving
// over an entry lights it, resting on an entry with a sub-menu opens it, a
// release over a command entry chooses it, a press outside the menu closes
// it (that whole click goes to the menu, so a press on the button that
// opened the menu does not open it again), and Escape closes the deepest
// level. Up, Down, Right, Left and Return move, open, close and choose.

#include <string>
#include <vector>

#include "platform/draw/geometry.h"
#include "platform/window/messages.h"

namespace platform {

class Window;

struct PopupMenuItem {
    UINT id = 0;  // the command; 0 for a separator or a sub-menu's entry
    std::string text;
    bool checked = false;
    bool grayed = false;
    std::vector<PopupMenuItem> subMenu;

    bool IsSeparator() const { return id == 0 && subMenu.empty(); }
};

// The entry with this command id anywhere in the menu, or null.
PopupMenuItem* FindMenuItem(std::vector<PopupMenuItem>& items, UINT id);

// Shows the menu with its top-left corner at 'screen' (moved to stay on the
// screen) above 'owner', and tracks it until an entry is chosen (its id is
// returned) or the menu is closed without a choice (0): a press outside,
// Escape at the top level, EndMenu, or the pointer taken by another
// window. UI thread; a second menu while one is tracked returns 0 at once.
UINT TrackPopupMenu(const std::vector<PopupMenuItem>& items, Point screen, Window* owner);
// Closes the menu being tracked, as the desktop does on WM_CANCELMODE;
// TrackPopupMenu then returns 0. Nothing happens when none is tracked.
void EndMenu();
bool IsMenuTracking();

// The open levels of the menu being tracked, the top level first (tests
// and pointer drivers find entries through them); empty when none.
std::vector<Window*> TrackedMenuLevels();
// Where entry 'index' of a tracked level lies, in the level's client
// coordinates; empty when there is no such entry.
Rect TrackedMenuItemRect(Window* level, int index);

}  // namespace platform
