#pragma once
// The program's popup menus, as the windows load them by resource id: each
// menu is a list of sub-menus, each sub-menu a list of entries (a command
// id and its text; id 0 is a separator).

#include <cstdint>
#include <span>

// Entry states.
inline constexpr unsigned MF_GRAYED = 0x0001;
inline constexpr unsigned MF_DISABLED = 0x0002;

inline constexpr unsigned IDR_PRIVATEBAR = 152;
inline constexpr unsigned IDR_LISTPOPUP = 153;
inline constexpr unsigned IDR_ADD = 154;
inline constexpr unsigned IDR_REMOVE = 155;
inline constexpr unsigned IDR_TRANSFER_KVO = 166;

struct MenuEntry {
    unsigned id;  // 0: separator
    const char* text;
    unsigned state = 0;
};

// Sub-menu 'index' of menu 'menuId'; empty when either does not exist.
std::span<const MenuEntry> LoadSubMenu(unsigned menuId, int index);
