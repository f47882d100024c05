#include "kvostudio/skinmenu.h"

#include "kvostudio/lang.h"
#include "kvostudio/libskin/memdc.h"
#include "kvostudio/menuresource.h"
#include "kvostudio/playercommand.h"
#include "platform/draw/font.h"
#include "platform/window/paint_dc.h"
#include "platform/window/popup_grab.h"
#include "platform/window/ui_loop.h"

using namespace platform;

namespace {

// A text cut to at most n bytes without splitting a UTF-8 character.
std::string CutText(const char* text, size_t n)
{
    std::string s = text ? text : "";
    if (s.size() <= n)
        return s;
    size_t end = n;
    while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80)
        --end;
    return s.substr(0, end);
}

Rect Shrink(const Rect& r, int by)
{
    return {r.left + by, r.top + by, r.right - by, r.bottom - by};
}

}  // namespace

CSkinMenu::CSkinMenu(Window* owner) : owner_(owner) {}

CSkinMenu::~CSkinMenu() = default;

CSkinMenu* CSkinMenu::Show(Window* owner, int x, int y, int width, unsigned menuId, bool upward)
{
    auto* menu = new CSkinMenu(owner);
    if (menu->TrackPopup(x, y, width, menuId, upward))
        return menu;
    delete menu;
    return nullptr;
}

void CSkinMenu::BuildItems(unsigned menuId, int width, int* totalHeight)
{
    items_.clear();
    const std::span<const MenuEntry> entries = LoadSubMenu(menuId, 0);
    Rect r{0, kTopMargin, width, kTopMargin + kItemHeight};
    int total = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        const MenuEntry& e = entries[i];
        _DEF_MENU_ITEM item;
        item.text = CutText(e.text, kMaxTextLength);
        item.textColour = (e.state & (MF_GRAYED | MF_DISABLED)) ? kGrayedTextColour : kTextColour;
        item.commandId = static_cast<int>(e.id);
        item.position = static_cast<int>(i);
        // A separator sits 5 pixels up into the entry before it.
        if (e.id == 0)
            r = r.Offset(0, -5);
        item.rect = r;
        items_.push_back(item);
        if (i + 1 < entries.size())
            r = r.Offset(0, kItemHeight);
        total += kItemHeight;
    }
    *totalHeight = total;
}

int CSkinMenu::TrackPopup(int x, int y, int width, unsigned menuId, bool upward)
{
    if (open_ || !owner_ || !owner_->IsWindow() || LoadSubMenu(menuId, 0).empty())
        return 0;
    int total = 0;
    BuildItems(menuId, width, &total);
    const int height = items_.back().rect.bottom + kTopMargin;
    if (upward)
        y -= total + 10;
    // A popup of the desktop's own kind: kept above the owner, never
    // managed or decorated by the window manager, taking no focus.
    if (!CreateEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "SkinMenu", "", WS_POPUP | WS_VISIBLE,
                  RectOfSize(x, y, width, height), owner_, 0)) {
        items_.clear();
        return 0;
    }
    open_ = true;
    ownerHandle_ = owner_->GetSafeHwnd();
    SetCapture();
    GrabDesktopInput(*this);
    return 1;
}

void CSkinMenu::SendCommand(int commandId)
{
    platform::PostMessage(ownerHandle_, WM_PLAYER_COMMAND, static_cast<WPARAM>(commandId), 0);
}

const CSkinMenu::_DEF_MENU_ITEM* CSkinMenu::ItemAt(Point p) const
{
    for (const _DEF_MENU_ITEM& item : items_)
        if (item.rect.Contains(p))
            return &item;
    return nullptr;
}

void CSkinMenu::Close()
{
    if (closing_)
        return;
    closing_ = true;
    ReleaseDesktopInput(*this);
    if (GetCapture() == this)
        ReleaseCapture();
    DestroyWindow();  // deletes this object
}

void CSkinMenu::Render(DC& dc) const
{
    const Rect client = GetClientRect();
    dc.SetBkColor(kFrameColour);
    dc.FillSolidRect(client, kFrameColour);
    dc.FillSolidRect(Shrink(client, 1), kBodyColour);
    for (const _DEF_MENU_ITEM& item : items_)
        if (item.commandId != 0 && (item.state == 1 || item.state == 2))
            dc.FillSolidRect(Shrink(item.rect, 1), kHotColour);
    DrawItems(dc);
}

void CSkinMenu::DrawItems(DC& dc) const
{
    const Font font(g_LanguageSettings.GetLanguageFontName(), -10, 400);
    const Font* old = dc.SelectFont(&font);
    dc.SetBkMode(TRANSPARENT);
    for (const _DEF_MENU_ITEM& item : items_) {
        if (item.commandId == 0) {
            DrawSeparator(dc, item);
            continue;
        }
        dc.SetTextColor(item.textColour);
        Rect r = item.rect;
        r.left += 10;
        dc.DrawText(item.text, r, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    }
    dc.SelectFont(old);
}

void CSkinMenu::DrawSeparator(DC& dc, const _DEF_MENU_ITEM& item) const
{
    const Rect r = item.rect.Offset(0, -7);
    dc.DrawLine({r.left, r.bottom}, {r.right, r.bottom}, kSeparatorDark);
    dc.DrawLine({r.left, r.bottom + 1}, {r.right, r.bottom + 1}, kSeparatorLight);
}

const MessageMap* CSkinMenu::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(Window::GetMessageMap(), {
        M::On(WM_PAINT, &CSkinMenu::OnPaint),
        M::On(WM_ERASEBKGND, &CSkinMenu::OnEraseBkgnd),
        M::On(WM_MOUSEMOVE, &CSkinMenu::OnMouseMove),
        M::On(WM_LBUTTONDOWN, &CSkinMenu::OnLButtonDown),
        M::On(WM_RBUTTONDOWN, &CSkinMenu::OnRButtonDown),
        M::On(WM_LBUTTONUP, &CSkinMenu::OnLButtonUp),
        M::On(WM_RBUTTONUP, &CSkinMenu::OnRButtonUp),
        M::On(WM_KEYDOWN, &CSkinMenu::OnKeyDown),
        M::On(WM_CANCELMODE, &CSkinMenu::OnCancelMode),
        M::On(WM_CAPTURECHANGED, &CSkinMenu::OnCaptureChanged),
        M::On(WM_NCDESTROY, &CSkinMenu::OnNcDestroy),
    });
    return &map;
}

LRESULT CSkinMenu::OnPaint(const Message&)
{
    PaintDC dc(*this);
    CMemDC mem(&dc, GetClientRect());
    Render(mem);
    return 0;
}

LRESULT CSkinMenu::OnEraseBkgnd(const Message&)
{
    return 1;
}

LRESULT CSkinMenu::OnMouseMove(const Message& m)
{
    const Point p = PointFromLParam(m.lParam);
    bool changed = false;
    for (_DEF_MENU_ITEM& item : items_) {
        const int state = (p.x >= 0 && p.y >= 0 && item.rect.Contains(p)) ? 2 : 0;
        changed |= item.state != state;
        item.state = state;
    }
    if (changed)
        Invalidate(false);
    return Default();
}

LRESULT CSkinMenu::OnLButtonDown(const Message&)
{
    pressSeen_[0] = true;
    return Default();
}

LRESULT CSkinMenu::OnRButtonDown(const Message&)
{
    pressSeen_[1] = true;
    return Default();
}

LRESULT CSkinMenu::OnLButtonUp(const Message& m)
{
    return OnRelease(m, 0);
}

LRESULT CSkinMenu::OnRButtonUp(const Message& m)
{
    return OnRelease(m, 1);
}

LRESULT CSkinMenu::OnRelease(const Message& m, int button)
{
    const LRESULT result = Default();
    const _DEF_MENU_ITEM* item = ItemAt(PointFromLParam(m.lParam));
    if (item && item->commandId == 0)
        return result;  // a separator keeps the menu open
    // A menu opened by a press (the list's right button) gets that press's
    // release next, at the point where it opened; only a release on an
    // entry counts then, so the menu does not vanish as it appears.
    if (!item && !pressSeen_[button])
        return result;
    if (item)
        SendCommand(item->commandId);
    Close();
    return result;
}

LRESULT CSkinMenu::OnKeyDown(const Message& m)
{
    if (m.wParam == VK_ESCAPE)
        Close();
    return 0;
}

LRESULT CSkinMenu::OnCancelMode(const Message&)
{
    Close();
    return 0;
}

LRESULT CSkinMenu::OnCaptureChanged(const Message& m)
{
    // Another window took the pointer: nothing would reach the menu any
    // more, so it closes instead of staying open for good.
    if (!closing_ && static_cast<WindowHandle>(m.lParam) != GetSafeHwnd())
        Close();
    return 0;
}

LRESULT CSkinMenu::OnNcDestroy(const Message&)
{
    closing_ = true;
    const LRESULT result = Default();
    items_.clear();
    ReleaseDesktopInput(*this);
    if (GetCapture() == this)
        ReleaseCapture();
    return result;
}

void CSkinMenu::PostNcDestroy()
{
    delete this;
}
