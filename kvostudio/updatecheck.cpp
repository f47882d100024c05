#include "kvostudio/updatecheck.h"

#include "kvostudio/folders.h"
#include "kvostudio/onlinetrace.h"
#include "kvostudio/phonedownload.h"
#include "kvostudio/serviceconfig.h"
#include "kvostudio/webservice.h"

#include <spawn.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace {

constexpr char kUpdaterName[] = "Update.exe";
constexpr char kUpdaterPath[] = "/bin/Update.exe";

std::string TrimBlanks(const std::string& text)
{
    static constexpr char kBlanks[] = " \t\r\n";
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

}  // namespace

bool IsOtherVersion(const std::string& answer, const char* runningVersion)
{
    // A version file saved with a line break at its end names the same
    // version; taking it for another would update on every start.
    const std::string text = TrimBlanks(answer);
    if (text.empty())
        return false;
    if (runningVersion && text == runningVersion)
        return false;
    std::string digits;
    for (char c : text)
        if (c != ',')
            digits += c;
    return std::atol(digits.c_str()) >= 1;
}

bool CheckForUpdate(const char* runningVersion)
{
    std::string text;
    if (!CallGetVersionText(text))
        return false;
    return IsOtherVersion(text, runningVersion);
}

bool RunUpdater()
{
    const std::string url = ServiceAddress(ServiceHost::Service, kUpdaterPath);
    const std::string path = GetUserDataFilePath(kUpdaterName);
    if (url.empty() || path.empty())
        return false;
    if (!DownloadToFile(url, path, PhoneDownloadLimits{}, nullptr, nullptr)) {
        OnlineTrace("Update: the updater could not be downloaded\n");
        return false;
    }
    if (::chmod(path.c_str(), 0755) != 0) {
        OnlineTrace("Update: the updater cannot be made executable: %s\n", std::strerror(errno));
        return false;
    }
    char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
    pid_t pid = 0;
    const int error = ::posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ);
    if (error != 0) {
        OnlineTrace("Update: the updater could not be started: %s\n", std::strerror(error));
        return false;
    }
    return true;
}
