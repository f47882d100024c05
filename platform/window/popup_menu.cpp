#include "platform/window/popup_menu.h"

#include <algorithm>
#include <memory>

#include "platform/draw/font.h"
#include "platform/window/paint_dc.h"
#include "platform/window/popup_grab.h"
#include "platform/window/ui_loop.h"
#include "platform/window/window.h"

namespace platform {
namespace {

constexpr int kItemHeight = 22;
constexpr int kSeparatorHeight = 9;
constexpr int kPad = 3;           // inside the border, above and below the entries
constexpr int kCheckWidth = 26;   // the column of check marks before the text
constexpr int kArrowWidth = 24;   // the column of sub-menu arrows after it
constexpr int kMinWidth = 120;
constexpr int kSubMenuOverlap = 3;

constexpr COLORREF kBackground = RGB(249, 249, 249);
constexpr COLORREF kBorder = RGB(150, 150, 150);
constexpr COLORREF kHot = RGB(204, 232, 255);
constexpr COLORREF kText = RGB(0, 0, 0);
constexpr COLORREF kGrayedText = RGB(160, 160, 160);
constexpr COLORREF kSeparator = RGB(215, 215, 215);

const Font& MenuFont()
{
    static const Font font(Font::kFallbackFace, -12, 400);
    return font;
}

bool Choosable(const PopupMenuItem& item)
{
    return item.id != 0 && item.subMenu.empty() && !item.grayed;
}

bool Opens(const PopupMenuItem& item)
{
    return !item.subMenu.empty() && !item.grayed;
}

class MenuLevel;

struct Tracker {
    std::vector<std::unique_ptr<MenuLevel>> levels;
    UINT chosen = 0;
    bool pressOutside = false;
    bool ended = false;
};

Tracker* g_tracker = nullptr;

void EndTracking(UINT chosen);

class MenuLevel : public Window {
public:
    MenuLevel(const std::vector<PopupMenuItem>& items, int openedFrom) : items_(items), openedFrom_(openedFrom) {}

    bool Open(Point screen, Window* owner)
    {
        Bitmap probe(1, 1);
        DC measure(probe);
        measure.SelectFont(&MenuFont());
        int textWidth = 0;
        int y = kPad + 1;
        for (const PopupMenuItem& item : items_) {
            const int h = item.IsSeparator() ? kSeparatorHeight : kItemHeight;
            rects_.push_back({1, y, 0, y + h});
            y += h;
            if (!item.IsSeparator())
                textWidth = std::max(textWidth, measure.GetTextExtent(item.text).cx);
        }
        const int width = std::max(kMinWidth, kCheckWidth + textWidth + kArrowWidth + 2);
        for (Rect& r : rects_)
            r.right = width - 1;
        const int height = y + kPad + 1;
        const Rect screenArea = GetScreenRect();
        int x = std::min(screen.x, screenArea.right - width);
        int top = std::min(screen.y, screenArea.bottom - height);
        x = std::max(x, screenArea.left);
        top = std::max(top, screenArea.top);
        return CreateEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "PopupMenu", "", WS_POPUP | WS_VISIBLE,
                        RectOfSize(x, top, width, height), owner, 0);
    }

    int ItemAt(Point client) const
    {
        for (size_t i = 0; i < rects_.size(); ++i)
            if (rects_[i].Contains(client))
                return static_cast<int>(i);
        return -1;
    }
    Rect ItemRect(int i) const { return i >= 0 && i < static_cast<int>(rects_.size()) ? rects_[i] : Rect{}; }
    const std::vector<PopupMenuItem>& Items() const { return items_; }
    int Hot() const { return hot_; }
    int OpenedFrom() const { return openedFrom_; }

    void SetHot(int i)
    {
        if (i >= 0 && items_[i].IsSeparator())
            i = -1;
        if (i == hot_)
            return;
        hot_ = i;
        Invalidate(false);
    }

    // The next entry that is not a separator, going 'step' (1 or -1) from
    // the lit one, round the end.
    void MoveHot(int step)
    {
        const int n = static_cast<int>(items_.size());
        int i = hot_;
        for (int tries = 0; tries < n; ++tries) {
            i = (i + step + n) % n;
            if (!items_[i].IsSeparator()) {
                SetHot(i);
                return;
            }
        }
    }

    const MessageMap* GetMessageMap() const override
    {
        using M = MessageMap;
        static const M map(Window::GetMessageMap(), {
            M::On(WM_PAINT, &MenuLevel::OnPaint),
            M::On(WM_ERASEBKGND, &MenuLevel::OnEraseBkgnd),
            M::On(WM_MOUSEMOVE, &MenuLevel::OnMouseMove),
            M::On(WM_LBUTTONDOWN, &MenuLevel::OnButtonDown),
            M::On(WM_RBUTTONDOWN, &MenuLevel::OnButtonDown),
            M::On(WM_MBUTTONDOWN, &MenuLevel::OnButtonDown),
            M::On(WM_LBUTTONUP, &MenuLevel::OnButtonUp),
            M::On(WM_RBUTTONUP, &MenuLevel::OnButtonUp),
            M::On(WM_MBUTTONUP, &MenuLevel::OnButtonUp),
            M::On(WM_KEYDOWN, &MenuLevel::OnKeyDown),
            M::On(WM_CANCELMODE, &MenuLevel::OnCancelMode),
            M::On(WM_CAPTURECHANGED, &MenuLevel::OnCaptureChanged),
        });
        return &map;
    }

private:
    LRESULT OnEraseBkgnd(const Message&) { return 1; }

    LRESULT OnPaint(const Message&)
    {
        PaintDC dc(*this);
        const Rect client = GetClientRect();
        dc.FillSolidRect(client, kBackground);
        dc.FrameRect(client, kBorder);
        dc.SelectFont(&MenuFont());
        dc.SetBkMode(TRANSPARENT);
        for (size_t i = 0; i < items_.size(); ++i)
            DrawItem(dc, items_[i], rects_[i], static_cast<int>(i) == hot_);
        return 0;
    }

    static void DrawItem(DC& dc, const PopupMenuItem& item, const Rect& r, bool hot)
    {
        if (item.IsSeparator()) {
            const int y = (r.top + r.bottom) / 2;
            dc.DrawLine({r.left + kCheckWidth - 4, y}, {r.right - 4, y}, kSeparator);
            return;
        }
        if (hot)
            dc.FillSolidRect(r, kHot);
        const COLORREF ink = item.grayed ? kGrayedText : kText;
        if (item.checked) {
            // A tick: down to the right for three pixels, then up for six.
            const int cx = r.left + 9;
            const int cy = (r.top + r.bottom) / 2;
            for (int k = 0; k < 2; ++k) {
                dc.DrawLine({cx, cy + k}, {cx + 3, cy + 3 + k}, ink);
                dc.DrawLine({cx + 3, cy + 3 + k}, {cx + 9, cy - 3 + k}, ink);
            }
        }
        dc.SetTextColor(ink);
        const Rect text{r.left + kCheckWidth, r.top, r.right - kArrowWidth, r.bottom};
        dc.DrawText(item.text, text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        if (!item.subMenu.empty()) {
            // A small right-pointing triangle.
            const int ax = r.right - 14;
            const int ay = (r.top + r.bottom) / 2;
            for (int k = 0; k < 4; ++k)
                dc.DrawLine({ax + k, ay - 3 + k}, {ax + k, ay + 4 - k}, ink);
        }
    }

    // Only the top level holds the pointer: every mouse message of the
    // menu arrives here, and is placed on the screen to find its level.
    LRESULT OnMouseMove(const Message& m);
    LRESULT OnButtonDown(const Message& m);
    LRESULT OnButtonUp(const Message& m);
    LRESULT OnKeyDown(const Message& m);

    LRESULT OnCancelMode(const Message&)
    {
        EndTracking(0);
        return 0;
    }

    LRESULT OnCaptureChanged(const Message& m)
    {
        if (g_tracker && !g_tracker->ended && static_cast<WindowHandle>(m.lParam) != GetSafeHwnd())
            EndTracking(0);
        return 0;
    }

    const std::vector<PopupMenuItem>& items_;
    std::vector<Rect> rects_;
    int hot_ = -1;
    int openedFrom_;
};

MenuLevel* Level(size_t depth)
{
    return g_tracker && depth < g_tracker->levels.size() ? g_tracker->levels[depth].get() : nullptr;
}

void CloseLevelsAbove(size_t depth)
{
    while (g_tracker->levels.size() > depth + 1) {
        g_tracker->levels.back()->DestroyWindow();
        g_tracker->levels.pop_back();
    }
}

// Opens the sub-menu of the lit entry of level 'depth', unless it is open.
void OpenSubMenu(size_t depth)
{
    MenuLevel* level = Level(depth);
    const int hot = level->Hot();
    if (hot < 0 || !Opens(level->Items()[hot]))
        return;
    if (MenuLevel* next = Level(depth + 1); next && next->OpenedFrom() == hot)
        return;
    CloseLevelsAbove(depth);
    const Rect item = level->ClientToScreen(level->ItemRect(hot));
    auto sub = std::make_unique<MenuLevel>(level->Items()[hot].subMenu, hot);
    if (sub->Open({item.right - kSubMenuOverlap, item.top - kPad - 1}, Level(0)))
        g_tracker->levels.push_back(std::move(sub));
}

// The deepest open level under the screen point, and its entry there.
bool FindAt(Point screen, size_t& depth, int& item)
{
    for (size_t d = g_tracker->levels.size(); d-- > 0;) {
        MenuLevel* level = Level(d);
        if (level->GetWindowRect().Contains(screen)) {
            depth = d;
            item = level->ItemAt(level->ScreenToClient(screen));
            return true;
        }
    }
    return false;
}

LRESULT MenuLevel::OnMouseMove(const Message& m)
{
    if (!g_tracker || g_tracker->ended)
        return 0;
    const Point screen = ClientToScreen(PointFromLParam(m.lParam));
    size_t depth = 0;
    int item = -1;
    if (!FindAt(screen, depth, item)) {
        MenuLevel* deepest = g_tracker->levels.back().get();
        if (deepest->Hot() >= 0 && !Opens(deepest->Items()[deepest->Hot()]))
            deepest->SetHot(-1);
        return 0;
    }
    MenuLevel* level = Level(depth);
    if (item < 0)
        return 0;
    level->SetHot(item);
    if (Opens(level->Items()[item]))
        OpenSubMenu(depth);
    else
        CloseLevelsAbove(depth);
    return 0;
}

LRESULT MenuLevel::OnButtonDown(const Message& m)
{
    if (!g_tracker || g_tracker->ended)
        return 0;
    size_t depth = 0;
    int item = -1;
    if (!FindAt(ClientToScreen(PointFromLParam(m.lParam)), depth, item))
        g_tracker->pressOutside = true;
    return 0;
}

LRESULT MenuLevel::OnButtonUp(const Message& m)
{
    if (!g_tracker || g_tracker->ended)
        return 0;
    if (g_tracker->pressOutside) {
        EndTracking(0);
        return 0;
    }
    size_t depth = 0;
    int item = -1;
    if (FindAt(ClientToScreen(PointFromLParam(m.lParam)), depth, item) && item >= 0 &&
        Choosable(Level(depth)->Items()[item]))
        EndTracking(Level(depth)->Items()[item].id);
    return 0;
}

LRESULT MenuLevel::OnKeyDown(const Message& m)
{
    if (!g_tracker || g_tracker->ended)
        return 0;
    const size_t depth = g_tracker->levels.size() - 1;
    MenuLevel* level = Level(depth);
    switch (m.wParam) {
    case VK_ESCAPE:
        if (depth == 0)
            EndTracking(0);
        else
            CloseLevelsAbove(depth - 1);
        break;
    case VK_LEFT:
        if (depth > 0)
            CloseLevelsAbove(depth - 1);
        break;
    case VK_DOWN:
        level->MoveHot(1);
        break;
    case VK_UP:
        level->MoveHot(-1);
        break;
    case VK_RIGHT:
    case VK_RETURN:
        if (level->Hot() < 0)
            break;
        if (Opens(level->Items()[level->Hot()])) {
            OpenSubMenu(depth);
            if (MenuLevel* sub = Level(depth + 1))
                sub->MoveHot(1);
        } else if (m.wParam == VK_RETURN && Choosable(level->Items()[level->Hot()])) {
            EndTracking(level->Items()[level->Hot()].id);
        }
        break;
    default:
        break;
    }
    return 0;
}

void EndTracking(UINT chosen)
{
    if (!g_tracker || g_tracker->ended)
        return;
    g_tracker->ended = true;
    g_tracker->chosen = chosen;
    if (MenuLevel* root = Level(0))
        EndModalLoop(*root, 0);
}

}  // namespace

PopupMenuItem* FindMenuItem(std::vector<PopupMenuItem>& items, UINT id)
{
    for (PopupMenuItem& item : items) {
        if (id != 0 && item.id == id)
            return &item;
        if (PopupMenuItem* inner = FindMenuItem(item.subMenu, id))
            return inner;
    }
    return nullptr;
}

UINT TrackPopupMenu(const std::vector<PopupMenuItem>& items, Point screen, Window* owner)
{
    if (g_tracker || items.empty() || !IsUiThread() || ClosingDown())
        return 0;
    Tracker tracker;
    auto root = std::make_unique<MenuLevel>(items, -1);
    Window* ownerTop = owner && owner->IsWindow() ? owner->GetTopLevel() : nullptr;
    if (!root->Open(screen, ownerTop))
        return 0;
    MenuLevel& top = *root;
    tracker.levels.push_back(std::move(root));
    g_tracker = &tracker;
    Window* oldFocus = Window::GetFocus();
    const WindowHandle oldFocusHandle = oldFocus ? oldFocus->GetSafeHwnd() : 0;
    top.SetCapture();
    GrabDesktopInput(top);
    top.SetFocus();
    if (!tracker.ended)
        RunModalLoop(top);
    g_tracker = nullptr;
    ReleaseDesktopInput(top);
    if (Window::GetCapture() == &top)
        Window::ReleaseCapture();
    while (!tracker.levels.empty()) {
        tracker.levels.back()->DestroyWindow();
        tracker.levels.pop_back();
    }
    if (Window* w = Window::FromHandle(oldFocusHandle))
        w->SetFocus();
    return tracker.chosen;
}

void EndMenu()
{
    EndTracking(0);
}

bool IsMenuTracking()
{
    return g_tracker != nullptr && !g_tracker->ended;
}

std::vector<Window*> TrackedMenuLevels()
{
    std::vector<Window*> out;
    if (g_tracker)
        for (auto& level : g_tracker->levels)
            out.push_back(level.get());
    return out;
}

Rect TrackedMenuItemRect(Window* level, int index)
{
    if (!g_tracker)
        return {};
    for (auto& l : g_tracker->levels)
        if (l.get() == level)
            return l->ItemRect(index);
    return {};
}

}  // namespace platform
