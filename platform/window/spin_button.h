#pragma once
// An up-down control drawn by the window service: two arrow halves that
// step a number within a range and write it, as an integer, into the edit
// field it is bound to (its buddy). A press steps once at once and then
// again and again while the button is held. Each step starts from the
// number the buddy shows, so a value typed into the field counts; a field
// that holds no number starts from the last position.

#include <string>

#include "platform/window/edit.h"
#include "platform/window/window.h"

namespace platform {

class SpinButton : public Window {
public:
    static constexpr uintptr_t kRepeatTimer = 1;
    static constexpr unsigned kFirstRepeatMs = 400;
    static constexpr unsigned kRepeatMs = 60;

    SpinButton() = default;
    // Unbinds the buddy, which must still exist (declare it before the spin).
    ~SpinButton() override;

    bool Create(uint32_t style, const Rect& rect, Window* parent, int id);
    // The field that shows the number. A DigitEdit buddy also steps the
    // number with its Up and Down keys.
    void SetBuddy(EditBox* buddy);
    void SetRange(int lower, int upper);
    // The amount one step adds (at least 1).
    void SetStep(int step) { step_ = step < 1 ? 1 : step; }

    // The buddy's number inside the range, or the last position when the
    // buddy shows none.
    int GetPos() const;
    // Clamps to the range, stores it and writes it into the buddy.
    void SetPos(int pos);
    // One step up (+1) or down (-1).
    void Step(int direction);

    const MessageMap* GetMessageMap() const override;

private:
    LRESULT OnLButtonDown(const Message& m);
    LRESULT OnLButtonUp(const Message& m);
    LRESULT OnTimer(const Message& m);
    LRESULT OnCaptureChanged(const Message& m);
    LRESULT OnPaint(const Message& m);
    LRESULT OnEraseBkgnd(const Message& m);
    void StopRepeat();

    EditBox* buddy_ = nullptr;
    int lower_ = 0;
    int upper_ = 100;
    int step_ = 1;
    int pos_ = 0;
    int pressed_ = 0;  // +1 the upper half is held, -1 the lower, 0 none
};

}  // namespace platform
