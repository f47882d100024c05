#include "platform/window/static_text.h"

#include "platform/draw/font.h"
#include "platform/window/paint_dc.h"

namespace platform {

namespace {

constexpr COLORREF kFieldFill = RGB(255, 255, 255);
constexpr COLORREF kFieldBorder = RGB(160, 160, 160);
constexpr COLORREF kDisabledText = RGB(128, 128, 128);

}  // namespace

bool StaticText::Create(const std::string& text, uint32_t style, const Rect& rect, Window* parent, int id,
                        uint32_t options)
{
    options_ = options;
    return CreateEx(0, "Static", text, style | WS_CHILD, rect, parent, id);
}

void StaticText::SetColours(COLORREF text, COLORREF background)
{
    text_ = text;
    background_ = background;
    if (IsWindow())
        Invalidate(false);
}

void StaticText::SetText(const std::string& text)
{
    SetWindowText(text);
    if (IsWindow())
        Invalidate(false);
}

const MessageMap* StaticText::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(Window::GetMessageMap(), {
        M::On(WM_PAINT, &StaticText::OnPaint),
        M::On(WM_ERASEBKGND, &StaticText::OnEraseBkgnd),
    });
    return &map;
}

LRESULT StaticText::OnEraseBkgnd(const Message&)
{
    return 1;
}

LRESULT StaticText::OnPaint(const Message&)
{
    PaintDC dc(*this);
    const Rect client = GetClientRect();
    const bool sunken = (options_ & kSunken) != 0;
    dc.FillSolidRect(client, sunken ? kFieldFill : background_);
    Rect area = client;
    if (sunken) {
        dc.FrameRect(client, kFieldBorder);
        area = {client.left + 3, client.top, client.right - 3, client.bottom};
    }
    const Font font(face_, -12, 400);
    dc.SelectFont(&font);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(IsWindowEnabled() ? text_ : kDisabledText);
    const uint32_t format = (options_ & kSingleLine) || sunken
                                ? DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS
                                : DT_LEFT | DT_WORDBREAK | DT_NOPREFIX;
    // A static's text is laid out for its place: whole in a smaller size
    // rather than cut, where the face in use runs wider.
    dc.DrawText(GetWindowText(), area, format | DT_SHRINKTOFIT);
    dc.SelectFont(nullptr);
    return 0;
}

}  // namespace platform
