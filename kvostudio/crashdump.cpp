#include "kvostudio/crashdump.h"

#include <string>

#include "kvostudio/folders.h"
#include "platform/crash/crash_handler.h"

InstallCrashHandler::InstallCrashHandler()
{
    // The path is worked out now: nothing that allocates may run once the
    // process is crashing.
    std::string path = GetUserDataFilePath("kvodump.dmp");
    installed_ = !path.empty() && platform::InstallCrashDumpHandler(path.c_str());
}
