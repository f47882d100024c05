// Web-service calls the window waits for without standing still: each on
// a worker with a progress window, its reply back on the window's thread,
// its close button a cancel that ends a stalled call at once.

#include "kvostudio/servicecall.h"
#include "kvostudio/serviceprogress.h"
#include "kvostudio/webservice.h"
#include "platform/window/input_injection.h"
#include "platform/window/ui_loop.h"
#include "tests/service/service_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <system_error>
#include <thread>

namespace {

using namespace platform;
using servicetest::ServiceTest;
using testsupport::Fault;
using testsupport::FaultKind;
using Clock = std::chrono::steady_clock;

class ServiceCallTest : public ServiceTest {
protected:
    // Starts getfid; its reply, once it comes, lands in `reply`.
    bool StartGetFid(ServiceCalls& calls)
    {
        return calls.Start<FidReply>(
            "Asking", [](const KeepGoing& keepGoing) { return CallGetFid(keepGoing); },
            [this](const FidReply& r) { reply = r; });
    }
    // The number the worker posted with its command.
    intptr_t DoneNumber(size_t already = 0, int timeoutMs = 30000)
    {
        const auto command = owner_.WaitForCommand(already, timeoutMs);
        EXPECT_TRUE(command.has_value());
        if (!command)
            return -1;
        EXPECT_EQ(command->first, ID_CMD_SERVICE_CALL_DONE);
        return command->second;
    }

    std::optional<FidReply> reply;
};

}  // namespace

TEST_F(ServiceCallTest, TheReplyComesBackOnTheWindowsThreadOnceTheWindowIsGone)
{
    ServiceCalls calls(owner_);
    ASSERT_TRUE(StartGetFid(calls));
    EXPECT_EQ(calls.Running(), 1u);
    const intptr_t number = DoneNumber();
    EXPECT_FALSE(reply.has_value()) << "the reply waits for the window's thread";
    calls.Finish(number);
    ASSERT_TRUE(reply.has_value());
    EXPECT_TRUE(reply->Succeeded());
    EXPECT_EQ(reply->fid, testsupport::FakeService::kFid);
    EXPECT_EQ(calls.Running(), 0u);
    const auto events = owner_.Events();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[0], "caption Asking");
    EXPECT_EQ(events[1], "cancellable");
    EXPECT_EQ(events[2], "show");
    EXPECT_EQ(owner_.log->windowsDestroyed, 1);

    // A number that is no call's changes nothing.
    calls.Finish(number);
    calls.Finish(12345);
}

TEST_F(ServiceCallTest, ClosingTheProgressWindowEndsAStalledCallAtOnceWithoutItsContinuation)
{
    fake_.SetFault("", Fault(FaultKind::Stall));
    ServiceCalls calls(owner_);
    ASSERT_TRUE(StartGetFid(calls));
    ASSERT_TRUE(fake_.WaitForRequests(1, 10000));
    const auto closed = Clock::now();
    std::function<void()> cancel;
    {
        std::lock_guard<std::mutex> lock(owner_.log->mutex);
        cancel = owner_.log->cancel;
    }
    ASSERT_TRUE(cancel);
    cancel();
    const intptr_t number = DoneNumber(0, 5000);
    EXPECT_LT(Clock::now() - closed, std::chrono::seconds(1));
    calls.Finish(number);
    EXPECT_FALSE(reply.has_value());
    EXPECT_EQ(calls.Running(), 0u);
}

TEST_F(ServiceCallTest, ACallGivenUpRunsItsCancelContinuationInstead)
{
    fake_.SetFault("", Fault(FaultKind::Stall));
    ServiceCalls calls(owner_);
    int cancelled = 0;
    ASSERT_TRUE(calls.Start<FidReply>(
        "Asking", [](const KeepGoing& keepGoing) { return CallGetFid(keepGoing); },
        [this](const FidReply& r) { reply = r; }, [&] { ++cancelled; }));
    ASSERT_TRUE(fake_.WaitForRequests(1, 10000));
    std::function<void()> cancel;
    {
        std::lock_guard<std::mutex> lock(owner_.log->mutex);
        cancel = owner_.log->cancel;
    }
    ASSERT_TRUE(cancel);
    cancel();
    calls.Finish(DoneNumber(0, 5000));
    EXPECT_EQ(cancelled, 1);
    EXPECT_FALSE(reply.has_value());

    // Ended with the window, it runs neither.
    ASSERT_TRUE(calls.Start<FidReply>(
        "Asking", [](const KeepGoing& keepGoing) { return CallGetFid(keepGoing); },
        [this](const FidReply& r) { reply = r; }, [&] { ++cancelled; }));
    calls.CancelAll();
    EXPECT_EQ(cancelled, 1);
    EXPECT_FALSE(reply.has_value());
}

TEST_F(ServiceCallTest, ACallNoWorkerCouldStartEndsInItsContinuationSayingWhy)
{
    ServiceCalls calls(owner_);
    calls.SetThreadStarter([](std::function<void()>) -> std::thread {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    });
    EXPECT_FALSE(StartGetFid(calls));
    EXPECT_EQ(fake_.RequestCount(), 0u);
    EXPECT_FALSE(reply.has_value()) << "the reply waits for the window's thread";
    calls.Finish(DoneNumber());
    ASSERT_TRUE(reply.has_value());
    EXPECT_FALSE(reply->Succeeded());
    EXPECT_EQ(reply->WhyNot(), kNoServiceWorker);
    EXPECT_EQ(owner_.log->windowsCreated, 0) << "no progress window for a call that never ran";
    EXPECT_EQ(calls.Running(), 0u);
}

TEST_F(ServiceCallTest, ClosingTheWindowEndsEveryStalledCallAtOnce)
{
    fake_.SetFault("", Fault(FaultKind::Stall));
    {
        ServiceCalls calls(owner_);
        ASSERT_TRUE(StartGetFid(calls));
        ASSERT_TRUE(StartGetFid(calls));
        ASSERT_TRUE(fake_.WaitForRequests(2, 10000));
        const auto start = Clock::now();
        calls.CancelAll();
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
        EXPECT_EQ(calls.Running(), 0u);
        // What the workers posted on their way out comes to nothing.
        for (const auto& command : owner_.log->commands)
            calls.Finish(command.second);
        ASSERT_TRUE(StartGetFid(calls));
    }
    EXPECT_FALSE(reply.has_value());
    EXPECT_EQ(owner_.log->windowsDestroyed, owner_.log->windowsCreated);
}

TEST_F(ServiceCallTest, TheProgressWindowsCloseButtonCancels)
{
    InitWindowing(DisplayMode::Headless);
    Window parent;
    ASSERT_TRUE(parent.CreateEx(0, "Main", "KVO Studio", WS_POPUP | WS_VISIBLE, RectOfSize(0, 0, 338, 329), nullptr,
                                0));
    {
        ServiceProgressWindow progress(&parent);
        ASSERT_TRUE(progress.IsCreated());
        int cancelled = 0;
        progress.SetCancel([&] { ++cancelled; });
        progress.Show();
        CProgressDlg& window = progress.Dialog();
        ASSERT_TRUE(window.IsWindowVisible());
        const Point close{379, 14};
        InjectMouseMove(window, close);
        InjectMouseButton(window, 1, true, close);
        InjectMouseButton(window, 1, false, close);
        PumpMessages();
        EXPECT_EQ(cancelled, 1);
        EXPECT_FALSE(window.IsWindowVisible());
    }
    parent.DestroyWindow();
}
