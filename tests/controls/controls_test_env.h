// What the control tests share: windows in memory, a top-level window that
// keeps the player commands it gets, pointer helpers in screen terms, and
// pixel counting.
#pragma once

#include <functional>
#include <vector>

#include "kvostudio/playercommand.h"
#include "tests/skin/skin_test_env.h"

namespace controlstest {

using skintest::ScopedSkinFolder;
using skintest::UseMemoryWindows;

// A top-level window in memory that paints one colour and keeps every
// WM_PLAYER_COMMAND it is sent or posted (wParam).
class CommandSink : public platform::Window {
public:
    std::vector<int> commands;
    platform::COLORREF colour = platform::RGB(0, 0, 0);

    bool Make(const platform::Rect& screenRect)
    {
        return CreateEx(0, "CommandSink", "", platform::WS_POPUP | platform::WS_VISIBLE, screenRect, nullptr, 0);
    }
    platform::LRESULT WindowProc(platform::UINT msg, platform::WPARAM wp, platform::LPARAM lp) override
    {
        if (msg == WM_PLAYER_COMMAND) {
            commands.push_back(static_cast<int>(wp));
            return 0;
        }
        if (msg == platform::WM_PAINT) {
            platform::PaintDC dc(*this);
            dc.FillSolidRect(GetClientRect(), colour);
            return 0;
        }
        return platform::Window::WindowProc(msg, wp, lp);
    }
};

// The pointer to a screen point, sent through the top-level 'via' (as the
// desktop would: in its client coordinates, which move as it moves).
inline void MoveTo(platform::Window& via, platform::Point screen)
{
    platform::InjectMouseMove(via, via.ScreenToClient(screen));
    platform::PumpMessages();
}
inline void Button(platform::Window& via, platform::Point screen, bool down, int button = 1)
{
    platform::InjectMouseButton(via, button, down, via.ScreenToClient(screen));
    platform::PumpMessages();
}
inline void Click(platform::Window& via, platform::Point screen, int button = 1)
{
    MoveTo(via, screen);
    Button(via, screen, true, button);
    Button(via, screen, false, button);
}

// Pixels of the bitmap inside 'area' for which 'pred' holds.
inline int CountPixels(const platform::Bitmap& b, const platform::Rect& area,
                       const std::function<bool(platform::COLORREF)>& pred)
{
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (pred(b.GetPixel(x, y)))
                ++n;
    return n;
}
inline int CountColour(const platform::Bitmap& b, const platform::Rect& area, platform::COLORREF c)
{
    return CountPixels(b, area, [c](platform::COLORREF p) { return p == c; });
}

// Pixels within 'tolerance' of a colour in every channel: text is drawn
// smoothed, so only the cores of its strokes come near its colour.
inline int CountNear(const platform::Bitmap& b, const platform::Rect& area, platform::COLORREF c, int tolerance = 24)
{
    auto near = [tolerance](int a, int b) { return a - b <= tolerance && b - a <= tolerance; };
    return CountPixels(b, area, [&](platform::COLORREF p) {
        return near(platform::GetRValue(p), platform::GetRValue(c)) && near(platform::GetGValue(p), platform::GetGValue(c)) &&
               near(platform::GetBValue(p), platform::GetBValue(c));
    });
}

}  // namespace controlstest
