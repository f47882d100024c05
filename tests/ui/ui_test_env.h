// What the display tests share: the display check, xdotool, screenshots.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kvostudio/folders.h"
#include "kvostudio/playercommand.h"
#include "platform/draw/bitmap.h"
#include "platform/window/ui_loop.h"
#include "platform/window/window.h"
#include "tests/support/build_kind.h"
#include "tests/support/command_output.h"

namespace uitest {

using testsupport::kSanitizedBuild;

// Skips the test unless windows reach an X display and the tools are there.
#define KVO_REQUIRE_DISPLAY()                                                                    \
    do {                                                                                         \
        if (!platform::InitWindowing(platform::DisplayMode::Auto))                               \
            GTEST_SKIP() << "no X display (run under xvfb-run)";                                 \
        if (!testsupport::HaveTool("xdotool") || !testsupport::HaveTool("import"))               \
            GTEST_SKIP() << "xdotool or ImageMagick's import missing";                           \
    } while (0)

// Runs xdotool with the arguments; false when it fails.
inline bool Xdo(std::vector<std::string> args)
{
    args.insert(args.begin(), "xdotool");
    return testsupport::CommandOutput(args).has_value();
}

inline bool MoveTo(int x, int y)
{
    return Xdo({"mousemove", "--sync", std::to_string(x), std::to_string(y)});
}

// How long a step waits for the state it needs before the test fails: far
// beyond what a machine busy with other work, or a sanitizer build, needs.
inline constexpr int kWaitMs = 20000;

// Runs the loop until 'done' holds; false when it has not within timeoutMs.
inline bool Wait(const std::function<bool()>& done, int timeoutMs = kWaitMs)
{
    return platform::RunLoopUntil(done, timeoutMs);
}

// Moves the pointer to a point of the screen and waits until the desktop
// has the top-level window 'top' there (shown, in place, its shape
// applied), so that what the pointer does next reaches it.
inline bool PointInto(platform::Window& top, platform::Point screen)
{
    if (!MoveTo(screen.x, screen.y))
        return false;
    return Wait([&] {
        const unsigned long id = platform::NativeWindowId(top);
        return id != 0 && platform::NativeWindowUnderPointer() == id;
    });
}
// The same for a window of another program, by its X window id.
inline bool PointInto(unsigned long window, platform::Point screen)
{
    return MoveTo(screen.x, screen.y) && Wait([&] { return platform::NativeWindowUnderPointer() == window; });
}

// Whether the desktop's keyboard focus is on the top-level window 'top', so
// that keys typed with xdotool reach it.
inline bool HasKeyboardFocus(platform::Window& top)
{
    const auto focus = testsupport::CommandOutput({"xdotool", "getwindowfocus", "-f"});
    return focus && std::strtoul(focus->c_str(), nullptr, 10) == platform::NativeWindowId(top);
}

// A top-level window that keeps the commands its children send it.
class CommandOwner : public platform::Window {
public:
    std::vector<int> commands;
    platform::LRESULT WindowProc(platform::UINT msg, platform::WPARAM wp, platform::LPARAM lp) override
    {
        if (msg == WM_PLAYER_COMMAND) {
            commands.push_back(static_cast<int>(wp));
            return 0;
        }
        return Window::WindowProc(msg, wp, lp);
    }
};

// Where screenshots are kept: <build>/artifacts/.
inline std::string ArtifactPath(const std::string& name)
{
    std::string dir = GetProgramFolder() + "../artifacts/";
    mkdir(dir.c_str(), 0755);
    return dir + name;
}

// A screenshot of the whole screen as a PNG; false when import fails.
inline bool Screenshot(const std::string& path)
{
    return testsupport::CommandOutput({"import", "-window", "root", "png:" + path}).has_value();
}

// Screenshots, kept at 'path', until one shows what 'shows' looks for (the
// desktop draws in its own time); the last one taken, null when none could
// be.
inline platform::Bitmap ScreenWhen(const std::string& path, const std::function<bool(const platform::Bitmap&)>& shows)
{
    platform::Bitmap shot;
    Wait([&] {
        if (!Screenshot(path))
            return false;
        shot = platform::Bitmap::Load(path);
        return !shot.IsNull() && shows(shot);
    });
    return shot;
}

struct Geometry {
    unsigned long id = 0;
    platform::Rect rect;
};

// The visible windows of a process, as xdotool lists them.
inline std::vector<unsigned long> VisibleWindows(pid_t pid)
{
    std::vector<unsigned long> windows;
    const auto ids = testsupport::CommandOutput({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid)});
    if (!ids)
        return windows;
    std::istringstream list(*ids);
    unsigned long id = 0;
    while (list >> id)
        windows.push_back(id);
    return windows;
}

// Whether the desktop shows the top-level window 'top' (mapped, viewable).
inline bool IsShown(platform::Window& top)
{
    const unsigned long id = platform::NativeWindowId(top);
    for (unsigned long window : VisibleWindows(getpid()))
        if (window == id)
            return id != 0;
    return false;
}

// xdotool's idea of a window's place and size.
inline std::optional<platform::Rect> WindowGeometry(unsigned long id)
{
    const auto shell = testsupport::CommandOutput({"xdotool", "getwindowgeometry", "--shell", std::to_string(id)});
    if (!shell)
        return std::nullopt;
    int x = 0, y = 0, w = 0, h = 0;
    std::istringstream lines(*shell);
    std::string line;
    while (std::getline(lines, line)) {
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq);
        const int value = std::stoi(line.substr(eq + 1));
        if (key == "X") x = value;
        if (key == "Y") y = value;
        if (key == "WIDTH") w = value;
        if (key == "HEIGHT") h = value;
    }
    return platform::RectOfSize(x, y, w, h);
}

// A visible top-level window of the process with this size, once it is
// there.
inline std::optional<Geometry> FindWindowOfSize(pid_t pid, int width, int height)
{
    for (unsigned long id : VisibleWindows(pid)) {
        const auto rect = WindowGeometry(id);
        if (rect && rect->Width() == width && rect->Height() == height)
            return Geometry{id, *rect};
    }
    return std::nullopt;
}

}  // namespace uitest
