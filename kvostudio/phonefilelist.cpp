#include "kvostudio/phonefilelist.h"

#include "kvostudio/lang.h"
#include "kvostudio/libskin/memdc.h"
#include "platform/draw/font.h"
#include "platform/window/paint_dc.h"

using namespace platform;

namespace {

constexpr COLORREF kBackground = RGB(70, 69, 74);
constexpr COLORREF kSelected = RGB(58, 58, 60);
constexpr COLORREF kText = RGB(167, 167, 167);
constexpr COLORREF kSeparator = RGB(58, 57, 63);
constexpr COLORREF kSeparatorLight = RGB(88, 87, 91);

}  // namespace

bool PhoneFileList::Create(const Rect& rect, Window* parent, int id)
{
    return CreateEx(0, "PhoneFileList", "", WS_CHILD | WS_VISIBLE, rect, parent, id);
}

const MessageMap* PhoneFileList::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(Window::GetMessageMap(), {
        M::On(WM_LBUTTONDOWN, &PhoneFileList::OnLButtonDown),
        M::On(WM_PAINT, &PhoneFileList::OnPaint),
        M::On(WM_ERASEBKGND, &PhoneFileList::OnEraseBkgnd),
    });
    return &map;
}

void PhoneFileList::AddItem(const DownItem& item)
{
    items_.push_back(item);
    if (selected_ < 0)
        selected_ = 0;
    if (IsWindow())
        Invalidate(false);
}

void PhoneFileList::DeleteItemAt(int row)
{
    if (row < 0 || row >= GetItemCount())
        return;
    items_.erase(items_.begin() + row);
    if (selected_ >= GetItemCount())
        selected_ = GetItemCount() - 1;
    if (IsWindow())
        Invalidate(false);
}

int PhoneFileList::FindFid(const std::string& fid) const
{
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].fid == fid)
            return static_cast<int>(i);
    return -1;
}

void PhoneFileList::SetSelectedRow(int row)
{
    selected_ = row >= 0 && row < GetItemCount() ? row : -1;
    if (IsWindow())
        Invalidate(false);
}

LRESULT PhoneFileList::OnLButtonDown(const Message& m)
{
    const int x = static_cast<int16_t>(LOWORD(static_cast<uintptr_t>(m.lParam)));
    const int y = static_cast<int16_t>(HIWORD(static_cast<uintptr_t>(m.lParam)));
    const int row = y / kRowHeight;
    if (y < 0 || row >= GetItemCount())
        return 0;
    if (x >= GetClientRect().right - kCloseWidth) {
        if (Window* parent = GetParent())
            parent->PostMessage(kMsgRowClose, 0, row);
        return 0;
    }
    SetSelectedRow(row);
    return 0;
}

LRESULT PhoneFileList::OnEraseBkgnd(const Message&)
{
    return 1;
}

LRESULT PhoneFileList::OnPaint(const Message&)
{
    PaintDC paint(*this);
    const Rect client = GetClientRect();
    CMemDC dc(&paint, client);
    dc.FillSolidRect(client, kBackground);
    const Font font(g_LanguageSettings.GetLanguageFontName(), -10, 400);
    dc.SelectFont(&font);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(kText);
    for (int row = 0; row < GetItemCount(); ++row) {
        const Rect r{client.left, row * kRowHeight, client.right, (row + 1) * kRowHeight};
        if (r.top >= client.bottom)
            break;
        if (row == selected_)
            dc.FillRoundRect(r, 2, 2, kSelected);
        const DownItem& item = items_[static_cast<size_t>(row)];
        const std::string song = item.artist.empty() ? item.subject : item.subject + " - " + item.artist;
        dc.DrawText(song, {r.left + 6, r.top, r.right - kCloseWidth - 4, r.bottom},
                    DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        dc.DrawText("x", {r.right - kCloseWidth, r.top, r.right, r.bottom},
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        dc.DrawLine({r.left, r.bottom - 2}, {r.right, r.bottom - 2}, kSeparator);
        dc.DrawLine({r.left, r.bottom - 1}, {r.right, r.bottom - 1}, kSeparatorLight);
    }
    dc.SelectFont(nullptr);
    return 0;
}
