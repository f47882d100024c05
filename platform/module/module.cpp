#include "platform/module/module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

namespace platform {

Module::~Module() { Free(); }

bool Module::Load(const std::string& path)
{
    Free();
    error_.clear();
    if (path.empty() || path[0] != '/') {
        error_ = "not an absolute path: " + path;
        return false;
    }
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* why = dlerror();
        error_ = why ? why : "cannot load " + path;
        return false;
    }
    return true;
}

void* Module::Symbol(const char* name) const
{
    if (!handle_ || !name) return nullptr;
    return dlsym(handle_, name);
}

void Module::Free()
{
    if (handle_) dlclose(handle_);
    handle_ = nullptr;
}

std::string ProgramFolder()
{
    char buffer[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof buffer) return std::string();
    std::string path(buffer, static_cast<size_t>(n));
    return path.substr(0, path.rfind('/') + 1);
}

}  // namespace platform
