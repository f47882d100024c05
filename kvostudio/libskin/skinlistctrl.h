#pragma once
// The play list: one row per music file with its number (or the current
// song's marker), the "[KVO]" tag of containers, the file name and the play
// time. It reads each file's texts and length when the row is added,
// remembers which row is the current song, decides the next and previous
// song (repeat code and shuffle order), and tells its parent with
// WM_PLAYER_COMMAND when a song is to be played (ID_CMD_PLAY, lParam the
// row) or stopped (ID_CMD_STOP, when the current row is removed).
//
// Files dropped on the list are read on an add thread, one per drop; it
// holds the queue lock for its whole run and the row lock for each file,
// and hands each row to the window as a posted message, so rows are only
// ever inserted and painted on the UI thread. The list joins its add
// threads when its window goes (a thread still reading stops after the
// file in hand).
//
// Everything but the add thread runs on the UI thread.

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kvostudio/libskin/playlistitem.h"
#include "kvostudio/libskin/skinlistbase.h"
#include "platform/window/drop_files.h"

// The list's context menu entries, as the menu posts them back.
inline constexpr unsigned ID_LIST_PLAY = 32822;
inline constexpr unsigned ID_LIST_REMOVE_SELECTED = 32823;
inline constexpr unsigned ID_LIST_REMOVE_ALL = 32824;

class CSkinListCtrl : public CSkinListBase {
public:
    // A row read on the add thread, on its way to the window.
    static constexpr platform::UINT kMsgFileRead = platform::WM_USER + 101;
    static constexpr platform::COLORREF kMarkerColour = platform::RGB(255, 227, 151);

    CSkinListCtrl();
    ~CSkinListCtrl() override;

    // After the window exists: font, scrollbar, drops, wheel.
    void Init();

    // Reads the file and appends its row when the file is usable; the row
    // becomes current when makeCurrent is non-zero.
    void AddFile(const std::string& path, int makeCurrent);
    void AddFileAndRedraw(const std::string& path, int makeCurrent);
    // Appends a row and its record; the new row, or -1.
    int InsertFileItem(const std::string& path, const std::string& label, const std::string& title,
                       const std::string& artist, const std::string& time, const std::string& lyrics, int format,
                       int makeCurrent);
    // Starts an add thread for the queued dropped files; false when the
    // window is gone or the thread could not start.
    bool StartAddThread();
    // Queues the dropped files and starts an add thread for them.
    void AddDroppedFiles(const std::vector<std::string>& paths);
    // Waits for every add thread; rows they read arrive as messages after.
    void JoinAddThreads();

    void PlaySelected();
    void RemoveSelected();
    void RemoveAll();
    // 1 when the row was deleted, 0 for a row out of range.
    int DeleteItemAt(int row);
    void DeleteAllItems();
    // Selects row n-1 (row 0 for 0) alone and makes it current.
    void SelectIndex(int n);
    void EnsureCurrentVisible();
    int SetActive(int flag);

    std::string GetCurrentPath() const;
    std::string GetCurrentTitle() const;
    std::string GetCurrentArtist() const;
    std::string GetCurrentLyrics() const;
    std::string GetCurrentDisplayText() const;
    std::string GetSelectedPath() const;
    // Makes the first selected row the current one (the order follows it);
    // 1 when the current row changed, 0 when it was current already or no
    // row is selected.
    int MakeSelectedCurrent();

    int MoveNext(int repeat, int shuffle);
    int MovePrevious(int repeat, int shuffle);
    int GetCurrentOrderIndex() const;
    int RebuildPlayOrder();

    PlayListItem* ItemAt(int row) const;
    // The current row, or -1 when no row has the current id.
    int GetCurrentRow() const;
    int GetCurrentId() const { return m_nCurrentId; }
    int GetOrderPos() const { return m_nOrderPos; }
    void SetOrderPos(int pos) { m_nOrderPos = pos; }
    std::vector<int> GetOrder() const;
    int GetMenuRow() const { return m_nMenuRow; }
    bool IsActive() const { return m_bActive != 0; }

    const platform::MessageMap* GetMessageMap() const override;

protected:
    void DrawRow(platform::DC& dc, const platform::ListItemDraw& item, ListRowState& record) override;
    void OnDeleteKey() override;

private:
    struct AddThread {
        std::thread thread;
        std::atomic<bool> done{false};
    };

    void AddThreadRun(platform::WindowHandle list);
    void ReapAddThreads();
    void DrawCell(platform::DC& dc, const platform::ListItemDraw& item, PlayListItem& record, int col, int pass);
    // The field of the current row, else of row 0.
    const PlayListItem* CurrentOrFirst() const;
    void MakeCurrentAt(int row);
    std::vector<int> RowIds() const;
    void SendToParent(unsigned code, platform::LPARAM lParam);

    platform::LRESULT OnLButtonDblClk(const platform::Message& m);
    platform::LRESULT OnLButtonDown(const platform::Message& m);
    platform::LRESULT OnLButtonUp(const platform::Message& m);
    platform::LRESULT OnRButtonDown(const platform::Message& m);
    platform::LRESULT OnDropFiles(const platform::Message& m);
    platform::LRESULT OnPlayerCommand(const platform::Message& m);
    platform::LRESULT OnFileRead(const platform::Message& m);
    platform::LRESULT OnDestroy(const platform::Message& m);

    std::vector<std::string> m_dropQueue;
    int m_nCurrentId = 0;
    std::unique_ptr<int[]> m_pOrder;
    int m_nOrderCount = 0;
    int m_nOrderPos = 0;
    std::mutex m_csQueue;
    std::mutex m_csRows;
    int m_nMenuRow = -1;
    int m_nNextId = 0;
    int m_bActive = 1;

    std::vector<std::unique_ptr<AddThread>> m_addThreads;
    std::atomic<bool> m_stopAdding{false};
};
