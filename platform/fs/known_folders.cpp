#include "platform/fs/known_folders.h"

#include <cstdlib>

namespace platform {
namespace {

// A relative base folder would silently put the user's data under whatever
// the current directory is, so such values are ignored.
bool IsAbsolute(const std::string& path) { return !path.empty() && path[0] == '/'; }

std::string WithoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

std::string EnvironmentValue(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string UserDataHome()
{
    std::string xdg = EnvironmentValue("XDG_DATA_HOME");
    if (IsAbsolute(xdg)) return WithoutTrailingSlashes(xdg);
    std::string home = EnvironmentValue("HOME");
    if (IsAbsolute(home)) {
        home = WithoutTrailingSlashes(home);
        return (home == "/" ? std::string() : home) + "/.local/share";
    }
    return std::string();
}

}  // namespace platform
