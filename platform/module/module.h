#pragma once
// A shared library loaded at run time and unloaded when the object goes.

#include <string>

namespace platform {

class Module {
public:
    Module() = default;
    ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    // Loads the library at the path, which must be absolute: a bare name
    // would be looked up through the library search path, a relative one
    // in the current folder, and neither is where our modules live. False
    // when the path is not absolute or the library cannot be loaded
    // (Error() then says why). Unloads a library loaded before.
    bool Load(const std::string& path);

    // The entry point by name; null when the library has none or none is
    // loaded.
    void* Symbol(const char* name) const;

    void Free();
    const std::string& Error() const { return error_; }

private:
    void* handle_ = nullptr;
    std::string error_;
};

}  // namespace platform
