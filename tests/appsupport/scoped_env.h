#pragma once
// Environment for one test: variables set or cleared for the test's
// lifetime and put back afterwards, and a private data folder.

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include "tests/support/temp_files.h"

class ScopedEnv {
public:
    ScopedEnv() = default;
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv()
    {
        for (auto& [name, value] : saved_) {
            if (value) setenv(name.c_str(), value->c_str(), 1);
            else unsetenv(name.c_str());
        }
    }
    void Set(const std::string& name, const std::string& value)
    {
        Save(name);
        setenv(name.c_str(), value.c_str(), 1);
    }
    void Clear(const std::string& name)
    {
        Save(name);
        unsetenv(name.c_str());
    }

private:
    void Save(const std::string& name)
    {
        if (saved_.count(name)) return;
        const char* v = std::getenv(name.c_str());
        saved_[name] = v ? std::optional<std::string>(v) : std::nullopt;
    }
    std::map<std::string, std::optional<std::string>> saved_;
};

// Points the program's data folder at a fresh temporary folder.
class TestDataFolder {
public:
    TestDataFolder() { env_.Set("KVO_DATA_DIR", dir_.Path()); }
    std::string File(const std::string& name) const { return dir_.File(name); }
    const std::string& Path() const { return dir_.Path(); }
    ScopedEnv& Env() { return env_; }

private:
    testsupport::TempDir dir_;
    ScopedEnv env_;
};

inline std::string ReadText(const std::string& path)
{
    auto bytes = testsupport::ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

inline void WriteText(const std::string& path, const std::string& text)
{
    testsupport::WriteFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}
