// The program itself, started by a display test: its private data and
// runtime folders, the environment it runs in, songs made for it, hand-offs
// of files to it, and its main window as the X server sees it.
#pragma once

#include <sys/stat.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "kvostudio/folders.h"
#include "platform/draw/geometry.h"
#include "platform/window/ui_loop.h"
#include "tests/support/child_process.h"
#include "tests/support/command_output.h"
#include "tests/support/kvo_writer.h"
#include "tests/support/mp3_maker.h"
#include "tests/support/temp_files.h"
#include "tests/ui/program_env.h"

namespace uitest {

class RunningProgram {
public:
    static constexpr platform::Size kMainSize{338, 329};

    // 'leakSuppressions': what the leak checker may ignore at the program's
    // exit, one "leak:" line each; by default what the font and message-bus
    // libraries keep for the life of the process.
    explicit RunningProgram(const std::string& leakSuppressions = "leak:libfontconfig.so\nleak:libdbus-1.so\n")
    {
        chmod(runtime_.Path().c_str(), 0700);
        const std::string suppressions = data_.File("lsan.supp");
        testsupport::WriteFile(suppressions, std::vector<uint8_t>(leakSuppressions.begin(), leakSuppressions.end()));
        env_ = {"KVO_DATA_DIR=" + data_.Path() + "/", "XDG_RUNTIME_DIR=" + runtime_.Path(), "SDL_AUDIODRIVER=dummy",
                "KVO_DEBUG_OUTPUT=1", "KVO_SERVICE_URL=", "NO_AT_BRIDGE=1",
                "LSAN_OPTIONS=suppressions=" + suppressions};
    }

    static std::string Bin() { return GetProgramFolder(); }
    std::string DataFile(const std::string& name) const { return data_.File(name); }
    const std::vector<std::string>& Env() const { return env_; }
    // One more "NAME=VALUE" for the starts to come.
    void AddEnv(const std::string& entry) { env_.push_back(entry); }
    testsupport::ChildProcess& Process() { return first_; }

    // Writes containers that play 'seconds' of a tone, one per title, each
    // labelled "Singer - <title>" in the list.
    std::vector<std::string> WriteSongs(const std::vector<std::string>& titles, double seconds)
    {
        testsupport::KvoContent content;
        content.head = {0};
        content.stream1 = testsupport::MakeMp3(testsupport::MakeTone(44100, 2, seconds, 440.0, 0.2));
        content.stream2 = testsupport::MakeMp3(testsupport::MakeTone(44100, 2, seconds, 660.0, 0.2));
        std::vector<std::string> paths;
        for (const std::string& title : titles) {
            content.tag = testsupport::MakeKvoTag({title, "Singer", u"", "", {}});
            paths.push_back(data_.File(title + ".kvo"));
            testsupport::WriteFile(paths.back(), testsupport::WriteKvo(content));
        }
        return paths;
    }

    // Starts the program with its arguments and waits for its window.
    bool Start(const std::vector<std::string>& args)
    {
        std::vector<std::string> argv = {Bin() + "kvostudio"};
        argv.insert(argv.end(), args.begin(), args.end());
        if (!first_.Start(argv, env_))
            return false;
        return platform::RunLoopUntil([&] { return (window_ = FindMainWindow()).has_value(); }, 15000);
    }

    // A later start with "/open PATH": hands the file over and ends.
    bool Open(const std::string& path)
    {
        testsupport::ChildProcess later;
        return later.Start({Bin() + "kvostudio", "/open", path}, env_) && later.Wait(15000) == 0 &&
               first_.WaitForOutputText("hand-off: open " + path, 10000);
    }

    const std::optional<Geometry>& Window() const { return window_; }
    std::string Title() const { return window_ ? WindowName(window_->id) : ""; }

    // The program's visible main window, once it is there.
    std::optional<Geometry> FindMainWindow() const
    {
        const auto ids = testsupport::CommandOutput(
            {"xdotool", "search", "--onlyvisible", "--pid", std::to_string(first_.Pid())});
        if (!ids)
            return std::nullopt;
        std::istringstream list(*ids);
        std::string id;
        while (list >> id) {
            const auto rect = WindowGeometry(std::stoul(id));
            if (rect && rect->Width() == kMainSize.cx && rect->Height() == kMainSize.cy)
                return Geometry{std::stoul(id), *rect};
        }
        return std::nullopt;
    }

private:
    testsupport::TempDir data_;
    testsupport::TempDir runtime_;
    std::vector<std::string> env_;
    testsupport::ChildProcess first_;
    std::optional<Geometry> window_;
};

}  // namespace uitest
