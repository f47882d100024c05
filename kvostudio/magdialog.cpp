#include "kvostudio/magdialog.h"

#include <algorithm>
#include <cstdlib>

using namespace platform;

namespace {

Rect Grow(int left, int top, int right, int bottom, int by)
{
    return {left - by, top - by, right + by, bottom + by};
}

}  // namespace

CMagDialog::CMagDialog(UINT templateId, Window* parent) : Dialog(templateId, parent) {}

CMagDialog::~CMagDialog()
{
    // Neither side keeps a pointer to a window object that is gone.
    if (owner_) {
        auto& list = owner_->children_;
        list.erase(std::remove_if(list.begin(), list.end(), [this](const dk_window& r) { return r.window == this; }),
                   list.end());
    }
    for (dk_window& r : children_)
        if (r.window && r.window->owner_ == this)
            r.window->owner_ = nullptr;
}

void CMagDialog::SetOwner(int mode, CMagDialog* owner)
{
    mode_ = mode;
    owner_ = owner;
}

dk_window* CMagDialog::Record(const CMagDialog* child)
{
    for (dk_window& r : children_)
        if (r.window == child)
            return &r;
    return nullptr;
}

const dk_window* CMagDialog::FindChild(const CMagDialog* child) const
{
    for (const dk_window& r : children_)
        if (r.window == child)
            return &r;
    return nullptr;
}

void CMagDialog::AddChild(CMagDialog* child, bool docked, int side)
{
    if (!child)
        return;
    children_.push_back({child, docked, side, kAnySide, 0});
    child->owner_ = this;
    child->docked_ = docked;
    child->side_ = side;
    child->mode_ = kAnySide;
}

void CMagDialog::SetDocked(CMagDialog* child, int side)
{
    if (!child)
        return;
    dk_window* r = Record(child);
    if (!r) {
        children_.push_back({child, false, 0, kAnySide, 0});
        r = &children_.back();
    }
    r->docked = true;
    r->side = side;
}

void CMagDialog::Undock(CMagDialog* child)
{
    if (dk_window* r = Record(child)) {
        r->docked = false;
        r->side = 0;
        r->offset = 0;
    }
}

void CMagDialog::ClearOffset(const CMagDialog* child)
{
    if (dk_window* r = Record(child))
        r->offset = 0;
}

void CMagDialog::DockRight()
{
    if (!owner_)
        return;
    owner_->SetDocked(this, kRight);
    side_ = kRight;
    docked_ = true;
}

void CMagDialog::UndockSelf()
{
    if (owner_)
        owner_->Undock(this);
    docked_ = false;
    side_ = 0;
}

const MessageMap* CMagDialog::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(Dialog::GetMessageMap(), {
        M::On(WM_MOVE, &CMagDialog::OnMove),
        M::On(WM_MOVING, &CMagDialog::OnMoving),
        M::On(WM_WINDOWPOSCHANGING, &CMagDialog::OnWindowPosChanging),
        M::On(WM_SHOWWINDOW, &CMagDialog::OnShowWindow),
    });
    return &map;
}

// The owner is about to move to 'proposed': where each docked child goes.
void CMagDialog::PlaceChildren(const Rect& proposed)
{
    const Rect now = GetWindowRect();
    for (dk_window& r : children_) {
        CMagDialog* child = r.window;
        if (!r.docked || !child || !child->IsWindowVisible())
            continue;
        const Rect c = child->GetWindowRect();
        // Measured against where the owner is now, not where it is going,
        // so the child keeps exactly its place along the side.
        if (r.offset == 0)
            r.offset = (r.side == kLeft || r.side == kRight) ? now.top - c.top : now.left - c.left;
        int x = c.left;
        int y = c.top;
        const bool offsetKept = std::abs(r.offset) > kAlignSlack;
        switch (r.side) {
        case kLeft:
        case kRight:
            x = r.side == kLeft ? proposed.left - c.Width() : proposed.right;
            y = offsetKept ? proposed.top - r.offset : proposed.top;
            break;
        case kTop:
        case kBottom:
            y = r.side == kTop ? proposed.top - c.Height() : proposed.bottom;
            x = offsetKept ? proposed.left - r.offset : proposed.left;
            break;
        default:
            continue;
        }
        child->lastPlaced_ = RectOfSize(x, y, c.Width(), c.Height());
    }
}

// This child is being dragged to 'proposed': dock or undock by the zones
// around the owner's edges.
void CMagDialog::SnapToOwner(const Rect& proposed)
{
    const Rect o = owner_->GetWindowRect();
    const Rect rightZone = Grow(o.right, o.top, o.right, o.bottom, kSnapDistance);
    const Rect leftZone = Grow(o.left, o.top, o.left, o.bottom, kSnapDistance);
    const Rect topZone = Grow(o.left, o.top, o.right, o.top, kSnapDistance);
    const Rect bottomZone = Grow(o.left, o.bottom, o.right, o.bottom, kSnapDistance);
    const int midY = (proposed.top + proposed.bottom) / 2;
    const int midX = (proposed.left + proposed.right) / 2;
    const Point leftMid{proposed.left, midY};
    const Point rightMid{proposed.right, midY};
    const Point bottomMid{midX, proposed.bottom};
    const Point topMid{midX, proposed.top};

    if (docked_) {
        const bool left = (side_ == kRight && !rightZone.Contains(leftMid)) ||
                          (side_ == kLeft && !leftZone.Contains(rightMid)) ||
                          (side_ == kTop && !topZone.Contains(bottomMid)) ||
                          (side_ == kBottom && !bottomZone.Contains(topMid));
        if (left)
            UndockSelf();
        return;
    }
    int side = 0;
    if ((mode_ == kRight || mode_ == kAnySide) && rightZone.Contains(leftMid))
        side = kRight;
    else if ((mode_ == kLeft || mode_ == kAnySide) && leftZone.Contains(rightMid))
        side = kLeft;
    else if ((mode_ == kTop || mode_ == kAnySide) && topZone.Contains(bottomMid))
        side = kTop;
    else if ((mode_ == kBottom || mode_ == kAnySide) && bottomZone.Contains(topMid))
        side = kBottom;
    if (side == 0)
        return;
    owner_->SetDocked(this, side);
    side_ = side;
    docked_ = true;
}

LRESULT CMagDialog::OnMoving(const Message& m)
{
    const auto* proposed = reinterpret_cast<const Rect*>(m.lParam);
    if (proposed) {
        if (owner_)
            SnapToOwner(*proposed);
        else
            PlaceChildren(*proposed);
    }
    return Default();
}

LRESULT CMagDialog::OnMove(const Message&)
{
    const LRESULT result = Default();
    if (owner_)
        return result;
    // Copies: moving a child may change the list (a child that undocks).
    const std::vector<dk_window> records = children_;
    for (const dk_window& r : records) {
        CMagDialog* child = r.window;
        if (!r.docked || !child || child->lastPlaced_.IsEmpty() || !Record(child))
            continue;
        const Rect to = child->lastPlaced_;
        // Used once: a later move of the owner that was not announced (not
        // a drag) does not send the child back to an old place.
        child->lastPlaced_ = {};
        child->movedByOwner_ = true;
        child->SetWindowPos(to.left, to.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        child->movedByOwner_ = false;
    }
    return result;
}

LRESULT CMagDialog::OnWindowPosChanging(const Message& m)
{
    auto* pos = reinterpret_cast<WINDOWPOS*>(m.lParam);
    if (pos && docked_ && owner_ && IsWindowVisible() && !movedByOwner_ && !(pos->flags & SWP_NOMOVE)) {
        const Rect o = owner_->GetWindowRect();
        // The place asked for decides whether the child lines up with the
        // owner's edge or keeps its distance along the side.
        switch (side_) {
        case kRight:
        case kLeft:
            if (std::abs(o.top - pos->y) > kAlignSlack) {
                offset_ = o.top - pos->y;
            } else {
                offset_ = 0;
                pos->y = o.top;
            }
            pos->x = side_ == kRight ? o.right : o.left - pos->cx;
            break;
        case kTop:
            if (std::abs(o.left - pos->x) > kAlignSlack) {
                offset_ = o.left - pos->x;
            } else {
                offset_ = 0;
                pos->x = o.left;
            }
            pos->y = o.top - pos->cy;
            break;
        case kBottom:
            if (std::abs(o.left - pos->x) > kAlignSlack || std::abs(o.bottom - pos->y) > kAlignSlack) {
                offset_ = o.left - pos->x;
            } else {
                offset_ = 0;
                pos->x = o.left;
            }
            pos->y = o.bottom;
            break;
        default:
            break;
        }
        owner_->ClearOffset(this);
    }
    movedByOwner_ = false;
    return Default();
}

LRESULT CMagDialog::OnShowWindow(const Message& m)
{
    const LRESULT result = Default();
    if (m.wParam == 0 || !docked_ || !owner_)
        return result;
    const Rect o = owner_->GetWindowRect();
    const Rect c = GetWindowRect();
    int x = c.left;
    int y = c.top;
    switch (side_) {
    case kLeft:
        x = o.left - c.Width();
        y = o.top - offset_;
        break;
    case kRight:
        x = o.right;
        y = o.top - offset_;
        break;
    case kTop:
        x = o.left - offset_;
        y = o.top - c.Height();
        break;
    case kBottom:
        x = o.left - offset_;
        y = o.bottom;
        break;
    default:
        return result;
    }
    SetWindowPos(x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return result;
}
