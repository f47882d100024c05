#include "kvostudio/libskin/downloadskinlistctrl.h"

#include "kvostudio/libskin/skinbitmap.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "kvostudio/playercommand.h"

using namespace platform;

namespace {

constexpr int kCellIndent = 5;
constexpr int kButtonIndent = 20;
// The button sits this far left of the client's right edge and below the
// row's top.
constexpr int kButtonRight = 20;
constexpr int kButtonTop = 5;

}  // namespace

CDownloadSkinListCtrl::CDownloadSkinListCtrl()
{
    m_bmpClose[0] = LoadSkinBitmap(skin::kBtnClose);
    m_bmpClose[1] = LoadSkinBitmap(skin::kBtnCloseOver);
    m_bmpClose[2] = LoadSkinBitmap(skin::kBtnClosePress);
    for (int i = 0; i < 3; ++i)
        m_rcSource[i] = {0, 0, kButtonSize, kButtonSize};
}

CDownloadSkinListCtrl::~CDownloadSkinListCtrl()
{
    DestroyWindow();
    FreeAll();
}

void CDownloadSkinListCtrl::Init()
{
    InitList();
    for (int i = 0; i < 3; ++i)
        m_rcSource[i] = {0, 0, kButtonSize, kButtonSize};
}

int CDownloadSkinListCtrl::AddItem(const std::string& fileName, const std::string& subject, const std::string& artist,
                                   const std::string& fid, const std::string& downUrl)
{
    const int row = InsertItem(GetItemCount(), fileName);
    if (row < 0)
        return -1;
    auto* item = new DownloadListItem;
    item->nId = ++m_nNextId;
    item->strFileName = fileName;
    item->strSubject = subject;
    item->strArtist = artist;
    item->strFid = fid;
    item->strDownUrl = downUrl;
    item->strLabel = fileName;
    SetItemData(row, reinterpret_cast<uintptr_t>(static_cast<ListRowState*>(item)));
    return row;
}

DownloadListItem* CDownloadSkinListCtrl::ItemAt(int row) const
{
    return static_cast<DownloadListItem*>(RecordAt(row));
}

int CDownloadSkinListCtrl::DeleteItemAt(int row)
{
    if (row < 0 || row >= GetItemCount())
        return 0;
    delete ItemAt(row);
    SetItemData(row, 0);
    return DeleteItem(row) ? 1 : 0;
}

void CDownloadSkinListCtrl::FreeAll()
{
    for (int row = 0; row < GetItemCount(); ++row) {
        delete ItemAt(row);
        SetItemData(row, 0);
    }
    DeleteAllItems();
}

int CDownloadSkinListCtrl::GetCurrentRow() const
{
    for (int row = 0; row < GetItemCount(); ++row)
        if (const DownloadListItem* item = ItemAt(row); item && item->nId == m_nCurrentId)
            return row;
    return -1;
}

std::string CDownloadSkinListCtrl::GetItemFid(int row) const
{
    const DownloadListItem* item = ItemAt(row);
    return item ? item->strFid : std::string();
}

std::string CDownloadSkinListCtrl::GetCurrentFid() const
{
    const DownloadListItem* item = ItemAt(GetCurrentRow());
    return item ? item->strFid : std::string();
}

std::string CDownloadSkinListCtrl::GetCurrentDownUrl() const
{
    const DownloadListItem* item = ItemAt(GetCurrentRow());
    return item ? item->strDownUrl : std::string();
}

std::string CDownloadSkinListCtrl::GetCurrentFileName() const
{
    const int row = GetCurrentRow();
    const DownloadListItem* item = ItemAt(row >= 0 ? row : 0);
    return item ? item->strFileName : std::string();
}

void CDownloadSkinListCtrl::HideScrollbar()
{
    m_scrollbar.ShowWindow(SW_HIDE);
}

void CDownloadSkinListCtrl::DrawRow(DC& dc, const ListItemDraw& item, ListRowState& record)
{
    auto& file = static_cast<DownloadListItem&>(record);
    // A row painted selected becomes the current one.
    if (item.selected) {
        dc.SetTextColor(kCurrentText);
        m_nCurrentId = file.nId;
    } else {
        dc.SetTextColor(kText);
    }
    DrawCell(dc, item, file, 0, 0);
    DrawCell(dc, item, file, 1, 1);
}

void CDownloadSkinListCtrl::DrawCell(DC& dc, const ListItemDraw& item, DownloadListItem& record, int col, int pass)
{
    Rect cell;
    if (!GetSubItemRect(item.row, col, &cell))
        return;
    cell.left += kCellIndent;
    if (col == 1)
        cell.left += kButtonIndent;
    if (pass == 0) {
        const std::string text = GetItemText(item.row, col);
        if (col == 0)
            DrawFittedText(dc, text, cell, &record.bTextCut);
        else
            dc.DrawText(text, cell, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        return;
    }
    const int right = GetClientRect().right;
    record.rcButton = {right - kButtonRight, cell.top + kButtonTop, right - kButtonRight + kButtonSize,
                       cell.top + kButtonTop + kButtonSize};
    const int look = record.nState == 0 ? 0 : record.nState == 1 ? 1 : 2;
    const Bitmap& image = m_bmpClose[look];
    if (!image.IsNull())
        dc.TransparentBlt(record.rcButton, image, m_rcSource[look], kSkinKeyColour);
}

void CDownloadSkinListCtrl::ReleaseCloseButton(Point p)
{
    int row = -1;
    if (!ReleaseRowButton(p, &row))
        return;
    if (Window* parent = GetParent())
        parent->SendMessage(WM_PLAYER_COMMAND, ID_CMD_ROW_CLOSE, row);
    Invalidate(false);
}

const MessageMap* CDownloadSkinListCtrl::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(CSkinListBase::GetMessageMap(), {
        M::On(WM_LBUTTONDOWN, &CDownloadSkinListCtrl::OnLButtonDown),
        M::On(WM_LBUTTONUP, &CDownloadSkinListCtrl::OnLButtonUp),
        M::On(WM_RBUTTONDOWN, &CDownloadSkinListCtrl::OnRButtonDown),
        M::On(WM_LBUTTONDBLCLK, &CDownloadSkinListCtrl::OnLButtonDblClk),
        M::On(WM_DESTROY, &CDownloadSkinListCtrl::OnDestroy),
    });
    return &map;
}

LRESULT CDownloadSkinListCtrl::OnLButtonDown(const Message& m)
{
    const Point p = PointFromLParam(m.lParam);
    if (PressRowButton(p))
        return 0;
    if (const DownloadListItem* item = ItemAt(HitTest(p)))
        m_nCurrentId = item->nId;
    Invalidate(false);
    return Default();
}

LRESULT CDownloadSkinListCtrl::OnLButtonUp(const Message& m)
{
    ReleaseCloseButton(PointFromLParam(m.lParam));
    return Default();
}

LRESULT CDownloadSkinListCtrl::OnRButtonDown(const Message& m)
{
    const LRESULT r = Default();
    ReleaseCloseButton(PointFromLParam(m.lParam));
    return r;
}

LRESULT CDownloadSkinListCtrl::OnLButtonDblClk(const Message& m)
{
    const CellHit hit = HitTestCell(PointFromLParam(m.lParam));
    if (hit.col == 0) {
        if (const DownloadListItem* item = ItemAt(hit.row))
            m_nCurrentId = item->nId;
        Invalidate(false);
    }
    return Default();
}

void CDownloadSkinListCtrl::OnDeleteKey()
{
    for (int row = GetNextSelected(-1); row >= 0; row = GetNextSelected(row - 1)) {
        if (const DownloadListItem* item = ItemAt(row); item && item->nId == m_nCurrentId)
            m_nCurrentId = 0;
        DeleteItemAt(row);
    }
}

LRESULT CDownloadSkinListCtrl::OnDestroy(const Message&)
{
    m_toolTip.Destroy();
    FreeAll();
    return Default();
}
