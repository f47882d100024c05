#pragma once
// The popup both kinds of tooltip show: one line of text in the small UI
// font on a pale yellow ground with a grey border, sized to its text and
// shown without taking the focus.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/window/window.h"

namespace platform {

class TipWindow : public Window {
public:
    // Timers set on the tip's window end here (the hover tooltip times its
    // delays on it); without a handler they take the default course.
    std::function<void(uintptr_t id)> onTimer;

    // The popup, owned by 'owner' when one is given; false when it cannot
    // be made.
    bool CreateTip(Window* owner);
    // Sizes the window to the text, puts its top-left at 'screen' and
    // shows it.
    void ShowText(const std::string& text, Point screen);
    const std::string& Text() const { return text_; }

    const MessageMap* GetMessageMap() const override;

private:
    LRESULT OnPaint(const Message& m);
    LRESULT OnEraseBkgnd(const Message& m);
    LRESULT OnTimer(const Message& m);

    std::string text_;
};

}  // namespace platform
