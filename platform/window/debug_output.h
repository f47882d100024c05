#pragma once
// Diagnostics for a developer (the system's "debug output"): written to
// standard error when KVO_DEBUG_OUTPUT is set in the environment, dropped
// otherwise.

#include <string>

namespace platform {

void DebugOutput(const std::string& text);

}  // namespace platform
