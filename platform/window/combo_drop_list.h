#pragma once
// Inside the window service: the item list a ComboBox opens. It is a child
// of the combo's top-level window, laid over the controls below the combo,
// and holds the pointer while it is open so that a click anywhere else
// closes it. Not for use outside platform/window.

#include "platform/window/combo_box.h"

namespace platform {

class ComboDropList : public Window {
public:
    explicit ComboDropList(ComboBox& combo) : combo_(combo) {}

    // Opens the list under (or over) the combo with the chosen item lit.
    bool Open();
    void Close();
    bool IsOpen() const { return IsWindow(); }

    // Moves the highlight by 'delta' rows, keeping it in view.
    void MoveHot(int delta);
    // Chooses the highlighted item for the combo and closes.
    void ChooseHot();

    const MessageMap* GetMessageMap() const override;

private:
    int RowAt(Point p) const;
    void ScrollToHot();

    LRESULT OnMouseMove(const Message& m);
    LRESULT OnLButtonDown(const Message& m);
    LRESULT OnLButtonUp(const Message& m);
    LRESULT OnMouseWheel(const Message& m);
    LRESULT OnCaptureChanged(const Message& m);
    LRESULT OnPaint(const Message& m);
    LRESULT OnEraseBkgnd(const Message& m);

    ComboBox& combo_;
    int hot_ = CB_ERR;
    int top_ = 0;   // first item shown
    int rows_ = 0;  // rows shown
    bool closing_ = false;
};

}  // namespace platform
