#pragma once
// The playlist window below the main window's controls: it holds the play
// list, frames itself with pieces of the main window's skin bitmap and
// takes its shape from that frame, offers Add and Remove buttons with
// their popup menus, and passes the list's commands on to the main window.
// The main window reaches the play list only through the forwarders here.
//
// Return, Escape and Space never close the window or press anything in it.

#include <string>
#include <vector>

#include "kvostudio/libskin/imagebutton.h"
#include "kvostudio/libskin/skinlistctrl.h"
#include "platform/draw/bitmap.h"
#include "platform/window/dialog.h"

class CPlayListDlg : public platform::Dialog {
public:
    enum { IDD = 142 };
    static constexpr int kListId = 1001;
    static constexpr unsigned kAddButtonId = 11004;
    static constexpr unsigned kRemoveButtonId = 11005;
    static constexpr int kMenuWidth = 100;
    // The window's size before the main window places it.
    static constexpr platform::Size kTemplateSize{279, 154};
    static constexpr platform::Rect kAddRect{12, 122, 54, 138};
    static constexpr platform::Rect kRemoveRect{56, 122, 98, 138};

    // The frame pieces in the skin bitmap.
    enum Piece { kTopLeft, kTop, kTopRight, kBottomLeft, kBottomRight, kBottom, kLeft, kRight, kPieceCount };

    // 'skin' is the main window's skin bitmap (it must outlive this window;
    // null draws no frame).
    CPlayListDlg(platform::Window* parent, const platform::Bitmap* skin);
    ~CPlayListDlg() override;

    // Creates the window as a child of the parent given at construction
    // (or of 'parent' when given) and shows it.
    bool Create(platform::Window* parent = nullptr);

    // With startAddThread 1 the list's reader is started first, should
    // files wait for it; then the file's row is added, to be read by the
    // reader. A file that cannot be added is named, with the reason, in a
    // message box; false then. One the reader refuses is named by the list.
    bool AddFile(const std::string& path, int makeCurrent, int startAddThread);
    // Adds the files (none current); those that could not be added are
    // named in one message box once the last has been read.
    void AddFiles(const std::vector<std::string>& paths) { m_list.AddFiles(paths); }
    // "Lyrics View\n\n" and the current song's lyrics, or a note that it
    // has none.
    std::string GetLyricsText() const;

    std::string GetCurrentPath() const { return m_list.GetCurrentPath(); }
    std::string GetCurrentTitle() const { return m_list.GetCurrentTitle(); }
    std::string GetCurrentArtist() const { return m_list.GetCurrentArtist(); }
    std::string GetCurrentDisplayText() const { return m_list.GetCurrentDisplayText(); }
    std::string GetSelectedPath() const { return m_list.GetSelectedPath(); }
    int MakeSelectedCurrent() { return m_list.MakeSelectedCurrent(); }
    bool PlayWhenRead() { return m_list.PlayWhenRead(); }
    void CancelPlayWhenRead() { m_list.CancelPlayWhenRead(); }
    void EnsureCurrentVisible() { m_list.EnsureCurrentVisible(); }
    void SelectIndex(int n) { m_list.SelectIndex(n); }
    int SetActive(int flag) { return m_list.SetActive(flag); }
    int MoveNext(int repeat, int shuffle) { return m_list.MoveNext(repeat, shuffle); }
    int MovePrevious(int repeat, int shuffle) { return m_list.MovePrevious(repeat, shuffle); }
    int GetItemCount() const { return m_list.GetItemCount(); }

    CSkinListCtrl& GetList() { return m_list; }
    CImageButton& GetAddButton() { return m_btnAdd; }
    CImageButton& GetRemoveButton() { return m_btnRemove; }
    // Where the list goes in a client area of this size.
    platform::Rect ListRect(const platform::Rect& client) const;
    const platform::Bitmap& GetBackground() const { return m_bmpBackground; }

    const platform::MessageMap* GetMessageMap() const override;
    bool PreTranslateMessage(platform::Message& msg) override;

protected:
    bool OnInitDialog() override;

private:
    void SetPieces();
    void BuildBackground();

    platform::LRESULT OnSize(const platform::Message& m);
    platform::LRESULT OnPaint(const platform::Message& m);
    platform::LRESULT OnEraseBkgnd(const platform::Message& m);
    platform::LRESULT OnPlayerCommand(const platform::Message& m);
    platform::LRESULT OnDestroy(const platform::Message& m);
    void OnAddButton();
    void OnRemoveButton();

    CSkinListCtrl m_list;
    platform::Bitmap m_bmpBackground;
    int m_nBackgroundWidth = 0;
    int m_nBackgroundHeight = 0;
    const platform::Bitmap* m_pSkin;
    CImageButton m_btnAdd;
    CImageButton m_btnRemove;
    platform::Rect m_rcAdd = kAddRect;
    platform::Rect m_rcRemove = kRemoveRect;
    platform::Rect m_rcPieces[kPieceCount];
    platform::Window* m_pParent;
};
