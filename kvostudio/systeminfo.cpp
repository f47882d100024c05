// What the application asks about its surroundings: the local address, the
// command line, names of its threads.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "kvostudio/helpers.h"
#include "platform/fs/process_info.h"
#include "platform/netinfo/local_address.h"
#include "platform/thread/thread_name.h"

bool GetLocalIPAddress(char* out)
{
    if (out == nullptr) return false;
    std::string address = platform::FirstNonLoopbackIPv4();
    // A dotted IPv4 address is at most 15 characters; the check keeps the
    // 32-byte contract whatever the lookup answers.
    if (address.empty() || address.size() >= 32) return false;
    std::memcpy(out, address.c_str(), address.size() + 1);
    return true;
}

std::string GetCommandLineArg(int index)
{
    std::vector<std::string> args = platform::CommandLineArgs();
    if (index < 1 || static_cast<size_t>(index) >= args.size()) return std::string();
    return args[static_cast<size_t>(index)];
}

void SetThreadName(const char* format, ...)
{
    if (format == nullptr) return;
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    int needed = std::vsnprintf(nullptr, 0, format, args);
    if (needed >= 0) {
        std::vector<char> name(static_cast<size_t>(needed) + 1);
        std::vsnprintf(name.data(), name.size(), format, again);
        platform::SetCurrentThreadName(name.data());
    }
#pragma GCC diagnostic pop
    va_end(again);
    va_end(args);
}
