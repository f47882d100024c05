#include "platform/window/combo_box.h"

#include <glib.h>

#include <cctype>

#include "platform/draw/font.h"
#include "platform/window/combo_drop_list.h"
#include "platform/window/paint_dc.h"

namespace platform {

namespace {

constexpr COLORREF kFieldFill = RGB(255, 255, 255);
constexpr COLORREF kDisabledFill = RGB(236, 236, 236);
constexpr COLORREF kFieldBorder = RGB(160, 160, 160);
constexpr COLORREF kText = RGB(0, 0, 0);
constexpr COLORREF kDisabledText = RGB(128, 128, 128);
constexpr COLORREF kButtonFill = RGB(225, 225, 225);
constexpr int kButtonWidth = 16;
constexpr WPARAM kKeyF4 = VK_F1 + 3;

// The text folded for comparisons that ignore letter case.
std::string Fold(const std::string& text)
{
    if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
        gchar* folded = g_utf8_casefold(text.data(), static_cast<gssize>(text.size()));
        std::string out = folded;
        g_free(folded);
        return out;
    }
    std::string out = text;
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

template <typename Match>
int Search(const std::vector<std::string>& items, int startAfter, Match&& match)
{
    const int count = static_cast<int>(items.size());
    if (count == 0)
        return CB_ERR;
    if (startAfter < -1 || startAfter >= count)
        startAfter = -1;
    for (int n = 1; n <= count; ++n) {
        const int i = (startAfter + n) % count;
        if (match(items[i]))
            return i;
    }
    return CB_ERR;
}

}  // namespace

ComboBox::ComboBox() : list_(std::make_unique<ComboDropList>(*this)) {}

ComboBox::~ComboBox()
{
    // The list refers to this combo: it goes first.
    if (list_->IsWindow())
        list_->DestroyWindow();
}

bool ComboBox::Create(uint32_t style, const Rect& rect, Window* parent, int id)
{
    return CreateEx(0, "ComboBox", "", style | WS_CHILD | WS_TABSTOP, rect, parent, id);
}

const MessageMap* ComboBox::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(Window::GetMessageMap(), {
        M::On(WM_LBUTTONDOWN, &ComboBox::OnLButtonDown),
        M::On(WM_KEYDOWN, &ComboBox::OnKeyDown),
        M::On(WM_GETDLGCODE, &ComboBox::OnGetDlgCode),
        M::On(WM_PAINT, &ComboBox::OnPaint),
        M::On(WM_ERASEBKGND, &ComboBox::OnEraseBkgnd),
        M::On(WM_ENABLE, &ComboBox::OnEnable),
        M::On(WM_DESTROY, &ComboBox::OnDestroy),
    });
    return &map;
}

int ComboBox::AddString(const std::string& text)
{
    items_.push_back(text);
    if (IsWindow())
        Invalidate(false);
    return static_cast<int>(items_.size()) - 1;
}

void ComboBox::ResetContent()
{
    ShowDropDown(false);
    items_.clear();
    selected_ = CB_ERR;
    if (IsWindow())
        Invalidate(false);
}

int ComboBox::SetCurSel(int index)
{
    const bool valid = index >= 0 && index < GetCount();
    selected_ = valid ? index : CB_ERR;
    if (IsWindow())
        Invalidate(false);
    return selected_;
}

std::string ComboBox::GetLBText(int index) const
{
    if (index < 0 || index >= GetCount())
        return {};
    return items_[index];
}

std::string ComboBox::GetSelectedText() const
{
    return GetLBText(selected_);
}

int ComboBox::FindString(int startAfter, const std::string& prefix) const
{
    const std::string want = Fold(prefix);
    return Search(items_, startAfter,
                  [&](const std::string& item) { return Fold(item).compare(0, want.size(), want) == 0; });
}

int ComboBox::FindStringExact(int startAfter, const std::string& text) const
{
    const std::string want = Fold(text);
    return Search(items_, startAfter, [&](const std::string& item) { return Fold(item) == want; });
}

void ComboBox::ShowDropDown(bool show)
{
    if (show && !list_->IsOpen() && IsWindow() && IsWindowEnabled() && GetCount() > 0)
        list_->Open();
    else if (!show && list_->IsOpen())
        list_->Close();
}

bool ComboBox::GetDroppedState() const
{
    return list_->IsOpen();
}

Window* ComboBox::GetDropList() const
{
    return list_->IsOpen() ? list_.get() : nullptr;
}

void ComboBox::SetFontFace(const std::string& face)
{
    face_ = face;
    if (IsWindow())
        Invalidate(false);
}

void ComboBox::ChooseByUser(int index)
{
    if (index < 0 || index >= GetCount())
        return;
    const bool changed = index != selected_;
    SetCurSel(index);
    if (changed)
        SendCommandToParent(CBN_SELCHANGE);
}

LRESULT ComboBox::OnLButtonDown(const Message&)
{
    if (!IsWindowEnabled())
        return 0;
    SetFocus();
    ShowDropDown(!GetDroppedState());
    return 0;
}

LRESULT ComboBox::OnKeyDown(const Message& m)
{
    if (!IsWindowEnabled())
        return Default();
    const bool open = GetDroppedState();
    switch (m.wParam) {
    case VK_UP:
    case VK_DOWN: {
        const int delta = m.wParam == VK_UP ? -1 : 1;
        if (open) {
            list_->MoveHot(delta);
        } else if (GetCount() > 0) {
            const int from = selected_ == CB_ERR ? (delta > 0 ? -1 : GetCount()) : selected_;
            const int to = from + delta;
            if (to >= 0 && to < GetCount())
                ChooseByUser(to);
        }
        return 0;
    }
    case kKeyF4:
    case VK_SPACE:
        ShowDropDown(!open);
        return 0;
    case VK_RETURN:
        if (!open)
            return Default();
        list_->ChooseHot();
        return 0;
    case VK_ESCAPE:
        if (!open)
            return Default();
        ShowDropDown(false);
        return 0;
    default:
        return Default();
    }
}

LRESULT ComboBox::OnGetDlgCode(const Message&)
{
    // The open list chooses with Return and closes with Escape; its dialog
    // must not take them.
    return GetDroppedState() ? LRESULT{DLGC_WANTALLKEYS} : LRESULT{0};
}

LRESULT ComboBox::OnEnable(const Message& m)
{
    if (!m.wParam)
        ShowDropDown(false);
    Invalidate(false);
    return 0;
}

LRESULT ComboBox::OnDestroy(const Message&)
{
    ShowDropDown(false);
    return Default();
}

LRESULT ComboBox::OnEraseBkgnd(const Message&)
{
    return 1;
}

LRESULT ComboBox::OnPaint(const Message&)
{
    PaintDC dc(*this);
    const Rect client = GetClientRect();
    const bool enabled = IsWindowEnabled();
    dc.FillSolidRect(client, enabled ? kFieldFill : kDisabledFill);
    dc.FrameRect(client, kFieldBorder);
    const Rect button{client.right - kButtonWidth, client.top + 1, client.right - 1, client.bottom - 1};
    dc.FillSolidRect(button, kButtonFill);
    dc.DrawLine({button.left, button.top}, {button.left, button.bottom}, kFieldBorder);
    // A small downward triangle in the button's middle.
    const int cx = (button.left + button.right) / 2;
    const int cy = (button.top + button.bottom) / 2 - 1;
    const COLORREF arrow = enabled ? kText : kDisabledText;
    for (int row = 0; row < 4; ++row)
        dc.DrawLine({cx - 3 + row, cy + row}, {cx + 4 - row, cy + row}, arrow);

    const Font font(face_, -12, 400);
    dc.SelectFont(&font);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(enabled ? kText : kDisabledText);
    dc.DrawText(GetSelectedText(), {client.left + 3, client.top, button.left - 2, client.bottom},
                DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS | DT_SHRINKTOFIT);
    dc.SelectFont(nullptr);
    if (GetFocus() == this)
        dc.FrameRect({client.left + 2, client.top + 2, button.left - 1, client.bottom - 2}, RGB(120, 120, 200));
    return 0;
}

}  // namespace platform
