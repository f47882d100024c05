// The program's calls to the online service on the display, against a fake
// service that stalls or answers far too much: while a call waits, the
// main window goes on answering; the call's progress window cancels it
// with its close button; a call that fails ends in a message that says
// what failed and why, and an upload whose registration is given up still
// ends as every upload does. Signing in needs no pointer.
#include <chrono>
#include <cstdio>

#include "kvostudio/loginimpl.h"
#include "tests/support/fake_service.h"
#include "tests/support/tone_bursts.h"
#include "running_program.h"
#include "ui_test_env.h"

using platform::Point;
using platform::Size;
using testsupport::Fault;
using testsupport::FaultKind;
using testsupport::FakeService;
using uitest::RunningProgram;

namespace {

constexpr Size kSignIn{473, 283};
constexpr Size kSaveComplete{392, 253};
// The main window's sign-in button.
constexpr Point kSignInButton{300, 43};
// The menu bar's "Play", above where the progress window covers the body.
constexpr Point kPlayMenu{113, 14};
// The transfer pull-down and its two entries, below the personal bar.
constexpr Point kTransferPullDown{170, 42};
constexpr Point kToMobile{132, 68};
constexpr Point kFromMobile{132, 84};
// The progress window's close button; the after-take window's upload.
constexpr Point kProgressClose{379, 14};
constexpr Point kUploadTake{100, 455};

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

enum class Flow { FromMobile, ToMobile, Upload };

struct FlowPlan {
    Flow flow;
    const char* name;
    const char* path;  // the call that comes first
    const char* told;  // what a failure of it says first
};

const FlowPlan kFlows[] = {
    {Flow::FromMobile, "From Mobile", "/webservice/studio/getdownlist",
     "The list of files sent from your phone could not be fetched:\n"},
    {Flow::ToMobile, "To Mobile", "/webservice/studio/getlimitcount",
     "The files waiting for your phone could not be counted:\n"},
    {Flow::Upload, "the take's upload", "/webservice/studio/getfid", "The upload could not begin:\n"},
};

class ServiceCallsInTheProgram : public testing::Test {
protected:
    void SetUp() override
    {
        KVO_REQUIRE_DISPLAY();
        ASSERT_TRUE(fake_.Start());
        std::string accepted(CLoginImpl::kReplySize, '\0');
        accepted.replace(0, 2, "1|");
        accepted[38] = '|';
        accepted[47] = '|';
        accepted.replace(48, 10, "0000012345");
        accepted[58] = '\n';
        fake_.SetTcpMode(testsupport::TcpMode::Reply, accepted, CLoginImpl::kRequestSize);
        program_.AddEnv("KVO_SERVICE_URL=" + fake_.BaseUrl());
        program_.AddEnv("KVO_MEMBER_URL=" + fake_.BaseUrl());
        program_.AddEnv("KVO_SIGNIN_ADDR=127.0.0.1:" + std::to_string(fake_.TcpPort()));
        // A short song to record over, and a voice for each take.
        const auto song = program_.WriteSongs({"Song"}, 1.5);
        program_.SetMicrophone(testsupport::PcmBytes(testsupport::BurstPcm(44100, 2, 3.0, 0.5, 0.4, 2500)));
        ASSERT_TRUE(program_.Start({"/open", song[0]})) << program_.Said();
    }

    // Starts the flow as a user does; the first one signs in on the way.
    bool Begin(Flow flow)
    {
        if (flow == Flow::Upload) {
            if (!UploadATake())
                return false;
        } else {
            if (!program_.ClickMain(kTransferPullDown.x, kTransferPullDown.y))
                return false;
            if (!program_.Sync())
                return false;
            const Point entry = flow == Flow::ToMobile ? kToMobile : kFromMobile;
            if (!program_.ClickMain(entry.x, entry.y))
                return false;
        }
        return signedIn_ || SignIn();
    }

    // A take recorded, then the after-take window's upload button.
    bool UploadATake()
    {
        if (!program_.Record())
            return false;
        const auto afterTake = program_.WaitForWindow(RunningProgram::kAfterTake, 60000);
        if (!afterTake)
            return false;
        if (!program_.Sync())
            return false;
        return RunningProgram::ClickIn(*afterTake, kUploadTake.x, kUploadTake.y) &&
               program_.WaitForNoWindow(RunningProgram::kAfterTake, 5000);
    }

    bool SignIn()
    {
        const auto dialog = program_.WaitForWindow(kSignIn, 10000);
        if (!dialog)
            return false;
        if (!program_.Sync())
            return false;
        if (!RunningProgram::ClickIn(*dialog, 240, 104) || !RunningProgram::TypeInto(dialog->id, {"text:singer"}) ||
            !RunningProgram::ClickIn(*dialog, 240, 130) ||
            !RunningProgram::TypeInto(dialog->id, {"text:secret", "Return"}))
            return false;
        signedIn_ = program_.WaitForNoWindow(kSignIn, 10000);
        return signedIn_;
    }

    // Closes the message box that tells `text`, as a user does; a failure
    // says which step did not come.
    testing::AssertionResult Told(const std::string& text)
    {
        // (A stalled call ends at its 20 s limit.)
        if (!program_.WaitForText("message box: " + text, 60000))
            return testing::AssertionFailure() << "no message told: " << text;
        // The call's progress window goes first; on a slow run it may still
        // be on the screen as the message is said.
        if (!program_.WaitForNoWindow(RunningProgram::kProgress, uitest::kWaitMs))
            return testing::AssertionFailure() << "the progress window stayed";
        const auto box = program_.WaitForNewWindow({}, uitest::kWaitMs, std::string("KVO Studio"));
        if (!box)
            return testing::AssertionFailure() << "the message box did not show";
        if (!RunningProgram::TypeInto(*box, {"Return"}))
            return testing::AssertionFailure() << "the message box took no key";
        if (!program_.WaitForWindowGone(*box, uitest::kWaitMs))
            return testing::AssertionFailure() << "the message box stayed after Return";
        return testing::AssertionSuccess();
    }

    FakeService fake_;
    RunningProgram program_{RunningProgram::Sound::Disk};
    bool signedIn_ = false;
};

}  // namespace

TEST_F(ServiceCallsInTheProgram, AStalledCallLeavesTheWindowAnsweringAndItsCloseButtonCancelsIt)
{
    for (const FlowPlan& plan : kFlows) {
        SCOPED_TRACE(plan.name);
        fake_.SetFault(plan.path, Fault(FaultKind::Stall));
        ASSERT_TRUE(Begin(plan.flow)) << program_.Said();
        const auto progress = program_.WaitForWindow(RunningProgram::kProgress, 10000);
        ASSERT_TRUE(progress.has_value()) << program_.Said();
        ASSERT_TRUE(fake_.WaitForRequests(1, 10000));

        // Another control acts at once: the menu bar's pull-down opens.
        const size_t windows = program_.Windows().size();
        ASSERT_TRUE(program_.ClickMain(kPlayMenu.x, kPlayMenu.y));
        const auto clicked = Clock::now();
        EXPECT_TRUE(program_.WaitUntil([&] { return program_.Windows().size() > windows; }, 500))
            << "the window did not answer while the call waited";
        const long long answered = MsSince(clicked);
        ASSERT_TRUE(uitest::Xdo({"key", "Escape"}));
        EXPECT_TRUE(program_.WaitUntil([&] { return program_.Windows().size() == windows; }, 5000));

        // The progress window's close button gives the call up.
        ASSERT_TRUE(RunningProgram::ClickIn(*progress, kProgressClose.x, kProgressClose.y));
        const auto closed = Clock::now();
        EXPECT_TRUE(program_.WaitForNoWindow(RunningProgram::kProgress, 1000)) << "not cancelled within a second";
        std::printf("%s, stalled: a click answered in %lld ms, the call was cancelled in %lld ms\n", plan.name,
                    answered, MsSince(closed));
        fake_.ClearFaults();
        fake_.ClearLog();
    }
    // Given up by the user, nothing more was said.
    EXPECT_EQ(program_.Said().find("message box: "), std::string::npos) << program_.Said();
    EXPECT_EQ(program_.Close(), 0) << program_.Said();
}

TEST_F(ServiceCallsInTheProgram, AnOversizedOrStalledAnswerEndsInAMessageThatSaysWhy)
{
    for (const FlowPlan& plan : kFlows) {
        SCOPED_TRACE(plan.name);
        fake_.SetFault(plan.path, Fault(FaultKind::Oversize, 200, "", 2 << 20));
        ASSERT_TRUE(Begin(plan.flow)) << program_.Said();
        ASSERT_TRUE(Told(plan.told + std::string("the service's answer was too large."))) << program_.Said();
        fake_.ClearFaults();
    }
    // Left to itself, a stalled call ends at its time limit, and says so.
    for (const FlowPlan& plan : kFlows) {
        SCOPED_TRACE(plan.name);
        fake_.SetFault(plan.path, Fault(FaultKind::Stall));
        ASSERT_TRUE(Begin(plan.flow)) << program_.Said();
        ASSERT_TRUE(Told(plan.told + std::string("the service did not answer in time."))) << program_.Said();
        fake_.ClearFaults();
    }
    EXPECT_EQ(program_.Close(), 0) << program_.Said();
}

TEST_F(ServiceCallsInTheProgram, SignInFromTheKeyboardAloneReachesTheSignInServerAsTwoFields)
{
    ASSERT_TRUE(program_.ClickMain(kSignInButton.x, kSignInButton.y));
    const auto dialog = program_.WaitForWindow(kSignIn, 10000);
    ASSERT_TRUE(dialog) << program_.Said();
    ASSERT_TRUE(program_.Sync());
    // The ID, Tab to the password, Return.
    ASSERT_TRUE(RunningProgram::TypeInto(dialog->id, {"text:singer", "Tab", "text:secret", "Return"}));
    ASSERT_TRUE(program_.WaitForNoWindow(kSignIn, 10000)) << "the dialog stayed: a field was left empty";
    ASSERT_TRUE(program_.WaitUntil([&] { return !fake_.TcpReceived().empty(); }, 10000)) << program_.Said();
    const std::string request = fake_.TcpReceived().front();
    ASSERT_GE(request.size(), size_t(CLoginImpl::kRequestSize));
    auto padded = [](std::string text) { return text.append(51 - text.size(), ' '); };
    EXPECT_EQ(request.substr(0, 51), padded("singer"));
    EXPECT_EQ(request.substr(51, 51), padded("secret"));
    EXPECT_EQ(program_.Close(), 0) << program_.Said();
}

TEST_F(ServiceCallsInTheProgram, AGivenUpRegistrationSaysTheFileWasUploadedAndEndsInTheSaveCompleteDialog)
{
    constexpr char kRegister[] = "/webservice/studio/addmetadata";
    fake_.SetFault(kRegister, Fault(FaultKind::Stall));
    ASSERT_TRUE(Begin(Flow::Upload)) << program_.Said();
    // The take is uploaded; its registration waits.
    ASSERT_TRUE(program_.WaitUntil([&] { return !fake_.RequestsFor(kRegister).empty(); }, 60000)) << program_.Said();
    EXPECT_EQ(fake_.RequestsFor(FakeService::kUploadPath).size(), 1u);
    const auto progress = program_.WaitForWindow(RunningProgram::kProgress, 10000);
    ASSERT_TRUE(progress.has_value()) << program_.Said();
    ASSERT_TRUE(program_.Sync());
    ASSERT_TRUE(RunningProgram::ClickIn(*progress, kProgressClose.x, kProgressClose.y));
    ASSERT_TRUE(Told("The file was uploaded, but it was not registered with the service:\n"
                     "the registration was cancelled."))
        << program_.Said();
    // Then the save-complete dialog, as after every other ending.
    const auto complete = program_.WaitForWindow(kSaveComplete, uitest::kWaitMs);
    ASSERT_TRUE(complete.has_value()) << program_.Said();
    ASSERT_TRUE(program_.Sync());
    ASSERT_TRUE(RunningProgram::TypeInto(complete->id, {"Escape"}));
    EXPECT_TRUE(program_.WaitForNoWindow(kSaveComplete, uitest::kWaitMs));
    EXPECT_EQ(program_.Close(), 0) << program_.Said();
}

