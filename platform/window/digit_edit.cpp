#include "platform/window/digit_edit.h"

namespace platform {

const MessageMap* DigitEdit::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(EditBox::GetMessageMap(), {
        M::On(WM_CHAR, &DigitEdit::OnChar),
        M::On(WM_KEYDOWN, &DigitEdit::OnKeyDown),
    });
    return &map;
}

LRESULT DigitEdit::OnChar(const Message& m)
{
    const WPARAM c = m.wParam;
    if (c >= '0' && c <= '9')
        return Default();
    return 0;
}

LRESULT DigitEdit::OnKeyDown(const Message& m)
{
    if ((m.wParam == VK_UP || m.wParam == VK_DOWN) && onArrow) {
        onArrow(m.wParam == VK_UP ? 1 : -1);
        return 0;
    }
    return Default();
}

}  // namespace platform
