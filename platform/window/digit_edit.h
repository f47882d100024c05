#pragma once
// A one-line edit field that takes digits only (other typed characters are
// refused), for numbers set with a spin button beside it. Up and Down, when
// the field has the focus, go to the arrow handler (the spin button that
// made the field its buddy steps its value).

#include <functional>

#include "platform/window/edit.h"

namespace platform {

class DigitEdit : public EditBox {
public:
    // +1 for Up, -1 for Down.
    std::function<void(int direction)> onArrow;

    const MessageMap* GetMessageMap() const override;

private:
    LRESULT OnChar(const Message& m);
    LRESULT OnKeyDown(const Message& m);
};

}  // namespace platform
