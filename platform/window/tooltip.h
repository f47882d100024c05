#pragma once
// Tooltips: a small popup with a tool's text that appears when the pointer
// rests over the tool and goes away when the pointer leaves it, a button is
// pressed, or a few seconds pass. A tool is a rectangle of a window with a
// text; the window relays its mouse messages with RelayEvent (from its
// PreTranslateMessage), which is how the tooltip learns where the pointer
// is. When several tools hold the point, the last added one with a
// non-empty text is shown.

#include <memory>
#include <string>
#include <vector>

#include "platform/draw/geometry.h"
#include "platform/window/messages.h"

namespace platform {

class Window;
class TipWindow;

class ToolTip {
public:
    static constexpr int kInitialDelayMs = 500;
    static constexpr int kAutoPopMs = 5000;

    ToolTip();
    ~ToolTip();
    ToolTip(const ToolTip&) = delete;
    ToolTip& operator=(const ToolTip&) = delete;

    bool Create(Window* owner);
    void Destroy();
    bool IsCreated() const;

    // An empty rectangle stands for the window's whole client area.
    bool AddTool(Window* window, const std::string& text, const Rect& rect = {}, uintptr_t toolId = 0);
    void SetToolRect(Window* window, uintptr_t toolId, const Rect& rect);
    int GetToolCount() const { return static_cast<int>(tools_.size()); }
    void RelayEvent(const Message& msg);
    void Pop();

    bool IsShown() const;
    std::string ShownText() const;

private:
    struct Tool {
        WindowHandle window;
        uintptr_t id;
        Rect rect;
        std::string text;
    };
    const Tool* FindTool(WindowHandle window, Point client) const;
    void ShowPending();
    void PollPointer();
    void OnTipTimer(uintptr_t id);

    std::unique_ptr<TipWindow> tip_;
    std::vector<Tool> tools_;
    int pending_ = -1;  // index of the tool waiting for its delay
    int shown_ = -1;    // index of the tool shown
};

}  // namespace platform
