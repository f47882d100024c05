// The program's start-up against a service that names a newer version but
// whose updater cannot be had (missing, sent from elsewhere, or trickling
// in): the main window still opens, soon, with one message saying why the
// update failed, and no updater runs.
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

#include "kvostudio/updatecheck.h"
#include "tests/support/fake_service.h"
#include "tests/support/temp_files.h"
#include "running_program.h"
#include "ui_test_env.h"

using namespace platform;
using testsupport::FakeService;
using testsupport::Fault;
using testsupport::FaultKind;

namespace {

using Clock = std::chrono::steady_clock;

// The main window comes within the check's own bound and two seconds more.
// A busy machine (or a sanitizer build) is allowed a few seconds beyond it.
constexpr auto kWindowBound = std::chrono::milliseconds(kUpdateCheckMs + 2000);
constexpr auto kBusyMachine = std::chrono::seconds(5);
constexpr char kNotice[] = "Update notice:";

class UpdateAtProgramStart : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(service_.Start("127.0.0.1", true));
        ASSERT_TRUE(other_.Start("127.0.0.2", true));
        ASSERT_TRUE(plain_.Start("127.0.0.1", false));
        testsupport::HttpAnswer version;
        version.body = "9.0.0.0\r\n";
        service_.SetAnswer("/bin/version.txt", version);
        plain_.SetAnswer("/bin/version.txt", version);
        marker_ = program_.DataFile("updater-ran");
        const std::string script = "#!/bin/sh\ntouch '" + marker_ + "'\n";
        for (FakeService* server : {&service_, &other_, &plain_})
            server->SetFile("/bin/Update.exe", script);
        program_.AddEnv("KVO_HTTPS_CA_FILE=" + FakeService::CertificateFile());
    }

    // Starts the program anew with that service; the time it was started.
    Clock::time_point Launch(const FakeService& service)
    {
        program_.AddEnv("KVO_SERVICE_URL=" + service.BaseUrl());
        const auto started = Clock::now();
        EXPECT_TRUE(program_.Launch({}));
        return started;
    }

    // Waits for a window of the program of that size.
    std::optional<uitest::Geometry> WaitForWindow(platform::Size size, std::chrono::milliseconds within)
    {
        return program_.WaitForWindow(size, static_cast<int>(within.count()));
    }

    // The main window opened within the bound, with the one notice up over
    // it; the notice is put away and the program closed by its close button.
    void ExpectStartedWithOneNotice(Clock::time_point started)
    {
        const auto window = WaitForWindow(uitest::RunningProgram::kMainWindow, kWindowBound + kBusyMachine);
        ASSERT_TRUE(window) << program_.Said();
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
        std::printf("the main window was up after %lld ms\n", static_cast<long long>(took.count()));
        EXPECT_LT(took, kWindowBound + kBusyMachine);
        ASSERT_TRUE(program_.WaitForText(kNotice, 10000)) << program_.Said();
        ASSERT_TRUE(program_.Sync());
        uitest::Screenshot(uitest::ArtifactPath("startup_update_notice.png"));
        // The notice box is the program's other visible window; Escape puts
        // it away.
        for (unsigned long id : program_.Windows())
            if (id != window->id)
                uitest::RunningProgram::TypeInto(id, {"Escape"});
        ASSERT_TRUE(program_.WaitUntil([&] { return program_.Windows().size() == 1; }, uitest::kWaitMs));
        // The close button: the pointer comes onto it from elsewhere, as a
        // user's would (the last start left it on the same spot).
        EXPECT_EQ(program_.Close(), 0) << program_.Said();
        size_t notices = 0;
        for (size_t from = 0; (from = program_.Said().find(kNotice, from)) != std::string::npos; ++from)
            ++notices;
        EXPECT_EQ(notices, 1u) << program_.Said();
        EXPECT_FALSE(testsupport::FileExists(marker_));
    }

    FakeService service_;
    FakeService other_;
    FakeService plain_;
    uitest::RunningProgram program_;
    std::string marker_;
};

}  // namespace

TEST_F(UpdateAtProgramStart, AnUpdaterThatCannotBeHadLeavesTheProgramStartingWithOneMessage)
{
    KVO_REQUIRE_DISPLAY();
    struct Case {
        const char* what;
        const FakeService& service;
        Fault fault;
    };
    const Case cases[] = {
        {"no updater", service_, Fault(FaultKind::Status, 404)},
        {"sent from another host", service_, Fault(FaultKind::Redirect, 302, other_.Url("/bin/Update.exe"))},
        {"redirected to plain http", service_, Fault(FaultKind::Redirect, 302, plain_.Url("/bin/Update.exe"))},
        {"a service over plain http", plain_, Fault()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        service_.SetFault("/bin/Update.exe", c.fault);
        ExpectStartedWithOneNotice(Launch(c.service));
    }
    EXPECT_EQ(other_.RequestCount(), 0u);
    EXPECT_TRUE(plain_.RequestsFor("/bin/Update.exe").empty());
}

TEST_F(UpdateAtProgramStart, ATricklingUpdaterIsCancelledFromItsWindow)
{
    KVO_REQUIRE_DISPLAY();
    // Two bytes a second: the download would take minutes.
    service_.SetFault("/bin/Update.exe", Fault(FaultKind::Slow, 500, {}, 0, 500));
    const auto started = Launch(service_);
    const auto progress = WaitForWindow(uitest::RunningProgram::kProgress, kWindowBound + kBusyMachine);
    ASSERT_TRUE(progress) << program_.Said();
    ASSERT_TRUE(program_.Sync());
    uitest::Screenshot(uitest::ArtifactPath("startup_update_progress.png"));
    // Its close button, at the caption's right end.
    ASSERT_TRUE(uitest::RunningProgram::ClickIn(*progress, progress->rect.Width() - 14, 14));
    ExpectStartedWithOneNotice(started);
    EXPECT_NE(program_.Said().find("cancelled"), std::string::npos) << program_.Said();
}
