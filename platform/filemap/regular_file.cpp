#include "platform/filemap/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

namespace {

int RefusalOf(const struct stat& st)
{
    return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
}

}  // namespace

int OpenRegularFile(const std::string& path)
{
    // A look first, so that a device is not even opened; the open itself
    // does not wait either, in case the name was given to another file in
    // between, and what was opened is looked at again.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return -1;
    if (!S_ISREG(st.st_mode)) {
        errno = RefusalOf(st);
        return -1;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    const bool looked = ::fstat(fd, &st) == 0;
    if (!looked || !S_ISREG(st.st_mode)) {
        const int error = looked ? RefusalOf(st) : errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    // Reads of a regular file never wait on O_NONBLOCK's account; the flag
    // is cleared all the same so that the descriptor is an ordinary one.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

std::FILE* OpenRegularFileStream(const std::string& path)
{
    const int fd = OpenRegularFile(path);
    if (fd < 0)
        return nullptr;
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        const int error = errno;
        ::close(fd);
        errno = error;
    }
    return file;
}

}  // namespace platform
