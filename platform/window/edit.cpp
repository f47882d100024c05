#include "platform/window/edit.h"

#include "platform/draw/font.h"
#include "platform/text/unicode.h"
#include "platform/text/wipe.h"
#include "platform/window/paint_dc.h"

namespace platform {

namespace {

constexpr COLORREF kFieldFill = RGB(255, 255, 255);
constexpr COLORREF kFieldBorder = RGB(160, 160, 160);
// A field with the focus is framed twice as thick in the desktop's accent.
constexpr COLORREF kFocusBorder = RGB(0, 120, 215);
constexpr COLORREF kFieldText = RGB(0, 0, 0);
constexpr int kPadding = 3;

void DrawFieldFrame(DC& dc, const Rect& r, bool focused)
{
    dc.FrameRect(r, focused ? kFocusBorder : kFieldBorder);
    if (focused)
        dc.FrameRect({r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, kFocusBorder);
}

bool IsContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

EditBox::~EditBox()
{
    if (IsPassword())
        WipeText(text_);
}

bool EditBox::Create(uint32_t style, const Rect& rect, Window* parent, int id, uint32_t options)
{
    options_ = options;
    return CreateEx(0, "Edit", "", style | WS_CHILD | WS_TABSTOP, rect, parent, id);
}

const MessageMap* EditBox::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(Window::GetMessageMap(), {
        M::On(WM_CHAR, &EditBox::OnChar),
        M::On(WM_KEYDOWN, &EditBox::OnKeyDown),
        M::On(WM_LBUTTONDOWN, &EditBox::OnLButtonDown),
        M::On(WM_PAINT, &EditBox::OnPaint),
        M::On(WM_ERASEBKGND, &EditBox::OnEraseBkgnd),
    });
    return &map;
}

void EditBox::SetText(const std::string& text)
{
    if (IsPassword())
        WipeText(text_);
    text_ = text;
    caret_ = text_.size();
    if (IsWindow())
        Invalidate(false);
}

std::string EditBox::ShownText() const
{
    if (!IsPassword())
        return text_;
    std::string stars;
    for (char c : text_)
        if (!IsContinuation(c))
            stars += '*';
    return stars;
}

size_t EditBox::PreviousBoundary(size_t at) const
{
    while (at > 0) {
        --at;
        if (!IsContinuation(text_[at]))
            break;
    }
    return at;
}

size_t EditBox::NextBoundary(size_t at) const
{
    if (at < text_.size())
        ++at;
    while (at < text_.size() && IsContinuation(text_[at]))
        ++at;
    return at;
}

void EditBox::Insert(uint32_t codePoint)
{
    std::string bytes;
    AppendUtf8(bytes, codePoint);
    if (limit_ && text_.size() + bytes.size() > limit_)
        return;
    if (IsPassword() && text_.size() + bytes.size() > text_.capacity()) {
        // Grown by hand, so that the buffer let go of is wiped first.
        std::string grown;
        grown.reserve(2 * (text_.size() + bytes.size()));
        grown = text_;
        WipeText(text_);
        text_.swap(grown);
    }
    text_.insert(caret_, bytes);
    caret_ += bytes.size();
}

void EditBox::Erase(size_t from, size_t to)
{
    const size_t size = text_.size();
    text_.erase(from, to - from);
    // The bytes moved down leave their old copies past the new end.
    if (IsPassword())
        WipeBytes(text_.data() + text_.size(), size - text_.size());
}

LRESULT EditBox::OnChar(const Message& m)
{
    const auto cp = static_cast<uint32_t>(m.wParam);
    // Control characters (Backspace, Tab, Return, Escape) are keys, not text.
    if (cp < 0x20 || cp == 0x7F || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    Insert(cp);
    Invalidate(false);
    return 0;
}

LRESULT EditBox::OnKeyDown(const Message& m)
{
    switch (m.wParam) {
    case VK_BACK:
        if (caret_ > 0) {
            const size_t from = PreviousBoundary(caret_);
            Erase(from, caret_);
            caret_ = from;
        }
        break;
    case VK_DELETE:
        if (caret_ < text_.size())
            Erase(caret_, NextBoundary(caret_));
        break;
    case VK_LEFT:
        caret_ = PreviousBoundary(caret_);
        break;
    case VK_RIGHT:
        caret_ = NextBoundary(caret_);
        break;
    case VK_HOME:
        caret_ = 0;
        break;
    case VK_END:
        caret_ = text_.size();
        break;
    default:
        return Default();
    }
    Invalidate(false);
    return 0;
}

LRESULT EditBox::OnLButtonDown(const Message&)
{
    SetFocus();
    Invalidate(false);
    return 0;
}

LRESULT EditBox::OnEraseBkgnd(const Message&)
{
    return 1;
}

LRESULT EditBox::OnPaint(const Message&)
{
    PaintDC dc(*this);
    const Rect client = GetClientRect();
    const bool focused = GetFocus() == this;
    dc.FillSolidRect(client, kFieldFill);
    DrawFieldFrame(dc, client, focused);
    dc.SelectFont(&font_);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(kFieldText);
    const std::string shown = ShownText();
    // The part before the caret, in what is shown (a password's characters
    // are counted where they are, never copied).
    std::string before;
    if (IsPassword()) {
        size_t count = 0;
        for (size_t i = 0; i < caret_; ++i)
            count += IsContinuation(text_[i]) ? 0 : 1;
        before.assign(count, '*');
    } else {
        before = text_.substr(0, caret_);
    }
    const int caretX = dc.GetTextExtent(before).cx;
    const int room = client.Width() - 2 * kPadding;
    const int scroll = caretX > room ? caretX - room : 0;
    Rect textRect{client.left + kPadding - scroll, client.top, client.right - kPadding, client.bottom};
    dc.IntersectClipRect({client.left + 2, client.top + 2, client.right - 2, client.bottom - 2});
    dc.DrawText(shown, textRect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (focused) {
        const int x = client.left + kPadding + caretX - scroll;
        dc.DrawLine({x, client.top + 3}, {x, client.bottom - 3}, kFieldText);
    }
    dc.SelectFont(nullptr);
    return 0;
}

bool CheckBox::Create(const std::string& text, uint32_t style, const Rect& rect, Window* parent, int id)
{
    return OwnerDrawButton::Create(text, style | WS_TABSTOP, rect, parent, id);
}

void CheckBox::SetCheck(bool checked)
{
    checked_ = checked;
    if (IsWindow())
        Invalidate(false);
}

void CheckBox::Clicked()
{
    SetCheck(!checked_);
    OwnerDrawButton::Clicked();
}

void CheckBox::DrawItem(DC& dc, const DrawItemInfo& info)
{
    const Rect client = info.rect;
    dc.FillSolidRect(client, kFieldFill);
    DrawFieldFrame(dc, client, info.focused);
    if (checked_) {
        // A tick from the lower middle up to the right.
        const int w = client.Width();
        const int h = client.Height();
        dc.DrawLine({client.left + w / 5, client.top + h / 2}, {client.left + w * 2 / 5, client.bottom - h / 5},
                    kFieldText);
        dc.DrawLine({client.left + w * 2 / 5, client.bottom - h / 5}, {client.right - w / 5, client.top + h / 5},
                    kFieldText);
    }
}

}  // namespace platform
