#include "tests/ui/running_program.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "kvostudio/folders.h"
#include "tests/support/command_output.h"
#include "ui_test_env.h"

using platform::Point;
using platform::Size;

namespace uitest {

namespace {

struct Geometry {
    unsigned long id = 0;
    int x = 0, y = 0, width = 0, height = 0;
};

// The visible windows the process has put on the display.
std::vector<Geometry> WindowsOf(pid_t pid)
{
    std::vector<Geometry> found;
    const auto ids = testsupport::CommandOutput({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid)});
    if (!ids)
        return found;
    std::istringstream list(*ids);
    std::string id;
    while (list >> id) {
        const auto shell = testsupport::CommandOutput({"xdotool", "getwindowgeometry", "--shell", id});
        if (!shell)
            continue;
        Geometry g;
        g.id = std::stoul(id);
        std::istringstream lines(*shell);
        std::string line;
        while (std::getline(lines, line)) {
            const auto eq = line.find('=');
            if (eq == std::string::npos)
                continue;
            const std::string key = line.substr(0, eq);
            const int value = std::stoi(line.substr(eq + 1));
            if (key == "X") g.x = value;
            if (key == "Y") g.y = value;
            if (key == "WIDTH") g.width = value;
            if (key == "HEIGHT") g.height = value;
        }
        found.push_back(g);
    }
    return found;
}

// Where the display's pointer is.
std::optional<Point> PointerAt()
{
    const auto shell = testsupport::CommandOutput({"xdotool", "getmouselocation", "--shell"});
    if (!shell)
        return std::nullopt;
    Point p{-1, -1};
    std::istringstream lines(*shell);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("X=", 0) == 0)
            p.x = std::stoi(line.substr(2));
        if (line.rfind("Y=", 0) == 0)
            p.y = std::stoi(line.substr(2));
    }
    return p;
}

bool ClickAt(Point p, int count = 1, int button = 1)
{
    // A synced move to where the pointer already is waits for a move that
    // never comes.
    const auto now = PointerAt();
    if (!now || now->x != p.x || now->y != p.y)
        if (!MoveTo(p.x, p.y))
            return false;
    return Xdo({"click", "--repeat", std::to_string(count), "--delay", "80", std::to_string(button)});
}

}  // namespace

RunningProgram::RunningProgram() : dataFolder_(scratch_.Path() + "/data/")
{
    chmod(runtime_.Path().c_str(), 0700);
    std::filesystem::create_directories(dataFolder_);
    // Under the leak checker: what the font and sound libraries keep for
    // the life of the process is theirs.
    const std::string text = "leak:libfontconfig.so\nleak:libSDL2\nleak:libdbus-1.so\n";
    testsupport::WriteFile(scratch_.File("lsan.supp"), std::vector<uint8_t>(text.begin(), text.end()));
    SetMicrophone({});
}

RunningProgram::~RunningProgram()
{
    End();
}

void RunningProgram::WriteConfig(const std::string& text) const
{
    testsupport::WriteFile(dataFolder_ + "config.ini", std::vector<uint8_t>(text.begin(), text.end()));
}

void RunningProgram::SetMicrophone(const std::vector<uint8_t>& bytes) const
{
    testsupport::WriteFile(scratch_.File("microphone.raw"), bytes);
}

std::string RunningProgram::RemoveMicrophone() const
{
    const std::string path = scratch_.File("microphone.raw");
    std::filesystem::remove(path);
    return path;
}

std::vector<std::string> RunningProgram::Environment() const
{
    return {"KVO_DATA_DIR=" + dataFolder_,
            "XDG_RUNTIME_DIR=" + runtime_.Path(),
            "SDL_AUDIODRIVER=disk",
            "SDL_DISKAUDIOFILE=" + SpeakerFile(),
            "SDL_DISKAUDIOFILEIN=" + scratch_.File("microphone.raw"),
            "KVO_DEBUG_OUTPUT=1",
            "KVO_SERVICE_URL=",
            "NO_AT_BRIDGE=1",
            // The desktop's file chooser keeps its settings in memory.
            "GSETTINGS_BACKEND=memory",
            "LSAN_OPTIONS=suppressions=" + scratch_.File("lsan.supp")};
}

bool RunningProgram::Start(const std::vector<std::string>& args, const std::vector<std::string>& wrapper)
{
    std::vector<std::string> argv = wrapper;
    argv.push_back(GetProgramFolder() + "kvostudio");
    argv.insert(argv.end(), args.begin(), args.end());
    if (!program_.Start(argv, Environment()))
        return false;
    const auto at = WaitForWindow(kMainWindow, 15000);
    if (!at)
        return false;
    main_ = *at;
    for (const Geometry& g : WindowsOf(Pid()))
        if (g.width == kMainWindow.cx && g.height == kMainWindow.cy)
            mainId_ = g.id;
    Idle(500);
    return true;
}

bool RunningProgram::StartSecond(const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {GetProgramFolder() + "kvostudio"};
    argv.insert(argv.end(), args.begin(), args.end());
    testsupport::ChildProcess second;
    return second.Start(argv, Environment()) && second.Wait(10000) == 0;
}

void RunningProgram::End()
{
    if (!program_.Running())
        return;
    // The close button, as a user ends it; a signal when a dialog of its
    // own holds the window.
    if (!WaitForNewWindow({}, 0) && ClickMain(322, 12)) {
        const auto code = program_.Wait(5000);
        if (code) {
            // Ended by its close button, it ends well.
            EXPECT_EQ(*code, 0) << program_.Err();
            return;
        }
    }
    program_.Terminate();
    program_.Wait(15000);
    Settle(50);
}

std::optional<Point> RunningProgram::FindWindow(Size size)
{
    for (const Geometry& g : WindowsOf(Pid()))
        if (g.width == size.cx && g.height == size.cy)
            return Point{g.x, g.y};
    return std::nullopt;
}

std::optional<Point> RunningProgram::WaitForWindow(Size size, int timeoutMs)
{
    std::optional<Point> at;
    program_.WaitForOutput([&](const std::string&, const std::string&) { return (at = FindWindow(size)).has_value(); },
                           timeoutMs);
    return at;
}

bool RunningProgram::WaitForNoWindow(Size size, int timeoutMs)
{
    return program_.WaitForOutput([&](const std::string&, const std::string&) { return !FindWindow(size); },
                                  timeoutMs);
}

std::vector<unsigned long> RunningProgram::Windows()
{
    std::vector<unsigned long> ids;
    for (const Geometry& g : WindowsOf(Pid()))
        ids.push_back(g.id);
    return ids;
}

std::optional<unsigned long> RunningProgram::WaitForNewWindow(const std::vector<unsigned long>& seen, int timeoutMs,
                                                              const std::optional<std::string>& title)
{
    std::optional<unsigned long> found;
    auto appeared = [&](const std::string&, const std::string&) {
        for (const Geometry& g : WindowsOf(Pid())) {
            const bool known = std::find(seen.begin(), seen.end(), g.id) != seen.end();
            if (!known && g.id != mainId_ && g.width >= 150 && g.height >= 90 &&
                (!title || WindowTitle(g.id) == *title)) {
                found = g.id;
                return true;
            }
        }
        return false;
    };
    program_.WaitForOutput(appeared, timeoutMs);
    return found;
}

bool RunningProgram::TypeInto(unsigned long window, const std::vector<std::string>& keys)
{
    if (!Xdo({"windowfocus", "--sync", std::to_string(window)}))
        return false;
    for (const std::string& key : keys) {
        const bool ok = key.rfind("text:", 0) == 0 ? Xdo({"type", "--delay", "10", key.substr(5)})
                                                   : Xdo({"key", "--clearmodifiers", key});
        if (!ok)
            return false;
    }
    return true;
}

bool RunningProgram::WaitForText(const std::string& text, int timeoutMs)
{
    return program_.WaitForOutputText(text, timeoutMs);
}

void RunningProgram::Idle(int ms)
{
    program_.WaitForOutput([](const std::string&, const std::string&) { return false; }, ms);
}

bool RunningProgram::ClickMain(int x, int y, int count, int button)
{
    return ClickAt({main_.x + x, main_.y + y}, count, button);
}

bool RunningProgram::DragMain(Point from, Point to)
{
    return MoveTo(main_.x + from.x, main_.y + from.y) && Xdo({"mousedown", "1"}) &&
           MoveTo(main_.x + (from.x + to.x) / 2, main_.y + (from.y + to.y) / 2) &&
           MoveTo(main_.x + to.x, main_.y + to.y) && Xdo({"mouseup", "1"});
}

bool RunningProgram::ClickIn(Point at, int x, int y)
{
    return ClickAt({at.x + x, at.y + y});
}

Point RunningProgram::PlaylistRow(int row)
{
    // The playlist's list starts 8 pixels into the playlist's frame at
    // (9, 175); its rows are 22 pixels high.
    return {90, 175 + 8 + 22 * row + 11};
}

bool RunningProgram::ChooseFromMenu(int item, int entry)
{
    static constexpr int kItemMiddles[] = {12, 39, 74, 109};
    if (item < 0 || item > 3 || !ClickMain(74 + kItemMiddles[item], 14))
        return false;
    Idle(200);
    for (int i = 0; i <= entry; ++i)
        if (!Xdo({"key", "Down"}))
            return false;
    return Xdo({"key", "Return"});
}

std::string RunningProgram::WindowTitle(unsigned long window)
{
    const auto name = testsupport::CommandOutput({"xdotool", "getwindowname", std::to_string(window)});
    if (!name)
        return {};
    std::string text = *name;
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

bool RunningProgram::Record()
{
    if (!ClickMain(151, 135))
        return false;
    const auto options = WaitForWindow(kRecordOptions, 10000);
    if (!options)
        return false;
    Idle(300);
    return ClickIn(*options, 160, 211) && WaitForNoWindow(kRecordOptions, 10000);
}

}  // namespace uitest
