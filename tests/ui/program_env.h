// What the display tests of the program itself share: a private data and
// runtime folder with the environment the program runs in, its main window
// found through xdotool, and the names and number of its windows.
#pragma once

#include <sys/stat.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "kvostudio/folders.h"
#include "platform/draw/geometry.h"
#include "tests/support/child_process.h"
#include "tests/support/command_output.h"
#include "tests/support/temp_files.h"
#include "tests/ui/ui_test_env.h"

namespace uitest {

using ProgramWindow = Geometry;

inline std::string WindowName(unsigned long id)
{
    auto name = testsupport::CommandOutput({"xdotool", "getwindowname", std::to_string(id)});
    if (!name)
        return "";
    while (!name->empty() && name->back() == '\n')
        name->pop_back();
    return *name;
}

// A data folder and a runtime folder of its own for each run of the
// program, and the environment that points it at them.
class ProgramFolders {
public:
    ProgramFolders()
    {
        chmod(runtime.Path().c_str(), 0700);
        // Under the leak checker: what the font and sound libraries keep
        // for the life of the process is theirs.
        const std::string text = "leak:libfontconfig.so\nleak:libSDL2\nleak:libdbus-1.so\n";
        testsupport::WriteFile(data.File("lsan.supp"), std::vector<uint8_t>(text.begin(), text.end()));
    }
    std::vector<std::string> Env(std::vector<std::string> extra = {}) const
    {
        std::vector<std::string> env = {"KVO_DATA_DIR=" + data.Path() + "/",
                                        "XDG_RUNTIME_DIR=" + runtime.Path(),
                                        "SDL_AUDIODRIVER=dummy",
                                        "KVO_DEBUG_OUTPUT=1",
                                        "KVO_SERVICE_URL=",
                                        "NO_AT_BRIDGE=1",
                                        "GSETTINGS_BACKEND=memory",
                                        "LSAN_OPTIONS=suppressions=" + data.File("lsan.supp")};
        env.insert(env.end(), extra.begin(), extra.end());
        return env;
    }
    static std::string Program() { return GetProgramFolder() + "kvostudio"; }

    testsupport::TempDir data;
    testsupport::TempDir runtime;
};

}  // namespace uitest
