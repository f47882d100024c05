#include "kvostudio/updatecheck.h"
#include "kvostudio/updatestep.h"
#include "platform/window/message_box.h"
#include "platform/window/ui_loop.h"
#include "tests/service/service_fixture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <unistd.h>

#include <chrono>
#include <thread>

namespace {

using servicetest::ServiceTest;
using testsupport::FakeService;
using testsupport::Fault;
using testsupport::FaultKind;
using testsupport::FileExists;

TEST(UpdateDecision, OnlyANewerVersionUpdates)
{
    struct Case {
        const char* answer;
        bool update;
    };
    const Case cases[] = {
        {"1.1.0.4", false},     {"1.1.0.5", true},     {"1.0.9.9", false},    {"1,2,0,0", true},
        {"2", true},            {"0.9", false},        {"", false},           {"<html>error</html>", false},
        {"1.1.0.4\r\n", false}, {" 1.1.0.4\n", false}, {"1.1.0.5\n", true},   {"0,9", false},
        {"1.0.0.0", false},     {"1.1.0.4.1", true},   {"1.1", false},        {"1.1.0.5 beta", false},
        {"1..2", false},        {"1.2.", false},       {"99999999999", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsNewerVersion(c.answer, kRunningVersion), c.update) << '"' << c.answer << '"';
}

TEST_F(ServiceTest, UpdateCheckAsksTheServiceWithinItsBound)
{
    std::string offered;
    EXPECT_FALSE(CheckForUpdate(kRunningVersion));
    EXPECT_TRUE(CheckForUpdate("1.0.0.0", &offered));
    EXPECT_EQ(offered, FakeService::kVersion);
    const auto requests = fake_.RequestsFor("/bin/version.txt");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].body, "");

    // A lower version is no update.
    testsupport::HttpAnswer lower;
    lower.body = "1.0.0.0";
    fake_.SetAnswer("/bin/version.txt", lower);
    EXPECT_FALSE(CheckForUpdate(kRunningVersion));

    // A service that holds its answer back does not hold start-up longer
    // than the check's bound (a generous margin for a busy machine).
    SetPostFormLimits(saved_);
    fake_.SetFault("/bin/version.txt", Fault(FaultKind::Slow, 500, {}, 0, 500));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(CheckForUpdate("1.0.0.0"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kUpdateCheckMs + 2000));

    fake_.SetFault("/bin/version.txt", Fault(FaultKind::Status, 404));
    EXPECT_FALSE(CheckForUpdate("1.0.0.0"));
    ::unsetenv("KVO_SERVICE_URL");
    EXPECT_FALSE(CheckForUpdate("1.0.0.0"));
}

// The updater and the service over https, with a second server on 127.0.0.2
// standing for any other host.
class Updater : public ServiceTest {
protected:
    void SetUp() override
    {
        ServiceTest::SetUp();
        ASSERT_TRUE(secure_.Start("127.0.0.1", true));
        ASSERT_TRUE(other_.Start("127.0.0.2", true));
        ::setenv("KVO_HTTPS_CA_FILE", FakeService::CertificateFile().c_str(), 1);
        ::setenv("KVO_SERVICE_URL", secure_.BaseUrl().c_str(), 1);
        marker_ = dir_.File("updater-ran");
        // Written aside and renamed, so the test never reads a half-written mark.
        script_ = "#!/bin/sh\necho \"$0\" > '" + marker_ + ".new' && mv '" + marker_ + ".new' '" + marker_ + "'\n";
        for (FakeService* server : {&secure_, &other_, &fake_})
            server->SetFile("/bin/Update.exe", script_);
    }
    void TearDown() override
    {
        ::unsetenv("KVO_HTTPS_CA_FILE");
        ServiceTest::TearDown();
    }
    // Fetches the updater and starts it, without asking anyone, as the
    // program does once the user agreed. True when it started.
    static bool RunUpdater()
    {
        std::string path, reason;
        return FetchUpdater(path, reason) && StartUpdater(path);
    }
    // Whether the updater wrote its mark within waitMs.
    bool Ran(int waitMs = 2000)
    {
        for (int i = 0; i < waitMs / 20 && !FileExists(marker_); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return FileExists(marker_);
    }

    FakeService secure_;  // the service; fake_ serves the same over plain http
    FakeService other_;
    std::string marker_;
    std::string script_;
};

TEST_F(Updater, IsFetchedWholeOverHttpsAndStarted)
{
    ASSERT_TRUE(RunUpdater());
    const std::string updater = dir_.Path() + "/data/Update.exe";
    struct stat st {};
    ASSERT_EQ(::stat(updater.c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IXUSR);
    ASSERT_TRUE(Ran());
    const auto ran = testsupport::ReadFile(marker_);
    EXPECT_EQ(std::string(ran.begin(), ran.end()), updater + "\n");

    // A broken download neither starts anything nor replaces the copy there.
    secure_.SetFault("/bin/Update.exe", Fault(FaultKind::Truncate));
    EXPECT_FALSE(RunUpdater());
    EXPECT_EQ(testsupport::ReadFile(updater).size(), size_t(st.st_size));
    // A file that is no program is not started.
    secure_.ClearFaults();
    secure_.SetFile("/bin/Update.exe", "MZ not a program here\n");
    EXPECT_FALSE(RunUpdater());
}

TEST_F(Updater, ComesOnlyFromTheServiceItselfOverHttps)
{
    struct Case {
        const char* what;
        std::string service;   // the service's address
        std::string redirect;  // where its updater path sends the client, if anywhere
        const char* reason;
    };
    const Case cases[] = {
        {"plain http service", fake_.BaseUrl(), "", "https"},
        {"redirect to another host", secure_.BaseUrl(), other_.Url("/bin/Update.exe"), "another server"},
        {"redirect from https to http", secure_.BaseUrl(), fake_.Url("/bin/Update.exe"), "another server"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ::setenv("KVO_SERVICE_URL", c.service.c_str(), 1);
        secure_.ClearFaults();
        if (!c.redirect.empty())
            secure_.SetFault("/bin/Update.exe", Fault(FaultKind::Redirect, 302, c.redirect));
        std::string path;
        std::string reason;
        EXPECT_FALSE(FetchUpdater(path, reason));
        EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
        EXPECT_FALSE(RunUpdater());
        EXPECT_FALSE(Ran(300));
    }
    EXPECT_EQ(fake_.RequestCount(), 0u);
    EXPECT_EQ(other_.RequestCount(), 0u);

    // A redirect within the service's own server is followed.
    ::setenv("KVO_SERVICE_URL", secure_.BaseUrl().c_str(), 1);
    secure_.SetFile("/bin/Update2.exe", script_);
    secure_.SetFault("/bin/Update.exe", Fault(FaultKind::Redirect, 302, secure_.Url("/bin/Update2.exe")));
    EXPECT_TRUE(RunUpdater());
    EXPECT_TRUE(Ran());
}

TEST_F(Updater, StartUpRunsItOnlyForANewerVersionAndOnlyWhenTheUserAgrees)
{
    platform::InitWindowing(platform::DisplayMode::Headless);
    std::vector<platform::MessageBoxRequest> asked;
    int answer = platform::IDNO;
    platform::SetMessageBoxHandler([&](const platform::MessageBoxRequest& request) {
        asked.push_back(request);
        return answer;
    });
    testsupport::HttpAnswer version;
    version.body = "1.2.0.0";
    secure_.SetAnswer("/bin/version.txt", version);

    // The user says no: the program starts, nothing runs, nothing to tell.
    std::string notice;
    EXPECT_EQ(RunStartupUpdate(kRunningVersion, notice), StartupUpdate::StartProgram);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].text.find("1.2.0.0"), std::string::npos) << asked[0].text;
    EXPECT_EQ(asked[0].type, platform::MB_YESNO | platform::MB_ICONQUESTION);
    EXPECT_EQ(notice, "");
    EXPECT_FALSE(Ran(300));

    // Yes: it runs, and start-up ends.
    answer = platform::IDYES;
    EXPECT_EQ(RunStartupUpdate(kRunningVersion, notice), StartupUpdate::UpdaterStarted);
    EXPECT_TRUE(Ran());
    ::unlink(marker_.c_str());

    // An older or the same version asks nothing; an updater that cannot be
    // had asks nothing either and leaves a notice saying why.
    asked.clear();
    for (const char* older : {"1.1.0.4", "1.0.0.9"}) {
        version.body = older;
        secure_.SetAnswer("/bin/version.txt", version);
        EXPECT_EQ(RunStartupUpdate(kRunningVersion, notice), StartupUpdate::StartProgram);
    }
    version.body = "1.2.0.0";
    secure_.SetAnswer("/bin/version.txt", version);
    secure_.SetFault("/bin/Update.exe", Fault(FaultKind::Status, 404));
    EXPECT_EQ(RunStartupUpdate(kRunningVersion, notice), StartupUpdate::StartProgram);
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(notice.rfind("The update of KVO Studio failed: ", 0), 0u) << notice;
    EXPECT_FALSE(Ran(300));
    platform::SetMessageBoxHandler(nullptr);
}

}  // namespace
