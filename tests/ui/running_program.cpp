#include "tests/ui/running_program.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <sstream>

#include "kvostudio/folders.h"
#include "tests/support/command_output.h"
#include "tests/support/kvo_writer.h"
#include "tests/support/mp3_maker.h"

using platform::Point;
using platform::Size;

namespace uitest {

namespace {

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

// Brings the pointer onto the point with a real move: a synced move to
// where the pointer already is waits for a move that never comes, and a
// control under a pointer that never moved may not know it is there.
bool MoveOnto(Point p)
{
    const auto now = PointerAt();
    if (now && now->x == p.x && now->y == p.y && !MoveTo(p.x, p.y > 0 ? p.y - 1 : p.y + 1))
        return false;
    return MoveTo(p.x, p.y);
}

bool ClickAt(Point p, int count = 1, int button = 1)
{
    return MoveOnto(p) &&
           Xdo({"click", "--repeat", std::to_string(count), "--delay", "80", std::to_string(button)});
}

bool Among(const std::vector<unsigned long>& ids, unsigned long id)
{
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace

RunningProgram::RunningProgram(Sound sound)
    : dataFolder_(scratch_.Path() + "/data/"), program_(std::make_unique<testsupport::ChildProcess>())
{
    chmod(runtime_.Path().c_str(), 0700);
    std::filesystem::create_directories(dataFolder_);
    // Under the leak checker: what the font, message-bus and sound-server
    // client libraries keep for the life of the process is theirs (the last
    // keeps a record for every thread of another library, SDL's, that
    // called it), and so is GIO's table of file types, filled when the
    // skin's pictures are loaded (after a long run of the file chooser it
    // is shown as lost at the end; its stack ends inside GIO, which has no
    // frame pointers, so only GIO's name can pick it out).
    const std::string text =
        "leak:libfontconfig.so\nleak:libdbus-1.so\nleak:libpulse.so\nleak:libgio-2.0.so\n";
    testsupport::WriteFile(scratch_.File("lsan.supp"), std::vector<uint8_t>(text.begin(), text.end()));
    env_ = {"KVO_DATA_DIR=" + dataFolder_,
            "XDG_RUNTIME_DIR=" + runtime_.Path(),
            "SDL_AUDIODRIVER=dummy",
            "KVO_DEBUG_OUTPUT=1",
            "KVO_SERVICE_URL=",
            "NO_AT_BRIDGE=1",
            // The desktop's file chooser keeps its settings in memory.
            "GSETTINGS_BACKEND=memory",
            "LSAN_OPTIONS=suppressions=" + scratch_.File("lsan.supp")};
    if (sound == Sound::Disk) {
        AddEnv("SDL_AUDIODRIVER=disk");
        AddEnv("SDL_DISKAUDIOFILE=" + SpeakerFile());
        AddEnv("SDL_DISKAUDIOFILEIN=" + scratch_.File("microphone.raw"));
        SetMicrophone({});
    }
}

RunningProgram::~RunningProgram()
{
    End();
}

std::string RunningProgram::Bin()
{
    return GetProgramFolder();
}

void RunningProgram::WriteConfig(const std::string& text) const
{
    testsupport::WriteFile(dataFolder_ + "config.ini", std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<std::string> RunningProgram::WriteSongs(const std::vector<std::string>& titles, double seconds) const
{
    testsupport::KvoContent content;
    content.head = {0};
    content.stream1 = testsupport::MakeMp3(testsupport::MakeTone(44100, 2, seconds, 440.0, 0.2));
    content.stream2 = testsupport::MakeMp3(testsupport::MakeTone(44100, 2, seconds, 660.0, 0.2));
    std::vector<std::string> paths;
    for (const std::string& title : titles) {
        content.tag = testsupport::MakeKvoTag({title, "Singer", u"", "", {}});
        paths.push_back(Scratch(title + ".kvo"));
        testsupport::WriteFile(paths.back(), testsupport::WriteKvo(content));
    }
    return paths;
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

void RunningProgram::AddEnv(const std::string& entry)
{
    const std::string name = entry.substr(0, entry.find('=')) + "=";
    std::erase_if(env_, [&](const std::string& e) { return e.rfind(name, 0) == 0; });
    env_.push_back(entry);
}

std::vector<std::string> RunningProgram::Command(const std::vector<std::string>& args) const
{
    std::vector<std::string> argv = {Bin() + "kvostudio"};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

bool RunningProgram::Start(const std::vector<std::string>& args, const std::vector<std::string>& wrapper)
{
    return Launch(args, wrapper) && WaitForMainWindow() && Sync();
}

bool RunningProgram::Launch(const std::vector<std::string>& args, const std::vector<std::string>& wrapper)
{
    if (program_->Pid() > 0) {
        End();
        program_ = std::make_unique<testsupport::ChildProcess>();
    }
    mainId_ = 0;
    std::vector<std::string> argv = wrapper;
    const auto command = Command(args);
    argv.insert(argv.end(), command.begin(), command.end());
    return program_->Start(argv, env_, workingFolder_);
}

bool RunningProgram::WaitForMainWindow(int timeoutMs)
{
    const auto main = WaitForWindow(kMainWindow, timeoutMs);
    if (main)
        mainId_ = main->id;
    return main.has_value();
}

bool RunningProgram::StartSecond(const std::vector<std::string>& args, const std::string& folder)
{
    testsupport::ChildProcess second;
    secondEnded_ = second.Start(Command(args), env_, folder) ? second.Wait(15000) : std::nullopt;
    secondSaid_ = second.Err();
    return secondEnded_ == 0;
}

bool RunningProgram::Open(const std::string& path)
{
    return StartSecond({"/open", path}) && WaitForText("hand-off: open " + path, 10000);
}

std::optional<int> RunningProgram::Close(int timeoutMs)
{
    const auto main = MainWindow();
    if (!main)
        return std::nullopt;
    // From a free spot of the body onto the button, as a user's pointer
    // comes to it.
    if (!MoveOnto({main->rect.left + 150, main->rect.top + 110}) || !ClickIn(*main, 322, 12))
        return std::nullopt;
    return program_->Wait(timeoutMs);
}

std::optional<int> RunningProgram::EndBySignal(int signal, int closeMs)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    // The leak checker reads the whole heap at the end.
    constexpr int kProcessEndMs = 10000;
#else
    constexpr int kProcessEndMs = 500;
#endif
    program_->Signal(signal);
    if (!WaitForText("KVO Studio has closed", closeMs))
        return std::nullopt;
    return program_->Wait(kProcessEndMs);
}

void RunningProgram::End()
{
    if (!program_->Running() || program_->Wait(0))
        return;
    // A request to close waits while a dialog of the program holds its main
    // window: the dialogs are put away first, as a user would.
    for (int round = 0; round < 5; ++round) {
        const auto dialog = WaitForNewWindow({}, 0);
        if (!dialog || !TypeInto(*dialog, {"Escape"}))
            break;
        WaitForWindowGone(*dialog, 3000);
    }
    // SIGTERM closes it as its close button does: it ends well, and under
    // the leak checker with nothing lost.
    program_->Terminate();
    EXPECT_EQ(program_->Wait(15000), 0) << Said();
}

std::optional<Geometry> RunningProgram::MainWindow() const
{
    if (mainId_ != 0) {
        const auto rect = WindowGeometry(mainId_);
        if (rect && rect->Width() == kMainWindow.cx && rect->Height() == kMainWindow.cy)
            return Geometry{mainId_, *rect};
    }
    return FindWindow(kMainWindow);
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

std::optional<Geometry> RunningProgram::FindWindow(Size size) const
{
    return FindWindowOfSize(Pid(), size.cx, size.cy);
}

std::optional<Geometry> RunningProgram::WaitForWindow(Size size, int timeoutMs)
{
    std::optional<Geometry> found;
    WaitUntil([&] { return (found = FindWindow(size)).has_value(); }, timeoutMs);
    return found;
}

bool RunningProgram::WaitForNoWindow(Size size, int timeoutMs)
{
    return WaitUntil([&] { return !FindWindow(size); }, timeoutMs);
}

std::vector<unsigned long> RunningProgram::Windows() const
{
    return VisibleWindows(Pid());
}

std::optional<unsigned long> RunningProgram::WaitForNewWindow(const std::vector<unsigned long>& seen, int timeoutMs,
                                                              const std::optional<std::string>& title)
{
    std::optional<unsigned long> found;
    auto appeared = [&] {
        for (unsigned long id : Windows()) {
            if (Among(seen, id) || id == mainId_)
                continue;
            const auto rect = WindowGeometry(id);
            if (!rect || rect->Width() < 150 || rect->Height() < 90 ||
                (rect->Width() == kMainWindow.cx && rect->Height() == kMainWindow.cy))
                continue;
            if (!title || WindowTitle(id) == *title) {
                found = id;
                return true;
            }
        }
        return false;
    };
    WaitUntil(appeared, timeoutMs);
    return found;
}

bool RunningProgram::WaitForWindowGone(unsigned long window, int timeoutMs)
{
    return WaitUntil([&] { return !Among(Windows(), window); }, timeoutMs);
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

bool RunningProgram::WaitUntil(const std::function<bool()>& done, int timeoutMs)
{
    bool result = false;
    program_->WaitForOutput(
        [&](const std::string&, const std::string&) { return (result = done()) || program_->Wait(0).has_value(); },
        timeoutMs);
    return result;
}

bool RunningProgram::WaitForText(const std::string& text, int timeoutMs)
{
    return program_->WaitForOutputText(text, timeoutMs);
}

unsigned long RunningProgram::PingedWindow()
{
    if (!ping_)
        ping_ = std::make_unique<DisplayPing>();
    if (mainId_ != 0)
        return mainId_;
    const auto windows = Windows();
    return windows.empty() ? 0 : windows.front();
}

bool RunningProgram::PingOnce(unsigned long window, int timeoutMs)
{
    auto meanwhile = [&] {
        program_->WaitForOutput([](const std::string&, const std::string&) { return false; }, 10);
        return !program_->Wait(0).has_value();
    };
    return window != 0 && ping_->Answered(window, timeoutMs, meanwhile);
}

bool RunningProgram::Sync(int timeoutMs)
{
    const unsigned long window = PingedWindow();
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    // A hand-off from a later start waits in the program's queue beside
    // the display's events: the second round is answered only after the
    // loop has been round once more, with it handled.
    for (int round = 0; round < 2; ++round) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !PingOnce(window, static_cast<int>(left.count())))
            return false;
    }
    return true;
}

std::optional<double> RunningProgram::PingMs(int timeoutMs)
{
    const unsigned long window = PingedWindow();
    const auto start = std::chrono::steady_clock::now();
    if (!PingOnce(window, timeoutMs))
        return std::nullopt;
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void RunningProgram::ListenFor(int ms)
{
    program_->WaitForOutput([](const std::string&, const std::string&) { return false; }, ms);
}

bool RunningProgram::ClickMain(int x, int y, int count, int button)
{
    const auto main = MainWindow();
    return main && ClickAt({main->rect.left + x, main->rect.top + y}, count, button);
}

bool RunningProgram::DragMain(Point from, Point to)
{
    const auto main = MainWindow();
    if (!main)
        return false;
    const Point at = main->rect.TopLeft();
    return MoveOnto({at.x + from.x, at.y + from.y}) && Xdo({"mousedown", "1"}) &&
           MoveTo(at.x + (from.x + to.x) / 2, at.y + (from.y + to.y) / 2) && MoveTo(at.x + to.x, at.y + to.y) &&
           Xdo({"mouseup", "1"});
}

bool RunningProgram::ClickIn(const Geometry& window, int x, int y)
{
    return ClickAt({window.rect.left + x, window.rect.top + y});
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
    // The keys go to the pull-down once the click has opened it.
    if (item < 0 || item > 3 || !ClickMain(74 + kItemMiddles[item], 14) || !Sync())
        return false;
    for (int i = 0; i <= entry; ++i)
        if (!Xdo({"key", "Down"}))
            return false;
    return Xdo({"key", "Return"});
}

bool RunningProgram::Record()
{
    if (!ClickMain(151, 135))
        return false;
    const auto options = WaitForWindow(kRecordOptions, 10000);
    if (!options || !Sync())
        return false;
    return ClickIn(*options, 160, 211) && WaitForNoWindow(kRecordOptions, 10000);
}

}  // namespace uitest
