#include "kvostudio/servicelink.h"

#include "kvostudio/lang.h"
#include "platform/draw/font.h"
#include "platform/window/paint_dc.h"

using namespace platform;

bool ServiceLink::Create(const std::string& text, const std::string& url, const Rect& rect, Window* parent, int id,
                         COLORREF normal, COLORREF hover, COLORREF background, int fontHeight)
{
    url_ = url;
    normal_ = normal;
    hoverColour_ = hover;
    background_ = background;
    fontHeight_ = fontHeight;
    return CreateEx(0, "Link", text, WS_CHILD | WS_VISIBLE, rect, parent, id);
}

const MessageMap* ServiceLink::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(Window::GetMessageMap(), {
        M::On(WM_PAINT, &ServiceLink::OnPaint),
        M::On(WM_ERASEBKGND, &ServiceLink::OnEraseBkgnd),
        M::On(WM_MOUSEMOVE, &ServiceLink::OnMouseMove),
        M::On(WM_MOUSELEAVE, &ServiceLink::OnMouseLeave),
        M::On(WM_LBUTTONUP, &ServiceLink::OnLButtonUp),
    });
    return &map;
}

LRESULT ServiceLink::OnEraseBkgnd(const Message&)
{
    return 1;
}

LRESULT ServiceLink::OnPaint(const Message&)
{
    PaintDC dc(*this);
    const Rect client = GetClientRect();
    dc.FillSolidRect(client, background_);
    const Font font(g_LanguageSettings.GetLanguageFontName(), fontHeight_, 400, false, true);
    dc.SelectFont(&font);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(hover_ ? hoverColour_ : normal_);
    dc.DrawText(GetWindowText(), client, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_SHRINKTOFIT);
    dc.SelectFont(nullptr);
    return 0;
}

LRESULT ServiceLink::OnMouseMove(const Message&)
{
    if (!hover_) {
        hover_ = true;
        TrackMouseEvent(TME_LEAVE, 1);
        Invalidate(false);
        UpdateWindow();
    }
    return 0;
}

LRESULT ServiceLink::OnMouseLeave(const Message&)
{
    hover_ = false;
    Invalidate(false);
    UpdateWindow();
    return 0;
}

LRESULT ServiceLink::OnLButtonUp(const Message&)
{
    SendCommandToParent(BN_CLICKED);
    return 0;
}
