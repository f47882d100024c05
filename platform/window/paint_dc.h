#pragma once
// Drawing contexts on a window.
//
// PaintDC is made inside a WM_PAINT handler: it draws in the window's
// client coordinates, clipped to the area being painted (and never over
// child windows or siblings above). ClientDC draws on the whole visible
// client area at any time, and shows what it drew when it goes away.

#include "platform/draw/dc.h"

namespace platform {

class Window;

class PaintDC : public DC {
public:
    explicit PaintDC(Window& window);
    ~PaintDC() override;

private:
    Window& window_;
    bool outsidePaint_ = false;
};

class ClientDC : public DC {
public:
    explicit ClientDC(Window& window);
    ~ClientDC() override;

private:
    Window& window_;
};

}  // namespace platform
