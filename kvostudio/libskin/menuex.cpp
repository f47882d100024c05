#include "kvostudio/libskin/menuex.h"

#include "kvostudio/libskin/memdc.h"
#include "kvostudio/libskin/skinbitmap.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "kvostudio/messages.h"
#include "kvostudio/playercommand.h"
#include "kvostudio/registeredmessages.h"
#include "kvostudio/settings.h"
#include "platform/window/mouse_hook.h"
#include "platform/window/paint_dc.h"
#include "platform/window/ui_loop.h"

using namespace platform;

namespace {

const char* const kNormalImages[CMenuEx::kItemCount] = {skin::kMenuFile, skin::kMenuPlay, skin::kMenuOption,
                                                        skin::kMenuHelp};
const char* const kHoverImages[CMenuEx::kItemCount] = {skin::kMenuFileOver, skin::kMenuPlayOver,
                                                       skin::kMenuOptionOver, skin::kMenuHelpOver};
const char* const kOpenImages[CMenuEx::kItemCount] = {skin::kMenuFileDown, skin::kMenuPlayDown,
                                                      skin::kMenuOptionDown, skin::kMenuHelpDown};

constexpr unsigned kRepeatOff = 32806;
constexpr unsigned kRepeatAll = 32807;
constexpr unsigned kRepeatOne = 32808;

PopupMenuItem Entry(unsigned id, const char* text)
{
    PopupMenuItem item;
    item.id = id;
    item.text = text;
    return item;
}

PopupMenuItem Separator()
{
    return {};
}

// The main menu: one pull-down per item of the bar.
std::vector<PopupMenuItem> MainMenu(int index)
{
    switch (index) {
    case 0:
        return {Entry(32797, "Open file..."), Entry(32798, "KVO download"), Entry(32835, "UCC Upload"), Separator(),
                Entry(32799, "Exit")};
    case 1: {
        PopupMenuItem repeat;
        repeat.text = "Repeat";
        repeat.subMenu = {Entry(kRepeatOff, "Off"), Entry(kRepeatAll, "All"), Entry(kRepeatOne, "One")};
        return {Entry(32800, "Play"),      Entry(32801, "Pause"),         Entry(32802, "Stop"),
                Separator(),               Entry(32803, "Next"),          Entry(32804, "Previous"),
                Separator(),               Entry(32805, "Shuffle"),       repeat,
                Separator(),               Entry(32809, "Volume Up"),     Entry(32810, "Volume Down")};
    }
    case 2:
        return {Entry(32811, "UCC editor"), Entry(32812, "Preferences...")};
    case 3:
        return {Entry(32813, "KVO Studio Help"), Entry(32814, "Your account"), Entry(32815, LoadStringTableEntry(124)),
                Entry(32816, "About KVO Studio")};
    default:
        return {};
    }
}

}  // namespace

// --- the hook ---------------------------------------------------------------

CWndMenu::~CWndMenu()
{
    RemoveHook();
    m_libraryLoaded = false;
}

void CWndMenu::LoadHookLibrary()
{
    // The reports come from the window layer, which is always there.
    m_libraryLoaded = true;
}

void CWndMenu::InstallHook()
{
    if (m_libraryLoaded && m_hookWindow)
        SetMouseMoveHook(m_hookWindow, GetMouseMoveHookMessage());
}

void CWndMenu::RemoveHook()
{
    if (m_libraryLoaded && m_hookWindow)
        ClearMouseMoveHook(m_hookWindow);
}

bool CWndMenu::IsHookInstalled() const
{
    return m_hookWindow && HasMouseMoveHook(m_hookWindow);
}

// --- the bar ----------------------------------------------------------------

CMenuEx::CMenuEx(Window* owner, int x, int y) : m_owner(owner)
{
    for (int i = 0; i < kItemCount; ++i) {
        m_normal[i] = LoadSkinBitmap(kNormalImages[i]);
        m_hover[i] = LoadSkinBitmap(kHoverImages[i]);
        m_open[i] = LoadSkinBitmap(kOpenImages[i]);
        if (m_normal[i].IsNull() || m_hover[i].IsNull() || m_open[i].IsNull()) {
            m_valid = 0;
            return;
        }
    }
    if (!owner || !owner->IsWindow() ||
        !CreateEx(0, "MenuEx", "", WS_CHILD | WS_VISIBLE, RectOfSize(x, y, kWidth, kHeight), owner, 0)) {
        m_valid = 0;
        return;
    }
    // The hook is set only while a pull-down holds the pointer: an idle
    // bar must not keep the program awake following it.
    LoadHookLibrary();
    SetHookWindow(GetSafeHwnd());
}

CMenuEx::~CMenuEx()
{
    RemoveHook();
}

std::vector<PopupMenuItem> CMenuEx::PopupItems(int index)
{
    std::vector<PopupMenuItem> items = MainMenu(index);
    if (index == 1) {
        int repeat = 0;
        ReadConfigInt(config::kGeneral, config::kRepeat, &repeat);
        const unsigned checked = repeat == 0 ? kRepeatAll : repeat == 1 ? kRepeatOne : repeat == 2 ? kRepeatOff : 0;
        if (PopupMenuItem* item = FindMenuItem(items, checked))
            item->checked = true;
    }
    return items;
}

void CMenuEx::SetAllStates(int state)
{
    for (int& s : m_states)
        s = state;
}

int CMenuEx::ItemAt(Point client) const
{
    for (int i = 0; i < kItemCount; ++i)
        if (kItemRects[i].Contains(client))
            return i;
    return -1;
}

void CMenuEx::ShowPopup(int index)
{
    const std::vector<PopupMenuItem> items = PopupItems(index);
    if (items.empty() || !IsWindow())
        return;
    m_openItem = index;
    m_states[index] = kOpen;
    Invalidate(false);
    const WindowHandle self = GetSafeHwnd();
    const Point corner = ClientToScreen(Point{kItemRects[index].left, kItemRects[index].bottom});
    InstallHook();
    const UINT chosen = TrackPopupMenu(items, corner, this);
    if (FromHandle(self) != this)
        return;
    RemoveHook();
    if (GetCapture() == this)
        ReleaseCapture();
    m_openItem = -1;
    SetAllStates(kNormal);
    Invalidate(false);
    // The choice arrives as a command of its own once the menu is gone, as
    // a desktop menu's does, so whatever it starts runs outside this call.
    if (chosen)
        PostMessage(WM_COMMAND, MAKEWPARAM(static_cast<int>(chosen), 0), 0);
}

void CMenuEx::OnHookMouseMove()
{
    // A pull-down of the bar is being tracked; the bar sees the pointer
    // only through the hook.
    if (m_openItem == -1 || !IsMenuTracking())
        return;
    const int item = ItemAt(ScreenToClient(GetCursorPos()));
    if (item < 0 || item == m_openItem)
        return;
    m_nextItem = item;
    SendMessage(WM_CANCELMODE);
    PostMessage(WM_TIMER, kSwitchTimer);
    m_states[item] = kNormal;
}

void CMenuEx::Render(DC& dc) const
{
    for (int i = 0; i < kItemCount; ++i) {
        const Bitmap& image = m_states[i] == kHover ? m_hover[i] : m_states[i] == kOpen ? m_open[i] : m_normal[i];
        const Rect& r = kItemRects[i];
        dc.BitBlt(r.left, r.top, r.Width(), r.Height(), image, 0, 0);
    }
}

const MessageMap* CMenuEx::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(Window::GetMessageMap(), {
        M::On(WM_PAINT, &CMenuEx::OnPaint),
        M::On(WM_ERASEBKGND, &CMenuEx::OnEraseBkgnd),
        M::On(WM_MOUSEMOVE, &CMenuEx::OnMouseMove),
        M::On(WM_MOUSELEAVE, &CMenuEx::OnMouseLeave),
        M::On(WM_LBUTTONDOWN, &CMenuEx::OnLButtonDown),
        M::On(WM_LBUTTONUP, &CMenuEx::OnLButtonUp),
        M::On(WM_TIMER, &CMenuEx::OnTimer),
        M::On(WM_CANCELMODE, &CMenuEx::OnCancelMode),
        M::On(WM_NCDESTROY, &CMenuEx::OnNcDestroy),
        M::On(GetMouseMoveHookMessage(), &CMenuEx::OnHookMessage),
        M::OnCommandRange(kFirstCommand, kLastCommand, &CMenuEx::OnMenuCommand),
    });
    return &map;
}

LRESULT CMenuEx::OnPaint(const Message&)
{
    PaintDC dc(*this);
    CMemDC mem(&dc, GetClientRect());
    Render(mem);
    return 0;
}

LRESULT CMenuEx::OnEraseBkgnd(const Message&)
{
    return 1;
}

LRESULT CMenuEx::OnMouseMove(const Message& m)
{
    const Point p = PointFromLParam(m.lParam);
    if (p.x < 0 || p.y < 0)
        SetAllStates(kNormal);
    else
        for (int i = 0; i < kItemCount; ++i)
            m_states[i] = kItemRects[i].Contains(p) ? kHover : kNormal;
    // The window layer tells the bar when the pointer has left it, so the
    // hover look goes without following the pointer everywhere.
    TrackMouseEvent(TME_LEAVE);
    Invalidate(false);
    return Default();
}

LRESULT CMenuEx::OnMouseLeave(const Message&)
{
    // An open pull-down keeps its item's look; it resets all when it closes.
    if (m_openItem != -1)
        return 0;
    bool changed = false;
    for (int s : m_states)
        changed |= s != kNormal;
    SetAllStates(kNormal);
    if (changed)
        Invalidate(false);
    return 0;
}

LRESULT CMenuEx::OnLButtonDown(const Message&)
{
    return Default();
}

LRESULT CMenuEx::OnLButtonUp(const Message& m)
{
    const LRESULT result = Default();
    const int item = ItemAt(PointFromLParam(m.lParam));
    if (item >= 0 && m_states[item] != kOpen)
        ShowPopup(item);
    return result;
}

LRESULT CMenuEx::OnTimer(const Message& m)
{
    if (m.wParam == kSwitchTimer && m_nextItem != -1 && !IsMenuTracking()) {
        const int next = m_nextItem;
        m_nextItem = -1;
        ShowPopup(next);
    }
    return Default();
}

LRESULT CMenuEx::OnCancelMode(const Message&)
{
    EndMenu();
    return Default();
}

LRESULT CMenuEx::OnNcDestroy(const Message&)
{
    RemoveHook();
    return Default();
}

LRESULT CMenuEx::OnHookMessage(const Message&)
{
    OnHookMouseMove();
    return 0;
}

void CMenuEx::OnMenuCommand(UINT id)
{
    // Each chosen command reaches the owner once.
    if (m_owner && m_owner->IsWindow())
        m_owner->SendMessage(WM_PLAYER_COMMAND, id, 0);
}
