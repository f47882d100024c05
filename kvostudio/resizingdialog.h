#pragma once
// A sticky dialog (CMagDialog) without a frame that can still be resized
// by a 3-pixel band along its edges and moved by dragging its interior.
// Both are off in a new window: the window turns them on.

#include "kvostudio/magdialog.h"

class CResizingDialog : public CMagDialog {
public:
    static constexpr int kBorderBand = 3;

    CResizingDialog(platform::UINT templateId, platform::Window* parent);

    // A press on an edge starts resizing by that edge.
    void EnableBorderSizing(bool on) { borderSizing_ = on; }
    // The edges answer the hit test as sizing areas, the interior as a
    // caption.
    void EnableBorderHitTest(bool on) { borderHitTest_ = on; }

    // The hit-test answer for a screen point against a window rectangle.
    static platform::LRESULT BorderHitTest(const platform::Rect& window, platform::Point screen);

    const platform::MessageMap* GetMessageMap() const override;

private:
    platform::LRESULT OnNcHitTest(const platform::Message& m);
    platform::LRESULT OnNcLButtonDown(const platform::Message& m);

    bool borderSizing_ = false;
    bool borderHitTest_ = false;
};
