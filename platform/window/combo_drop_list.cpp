#include "platform/window/combo_drop_list.h"

#include <algorithm>

#include "platform/draw/font.h"
#include "platform/window/paint_dc.h"

namespace platform {

namespace {

constexpr COLORREF kListFill = RGB(255, 255, 255);
constexpr COLORREF kListBorder = RGB(100, 100, 100);
constexpr COLORREF kText = RGB(0, 0, 0);
constexpr COLORREF kHotFill = RGB(51, 153, 255);
constexpr COLORREF kHotText = RGB(255, 255, 255);
constexpr int kWheelDelta = 120;

}  // namespace

const MessageMap* ComboDropList::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(Window::GetMessageMap(), {
        M::On(WM_MOUSEMOVE, &ComboDropList::OnMouseMove),
        M::On(WM_LBUTTONDOWN, &ComboDropList::OnLButtonDown),
        M::On(WM_LBUTTONUP, &ComboDropList::OnLButtonUp),
        M::On(WM_MOUSEWHEEL, &ComboDropList::OnMouseWheel),
        M::On(WM_CAPTURECHANGED, &ComboDropList::OnCaptureChanged),
        M::On(WM_PAINT, &ComboDropList::OnPaint),
        M::On(WM_ERASEBKGND, &ComboDropList::OnEraseBkgnd),
    });
    return &map;
}

bool ComboDropList::Open()
{
    Window* top = combo_.GetTopLevel();
    if (!top || top == &combo_)
        return false;
    const int count = combo_.GetCount();
    const Rect field = top->ScreenToClient(combo_.ClientToScreen(combo_.GetClientRect()));
    const int room = top->GetClientRect().Height();
    const int below = room - field.bottom;
    const int above = field.top;
    const int rowHeight = ComboBox::kRowHeight;
    const int wanted = std::min(count, ComboBox::kMaxVisibleRows);
    // Below when the whole list fits there, else on the roomier side.
    const bool down = below >= wanted * rowHeight + 2 || below >= above;
    const int space = down ? below : above;
    rows_ = std::max(1, std::min(wanted, (space - 2) / rowHeight));
    const int height = rows_ * rowHeight + 2;
    const Rect rect = down ? RectOfSize(field.left, field.bottom, field.Width(), height)
                           : RectOfSize(field.left, field.top - height, field.Width(), height);
    hot_ = combo_.GetCurSel();
    top_ = 0;
    ScrollToHot();
    closing_ = false;
    if (!CreateEx(0, "ComboLBox", "", WS_CHILD | WS_VISIBLE, rect, top, 0))
        return false;
    BringWindowToTop();
    SetCapture();
    return true;
}

void ComboDropList::Close()
{
    if (!IsWindow() || closing_)
        return;
    closing_ = true;
    if (GetCapture() == this)
        ReleaseCapture();
    DestroyWindow();
    closing_ = false;
    if (combo_.IsWindow())
        combo_.Invalidate(false);
}

void ComboDropList::ScrollToHot()
{
    const int count = combo_.GetCount();
    if (hot_ < 0)
        return;
    if (hot_ < top_)
        top_ = hot_;
    else if (hot_ >= top_ + rows_)
        top_ = hot_ - rows_ + 1;
    top_ = std::clamp(top_, 0, std::max(0, count - rows_));
}

void ComboDropList::MoveHot(int delta)
{
    const int count = combo_.GetCount();
    if (count == 0)
        return;
    hot_ = hot_ < 0 ? (delta > 0 ? 0 : count - 1) : std::clamp(hot_ + delta, 0, count - 1);
    ScrollToHot();
    Invalidate(false);
}

void ComboDropList::ChooseHot()
{
    const int chosen = hot_;
    // Closed first: the parent's handler may open other windows.
    Close();
    combo_.ChooseByUser(chosen);
}

int ComboDropList::RowAt(Point p) const
{
    const Rect client = GetClientRect();
    if (!client.Contains(p) || p.y < 1 || p.y >= client.bottom - 1)
        return CB_ERR;
    const int row = top_ + (p.y - 1) / ComboBox::kRowHeight;
    return row < combo_.GetCount() ? row : CB_ERR;
}

LRESULT ComboDropList::OnMouseMove(const Message& m)
{
    const int row = RowAt(PointFromLParam(m.lParam));
    if (row != CB_ERR && row != hot_) {
        hot_ = row;
        Invalidate(false);
    }
    return 0;
}

LRESULT ComboDropList::OnLButtonDown(const Message& m)
{
    if (!GetClientRect().Contains(PointFromLParam(m.lParam)))
        Close();
    return 0;
}

LRESULT ComboDropList::OnLButtonUp(const Message& m)
{
    // The release of the click that opened the list lands outside it.
    const int row = RowAt(PointFromLParam(m.lParam));
    if (row == CB_ERR)
        return 0;
    hot_ = row;
    ChooseHot();
    return 0;
}

LRESULT ComboDropList::OnMouseWheel(const Message& m)
{
    const int notches = static_cast<int16_t>(HIWORD(m.wParam)) / kWheelDelta;
    const int count = combo_.GetCount();
    top_ = std::clamp(top_ - notches, 0, std::max(0, count - rows_));
    Invalidate(false);
    return 0;
}

LRESULT ComboDropList::OnCaptureChanged(const Message&)
{
    if (GetCapture() != this)
        Close();
    return 0;
}

LRESULT ComboDropList::OnEraseBkgnd(const Message&)
{
    return 1;
}

LRESULT ComboDropList::OnPaint(const Message&)
{
    PaintDC dc(*this);
    const Rect client = GetClientRect();
    dc.FillSolidRect(client, kListFill);
    dc.FrameRect(client, kListBorder);
    const Font font(combo_.GetFontFace(), -12, 400);
    dc.SelectFont(&font);
    dc.SetBkMode(TRANSPARENT);
    for (int r = 0; r < rows_ && top_ + r < combo_.GetCount(); ++r) {
        const int index = top_ + r;
        const Rect row = RectOfSize(1, 1 + r * ComboBox::kRowHeight, client.Width() - 2, ComboBox::kRowHeight);
        if (index == hot_)
            dc.FillSolidRect(row, kHotFill);
        dc.SetTextColor(index == hot_ ? kHotText : kText);
        dc.DrawText(combo_.GetLBText(index), {row.left + 3, row.top, row.right - 2, row.bottom},
                    DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS | DT_SHRINKTOFIT);
    }
    dc.SelectFont(nullptr);
    return 0;
}

}  // namespace platform
