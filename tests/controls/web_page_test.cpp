// Handing web pages to the browser: which addresses leave the program, and
// the opener started directly, detached, with the address as one argument.
#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <future>
#include <thread>

#include <gtest/gtest.h>

#include "platform/shell/web_page.h"
#include "tests/support/temp_files.h"

using platform::IsWebPageAddress;
using platform::OpenWebPage;

namespace {

// Puts a folder of our own first on PATH while it exists.
class FakeOpener {
public:
    explicit FakeOpener(const std::string& script)
    {
        const std::string path = dir_.File("xdg-open");
        std::ofstream(path) << script;
        chmod(path.c_str(), 0755);
        const char* old = std::getenv("PATH");
        old_ = old ? old : "";
        setenv("PATH", (dir_.Path() + ":" + old_).c_str(), 1);
    }
    ~FakeOpener() { setenv("PATH", old_.c_str(), 1); }
    std::string File(const std::string& name) const { return dir_.File(name); }

private:
    testsupport::TempDir dir_;
    std::string old_;
};

std::string ReadWhenThere(const std::string& path)
{
    for (int i = 0; i < 1000; ++i) {
        std::ifstream in(path);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!text.empty() && text.back() == '\n')
            return text.substr(0, text.size() - 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return "(never written)";
}

}  // namespace

TEST(WebPageAddress, OnlyHttpAndHttpsPagesLeaveTheProgram)
{
    EXPECT_TRUE(IsWebPageAddress("http://pellam.example/"));
    EXPECT_TRUE(IsWebPageAddress("HTTPS://pellam.example/a?b=c&d=$(e)"));
    EXPECT_FALSE(IsWebPageAddress("http://"));
    EXPECT_FALSE(IsWebPageAddress("file:///etc/passwd"));
    EXPECT_FALSE(IsWebPageAddress("--help"));
    EXPECT_FALSE(IsWebPageAddress("javascript:alert(1)"));
    EXPECT_FALSE(IsWebPageAddress("http://a/\nb"));
    EXPECT_FALSE(IsWebPageAddress(""));
    platform::WebPageRecorder pages;
    EXPECT_FALSE(OpenWebPage("ftp://pellam.example/"));
    EXPECT_TRUE(pages.Pages().empty());
}

TEST(WebPageOpener, GetsTheAddressAsOneArgumentAndRunsOnWithoutUs)
{
    // The opener writes its arguments, then waits for the test: if opening
    // waited for it, OpenWebPage would not come back.
    FakeOpener opener("#!/bin/sh\n"
                      "printf '%s|%s\\n' \"$#\" \"$1\" > \"$(dirname \"$0\")/args.tmp\"\n"
                      "mv \"$(dirname \"$0\")/args.tmp\" \"$(dirname \"$0\")/args\"\n"
                      "while [ -d \"$(dirname \"$0\")\" ] && [ ! -e \"$(dirname \"$0\")/go\" ]; do sleep 0.05; done\n"
                      "touch \"$(dirname \"$0\")/done\"\n");
    const std::string url = "https://pellam.example/a b;c'd\"$(touch x)`e`&f";
    auto opened = std::async(std::launch::async, [&] { return OpenWebPage(url); });
    const bool returned = opened.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    std::ofstream(opener.File("go")) << "go";
    ASSERT_TRUE(returned);
    EXPECT_TRUE(opened.get());
    EXPECT_EQ(ReadWhenThere(opener.File("args")), "1|" + url);
    for (int i = 0; i < 1000 && !testsupport::FileExists(opener.File("done")); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    // No child of ours is left to reap: the opener belongs to the system.
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST(WebPageOpener, AMissingOrBrokenOpenerIsAFailure)
{
    FakeOpener broken("\x7f" "ELF not really a program");
    EXPECT_FALSE(OpenWebPage("http://pellam.example/"));

    const char* old = std::getenv("PATH");
    const std::string saved = old ? old : "";
    testsupport::TempDir empty;
    setenv("PATH", empty.Path().c_str(), 1);
    EXPECT_FALSE(OpenWebPage("http://pellam.example/"));
    setenv("PATH", saved.c_str(), 1);
}
