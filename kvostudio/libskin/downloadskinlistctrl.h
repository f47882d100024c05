#pragma once
// The list of files the user sent from the phone: one row per file with
// its name and a small close button at the row's right end. A click on
// the button (left release or right press) asks the parent to drop the
// file: WM_PLAYER_COMMAND ID_CMD_ROW_CLOSE with the row, sent, so the
// parent has handled it when the call returns. A row is current once it
// is clicked or painted selected; the getters read the current row.

#include <string>

#include "kvostudio/libskin/playlistitem.h"
#include "kvostudio/libskin/skinlistbase.h"
#include "platform/draw/bitmap.h"

inline constexpr unsigned ID_CMD_ROW_CLOSE = 1;

struct DownloadListItem : ListRowState {
    std::string strFileName;
    std::string strSubject;
    std::string strArtist;
    std::string strFid;
    std::string strDownUrl;
    std::string strLabel;
};

class CDownloadSkinListCtrl : public CSkinListBase {
public:
    static constexpr int kButtonSize = 11;

    // Loads the close button's three images from the skin folder.
    CDownloadSkinListCtrl();
    ~CDownloadSkinListCtrl() override;

    void Init();
    // Appends a row; the new row, or -1.
    int AddItem(const std::string& fileName, const std::string& subject, const std::string& artist,
                const std::string& fid, const std::string& downUrl);
    // 1 when the row was deleted, 0 for a row out of range.
    int DeleteItemAt(int row);
    int GetFirstSelected() const { return GetNextSelected(-1); }
    std::string GetItemFid(int row) const;
    std::string GetCurrentFid() const;
    std::string GetCurrentDownUrl() const;
    std::string GetCurrentFileName() const;
    void HideScrollbar();

    DownloadListItem* ItemAt(int row) const;
    // The current row, or -1.
    int GetCurrentRow() const;

    const platform::MessageMap* GetMessageMap() const override;

protected:
    void DrawRow(platform::DC& dc, const platform::ListItemDraw& item, ListRowState& record) override;
    void OnDeleteKey() override;

private:
    void DrawCell(platform::DC& dc, const platform::ListItemDraw& item, DownloadListItem& record, int col, int pass);
    void FreeAll();
    // A release on a row's close button asks the parent to drop the row.
    void ReleaseCloseButton(platform::Point p);

    platform::LRESULT OnLButtonDown(const platform::Message& m);
    platform::LRESULT OnLButtonUp(const platform::Message& m);
    platform::LRESULT OnRButtonDown(const platform::Message& m);
    platform::LRESULT OnLButtonDblClk(const platform::Message& m);
    platform::LRESULT OnDestroy(const platform::Message& m);

    platform::Bitmap m_bmpClose[3];  // normal, under the pointer, pressed
    platform::Rect m_rcSource[4];
    int m_nCurrentId = 0;  // ids start at 1: 0 is no row
    int m_nNextId = 0;
};
