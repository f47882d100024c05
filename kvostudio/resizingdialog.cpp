#include "kvostudio/resizingdialog.h"

using namespace platform;

CResizingDialog::CResizingDialog(UINT templateId, Window* parent) : CMagDialog(templateId, parent) {}

const MessageMap* CResizingDialog::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(CMagDialog::GetMessageMap(), {
        M::On(WM_NCHITTEST, &CResizingDialog::OnNcHitTest),
        M::On(WM_NCLBUTTONDOWN, &CResizingDialog::OnNcLButtonDown),
    });
    return &map;
}

LRESULT CResizingDialog::BorderHitTest(const Rect& w, Point p)
{
    const Rect interior{w.left + kBorderBand, w.top + kBorderBand, w.right - kBorderBand, w.bottom - kBorderBand};
    if (interior.Contains(p))
        return HTCAPTION;
    const bool top = Rect{w.left, w.top, w.right, w.top + kBorderBand}.Contains(p);
    const bool bottom = Rect{w.left, w.bottom - kBorderBand, w.right, w.bottom}.Contains(p);
    const bool left = Rect{w.left, w.top, w.left + kBorderBand, w.bottom}.Contains(p);
    const bool right = Rect{w.right - kBorderBand, w.top, w.right, w.bottom}.Contains(p);
    if (top && left)
        return HTTOPLEFT;
    if (top && right)
        return HTTOPRIGHT;
    if (bottom && left)
        return HTBOTTOMLEFT;
    if (bottom && right)
        return HTBOTTOMRIGHT;
    if (top)
        return HTTOP;
    if (bottom)
        return HTBOTTOM;
    if (left)
        return HTLEFT;
    if (right)
        return HTRIGHT;
    return HTNOWHERE;
}

LRESULT CResizingDialog::OnNcHitTest(const Message& m)
{
    const LRESULT hit = Default();
    if (!borderHitTest_ || hit != HTCLIENT)
        return hit;
    return BorderHitTest(GetWindowRect(), PointFromLParam(m.lParam));
}

LRESULT CResizingDialog::OnNcLButtonDown(const Message& m)
{
    const LRESULT hit = static_cast<LRESULT>(m.wParam);
    if (borderSizing_ && hit >= HTLEFT && hit <= HTBOTTOMRIGHT) {
        // A window being resized is no longer held by its owner: the owner
        // stops moving it too, not only this side.
        UndockSelf();
        PostMessage(WM_SYSCOMMAND, static_cast<WPARAM>(0xEFF7 + hit), m.lParam);
    }
    return Default();
}
