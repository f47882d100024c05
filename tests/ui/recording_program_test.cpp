// Recording in the program itself, on the display, with SDL's disk driver
// as the sound card: a microphone that cannot open is named with the
// capture system's reason, and nothing of the failed take stays behind.
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <sstream>
#include <string>

#include "kvostudio/folders.h"
#include "platform/audio/sdl_output.h"
#include "platform/window/ui_loop.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_files.h"
#include "ui_test_env.h"

using namespace platform;

namespace {

// The top-left corner of the program's visible window of that size.
std::optional<Point> FindWindow(pid_t pid, int width, int height)
{
    const auto ids = testsupport::CommandOutput({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid)});
    if (!ids)
        return std::nullopt;
    std::istringstream list(*ids);
    std::string id;
    while (list >> id) {
        const auto shell = testsupport::CommandOutput({"xdotool", "getwindowgeometry", "--shell", id});
        if (!shell)
            continue;
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
        if (w == width && h == height)
            return Point{x, y};
    }
    return std::nullopt;
}

bool ClickAt(const Point& p)
{
    return uitest::MoveTo(p.x, p.y) && uitest::Xdo({"click", "1"});
}

}  // namespace

TEST(RecordingInTheProgram, AMicrophoneThatCannotOpenIsNamedWithItsReasonAndLeavesNoWorkFile)
{
    KVO_REQUIRE_DISPLAY();
    if (!audio::SdlHasAudioDriver("disk"))
        GTEST_SKIP() << "this SDL has no 'disk' audio driver";
    const std::string bin = GetProgramFolder();
    testsupport::TempDir data;
    testsupport::TempDir runtime;
    chmod(runtime.Path().c_str(), 0700);
    const std::string suppressions = data.File("lsan.supp");
    const std::string text = "leak:libfontconfig.so\nleak:libSDL2\nleak:libdbus-1.so\n";
    testsupport::WriteFile(suppressions, std::vector<uint8_t>(text.begin(), text.end()));
    const std::string folder = data.Path() + "/data/";
    std::filesystem::create_directories(folder);
    const std::string missing = data.File("no microphone.raw");
    const std::vector<std::string> env = {
        "KVO_DATA_DIR=" + folder, "XDG_RUNTIME_DIR=" + runtime.Path(), "SDL_AUDIODRIVER=disk",
        "SDL_DISKAUDIOFILE=" + data.File("speaker.raw"), "SDL_DISKAUDIOFILEIN=" + missing, "KVO_DEBUG_OUTPUT=1",
        "KVO_SERVICE_URL=", "NO_AT_BRIDGE=1", "LSAN_OPTIONS=suppressions=" + suppressions};

    testsupport::ChildProcess program;
    ASSERT_TRUE(program.Start({bin + "kvostudio", "/open", bin + "demo.kvo"}, env));
    std::optional<Point> main;
    ASSERT_TRUE(RunLoopUntil([&] { return (main = FindWindow(program.Pid(), 338, 329)).has_value(); }, 15000))
        << program.Err();
    uitest::Settle(500);

    // Record, then "start recording" in the options.
    ASSERT_TRUE(ClickAt({main->x + 151, main->y + 135}));
    std::optional<Point> options;
    ASSERT_TRUE(RunLoopUntil([&] { return (options = FindWindow(program.Pid(), 393, 254)).has_value(); }, 10000))
        << program.Err();
    uitest::Settle(300);
    ASSERT_TRUE(ClickAt({options->x + 160, options->y + 211}));

    ASSERT_TRUE(program.WaitForOutputText("message box: The recording could not start.", 15000)) << program.Err();
    program.WaitForOutput([](const std::string&, const std::string& err) { return err.find(".raw") != std::string::npos; },
                          2000);
    const std::string said = program.Err().substr(program.Err().find("message box: The recording"));
    EXPECT_NE(said.find("disk driver"), std::string::npos) << said;
    EXPECT_NE(said.find("Couldn't open " + missing), std::string::npos) << said;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "config.ini" || name.rfind("log", 0) == 0) << name << " was left in the data folder";
    }
    program.Terminate();
    program.Wait(15000);
    uitest::Settle(50);
}
