#include "kvostudio/menuresource.h"

#include <array>

namespace {

constexpr MenuEntry kPrivateBar[] = {
    {32817, "KVO convert"}, {32818, "Buy Ticket"}, {0, ""},
    {32819, "My pellam-box"}, {32820, "KVO Files"}, {32821, "UCC Files"},
};
constexpr MenuEntry kListPopup[] = {
    {32822, "Play"}, {32823, "Remove selected"}, {32824, "Remove all"}, {32829, "Buy Ticket"},
};
constexpr MenuEntry kAdd[] = {{32836, "Add file(s)"}, {32826, "KVO download"}};
constexpr MenuEntry kRemove[] = {{32823, "Remove selected"}, {32824, "Remove all"}};
constexpr MenuEntry kTransferKvo[] = {{32831, "To Mobile"}, {32832, "From Mobile"}};

struct MenuResource {
    unsigned id;
    std::span<const MenuEntry> submenu0;
};

constexpr std::array kMenus = {
    MenuResource{IDR_PRIVATEBAR, kPrivateBar}, MenuResource{IDR_LISTPOPUP, kListPopup},
    MenuResource{IDR_ADD, kAdd}, MenuResource{IDR_REMOVE, kRemove},
    MenuResource{IDR_TRANSFER_KVO, kTransferKvo},
};

}  // namespace

std::span<const MenuEntry> LoadSubMenu(unsigned menuId, int index)
{
    if (index != 0)
        return {};
    for (const MenuResource& m : kMenus)
        if (m.id == menuId)
            return m.submenu0;
    return {};
}
