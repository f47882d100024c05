// The play list's messages: painting its rows, the pointer, the context
// menu and its commands, and the end of its window.
#include <cstdio>

#include "kvostudio/libskin/skinlistctrl.h"
#include "kvostudio/menuresource.h"
#include "kvostudio/playercommand.h"
#include "kvostudio/skinmenu.h"

using namespace platform;

namespace {

constexpr int kMenuWidth = 100;
// Cell layout: the text starts this far into its cell, a tag and a step
// take this much room each, and the time column starts a little further in.
constexpr int kCellIndent = 7;
constexpr int kStep = 18;
constexpr int kTimeIndent = 5;

}  // namespace

const MessageMap* CSkinListCtrl::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(CSkinListBase::GetMessageMap(), {
        M::On(WM_LBUTTONDBLCLK, &CSkinListCtrl::OnLButtonDblClk),
        M::On(WM_LBUTTONDOWN, &CSkinListCtrl::OnLButtonDown),
        M::On(WM_LBUTTONUP, &CSkinListCtrl::OnLButtonUp),
        M::On(WM_RBUTTONDOWN, &CSkinListCtrl::OnRButtonDown),
        M::On(WM_DROPFILES, &CSkinListCtrl::OnDropFiles),
        M::On(WM_PLAYER_COMMAND, &CSkinListCtrl::OnPlayerCommand),
        M::On(kMsgFileRead, &CSkinListCtrl::OnFileRead),
        M::On(WM_DESTROY, &CSkinListCtrl::OnDestroy),
    });
    return &map;
}

void CSkinListCtrl::DrawRow(DC& dc, const ListItemDraw& item, ListRowState& record)
{
    auto& song = static_cast<PlayListItem&>(record);
    DrawCell(dc, item, song, 0, 0);
    DrawCell(dc, item, song, 0, 1);
    DrawCell(dc, item, song, 1, 1);
}

void CSkinListCtrl::DrawCell(DC& dc, const ListItemDraw& item, PlayListItem& record, int col, int pass)
{
    Rect cell;
    if (!GetSubItemRect(item.row, col, &cell))
        return;
    cell.left += kCellIndent;
    if (col == 1)
        cell.left += kTimeIndent;
    const bool current = record.nId == m_nCurrentId;
    const uint32_t format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    if (pass == 0) {
        if (current) {
            // A small filled triangle pointing right.
            const int x = cell.left + 2;
            const int m = (cell.top + cell.bottom) / 2 - 2;
            dc.DrawLine({x, m}, {x, m + 5}, kMarkerColour);
            dc.DrawLine({x + 1, m + 1}, {x + 1, m + 4}, kMarkerColour);
            dc.DrawLine({x + 2, m + 2}, {x + 2, m + 3}, kMarkerColour);
        } else {
            char number[16];
            std::snprintf(number, sizeof number, "%d", item.row + 1);
            dc.SetTextColor(kDimText);
            dc.DrawText(number, cell, format);
        }
    }
    if (col == 0 && record.nFormat == 1) {
        cell.left += kStep;
        dc.SetTextColor(current ? kCurrentText : kDimText);
        dc.DrawText("[KVO]", cell, format);
        cell.left += kStep;
    }
    cell.left += kStep;
    dc.SetTextColor(current ? kCurrentText : kText);
    const std::string text = GetItemText(item.row, col);
    if (col == 0)
        DrawFittedText(dc, text, cell, &record.bTextCut);
    else
        dc.DrawText(text, cell, format);
}

LRESULT CSkinListCtrl::OnLButtonDblClk(const Message& m)
{
    if (!m_bActive)
        return 0;
    const CellHit hit = HitTestCell(PointFromLParam(m.lParam));
    if (hit.row >= 0) {
        MakeCurrentAt(hit.row);
        Invalidate(false);
        SendToParent(ID_CMD_PLAY, hit.row);
    }
    return Default();
}

LRESULT CSkinListCtrl::OnLButtonDown(const Message& m)
{
    if (PressRowButton(PointFromLParam(m.lParam)))
        return 0;
    return Default();
}

LRESULT CSkinListCtrl::OnLButtonUp(const Message& m)
{
    ReleaseRowButton(PointFromLParam(m.lParam), nullptr);
    return Default();
}

LRESULT CSkinListCtrl::OnRButtonDown(const Message& m)
{
    const LRESULT r = Default();
    const Point p = PointFromLParam(m.lParam);
    ReleaseRowButton(p, nullptr);
    const CellHit hit = HitTestCell(p);
    if (hit.row >= 0 && hit.record) {
        m_nMenuRow = hit.row;
        const Point screen = ClientToScreen(p);
        CSkinMenu::Show(this, screen.x, screen.y, kMenuWidth, IDR_LISTPOPUP, false);
    }
    return r;
}

LRESULT CSkinListCtrl::OnDropFiles(const Message& m)
{
    if (const auto* drop = reinterpret_cast<const DroppedFiles*>(m.wParam))
        AddDroppedFiles(drop->paths);
    return 0;
}

LRESULT CSkinListCtrl::OnPlayerCommand(const Message& m)
{
    if (!m_bActive)
        return 0;
    switch (m.wParam) {
    case ID_LIST_PLAY:
        if (ItemAt(m_nMenuRow)) {
            MakeCurrentAt(m_nMenuRow);
            Invalidate(false);
            SendToParent(ID_CMD_PLAY, m_nMenuRow);
        } else {
            SendToParent(ID_LIST_PLAY, m.lParam);
        }
        break;
    case ID_LIST_REMOVE_SELECTED:
        RemoveSelected();
        break;
    case ID_LIST_REMOVE_ALL:
        RemoveAll();
        break;
    default:
        SendToParent(static_cast<unsigned>(m.wParam), m.lParam);
        break;
    }
    return 0;
}

void CSkinListCtrl::OnDeleteKey()
{
    RemoveSelected();
}

LRESULT CSkinListCtrl::OnDestroy(const Message&)
{
    StopReader();
    m_toolTip.Destroy();
    DeleteAllItems();
    // Answers the reader posted before it stopped find no window; the
    // files still unread are not named.
    m_pending.clear();
    m_batches.clear();
    m_nPlayWhenRead = kNoRow;
    return Default();
}
