// The crash handler, seen from outside: a child process (this test program
// run again on one test) crashes or ends normally, and the parent looks at
// what it left in its data folder.
#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include "kvostudio/global.h"
#include "tests/appsupport/scoped_env.h"

extern char** environ;

namespace {

constexpr char kChildModeVariable[] = "KVO_APPSUPPORT_CHILD";

// Runs this test program on CrashChild.Run with the given mode and data
// folder; returns the wait status.
int RunChild(const std::string& mode, const std::string& dataDir)
{
    ScopedEnv env;
    env.Set(kChildModeVariable, mode);
    env.Set("KVO_DATA_DIR", dataDir);
    // The sanitizers' own crash reports are not under test here.
    env.Set("ASAN_OPTIONS", "detect_leaks=0:handle_segv=0:handle_abort=0:allow_user_segv_handler=1");
    const std::string program = GetProgramFolder() + "test_appsupport";
    std::vector<std::string> args = {program, "--gtest_filter=CrashChild.Run"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return status;
}

// A store to an unmapped page near address 0 (not to null itself, which the
// undefined-behaviour sanitizer would stop first).
[[gnu::noinline]] void CrashHere()
{
    volatile uintptr_t address = 16;
    *reinterpret_cast<volatile int*>(address) = 1;
}

}  // namespace

// The child's side: does nothing in a normal run of the tests.
TEST(CrashChild, Run)
{
    const char* mode = std::getenv(kChildModeVariable);
    if (mode == nullptr) GTEST_SKIP() << "only run as a child of the crash tests";
    InstallCrashHandler handler;
    if (!handler.Installed()) std::_Exit(3);
    const std::string m = mode;
    if (m == "segv") CrashHere();
    if (m == "abort") std::abort();
    if (m == "thread") {
        std::thread([] { CrashHere(); }).join();
    }
    std::_Exit(0);  // "exit": a normal end
}

TEST(CrashDump, ACrashLeavesADumpWithABacktrace)
{
    TestDataFolder data;
    const std::string dump = data.File("kvodump.dmp");
    WriteText(dump, "an older dump that is longer than nothing");

    int status = RunChild("segv", data.Path());
    ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);
    std::string text = ReadText(dump);
    EXPECT_EQ(text.rfind("KVO Studio crash dump\n", 0), 0u);  // replaced, not appended to
    EXPECT_NE(text.find("signal: 11 SIGSEGV\n"), std::string::npos);
    EXPECT_NE(text.find("address: 0x10\n"), std::string::npos);
    const size_t backtrace = text.find("backtrace:\n");
    const size_t maps = text.find("memory map:\n");
    ASSERT_NE(backtrace, std::string::npos);
    ASSERT_NE(maps, std::string::npos);
    // Frames name the program they ran in.
    EXPECT_NE(text.substr(backtrace, maps - backtrace).find("test_appsupport"), std::string::npos);
    EXPECT_NE(text.find("[stack]", maps), std::string::npos);
}

TEST(CrashDump, AbortAndCrashesOnOtherThreadsAreCaughtToo)
{
    for (const char* mode : {"abort", "thread"}) {
        TestDataFolder data;
        int status = RunChild(mode, data.Path());
        ASSERT_TRUE(WIFSIGNALED(status)) << mode << " status " << status;
        EXPECT_EQ(WTERMSIG(status), std::string(mode) == "abort" ? SIGABRT : SIGSEGV) << mode;
        std::string text = ReadText(data.File("kvodump.dmp"));
        EXPECT_NE(text.find("backtrace:\n"), std::string::npos) << mode;
    }
}

TEST(CrashDump, ANormalEndLeavesNoDump)
{
    TestDataFolder data;
    int status = RunChild("exit", data.Path());
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(testsupport::FileExists(data.File("kvodump.dmp")));
}
