#pragma once
// Magnetic dialogs. The main window acts as owner and the other windows
// register as its children. Dropping a child within kSnapDistance of one
// of the owner's sides attaches it there; from then on it moves with the
// owner, keeping its offset along that side, until the user drags it off.
//
// Sides are single bits (see Side below; kRight means the child touches
// the owner's right edge). A child's snap mode is either one of those bits
// or kAnySide.

#include <vector>

#include "platform/window/dialog.h"

class CMagDialog;

// The owner's record of one child.
struct dk_window {
    CMagDialog* window = nullptr;
    bool docked = false;
    int side = 0;
    int mode = 1;
    int offset = 0;  // along the side, measured at the owner's next move
};

class CMagDialog : public platform::Dialog {
public:
    enum Side { kAnySide = 1, kLeft = 2, kRight = 4, kTop = 8, kBottom = 16 };
    // How near a side a child must come to dock.
    static constexpr int kSnapDistance = 15;
    // A child this near the owner's edge along its side lines up with it.
    static constexpr int kAlignSlack = 14;

    CMagDialog(platform::UINT templateId, platform::Window* parent);
    ~CMagDialog() override;

    // Child side: the owner this window docks to, and where it may dock.
    void SetOwner(int mode, CMagDialog* owner);
    // Owner side.
    void AddChild(CMagDialog* child, bool docked, int side);
    void SetDocked(CMagDialog* child, int side);
    void Undock(CMagDialog* child);
    // Child side: docks this window on the owner's right.
    void DockRight();

    bool IsDocked() const { return docked_; }
    int GetDockSide() const { return side_; }
    // Owner side: the record of a child, or null.
    const dk_window* FindChild(const CMagDialog* child) const;

    const platform::MessageMap* GetMessageMap() const override;

protected:
    // Child side: leaves the side it is docked on, telling the owner.
    void UndockSelf();

private:
    dk_window* Record(const CMagDialog* child);
    void ClearOffset(const CMagDialog* child);
    void PlaceChildren(const platform::Rect& proposed);
    void SnapToOwner(const platform::Rect& proposed);

    platform::LRESULT OnMove(const platform::Message& m);
    platform::LRESULT OnMoving(const platform::Message& m);
    platform::LRESULT OnWindowPosChanging(const platform::Message& m);
    platform::LRESULT OnShowWindow(const platform::Message& m);

    CMagDialog* owner_ = nullptr;
    int mode_ = kAnySide;
    int side_ = 0;
    bool docked_ = false;
    bool movedByOwner_ = false;
    int offset_ = 0;
    platform::Rect lastPlaced_;
    std::vector<dk_window> children_;
};
