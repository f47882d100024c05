#include "platform/module/module.h"

#include <dlfcn.h>

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

}  // namespace platform
