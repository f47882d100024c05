#include "platform/window/dialog.h"

#include "platform/window/tab_order.h"
#include "platform/window/ui_loop.h"
#include "platform/window/window_internal.h"

namespace platform {

namespace {

// Asks the desktop to send the keys to a shown top-level window, whichever
// of its windows holds the focus.
void TakeKeyboard(Window& top)
{
    WindowState& s = WindowAccess::S(top);
    if (s.top && s.top->host && top.IsWindowVisible())
        s.top->host->GrabKeyboardFocus();
}

}  // namespace

Dialog::Dialog(UINT /*templateId*/, Window* parent) : parentWnd_(parent) {}

const MessageMap* Dialog::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(Window::GetMessageMap(), {
        M::On(WM_INITDIALOG, &Dialog::OnInitDialogMsg),
        M::On(WM_CLOSE, &Dialog::OnCloseMsg),
        M::On(WM_KEYDOWN, &Dialog::OnKeyDown),
        M::OnCommand(IDOK, &Dialog::OnOkCommand),
        M::OnCommand(IDCANCEL, &Dialog::OnCancelCommand),
    });
    return &map;
}

bool Dialog::CreateHidden()
{
    Window* owner = (parentWnd_ && parentWnd_->IsWindow()) ? parentWnd_->GetTopLevel() : nullptr;
    const Rect area = owner ? owner->GetWindowRect() : GetScreenRect();
    const Rect rect = RectOfSize(area.left + (area.Width() - kDefaultSize.cx) / 2,
                                 area.top + (area.Height() - kDefaultSize.cy) / 2, kDefaultSize.cx, kDefaultSize.cy);
    if (!CreateEx(0, "Dialog", "", WS_POPUP | WS_CLIPCHILDREN, rect, owner, 0))
        return false;
    const WindowHandle self = GetSafeHwnd();
    SendMessage(WM_INITDIALOG);
    return FromHandle(self) == this;
}

void Dialog::ShowOnScreen(bool takeKeyboard)
{
    if (IsTopLevel()) {
        const Rect now = GetWindowRect();
        const Rect kept = KeepInside(now, GetWorkAreaNear(GetParent() ? GetParent()->GetWindowRect() : now));
        if (kept.left != now.left || kept.top != now.top)
            SetWindowPos(kept.left, kept.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    const WindowHandle self = GetSafeHwnd();
    ShowWindow(SW_SHOW);
    if (!takeKeyboard || FromHandle(self) != this || !IsTopLevel())
        return;
    // The keyboard comes to the dialog: to the control OnInitDialog chose,
    // else to the dialog itself.
    Window* focus = GetFocus();
    if (focus && focus->GetTopLevel() == this) {
        TakeKeyboard(*this);
    } else {
        SetFocus();
    }
}

bool Dialog::Create(UINT /*templateId*/, Window* parent)
{
    if (parent)
        parentWnd_ = parent;
    modal_ = false;
    if (!CreateHidden())
        return false;
    ShowOnScreen(false);
    return IsWindow();
}

int Dialog::DoModal()
{
    // A program on its way out asks nothing more.
    if (ClosingDown())
        return IDCANCEL;
    modal_ = true;
    if (!CreateHidden())
        return -1;
    Window* owner = GetParent();
    const WindowHandle ownerHandle = owner ? owner->GetSafeHwnd() : 0;
    const bool ownerWasEnabled = owner && owner->IsWindowEnabled();
    if (ownerWasEnabled)
        owner->EnableWindow(false);
    ShowOnScreen(true);
    const int result = RunModalLoop(*this);
    if (IsWindow())
        ShowWindow(SW_HIDE);
    if (ownerWasEnabled) {
        if (Window* o = Window::FromHandle(ownerHandle))
            o->EnableWindow(true);
    }
    if (IsWindow())
        DestroyWindow();
    modal_ = false;
    return result;
}

void Dialog::EndDialog(int result)
{
    if (modal_ && InModalLoop(*this))
        EndModalLoop(*this, result);
    else
        ShowWindow(SW_HIDE);
}

bool Dialog::OnInitDialog()
{
    return true;
}

void Dialog::OnOK()
{
    EndDialog(IDOK);
}

void Dialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

LRESULT Dialog::OnInitDialogMsg(const Message&)
{
    return OnInitDialog() ? 1 : 0;
}

LRESULT Dialog::OnCloseMsg(const Message&)
{
    SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return 0;
}

bool Dialog::PreTranslateMessage(Message& msg)
{
    // Keys go to the focused control; the dialog looks at Return, Escape
    // and Tab first, as long as the control does not want them itself.
    const bool dialogKey = msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE || msg.wParam == VK_TAB;
    if (msg.message != WM_KEYDOWN || !dialogKey || !IsTopLevel())
        return Window::PreTranslateMessage(msg);
    Window* target = FromHandle(msg.hwnd);
    if (target && target != this && (target->SendMessage(WM_GETDLGCODE, msg.wParam, 0) & DLGC_WANTALLKEYS))
        return false;
    return HandleDialogKey(msg.wParam);
}

void Dialog::MoveFocus(bool forward)
{
    if (Window* next = NextTabStop(*this, GetFocus(), forward))
        next->SetFocus();
}

bool Dialog::HandleDialogKey(WPARAM key)
{
    if (key == VK_TAB) {
        MoveFocus((GetKeyModifiers() & MK_SHIFT) == 0);
        return true;
    }
    if (key == VK_ESCAPE) {
        SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return true;
    }
    if (key != VK_RETURN)
        return false;
    // Return presses the default button, and only when there is one to press.
    Window* button = GetDlgItem(IDOK);
    if (button && button->IsWindowVisible() && button->IsWindowEnabled())
        SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return true;
}

LRESULT Dialog::OnKeyDown(const Message& m)
{
    HandleDialogKey(m.wParam);
    return 0;
}

void Dialog::OnOkCommand()
{
    OnOK();
}

void Dialog::OnCancelCommand()
{
    OnCancel();
}

}  // namespace platform
