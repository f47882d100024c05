#include "platform/ini/profile_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>

#include "platform/ini/ini_text.h"
#include "platform/ini/profile_numbers.h"

namespace platform::ini {
namespace {

std::mutex& WriteLock()
{
    static std::mutex lock;
    return lock;
}

enum class ReadResult { kOk, kMissing, kFailed };

// Reads the whole file into text, refusing anything larger than a settings
// file can be.
ReadResult ReadWhole(const std::string& path, std::string& text, struct stat* info)
{
    text.clear();
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? ReadResult::kMissing : ReadResult::kFailed;
    ReadResult result = ReadResult::kOk;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<unsigned long long>(st.st_size) > kMaxProfileBytes) {
        result = ReadResult::kFailed;
    } else {
        if (info) *info = st;
        char chunk[8192];
        for (;;) {
            ssize_t n = read(fd, chunk, sizeof chunk);
            if (n < 0) {
                if (errno == EINTR) continue;
                result = ReadResult::kFailed;
                break;
            }
            if (n == 0) break;
            // The file may grow while we read it; the limit still holds.
            if (text.size() + static_cast<size_t>(n) > kMaxProfileBytes) {
                result = ReadResult::kFailed;
                break;
            }
            text.append(chunk, static_cast<size_t>(n));
        }
    }
    close(fd);
    if (result != ReadResult::kOk) text.clear();
    return result;
}

bool WriteAll(int fd, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Writes text to a temporary file beside path and renames it over path.
bool ReplaceFile(const std::string& path, const std::string& text, const struct stat* oldInfo)
{
    const std::string temp = path + ".tmp-" + std::to_string(getpid());
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, text);
    // The new file keeps the old one's permissions.
    if (ok && oldInfo) ok = fchmod(fd, oldInfo->st_mode & 07777) == 0;
    // Flushed before the rename, so a power cut cannot leave an empty file
    // where the old settings were.
    if (ok) ok = fsync(fd) == 0;
    if (close(fd) != 0) ok = false;
    if (ok) ok = rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) unlink(temp.c_str());
    return ok;
}

}  // namespace

std::optional<std::string> ReadProfileValue(const std::string& path, std::string_view section, std::string_view key)
{
    if (path.empty()) return std::nullopt;
    std::string text;
    if (ReadWhole(path, text, nullptr) != ReadResult::kOk) return std::nullopt;
    return FindValue(text, section, key);
}

size_t GetProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view defaultValue, char* buffer, size_t size)
{
    std::optional<std::string> value = ReadProfileValue(path, section, key);
    return CopyTruncated(value ? std::string_view(*value) : defaultValue, buffer, size);
}

int GetProfileInt(const std::string& path, std::string_view section, std::string_view key, int defaultValue)
{
    std::optional<std::string> value = ReadProfileValue(path, section, key);
    return value ? ParseInt(*value) : defaultValue;
}

bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value)
{
    if (path.empty() || !CanStore(section, key, value)) return false;
    std::lock_guard<std::mutex> lock(WriteLock());
    // A settings file kept elsewhere behind a link is updated where it is,
    // not replaced by a plain file beside the link.
    std::string target = path;
    if (char* real = realpath(path.c_str(), nullptr)) {
        target = real;
        free(real);
    }
    std::string text;
    struct stat info;
    ReadResult read = ReadWhole(target, text, &info);
    // A file we cannot read is not ours to overwrite with one key.
    if (read == ReadResult::kFailed) return false;
    return ReplaceFile(target, SetValue(text, section, key, value), read == ReadResult::kOk ? &info : nullptr);
}

}  // namespace platform::ini
