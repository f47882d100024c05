// The program's start-up against a service that names a newer version but
// whose updater cannot be had (missing, sent from elsewhere, or trickling
// in): the main window still opens, soon, with one message saying why the
// update failed, and no updater runs.
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "kvostudio/folders.h"
#include "kvostudio/updatecheck.h"
#include "tests/support/child_process.h"
#include "tests/support/fake_service.h"
#include "tests/support/temp_files.h"
#include "ui_test_env.h"

using namespace platform;
using testsupport::FakeService;
using testsupport::Fault;
using testsupport::FaultKind;

namespace {

using Clock = std::chrono::steady_clock;

// The bound the issue sets: the check's own, and two seconds more. A busy
// machine (or a sanitizer build) is allowed a few seconds beyond it.
constexpr auto kWindowBound = std::chrono::milliseconds(kUpdateCheckMs + 2000);
constexpr auto kBusyMachine = std::chrono::seconds(5);
constexpr char kNotice[] = "Update notice:";

class StartupUpdate : public testing::Test {
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
        marker_ = data_.File("updater-ran");
        const std::string script = "#!/bin/sh\ntouch '" + marker_ + "'\n";
        for (FakeService* server : {&service_, &other_, &plain_})
            server->SetFile("/bin/Update.exe", script);
        chmod(runtime_.Path().c_str(), 0700);
        const std::string suppressions = data_.File("lsan.supp");
        const std::string text = "leak:libfontconfig.so\nleak:libSDL2\nleak:libdbus-1.so\n";
        testsupport::WriteFile(suppressions, std::vector<uint8_t>(text.begin(), text.end()));
        env_ = {"KVO_DATA_DIR=" + data_.Path() + "/",
                "XDG_RUNTIME_DIR=" + runtime_.Path(),
                "SDL_AUDIODRIVER=dummy",
                "NO_AT_BRIDGE=1",
                "LSAN_OPTIONS=suppressions=" + suppressions,
                "KVO_HTTPS_CA_FILE=" + FakeService::CertificateFile()};
    }

    // Starts the program anew with that service; the time it was started.
    Clock::time_point Launch(const FakeService& service)
    {
        program_ = std::make_unique<testsupport::ChildProcess>();
        std::vector<std::string> env = env_;
        env.push_back("KVO_SERVICE_URL=" + service.BaseUrl());
        const auto started = Clock::now();
        EXPECT_TRUE(program_->Start({GetProgramFolder() + "kvostudio"}, env));
        return started;
    }

    // Waits for a window of the program of that size.
    std::optional<uitest::Geometry> WaitForWindow(int width, int height, std::chrono::milliseconds within)
    {
        const auto end = Clock::now() + within;
        do {
            if (auto found = uitest::FindWindowOfSize(program_->Pid(), width, height))
                return found;
            uitest::Settle(50);
        } while (Clock::now() < end && program_->Running());
        return std::nullopt;
    }

    // The main window opened within the bound, with the one notice up over
    // it; the notice is put away and the program closed by its close button.
    void ExpectStartedWithOneNotice(Clock::time_point started)
    {
        const auto window = WaitForWindow(338, 329, kWindowBound + kBusyMachine);
        ASSERT_TRUE(window) << program_->Err();
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
        std::printf("the main window was up after %lld ms\n", static_cast<long long>(took.count()));
        EXPECT_LT(took, kWindowBound + kBusyMachine);
        ASSERT_TRUE(program_->WaitForOutputText(kNotice, 10000)) << program_->Err();
        uitest::Settle(500);
        uitest::Screenshot(uitest::ArtifactPath("startup_update_notice.png"));
        // The notice box is the program's other visible window; Escape puts
        // it away.
        const auto ids = testsupport::CommandOutput(
            {"xdotool", "search", "--onlyvisible", "--pid", std::to_string(program_->Pid())});
        ASSERT_TRUE(ids);
        std::istringstream list(*ids);
        for (std::string id; list >> id;) {
            if (std::stoul(id) == window->id)
                continue;
            uitest::Xdo({"windowfocus", "--sync", id});
            uitest::Xdo({"key", "--clearmodifiers", "Escape"});
        }
        uitest::Settle(500);
        // The pointer comes from elsewhere onto the close button, as a
        // user's would (the last start left it on the same spot).
        const Rect at = window->rect;
        ASSERT_TRUE(uitest::MoveTo(at.left + 150, at.top + 110));
        ASSERT_TRUE(uitest::MoveTo(at.left + 322, at.top + 12));
        ASSERT_TRUE(uitest::Xdo({"click", "1"}));
        EXPECT_EQ(program_->Wait(15000), 0) << program_->Err();
        size_t notices = 0;
        for (size_t from = 0; (from = program_->Err().find(kNotice, from)) != std::string::npos; ++from)
            ++notices;
        EXPECT_EQ(notices, 1u) << program_->Err();
        EXPECT_FALSE(testsupport::FileExists(marker_));
    }

    FakeService service_;
    FakeService other_;
    FakeService plain_;
    testsupport::TempDir data_;
    testsupport::TempDir runtime_;
    std::string marker_;
    std::vector<std::string> env_;
    std::unique_ptr<testsupport::ChildProcess> program_;
};

}  // namespace

TEST_F(StartupUpdate, AnUpdaterThatCannotBeHadLeavesTheProgramStartingWithOneMessage)
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

TEST_F(StartupUpdate, ATricklingUpdaterIsCancelledFromItsWindow)
{
    KVO_REQUIRE_DISPLAY();
    // Two bytes a second: the download would take minutes.
    service_.SetFault("/bin/Update.exe", Fault(FaultKind::Slow, 500, {}, 0, 500));
    const auto started = Launch(service_);
    const auto progress = WaitForWindow(392, 253, kWindowBound + kBusyMachine);
    ASSERT_TRUE(progress) << program_->Err();
    uitest::Settle(300);
    uitest::Screenshot(uitest::ArtifactPath("startup_update_progress.png"));
    // Its close button, at the caption's right end.
    ASSERT_TRUE(uitest::MoveTo(progress->rect.right - 14, progress->rect.top + 14));
    ASSERT_TRUE(uitest::Xdo({"click", "1"}));
    ExpectStartedWithOneNotice(started);
    EXPECT_NE(program_->Err().find("cancelled"), std::string::npos) << program_->Err();
}
