#pragma once

namespace platform {

// Installs the handler for SIGSEGV, SIGBUS, SIGFPE, SIGILL and SIGABRT. On
// such a signal the dump file at dumpPath is created or replaced, and the
// signal then takes its default course (the process ends). The path is
// copied now, so nothing needs computing during a crash. Installing again
// replaces the path. False when the path is empty or too long.
bool InstallCrashDumpHandler(const char* dumpPath);

}  // namespace platform
