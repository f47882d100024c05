#pragma once
// The main window's menu bar, made of four bitmap items (File, Play,
// Option, Help). Clicking one drops its part of the main menu down as a
// normal popup menu just under it; whatever the user picks reaches the
// owner as WM_PLAYER_COMMAND. It clears its hover images when the pointer leaves
// it and, while one of its pull-downs is open, a mouse hook (CWndMenu)
// reports every pointer move on the screen to it, so it switches to the
// neighbour's pull-down when the pointer moves onto that item, as a
// desktop menu bar does.

#include <string>
#include <vector>

#include "platform/draw/bitmap.h"
#include "platform/draw/dc.h"
#include "platform/window/popup_menu.h"
#include "platform/window/window.h"

// The hook that reports pointer moves to a window. The program's window
// layer delivers the reports itself (platform/window/mouse_hook.h): load and
// set the window once, install while a pull-down is open, remove when it
// closes, at the window's end and once more when the object goes
// (harmless).
class CWndMenu {
public:
    CWndMenu() = default;
    virtual ~CWndMenu();
    CWndMenu(const CWndMenu&) = delete;
    CWndMenu& operator=(const CWndMenu&) = delete;

    void LoadHookLibrary();
    void SetHookWindow(platform::WindowHandle window) { m_hookWindow = window; }
    void InstallHook();
    void RemoveHook();
    bool IsHookInstalled() const;

private:
    platform::WindowHandle m_hookWindow = 0;
    bool m_libraryLoaded = false;
};

class CMenuEx : public platform::Window, public CWndMenu {
public:
    static constexpr int kItemCount = 4;
    static constexpr int kWidth = 124;
    static constexpr int kHeight = 25;
    static constexpr uintptr_t kSwitchTimer = 1;
    static constexpr platform::Rect kItemRects[kItemCount] = {
        {0, 0, 25, 25}, {25, 0, 54, 25}, {54, 0, 94, 25}, {94, 0, 124, 25}};
    // Item states.
    enum { kNormal = 0, kOpen = 1, kHover = 2 };
    // The commands that reach the owner: the ids of the main menu.
    static constexpr unsigned kFirstCommand = 32797;
    static constexpr unsigned kLastCommand = 32835;

    // Loads the twelve images and creates the bar as a visible child of
    // 'owner' at (x, y); IsValid() is false (and there is no window) when
    // an image is missing or the window cannot be made.
    CMenuEx(platform::Window* owner, int x, int y);
    ~CMenuEx() override;

    bool IsValid() const { return m_valid != 0; }
    // Opens item i's pull-down and returns once it closed.
    void ShowPopup(int index);
    // The pull-down of item i as it opens now (the Play menu carries the
    // stored repeat code's check mark); empty for another index.
    static std::vector<platform::PopupMenuItem> PopupItems(int index);

    int GetItemState(int index) const { return m_states[index]; }
    int GetOpenItem() const { return m_openItem; }
    // Paints the bar into a context of its client size.
    void Render(platform::DC& dc) const;

    const platform::MessageMap* GetMessageMap() const override;

private:
    void SetAllStates(int state);
    int ItemAt(platform::Point client) const;
    void OnHookMouseMove();

    platform::LRESULT OnPaint(const platform::Message& m);
    platform::LRESULT OnEraseBkgnd(const platform::Message& m);
    platform::LRESULT OnMouseMove(const platform::Message& m);
    platform::LRESULT OnMouseLeave(const platform::Message& m);
    platform::LRESULT OnLButtonDown(const platform::Message& m);
    platform::LRESULT OnLButtonUp(const platform::Message& m);
    platform::LRESULT OnTimer(const platform::Message& m);
    platform::LRESULT OnCancelMode(const platform::Message& m);
    platform::LRESULT OnNcDestroy(const platform::Message& m);
    platform::LRESULT OnHookMessage(const platform::Message& m);
    void OnMenuCommand(platform::UINT id);

    int m_valid = 1;
    platform::Window* m_owner;
    int m_states[kItemCount] = {};
    int m_nextItem = -1;
    int m_openItem = -1;
    platform::Bitmap m_normal[kItemCount];
    platform::Bitmap m_hover[kItemCount];
    platform::Bitmap m_open[kItemCount];
};
