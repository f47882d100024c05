#pragma once
#include <string>

namespace platform {

// Names the calling thread for debuggers and crash dumps (the system keeps
// at most 15 characters of it).
void SetCurrentThreadName(const std::string& name);

}  // namespace platform
