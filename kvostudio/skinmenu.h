#pragma once
// The self-drawn popup menu: a borderless popup showing sub-menu 0 of one
// of the program's menus in the dark skin. It holds the pointer while
// open; a click on an entry posts the entry's command id to the owner as
// WM_PLAYER_COMMAND and closes the menu, a click on a separator leaves it
// open, a click anywhere else (Escape, or losing the pointer to another
// program) closes it without a command.
//
// Made with new for one showing, through Show or TrackPopup; once its
// window exists the menu deletes itself when the window goes, so its
// creator never deletes it.

#include <memory>
#include <string>
#include <vector>

#include "platform/draw/colour.h"
#include "platform/draw/dc.h"
#include "platform/window/window.h"

class CSkinMenu : public platform::Window {
public:
    struct _DEF_MENU_ITEM {
        platform::Rect rect;  // client coordinates
        std::string text;
        int commandId = 0;  // 0: separator
        int position = 0;
        int state = 0;  // 0 normal, 2 under the pointer (1 drawn like 2)
        platform::COLORREF textColour = 0;
    };

    static constexpr int kItemHeight = 16;
    static constexpr int kTopMargin = 5;
    static constexpr size_t kMaxTextLength = 1024;
    static constexpr platform::COLORREF kFrameColour = platform::RGB(87, 87, 87);
    static constexpr platform::COLORREF kBodyColour = platform::RGB(45, 45, 45);
    static constexpr platform::COLORREF kHotColour = platform::RGB(58, 58, 60);
    static constexpr platform::COLORREF kTextColour = platform::RGB(166, 166, 166);
    static constexpr platform::COLORREF kGrayedTextColour = platform::RGB(255, 226, 151);
    static constexpr platform::COLORREF kSeparatorDark = platform::RGB(58, 57, 63);
    static constexpr platform::COLORREF kSeparatorLight = platform::RGB(88, 87, 91);

    explicit CSkinMenu(platform::Window* owner);
    ~CSkinMenu() override;

    // Opens the menu at (x, y) on the screen, 'width' pixels wide, above
    // the point when 'upward'. Returns 1 when the window was made (the menu
    // then owns itself), else 0 (the caller still owns the object).
    int TrackPopup(int x, int y, int width, unsigned menuId, bool upward);
    // Makes a menu and opens it; returns the open menu or null.
    static CSkinMenu* Show(platform::Window* owner, int x, int y, int width, unsigned menuId, bool upward);
    void SendCommand(int commandId);

    const std::vector<_DEF_MENU_ITEM>& GetItems() const { return items_; }
    // Paints the menu into a context of its client size.
    void Render(platform::DC& dc) const;

    const platform::MessageMap* GetMessageMap() const override;

protected:
    void PostNcDestroy() override;

private:
    void BuildItems(unsigned menuId, int width, int* totalHeight);
    void DrawItems(platform::DC& dc) const;
    void DrawSeparator(platform::DC& dc, const _DEF_MENU_ITEM& item) const;
    const _DEF_MENU_ITEM* ItemAt(platform::Point p) const;
    void Close();
    platform::LRESULT OnRelease(const platform::Message& m, int button);

    platform::LRESULT OnPaint(const platform::Message& m);
    platform::LRESULT OnEraseBkgnd(const platform::Message& m);
    platform::LRESULT OnMouseMove(const platform::Message& m);
    platform::LRESULT OnLButtonDown(const platform::Message& m);
    platform::LRESULT OnRButtonDown(const platform::Message& m);
    platform::LRESULT OnLButtonUp(const platform::Message& m);
    platform::LRESULT OnRButtonUp(const platform::Message& m);
    platform::LRESULT OnKeyDown(const platform::Message& m);
    platform::LRESULT OnCancelMode(const platform::Message& m);
    platform::LRESULT OnCaptureChanged(const platform::Message& m);
    platform::LRESULT OnNcDestroy(const platform::Message& m);

    platform::Window* owner_;
    platform::WindowHandle ownerHandle_ = 0;
    std::vector<_DEF_MENU_ITEM> items_;
    bool open_ = false;
    bool closing_ = false;
    // Presses the menu saw itself (left, right); see OnRelease.
    bool pressSeen_[2] = {false, false};
};
