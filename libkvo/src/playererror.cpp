#include "libkvo/src/playererror.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

void PlayerError::Set(const char* text)
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::snprintf(text_, sizeof text_, "%s", text ? text : "");
}

void PlayerError::Format(const char* format, ...)
{
    char buffer[kMaxLength + 1];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    Set(buffer);
}

const char* PlayerError::Get()
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::memcpy(shown_, text_, sizeof shown_);
    return shown_;
}
