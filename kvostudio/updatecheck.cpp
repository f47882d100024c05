#include "kvostudio/updatecheck.h"

#include "kvostudio/folders.h"
#include "kvostudio/onlinetrace.h"
#include "kvostudio/phonedownload.h"
#include "kvostudio/postform.h"
#include "kvostudio/serviceconfig.h"
#include "kvostudio/webservice.h"

#include <spawn.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

extern char** environ;

namespace {

constexpr char kUpdaterName[] = "Update.exe";
constexpr char kUpdaterPath[] = "/bin/Update.exe";
constexpr size_t kMaxVersionParts = 8;
constexpr size_t kMaxPartDigits = 9;

std::string TrimBlanks(const std::string& text)
{
    static constexpr char kBlanks[] = " \t\r\n";
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// The numbers of "1.1.0.4" or "1,1,0,4"; false when the text is not such a
// version.
bool ParseVersion(const std::string& text, std::vector<long>& parts)
{
    parts.clear();
    std::string digits;
    for (size_t i = 0; i <= text.size(); ++i) {
        const char c = i < text.size() ? text[i] : '.';
        if (c >= '0' && c <= '9') {
            digits += c;
            if (digits.size() > kMaxPartDigits)
                return false;
        } else if ((c == '.' || c == ',') && !digits.empty() && parts.size() < kMaxVersionParts) {
            parts.push_back(std::stol(digits));
            digits.clear();
        } else {
            return false;
        }
    }
    return !parts.empty();
}

// The updater's address: the service's, and only over https.
std::string UpdaterAddress()
{
    const std::string url = ServiceAddress(ServiceHost::Service, kUpdaterPath);
    return strncasecmp(url.c_str(), "https://", 8) == 0 ? url : std::string();
}

PhoneDownloadLimits UpdaterLimits()
{
    PhoneDownloadLimits limits;
    limits.totalTimeoutMs = 10 * 60 * 1000;
    return limits;
}

}  // namespace

bool IsNewerVersion(const std::string& answer, const char* runningVersion)
{
    std::vector<long> offered;
    std::vector<long> running;
    if (!runningVersion || !ParseVersion(TrimBlanks(answer), offered) || !ParseVersion(runningVersion, running))
        return false;
    const size_t n = std::max(offered.size(), running.size());
    offered.resize(n, 0);
    running.resize(n, 0);
    return offered > running;
}

bool CheckForUpdate(const char* runningVersion, std::string* offered)
{
    PostFormLimits limits = GetPostFormLimits();
    limits.connectTimeoutMs = std::min(limits.connectTimeoutMs, kUpdateCheckMs);
    limits.totalTimeoutMs = kUpdateCheckMs;
    std::string text;
    if (!CallGetVersionText(text, &limits) || !IsNewerVersion(text, runningVersion))
        return false;
    if (offered)
        *offered = TrimBlanks(text);
    return true;
}

bool FetchUpdater(std::string& path, std::string& reason,
                  const std::function<void(int64_t, int64_t)>& progress, const std::function<bool()>& keepGoing)
{
    path.clear();
    reason.clear();
    if (ServiceHostAddress(ServiceHost::Service).empty()) {
        reason = "no online service is configured";
        return false;
    }
    const std::string url = UpdaterAddress();
    if (url.empty()) {
        reason = "the service does not offer it over a secure (https) connection";
        return false;
    }
    const std::string target = GetUserDataFilePath(kUpdaterName);
    if (target.empty()) {
        reason = "there is no data folder to keep it in";
        return false;
    }
    std::string why;
    if (!DownloadToFile(url, target, UpdaterLimits(), progress, keepGoing, &why)) {
        OnlineTrace("Update: the updater could not be downloaded\n");
        reason = "the new version could not be downloaded (" + why + ")";
        return false;
    }
    if (::chmod(target.c_str(), 0755) != 0) {
        OnlineTrace("Update: the updater cannot be made executable: %s\n", std::strerror(errno));
        reason = "the downloaded updater cannot be run";
        return false;
    }
    path = target;
    return true;
}

bool StartUpdater(const std::string& path)
{
    char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
    pid_t pid = 0;
    const int error = ::posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ);
    if (error != 0) {
        OnlineTrace("Update: the updater could not be started: %s\n", std::strerror(error));
        return false;
    }
    return true;
}
