#include "platform/window/dialog.h"

#include "platform/window/ui_loop.h"

namespace platform {

Dialog::Dialog(UINT templateId, Window* parent) : templateId_(templateId), parentWnd_(parent) {}

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

bool Dialog::Create(UINT templateId, Window* parent)
{
    templateId_ = templateId;
    if (parent)
        parentWnd_ = parent;
    modal_ = false;
    if (!CreateHidden())
        return false;
    ShowWindow(SW_SHOW);
    return IsWindow();
}

int Dialog::DoModal()
{
    modal_ = true;
    if (!CreateHidden())
        return -1;
    Window* owner = GetParent();
    const WindowHandle ownerHandle = owner ? owner->GetSafeHwnd() : 0;
    const bool ownerWasEnabled = owner && owner->IsWindowEnabled();
    if (ownerWasEnabled)
        owner->EnableWindow(false);
    ShowWindow(SW_SHOW);
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

LRESULT Dialog::OnKeyDown(const Message& m)
{
    if (m.wParam == VK_RETURN)
        SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    else if (m.wParam == VK_ESCAPE)
        SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
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
