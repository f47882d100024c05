#include "kvostudio/settings.h"

#include <optional>
#include <string>

#include "kvostudio/folders.h"
#include "platform/ini/profile_file.h"
#include "platform/ini/profile_numbers.h"

namespace ini = platform::ini;

namespace {

// Looked up on every call: a settings change by anyone is seen at once.
std::string ConfigPath() { return GetUserDataFilePath(config::kFileName); }

}  // namespace

bool WriteConfigString(const char* section, const char* key, const char* text)
{
    if (section == nullptr || key == nullptr || text == nullptr) return false;
    return ini::WriteProfileString(ConfigPath(), section, key, text);
}

bool WriteConfigInt(const char* section, const char* key, int value)
{
    // A missing key would name no value to write; it is refused rather than
    // taken to mean "remove the whole section".
    if (section == nullptr || key == nullptr) return false;
    return ini::WriteProfileString(ConfigPath(), section, key, ini::FormatInt(value));
}

bool WriteConfigFloat(const char* section, const char* key, float value)
{
    if (section == nullptr || key == nullptr) return false;
    std::optional<std::string> text = ini::FormatReal(value);
    if (!text) return false;
    return ini::WriteProfileString(ConfigPath(), section, key, *text);
}

bool ReadConfigInt(const char* section, const char* key, int* out)
{
    if (section == nullptr || key == nullptr || out == nullptr) return false;
    *out = ini::GetProfileInt(ConfigPath(), section, key, 0);
    return true;
}

bool ReadConfigString(const char* section, const char* key, char* buffer, int* size)
{
    if (section == nullptr || key == nullptr || buffer == nullptr || size == nullptr) return false;
    if (*size <= 0) {
        *size = 0;
        return true;
    }
    size_t copied = ini::GetProfileString(ConfigPath(), section, key, "", buffer, static_cast<size_t>(*size));
    *size = static_cast<int>(copied);
    return true;
}

bool ReadConfigFloat(const char* section, const char* key, float* out, const char* defaultText)
{
    if (section == nullptr || key == nullptr || out == nullptr) return false;
    std::optional<std::string> value = ini::ReadProfileValue(ConfigPath(), section, key);
    std::string text = value ? *value : std::string(defaultText ? defaultText : "");
    if (text.empty()) return false;
    *out = ini::ParseReal(text);
    return true;
}
