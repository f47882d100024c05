// The list's rows, columns, selection and geometry.
#include "platform/window/listctrl.h"

#include <algorithm>

namespace platform {

bool ListCtrl::Create(uint32_t style, const Rect& rect, Window* parent, int id)
{
    if (!CreateEx(0, "SysListView32", "", style, rect, parent, id))
        return false;
    RemeasureItems();
    return true;
}

int ListCtrl::InsertColumn(int col, const std::string& heading, int format, int width)
{
    if (col < 0 || width < 0)
        return -1;
    const int at = std::min(col, GetColumnCount());
    columns_.insert(columns_.begin() + at, Column{heading, format, width});
    for (Row& r : rows_)
        if (static_cast<int>(r.texts.size()) > at)
            r.texts.insert(r.texts.begin() + at, std::string());
    Invalidate(false);
    return at;
}

int ListCtrl::GetColumnWidth(int col) const
{
    return col >= 0 && col < GetColumnCount() ? columns_[col].width : 0;
}

bool ListCtrl::SetColumnWidth(int col, int width)
{
    if (col < 0 || col >= GetColumnCount())
        return false;
    columns_[col].width = std::max(width, 0);
    return true;
}

int ListCtrl::GetTotalWidth() const
{
    int w = 0;
    for (const Column& c : columns_)
        w += c.width;
    return w;
}

int ListCtrl::InsertItem(int row, const std::string& text)
{
    if (row < 0)
        return -1;
    const int at = std::min(row, GetItemCount());
    Row r;
    r.texts.push_back(text);
    rows_.insert(rows_.begin() + at, std::move(r));
    if (anchor_ >= at)
        ++anchor_;
    Invalidate(false);
    return at;
}

bool ListCtrl::DeleteItem(int row)
{
    if (row < 0 || row >= GetItemCount())
        return false;
    rows_.erase(rows_.begin() + row);
    if (anchor_ == row)
        anchor_ = -1;
    else if (anchor_ > row)
        --anchor_;
    ClampTop();
    Invalidate(false);
    return true;
}

bool ListCtrl::DeleteAllItems()
{
    rows_.clear();
    anchor_ = -1;
    top_ = 0;
    Invalidate(false);
    return true;
}

bool ListCtrl::SetItemText(int row, int col, const std::string& text)
{
    if (row < 0 || row >= GetItemCount() || col < 0 || (col >= GetColumnCount() && col != 0))
        return false;
    auto& texts = rows_[row].texts;
    if (static_cast<int>(texts.size()) <= col)
        texts.resize(col + 1);
    texts[col] = text;
    Invalidate(false);
    return true;
}

std::string ListCtrl::GetItemText(int row, int col) const
{
    if (row < 0 || row >= GetItemCount() || col < 0)
        return {};
    const auto& texts = rows_[row].texts;
    return col < static_cast<int>(texts.size()) ? texts[col] : std::string();
}

bool ListCtrl::SetItemData(int row, uintptr_t data)
{
    if (row < 0 || row >= GetItemCount())
        return false;
    rows_[row].data = data;
    return true;
}

uintptr_t ListCtrl::GetItemData(int row) const
{
    return row >= 0 && row < GetItemCount() ? rows_[row].data : 0;
}

bool ListCtrl::SetItemState(int row, uint32_t state, uint32_t mask)
{
    if (row < -1 || row >= GetItemCount())
        return false;
    // One focused row at most.
    if ((mask & LVIS_FOCUSED) && (state & LVIS_FOCUSED))
        for (Row& r : rows_)
            r.state &= ~LVIS_FOCUSED;
    const int first = row < 0 ? 0 : row;
    const int last = row < 0 ? GetItemCount() - 1 : row;
    for (int i = first; i <= last; ++i)
        rows_[i].state = (rows_[i].state & ~mask) | (state & mask);
    Invalidate(false);
    return true;
}

uint32_t ListCtrl::GetItemState(int row, uint32_t mask) const
{
    return row >= 0 && row < GetItemCount() ? rows_[row].state & mask : 0;
}

int ListCtrl::GetNextSelected(int after) const
{
    for (int i = std::max(after + 1, 0); i < GetItemCount(); ++i)
        if (rows_[i].state & LVIS_SELECTED)
            return i;
    return -1;
}

int ListCtrl::FocusedRow() const
{
    for (int i = 0; i < GetItemCount(); ++i)
        if (rows_[i].state & LVIS_FOCUSED)
            return i;
    return -1;
}

int ListCtrl::GetCountPerPage() const
{
    return rowHeight_ > 0 ? std::max(GetClientRect().Height() / rowHeight_, 0) : 0;
}

int ListCtrl::GetScrollLimit() const
{
    return std::max(GetItemCount() - std::max(GetCountPerPage(), 1), 0);
}

void ListCtrl::ClampTop()
{
    top_ = std::clamp(top_, 0, GetScrollLimit());
}

bool ListCtrl::GetItemRect(int row, Rect* r) const
{
    if (!r || row < 0 || row >= GetItemCount())
        return false;
    *r = RectOfSize(0, (row - top_) * rowHeight_, GetTotalWidth(), rowHeight_);
    return true;
}

bool ListCtrl::GetSubItemRect(int row, int col, Rect* r) const
{
    if (!r || col < 0 || col >= GetColumnCount() || !GetItemRect(row, r))
        return false;
    int left = 0;
    for (int i = 0; i < col; ++i)
        left += columns_[i].width;
    r->left = left;
    r->right = left + columns_[col].width;
    return true;
}

int ListCtrl::HitTest(Point p) const
{
    if (rowHeight_ <= 0 || !GetClientRect().Contains(p) || p.x >= GetTotalWidth())
        return -1;
    const int row = top_ + p.y / rowHeight_;
    return row < GetItemCount() ? row : -1;
}

bool ListCtrl::EnsureVisible(int row)
{
    if (row < 0 || row >= GetItemCount())
        return false;
    const int page = std::max(GetCountPerPage(), 1);
    const int old = top_;
    if (row < top_)
        top_ = row;
    else if (row >= top_ + page)
        top_ = row - page + 1;
    ClampTop();
    if (top_ != old)
        Invalidate(false);
    return true;
}

bool ListCtrl::Scroll(int dy)
{
    if (rowHeight_ <= 0)
        return false;
    const int old = top_;
    top_ += dy / rowHeight_;
    ClampTop();
    if (top_ == old)
        return false;
    Invalidate(false);
    return true;
}

void ListCtrl::RemeasureItems()
{
    rowHeight_ = std::max(MeasureItem(), 1);
    ClampTop();
    Invalidate(false);
}

int ListCtrl::MeasureItem()
{
    return 16;
}

void ListCtrl::PaintRows(DC& dc)
{
    dc.FillSolidRect(GetClientRect(), bkColour_);
    const int last = std::min(GetItemCount(), top_ + GetCountPerPage() + 1);
    for (int row = top_; row < last; ++row) {
        ListItemDraw item;
        item.row = row;
        GetItemRect(row, &item.rect);
        item.selected = (rows_[row].state & LVIS_SELECTED) != 0;
        item.focused = (rows_[row].state & LVIS_FOCUSED) != 0;
        item.data = rows_[row].data;
        DrawItem(dc, item);
        // A DrawItem may have deleted rows.
        if (row >= GetItemCount())
            break;
    }
}

void ListCtrl::DrawItem(DC& dc, const ListItemDraw& item)
{
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(textColour_);
    for (int col = 0; col < GetColumnCount(); ++col) {
        Rect cell;
        if (GetSubItemRect(item.row, col, &cell))
            dc.DrawText(GetItemText(item.row, col), {cell.left + 2, cell.top, cell.right - 2, cell.bottom},
                        DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
}

void ListCtrl::MoveFocusTo(int row, bool extend, bool scroll)
{
    if (row < 0 || row >= GetItemCount())
        return;
    if (!extend || anchor_ < 0 || anchor_ >= GetItemCount()) {
        SetItemState(-1, 0, LVIS_SELECTED);
        SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
        anchor_ = row;
    } else {
        const int lo = std::min(anchor_, row);
        const int hi = std::max(anchor_, row);
        for (int i = 0; i < GetItemCount(); ++i)
            SetItemState(i, i >= lo && i <= hi ? uint32_t(LVIS_SELECTED) : 0u, LVIS_SELECTED);
    }
    SetItemState(row, LVIS_FOCUSED, LVIS_FOCUSED);
    if (scroll)
        EnsureVisible(row);
}

}  // namespace platform
