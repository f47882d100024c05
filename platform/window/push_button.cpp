#include "platform/window/push_button.h"

#include "platform/draw/font.h"

namespace platform {

namespace {

constexpr COLORREF kFace = RGB(225, 225, 225);
constexpr COLORREF kPushedFace = RGB(204, 228, 247);
constexpr COLORREF kBorder = RGB(173, 173, 173);
constexpr COLORREF kText = RGB(0, 0, 0);
constexpr COLORREF kDisabledText = RGB(131, 131, 131);

}  // namespace

bool PushButton::Create(const std::string& text, uint32_t style, const Rect& rect, Window* parent, int id)
{
    return OwnerDrawButton::Create(text, style | WS_TABSTOP, rect, parent, id);
}

void PushButton::DrawItem(DC& dc, const DrawItemInfo& info)
{
    dc.FillSolidRect(info.rect, info.pushed ? kPushedFace : kFace);
    dc.FrameRect(info.rect, kBorder);
    const Font font(face_, -12, 400);
    dc.SelectFont(&font);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(info.disabled ? kDisabledText : kText);
    const Rect text = info.pushed ? info.rect.Offset(1, 1) : info.rect;
    dc.DrawText(GetWindowText(), text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_SHRINKTOFIT);
    dc.SelectFont(nullptr);
    if (info.focused)
        dc.DrawFocusRect({info.rect.left + 3, info.rect.top + 3, info.rect.right - 3, info.rect.bottom - 3});
}

}  // namespace platform
