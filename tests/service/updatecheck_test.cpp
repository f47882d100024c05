#include "kvostudio/updatecheck.h"
#include "tests/service/service_fixture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <thread>

namespace {

using servicetest::ServiceTest;
using testsupport::FileExists;
using testsupport::HttpAnswer;

TEST(UpdateDecision, AnyOtherVersionThatStartsWithANumberUpdates)
{
    struct Case {
        const char* answer;
        bool update;
    };
    const Case cases[] = {
        {"1.1.0.4", false},    {"1.1.0.5", true},  {"1.0.9.9", true},  {"1,2,0,0", true},
        {"2", true},           {"0.9", false},     {"", false},        {"<html>error</html>", false},
        {"1.1.0.4\r\n", false}, {" 1.1.0.4\n", false}, {"1.1.0.5\n", true}, {"0,9", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsOtherVersion(c.answer, kRunningVersion), c.update) << '"' << c.answer << '"';
}

TEST_F(ServiceTest, UpdateCheckAsksTheService)
{
    EXPECT_FALSE(CheckForUpdate(kRunningVersion));
    EXPECT_TRUE(CheckForUpdate("1.0.0.0"));
    const auto requests = fake_.RequestsFor("/bin/version.txt");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].body, "");

    fake_.SetFault("/bin/version.txt", testsupport::Fault(testsupport::FaultKind::Status, 404));
    EXPECT_FALSE(CheckForUpdate("1.0.0.0"));
    ::unsetenv("KVO_SERVICE_URL");
    EXPECT_FALSE(CheckForUpdate("1.0.0.0"));
}

TEST_F(ServiceTest, UpdaterIsFetchedWholeAndStarted)
{
    const std::string marker = dir_.File("updater-ran");
    // Written aside and renamed, so the test never reads a half-written mark.
    fake_.SetFile("/bin/Update.exe",
                  "#!/bin/sh\necho \"$0\" > '" + marker + ".new' && mv '" + marker + ".new' '" + marker + "'\n");
    ASSERT_TRUE(RunUpdater());
    const std::string updater = dir_.Path() + "/data/Update.exe";
    struct stat st {};
    ASSERT_EQ(::stat(updater.c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IXUSR);
    for (int i = 0; i < 200 && !FileExists(marker); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(FileExists(marker));
    const auto ran = testsupport::ReadFile(marker);
    EXPECT_EQ(std::string(ran.begin(), ran.end()), updater + "\n");

    // A broken download neither starts anything nor replaces the copy there.
    fake_.SetFault("/bin/Update.exe", testsupport::Fault(testsupport::FaultKind::Truncate));
    EXPECT_FALSE(RunUpdater());
    EXPECT_EQ(testsupport::ReadFile(updater).size(), size_t(st.st_size));
    // A file that is no program is not started.
    fake_.ClearFaults();
    fake_.SetFile("/bin/Update.exe", "MZ not a program here\n");
    EXPECT_FALSE(RunUpdater());
}

}  // namespace
