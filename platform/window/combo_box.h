#pragma once
// A drop-down list drawn by the window service: a field showing the chosen
// item and an arrow; a click opens the item list below it (above, when
// there is no room below), a click on an item chooses it, a click anywhere
// else closes the list. With the focus, Up and Down choose the previous or
// next item; while the list is open they move the highlight, Return chooses
// and Escape closes.
//
// A choice the user makes sends WM_COMMAND with CBN_SELCHANGE to the
// parent; choices the program makes (SetCurSel) send nothing.
// Texts are UTF-8; searches ignore letter case.

#include <memory>
#include <string>
#include <vector>

#include "platform/window/message_map.h"
#include "platform/window/window.h"

namespace platform {

// Notification codes in WM_COMMAND's high word.
enum : UINT { CBN_SELCHANGE = 1 };
// "No item" answer of the index calls.
enum : int { CB_ERR = -1 };

class ComboDropList;

class ComboBox : public Window {
public:
    static constexpr int kRowHeight = 16;
    static constexpr int kMaxVisibleRows = 10;

    ComboBox();
    ~ComboBox() override;

    bool Create(uint32_t style, const Rect& rect, Window* parent, int id);

    // Appends an item; returns its index.
    int AddString(const std::string& text);
    void ResetContent();
    int GetCount() const { return static_cast<int>(items_.size()); }
    // The chosen item, CB_ERR when none.
    int GetCurSel() const { return selected_; }
    // Chooses the item (CB_ERR clears the choice). Returns the index, or
    // CB_ERR for an index out of range (the choice is then cleared).
    int SetCurSel(int index);
    // The item's text; empty for an index out of range.
    std::string GetLBText(int index) const;
    // The chosen item's text; empty without a choice.
    std::string GetSelectedText() const;

    // The first item that begins with 'prefix', searching from the item
    // after 'startAfter' to the end and then from the start up to
    // 'startAfter' itself (-1 searches from the start). CB_ERR when none.
    int FindString(int startAfter, const std::string& prefix) const;
    // The same search for an item equal to 'text'.
    int FindStringExact(int startAfter, const std::string& text) const;

    void ShowDropDown(bool show);
    bool GetDroppedState() const;
    // The open list's window, for tests (null while closed).
    Window* GetDropList() const;

    void SetFontFace(const std::string& face);
    const std::string& GetFontFace() const { return face_; }

    const MessageMap* GetMessageMap() const override;

private:
    friend class ComboDropList;
    // A choice made by the user: stored, shown and told to the parent.
    void ChooseByUser(int index);

    LRESULT OnLButtonDown(const Message& m);
    LRESULT OnKeyDown(const Message& m);
    LRESULT OnGetDlgCode(const Message& m);
    LRESULT OnPaint(const Message& m);
    LRESULT OnEraseBkgnd(const Message& m);
    LRESULT OnEnable(const Message& m);
    LRESULT OnDestroy(const Message& m);

    std::vector<std::string> items_;
    int selected_ = CB_ERR;
    std::string face_ = "Sans";
    std::unique_ptr<ComboDropList> list_;
};

// A message-map entry for CBN_SELCHANGE from the combo with that id:
//   OnComboSelChange(1006, &CMyDlg::OnDeviceChanged)
template <class T>
MessageMap::Entry OnComboSelChange(int id, void (T::*fn)())
{
    MessageMap::Entry e;
    e.message = WM_COMMAND;
    e.firstId = e.lastId = id;
    e.anyId = false;
    e.code = CBN_SELCHANGE;
    e.anyCode = false;
    e.handler = [fn](Window& w, const Message&) {
        (static_cast<T&>(w).*fn)();
        return LRESULT(0);
    };
    return e;
}

}  // namespace platform
