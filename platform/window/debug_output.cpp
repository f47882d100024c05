#include "platform/window/debug_output.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

void DebugOutput(const std::string& text)
{
    static const bool enabled = std::getenv("KVO_DEBUG_OUTPUT") != nullptr;
    if (enabled)
        std::fputs(text.c_str(), stderr);
}

}  // namespace platform
