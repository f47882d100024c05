#pragma once
// Dialog windows: frameless top-level windows that run either modelessly
// (Create: the window stays until destroyed; EndDialog hides it) or
// modally (DoModal: the owner is disabled and a nested loop runs until
// EndDialog, then the window is destroyed and the result returned).
//
// OnInitDialog runs once the window exists and before it is shown.
// Escape and the desktop's close request come as the command IDCANCEL,
// Return as IDOK when the dialog has an enabled control with that id (its
// default button); they end the dialog through OnOK and OnCancel unless a
// derived class handles them. Tab gives the focus to the next control that
// takes it (tab_order.h), Shift+Tab to the one before, round and round;
// the controls show where the focus is, and Space presses the button or
// check box that has it. A top-level dialog sees these keys whichever of
// its controls has the focus, except where the control answers
// WM_GETDLGCODE with DLGC_WANTALLKEYS.
//
// There are no dialog resources here: a dialog starts at a default size,
// centred over its owner, and its OnInitDialog places and sizes it. When
// it is shown it is kept inside the work area of its owner's monitor; a
// modal dialog also takes the keyboard.

#include "platform/window/window.h"

namespace platform {

class Dialog : public Window {
public:
    static constexpr Size kDefaultSize{300, 200};

    // The template id is the dialog's number as its callers write it (each
    // dialog builds its own controls); nothing here reads it.
    Dialog(UINT templateId, Window* parent);

    // Modeless: creates the window, runs OnInitDialog and shows it.
    bool Create(UINT templateId, Window* parent = nullptr);
    // Modal: returns the EndDialog result, or -1 when the window could not
    // be created (or was destroyed without EndDialog).
    int DoModal();
    void EndDialog(int result);

    const MessageMap* GetMessageMap() const override;
    bool PreTranslateMessage(Message& msg) override;

protected:
    virtual bool OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

private:
    bool CreateHidden();
    // Shown inside the work area of the owner's monitor; a modal dialog
    // takes the keyboard too.
    void ShowOnScreen(bool takeKeyboard);
    // Return, Escape and Tab as the dialog's; false for other keys.
    bool HandleDialogKey(WPARAM key);
    void MoveFocus(bool forward);
    LRESULT OnInitDialogMsg(const Message& m);
    LRESULT OnCloseMsg(const Message& m);
    LRESULT OnKeyDown(const Message& m);
    void OnOkCommand();
    void OnCancelCommand();

    Window* parentWnd_;
    bool modal_ = false;
};

}  // namespace platform
