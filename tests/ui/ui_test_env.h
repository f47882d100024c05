// What the display tests share: the display check, xdotool, screenshots.
#pragma once

#include <sys/stat.h>

#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kvostudio/folders.h"
#include "kvostudio/playercommand.h"
#include "platform/window/ui_loop.h"
#include "platform/window/window.h"
#include "tests/support/command_output.h"

namespace uitest {

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

// Runs the loop until 'done' holds; false after three seconds without.
inline bool Wait(const std::function<bool()>& done)
{
    return platform::RunLoopUntil(done, 3000);
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

// Lets the desktop map and draw what is pending.
inline void Settle(int ms = 300)
{
    platform::RunLoopFor(ms);
}

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
