#include "platform/crash/crash_handler.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace platform {
namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int kMaxFrames = 128;
constexpr size_t kAltStackBytes = 64 * 1024;

// Everything the handler needs exists before the crash: the path, the
// stack it runs on after a stack overflow.
char g_dumpPath[4096];
std::atomic<bool> g_dumping{false};
alignas(16) char g_altStack[kAltStackBytes];

const char* SignalName(int sig)
{
    switch (sig) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGFPE: return "SIGFPE";
    case SIGILL: return "SIGILL";
    case SIGABRT: return "SIGABRT";
    default: return "signal";
    }
}

// Plain writes only: no stdio, no allocation.
void Put(int fd, const char* text)
{
    size_t len = strlen(text);
    while (len > 0) {
        ssize_t n = write(fd, text, len);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        text += n;
        len -= static_cast<size_t>(n);
    }
}

void PutNumber(int fd, uintptr_t value, unsigned base)
{
    char digits[2 + sizeof(uintptr_t) * 8 + 1];
    char* p = digits + sizeof digits;
    *--p = '\0';
    do {
        unsigned d = static_cast<unsigned>(value % base);
        *--p = static_cast<char>(d < 10 ? '0' + d : 'a' + d - 10);
        value /= base;
    } while (value != 0);
    if (base == 16) {
        *--p = 'x';
        *--p = '0';
    }
    Put(fd, p);
}

void CopyFile(int out, const char* path)
{
    int in = open(path, O_RDONLY | O_CLOEXEC);
    if (in < 0) return;
    char chunk[4096];
    for (;;) {
        ssize_t n = read(in, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        ssize_t done = 0;
        while (done < n) {
            ssize_t w = write(out, chunk + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) break;
            done += w;
        }
        if (done < n) break;
    }
    close(in);
}

void WriteDump(int sig, const siginfo_t* info)
{
    int fd = open(g_dumpPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return;
    Put(fd, "KVO Studio crash dump\n");
    Put(fd, "signal: ");
    PutNumber(fd, static_cast<uintptr_t>(sig), 10);
    Put(fd, " ");
    Put(fd, SignalName(sig));
    Put(fd, "\ncode: ");
    PutNumber(fd, static_cast<uintptr_t>(static_cast<unsigned>(info ? info->si_code : 0)), 10);
    Put(fd, "\naddress: ");
    PutNumber(fd, reinterpret_cast<uintptr_t>(info ? info->si_addr : nullptr), 16);
    Put(fd, "\nprocess: ");
    PutNumber(fd, static_cast<uintptr_t>(getpid()), 10);
    Put(fd, "\nthread: ");
    PutNumber(fd, static_cast<uintptr_t>(syscall(SYS_gettid)), 10);
    Put(fd, "\nbacktrace:\n");
    void* frames[kMaxFrames];
    int count = backtrace(frames, kMaxFrames);
    backtrace_symbols_fd(frames, count, fd);
    Put(fd, "memory map:\n");
    CopyFile(fd, "/proc/self/maps");
    fsync(fd);
    close(fd);
}

void OnFatalSignal(int sig, siginfo_t* info, void*)
{
    // The first crashing thread writes the dump. Another thread that
    // crashes meanwhile waits here for the process to end, rather than
    // ending it with the dump half written.
    if (g_dumping.exchange(true)) {
        for (;;) pause();
    }
    WriteDump(sig, info);
    struct sigaction fallback{};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(sig, &fallback, nullptr);
    // Back to the default action: a fault re-runs the failing instruction
    // and ends the process; a sent signal (abort, kill) is sent again and
    // is delivered as the handler returns.
    if (info == nullptr || info->si_code <= 0) raise(sig);
}

}  // namespace

bool InstallCrashDumpHandler(const char* dumpPath)
{
    if (dumpPath == nullptr || dumpPath[0] == '\0' || strlen(dumpPath) >= sizeof g_dumpPath) return false;
    strcpy(g_dumpPath, dumpPath);

    // backtrace() loads its unwinder on first use, which allocates; do that
    // now rather than inside a crash.
    void* warmUp[2];
    backtrace(warmUp, 2);

    // A stack overflow leaves no stack for the handler; give the first
    // installing thread (the program's main thread) a spare one. Only one
    // thread may own it.
    static std::atomic<bool> altStackTaken{false};
    if (!altStackTaken.exchange(true)) {
        stack_t alt{};
        alt.ss_sp = g_altStack;
        alt.ss_size = sizeof g_altStack;
        sigaltstack(&alt, nullptr);
    }

    struct sigaction action{};
    action.sa_sigaction = OnFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    bool ok = true;
    for (int sig : kFatalSignals)
        if (sigaction(sig, &action, nullptr) != 0) ok = false;
    return ok;
}

}  // namespace platform
