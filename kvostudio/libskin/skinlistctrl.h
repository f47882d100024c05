#pragma once
// The play list: one row per music file with its number (or the current
// song's marker), the "[KVO]" tag of containers, the file name and the play
// time. It remembers which row is the current song, decides the next and
// previous song (repeat code and shuffle order), and tells its parent with
// WM_PLAYER_COMMAND when a song is to be played (ID_CMD_PLAY, lParam the
// row) or stopped (ID_CMD_STOP, when the current row is removed).
//
// A file's texts and length are never read on the UI thread: reading a long
// song takes a while, and a file may be one that never answers. A file
// whose name and directory entry let it be a song gets its row at once,
// named by its file; the list's reader, a worker thread, reads it and hands
// the texts and the time to the window as a posted message, or, when the
// file turns out to be no song, the row goes again and the file is named.
// Rows are only ever inserted, changed and painted on the UI thread. The
// files added together (a drop, a choice of several files) that could not
// be added are named in one message once the last of them has been read.
// The reader runs while there is something to read; the list joins it when
// its window goes (a reader in the middle of a file stops after it).
//
// Everything but the reader runs on the UI thread.

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kvostudio/fileproblem.h"
#include "kvostudio/libskin/playlistitem.h"
#include "kvostudio/libskin/skinlistbase.h"
#include "platform/window/drop_files.h"

// The list's context menu entries, as the menu posts them back.
inline constexpr unsigned ID_LIST_PLAY = 32822;
inline constexpr unsigned ID_LIST_REMOVE_SELECTED = 32823;
inline constexpr unsigned ID_LIST_REMOVE_ALL = 32824;

class CSkinListCtrl : public CSkinListBase {
public:
    // What the reader found in a row's file, on its way to the window.
    static constexpr platform::UINT kMsgFileRead = platform::WM_USER + 101;
    static constexpr platform::COLORREF kMarkerColour = platform::RGB(255, 227, 151);

    CSkinListCtrl();
    ~CSkinListCtrl() override;

    // After the window exists: font, scrollbar, drops, wheel.
    void Init();

    // Appends the file's row at once when its name and directory entry
    // let it be a song, and has the reader read it; the row becomes current
    // when makeCurrent is non-zero. False when it was not added, with the
    // reason in plain words in *whyNot when given. A file the reader then
    // refuses is taken out again and named in a message.
    bool AddFile(const std::string& path, int makeCurrent, std::string* whyNot = nullptr);
    bool AddFileAndRedraw(const std::string& path, int makeCurrent, std::string* whyNot = nullptr);
    // Adds the files (none current); those that cannot be added are named
    // in one message once the last of them has been read.
    void AddFiles(const std::vector<std::string>& paths);
    // Appends a row and its record; the new row, or -1.
    int InsertFileItem(const std::string& path, const std::string& label, const std::string& title,
                       const std::string& artist, const std::string& time, const std::string& lyrics, int format,
                       int makeCurrent);
    // Starts the reader when files wait for it and none runs; false when
    // the window is gone or the thread could not start.
    bool StartAddThread();
    // Files dropped on the list: added as AddFiles adds them.
    void AddDroppedFiles(const std::vector<std::string>& paths);
    // Waits until the reader has read every file waiting for it; what it
    // read arrives as messages after.
    void JoinAddThreads();
    // Whether the row's file has not been read yet.
    bool IsBeingRead(int row) const;
    // When the row that plays (the current one, else row 0) is still being
    // read: it is to play once read (ID_CMD_PLAY to the parent then), and
    // true. Otherwise a play waiting for its row is given up, and false.
    bool PlayWhenRead();
    // A play waiting for its row is given up.
    void CancelPlayWhenRead() { m_nPlayWhenRead = kNoRow; }

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
    static constexpr int kNoRow = -1;

    // A file on its way to the reader, and what the reader found in it.
    struct FileRead;
    struct ReadJob {
        int id = 0;
        std::string path;
    };
    // A row whose file the reader has not answered for yet, and the files
    // added with it (its batch), whose refusals are named together.
    struct PendingRead {
        int batch = 0;
        int place = 0;          // its place among the batch's files
        int currentBefore = 0;  // the current id before this row was added
    };
    struct Batch {
        int unread = 0;
        std::vector<std::pair<int, FileProblem>> refused;  // by place
    };

    // A batch of files: each row that may be a song is appended and queued
    // for the reader, the others are refused at once. The batch's id.
    int AddBatch(const std::vector<std::string>& paths, int makeCurrentId, std::vector<FileProblem>* refusedNow);
    void QueueRead(int id, const std::string& path);
    // Starts the reader, which the caller has marked running.
    bool LaunchReader();
    void ReaderRun(platform::WindowHandle list);
    static void FreeFileRead(platform::LPARAM lParam);
    void StopReader();
    // The reader's answer for a row: the row filled in, or taken out.
    void TakeRead(const FileRead& read);
    void RemoveRefusedRow(int id, const PendingRead& pending);
    void FinishBatch(int batch);
    int RowOfId(int id) const;
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

    int m_nCurrentId = 0;
    std::unique_ptr<int[]> m_pOrder;
    int m_nOrderCount = 0;
    int m_nOrderPos = 0;
    int m_nMenuRow = -1;
    int m_nNextId = 0;
    int m_bActive = 1;
    // The id of the row to play once read, or kNoRow.
    int m_nPlayWhenRead = kNoRow;

    // The rows and their records, the pending reads and the batches are the
    // UI thread's alone: the reader never touches them, it posts what it
    // read. The one lock is the reader's queue:
    // m_csQueue guards m_readQueue, m_readerRunning and m_stopReading. The
    // UI thread takes it to queue a file or to stop the reader, the reader
    // to take the next file or to end; neither holds it while reading a
    // file, posting, joining or taking any other lock, so it is never held
    // for longer than a few steps of memory.
    std::mutex m_csQueue;
    std::deque<ReadJob> m_readQueue;
    bool m_readerRunning = false;
    bool m_stopReading = false;
    std::thread m_reader;  // joined by the UI thread only

    std::map<int, PendingRead> m_pending;  // by row id
    std::map<int, Batch> m_batches;
    int m_nNextBatch = 0;
};
