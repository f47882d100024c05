#include "platform/fs/directory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace platform {

bool IsDirectory(const std::string& path)
{
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int MakeDirectory(const std::string& path)
{
    if (path.empty()) return ENOENT;
    if (mkdir(path.c_str(), 0777) == 0) return 0;
    int err = errno;
    // Another process (or thread) may have made it in the meantime; only a
    // folder counts, a file of that name is still a failure.
    if (err == EEXIST && IsDirectory(path)) return 0;
    return err;
}

std::string CurrentDirectory()
{
    char buffer[PATH_MAX];
    if (!getcwd(buffer, sizeof buffer)) return std::string();
    return buffer;
}

}  // namespace platform
