#pragma once
// Private-profile files on disk. Every call reads the file anew or replaces
// it; nothing is cached. A write reads the file, changes one key and puts
// the result in place by renaming a fully written temporary file over it,
// all under one process-wide lock: two threads never lose each other's keys
// and a crash leaves either the old file or the new one, never half a file.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform::ini {

// Files larger than this are not settings files; they are neither read nor
// replaced.
inline constexpr size_t kMaxProfileBytes = 1u << 20;

// The value stored under section/key; nullopt when the path is empty or the
// file or key is missing or cannot be read.
std::optional<std::string> ReadProfileValue(const std::string& path, std::string_view section, std::string_view key);

// Copies the stored value, or defaultValue when the key is missing, into
// buffer as CopyTruncated does. Returns the number of bytes copied.
size_t GetProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view defaultValue, char* buffer, size_t size);

// The stored integer (ParseInt); defaultValue when the key is missing.
int GetProfileInt(const std::string& path, std::string_view section, std::string_view key, int defaultValue);

// Sets section/key to value, creating the file when it is missing (its
// folder must exist). False, with the file unchanged, when the path is
// empty, CanStore refuses the names or value, the existing file cannot be
// read, or the new one cannot be written.
bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value);

}  // namespace platform::ini
