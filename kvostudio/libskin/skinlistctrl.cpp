// The play list's rows: adding, removing, the current item and its texts,
// and the play order steps.
#include "kvostudio/libskin/skinlistctrl.h"

#include "kvostudio/global.h"
#include "kvostudio/libskin/playorder.h"
#include "kvostudio/playercommand.h"
#include "platform/window/message_box.h"

using namespace platform;

CSkinListCtrl::CSkinListCtrl() = default;

CSkinListCtrl::~CSkinListCtrl()
{
    // The window's end stops the reader and frees the records; a list
    // whose window never existed may still have a reader to join.
    DestroyWindow();
    StopReader();
    DeleteAllItems();
}

void CSkinListCtrl::Init()
{
    {
        std::lock_guard<std::mutex> queue(m_csQueue);
        m_stopReading = false;
    }
    InitList();
}

int CSkinListCtrl::InsertFileItem(const std::string& path, const std::string& label, const std::string& title,
                                  const std::string& artist, const std::string& time, const std::string& lyrics,
                                  int format, int makeCurrent)
{
    (void)time;  // the caller puts it in column 1
    const int row = InsertItem(GetItemCount(), GetFileNamePart(path.c_str()));
    if (row < 0)
        return -1;
    auto* item = new PlayListItem;
    item->nId = m_nNextId++;
    if (makeCurrent)
        m_nCurrentId = item->nId;
    item->strPath = path;
    item->strTitle = title;
    item->strArtist = artist;
    item->strLabel = label;
    item->strLyrics = lyrics;
    item->nFormat = format;
    SetItemData(row, reinterpret_cast<uintptr_t>(static_cast<ListRowState*>(item)));
    RebuildPlayOrder();
    return row;
}

PlayListItem* CSkinListCtrl::ItemAt(int row) const
{
    return static_cast<PlayListItem*>(RecordAt(row));
}

int CSkinListCtrl::DeleteItemAt(int row)
{
    if (row < 0 || row >= GetItemCount())
        return 0;
    delete ItemAt(row);
    SetItemData(row, 0);
    const bool deleted = DeleteItem(row);
    RebuildPlayOrder();
    return deleted ? 1 : 0;
}

void CSkinListCtrl::DeleteAllItems()
{
    for (int row = 0; row < GetItemCount(); ++row) {
        delete ItemAt(row);
        SetItemData(row, 0);
    }
    ListCtrl::DeleteAllItems();
    RebuildPlayOrder();
}

void CSkinListCtrl::SendToParent(unsigned code, LPARAM lParam)
{
    if (Window* parent = GetParent())
        parent->SendMessage(WM_PLAYER_COMMAND, code, lParam);
}

void CSkinListCtrl::MakeCurrentAt(int row)
{
    if (const PlayListItem* item = ItemAt(row)) {
        m_nCurrentId = item->nId;
        m_nOrderPos = GetCurrentOrderIndex();
    }
}

void CSkinListCtrl::PlaySelected()
{
    if (!m_bActive)
        return;
    for (int row = GetNextSelected(-1); row >= 0; row = GetNextSelected(row)) {
        if (!ItemAt(row))
            continue;
        MakeCurrentAt(row);
        Invalidate(false);
        SendToParent(ID_CMD_PLAY, m_nMenuRow);
        return;
    }
}

void CSkinListCtrl::RemoveSelected()
{
    if (!m_bActive)
        return;
    int row = GetNextSelected(-1);
    while (row >= 0) {
        const PlayListItem* item = ItemAt(row);
        if (item && item->nId == m_nCurrentId) {
            // Row 0 as it is now takes over; when that is the row going,
            // nothing is current afterwards.
            if (const PlayListItem* first = ItemAt(0))
                m_nCurrentId = first->nId;
            m_nOrderPos = 0;
            SendToParent(ID_CMD_STOP, 0);
        }
        DeleteItemAt(row);
        row = GetNextSelected(row - 1);
    }
}

void CSkinListCtrl::RemoveAll()
{
    if (!m_bActive)
        return;
    bool stopped = false;
    while (GetItemCount() > 0) {
        const PlayListItem* item = ItemAt(0);
        if (item && item->nId == m_nCurrentId && !stopped) {
            // Id 0 is the first row's ever: no later row gets it again.
            m_nCurrentId = 0;
            m_nOrderPos = 0;
            stopped = true;
            SendToParent(ID_CMD_STOP, 0);
        }
        DeleteItemAt(0);
    }
}

void CSkinListCtrl::SelectIndex(int n)
{
    const int row = n > 0 ? n - 1 : 0;
    SetItemState(-1, 0, LVIS_SELECTED);
    const PlayListItem* item = ItemAt(row);
    if (row >= GetItemCount() || !SetItemState(row, LVIS_SELECTED, LVIS_SELECTED)) {
        MessageBox(GetTopLevel(), "Fail to select...", "");
        return;
    }
    if (item)
        m_nCurrentId = item->nId;
}

void CSkinListCtrl::EnsureCurrentVisible()
{
    if (GetItemCount() == 0)
        return;
    int row = GetCurrentRow();
    if (row < 0) {
        row = 0;
        if (const PlayListItem* first = ItemAt(0))
            m_nCurrentId = first->nId;
        m_nOrderPos = 0;
    }
    EnsureVisible(row);
    Invalidate(false);
}

int CSkinListCtrl::SetActive(int flag)
{
    m_bActive = flag;
    return 1;
}

int CSkinListCtrl::GetCurrentRow() const
{
    const std::vector<int> ids = RowIds();
    return FindCurrentRow(ids, m_nCurrentId);
}

const PlayListItem* CSkinListCtrl::CurrentOrFirst() const
{
    const int row = GetCurrentRow();
    return ItemAt(row >= 0 ? row : 0);
}

std::string CSkinListCtrl::GetCurrentPath() const
{
    const PlayListItem* item = CurrentOrFirst();
    return item ? item->strPath : std::string();
}

std::string CSkinListCtrl::GetCurrentTitle() const
{
    const PlayListItem* item = CurrentOrFirst();
    return item ? item->strTitle : std::string();
}

std::string CSkinListCtrl::GetCurrentArtist() const
{
    const PlayListItem* item = CurrentOrFirst();
    return item ? item->strArtist : std::string();
}

std::string CSkinListCtrl::GetCurrentLyrics() const
{
    const PlayListItem* item = CurrentOrFirst();
    return item ? item->strLyrics : std::string();
}

std::string CSkinListCtrl::GetCurrentDisplayText() const
{
    const int row = GetCurrentRow();
    if (row < 0)
        return GetItemText(0, 0);
    const PlayListItem* item = ItemAt(row);
    return item ? item->strLabel : std::string();
}

std::string CSkinListCtrl::GetSelectedPath() const
{
    const PlayListItem* item = ItemAt(GetNextSelected(-1));
    return item ? item->strPath : std::string();
}

int CSkinListCtrl::MakeSelectedCurrent()
{
    const int row = GetNextSelected(-1);
    const PlayListItem* item = ItemAt(row);
    if (!item || item->nId == m_nCurrentId)
        return 0;
    MakeCurrentAt(row);
    Invalidate(false);
    return 1;
}

std::vector<int> CSkinListCtrl::RowIds() const
{
    std::vector<int> ids(GetItemCount());
    for (int row = 0; row < GetItemCount(); ++row) {
        const PlayListItem* item = ItemAt(row);
        ids[row] = item ? item->nId : kNoRecord;
    }
    return ids;
}

std::vector<int> CSkinListCtrl::GetOrder() const
{
    return m_pOrder ? std::vector<int>(m_pOrder.get(), m_pOrder.get() + m_nOrderCount) : std::vector<int>();
}

int CSkinListCtrl::RebuildPlayOrder()
{
    m_pOrder.reset();
    m_nOrderCount = 0;
    const int n = GetItemCount();
    if (n < 1)
        return 0;
    m_pOrder.reset(MakeShuffleOrder(n));
    m_nOrderCount = m_pOrder ? n : 0;
    return m_pOrder ? 1 : 0;
}

int CSkinListCtrl::GetCurrentOrderIndex() const
{
    const std::vector<int> ids = RowIds();
    return OrderIndexOfCurrent(ids, GetOrder(), m_nCurrentId);
}

int CSkinListCtrl::MoveNext(int repeat, int shuffle)
{
    const std::vector<int> ids = RowIds();
    PlayPosition pos{m_nCurrentId, m_nOrderPos};
    const int result = PlayOrderNext(ids, GetOrder(), repeat, shuffle != 0, pos);
    m_nCurrentId = pos.currentId;
    m_nOrderPos = pos.orderPos;
    if (result)
        Invalidate(false);
    return result;
}

int CSkinListCtrl::MovePrevious(int repeat, int shuffle)
{
    const std::vector<int> ids = RowIds();
    PlayPosition pos{m_nCurrentId, m_nOrderPos};
    const int result = PlayOrderPrevious(ids, GetOrder(), repeat, shuffle != 0, pos);
    m_nCurrentId = pos.currentId;
    m_nOrderPos = pos.orderPos;
    if (result)
        Invalidate(false);
    return result;
}
