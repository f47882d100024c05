#pragma once
// A frameless sticky dialog (CMagDialog) that the user can still resize
// and move: a thin band (kBorderBand pixels) on each edge acts as a sizing
// border and the rest of the window as a title bar. A new window has both
// switched off; the subclass enables what it wants.

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
