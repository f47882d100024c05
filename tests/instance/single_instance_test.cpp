// One running copy per user: the lock, and requests handed from a later
// start to the first, between this process and instance_peer.
#include "platform/instance/single_instance.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include <gtest/gtest.h>

#include "platform/fs/process_info.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_files.h"

using platform::HandOffRequest;
using platform::SingleInstance;
using testsupport::ChildProcess;

namespace {

constexpr char kName[] = "KVO Studio";

// A runtime folder of the test's own, so nothing meets a real start.
class InstanceTest : public testing::Test {
protected:
    void SetUp() override
    {
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        if (old)
            oldRuntime_ = old;
        hadRuntime_ = old != nullptr;
        setenv("XDG_RUNTIME_DIR", dir_.Path().c_str(), 1);
    }
    void TearDown() override
    {
        if (hadRuntime_)
            setenv("XDG_RUNTIME_DIR", oldRuntime_.c_str(), 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
    }

    std::vector<std::string> Env() const { return {"XDG_RUNTIME_DIR=" + dir_.Path()}; }
    static std::string Peer()
    {
        const std::string self = platform::ExecutablePath();
        return self.substr(0, self.rfind('/') + 1) + "instance_peer";
    }

    // Runs a later start that sends (code, text); its exit code.
    int Send(uint32_t code, const std::string& text)
    {
        ChildProcess sender;
        if (!sender.Start({Peer(), "send", kName, std::to_string(code), text}, Env()))
            return -100;
        return sender.Wait(10000).value_or(-200);
    }

    testsupport::TempDir dir_;
    std::string oldRuntime_;
    bool hadRuntime_ = false;
};

// What this process, as the first start, has taken.
struct Inbox {
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<HandOffRequest> requests;
    std::atomic<bool> accept{true};

    SingleInstance::DeliverFn Deliver()
    {
        return [this](const HandOffRequest& r) {
            std::lock_guard<std::mutex> lock(mutex);
            requests.push_back(r);
            arrived.notify_all();
            return accept.load();
        };
    }
    size_t Count() { return Taken().size(); }
    std::vector<HandOffRequest> Taken()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return requests;
    }
};

}  // namespace

TEST(HandOffRecord, KeepsCodeAndTextAndRefusesBrokenRecords)
{
    HandOffRequest in{1002, "/music/Über mich.kvo"};
    HandOffRequest out;
    ASSERT_TRUE(platform::DecodeHandOff(platform::EncodeHandOff(in), out));
    EXPECT_EQ(out.code, 1002u);
    EXPECT_EQ(out.text, in.text);

    // An empty path still hands over (a switch without a path).
    ASSERT_TRUE(platform::DecodeHandOff(platform::EncodeHandOff({1001, ""}), out));
    EXPECT_EQ(out.text, "");

    const std::string whole = platform::EncodeHandOff(in);
    EXPECT_FALSE(platform::DecodeHandOff(whole.substr(0, whole.size() - 1), out));
    EXPECT_FALSE(platform::DecodeHandOff(whole + "x", out));
    EXPECT_FALSE(platform::DecodeHandOff(whole.substr(0, 7), out));
    // A length beyond the limit is refused before any text is trusted.
    std::string huge = platform::EncodeHandOff({1001, std::string(platform::kMaxHandOffText + 1, 'a')});
    EXPECT_FALSE(platform::DecodeHandOff(huge, out));
}

TEST_F(InstanceTest, LaterStartHandsItsRequestToTheFirst)
{
    Inbox inbox;  // outlives the listener
    SingleInstance first(kName);
    ASSERT_EQ(first.Acquire(), SingleInstance::Role::First);
    ASSERT_TRUE(first.Listen(inbox.Deliver()));

    EXPECT_EQ(Send(1002, "/songs/with space/Ä.kvo"), 0);
    EXPECT_EQ(Send(1001, "relative/path.mp3"), 0);
    const auto taken = inbox.Taken();
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken[0].code, 1002u);
    EXPECT_EQ(taken[0].text, "/songs/with space/Ä.kvo");
    EXPECT_EQ(taken[1].code, 1001u);
    EXPECT_EQ(taken[1].text, "relative/path.mp3");

    // A first start that cannot take requests yet says so.
    inbox.accept = false;
    EXPECT_EQ(Send(1001, "x.kvo"), 3);
}

TEST_F(InstanceTest, TheFirstStartMayBeAnotherProcess)
{
    ChildProcess peer;
    ASSERT_TRUE(peer.Start({Peer(), "first", kName}, Env()));
    ASSERT_TRUE(peer.WaitForOutputText("first\n", 10000)) << peer.Out() << peer.Err();

    SingleInstance later(kName);
    EXPECT_EQ(later.Acquire(), SingleInstance::Role::Second);
    EXPECT_TRUE(SingleInstance::SendHandOff(kName, {1002, "/a/b.kvo"}));
    EXPECT_TRUE(peer.WaitForOutputText("got 1002 /a/b.kvo\n", 5000));

    // Once the first start ends, its lock is free without anyone removing
    // anything.
    EXPECT_TRUE(SingleInstance::SendHandOff(kName, {999, "quit"}));
    ASSERT_EQ(peer.Wait(10000), 0);
    SingleInstance next(kName);
    EXPECT_EQ(next.Acquire(), SingleInstance::Role::First);
}

TEST_F(InstanceTest, NothingIsHandedWhileTheFirstStartDoesNotListen)
{
    Inbox inbox;
    SingleInstance first(kName);
    ASSERT_EQ(first.Acquire(), SingleInstance::Role::First);
    EXPECT_EQ(Send(1002, "/a.kvo"), 3);

    // A socket left by a start that crashed is replaced by the first start.
    ASSERT_TRUE(first.Listen(inbox.Deliver()));
    first.StopListening();
    const int stale = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, first.SocketPath().c_str(), sizeof(addr.sun_path) - 1);
    ASSERT_EQ(bind(stale, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
    close(stale);
    EXPECT_EQ(Send(1002, "/a.kvo"), 3);
    ASSERT_TRUE(first.Listen(inbox.Deliver()));
    EXPECT_EQ(Send(1002, "/a.kvo"), 0);
    EXPECT_EQ(inbox.Count(), 1u);
}

TEST_F(InstanceTest, OversizedOrBrokenSendersDoNotStopTheFirstStart)
{
    Inbox inbox;  // outlives the listener
    SingleInstance first(kName);
    ASSERT_EQ(first.Acquire(), SingleInstance::Role::First);
    ASSERT_TRUE(first.Listen(inbox.Deliver()));

    // The sender refuses to send a path longer than the record holds.
    EXPECT_FALSE(SingleInstance::SendHandOff(kName, {1001, std::string(platform::kMaxHandOffText + 1, 'p')}));

    // A raw sender announcing a huge text is refused; one that stops half
    // way is given up on; the next request still arrives.
    auto raw = [&](const std::string& bytes) {
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, first.SocketPath().c_str(), sizeof(addr.sun_path) - 1);
        EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
        EXPECT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        char answer = 0;
        const ssize_t n = read(fd, &answer, 1);
        close(fd);
        return n == 1 ? answer : 'x';
    };
    std::string huge = platform::EncodeHandOff({1001, "a"});
    huge[4] = '\xff';
    huge[5] = '\xff';
    EXPECT_EQ(raw(huge), '0');
    std::string half = platform::EncodeHandOff({1001, "abcdef"});
    half.resize(10);
    EXPECT_EQ(raw(half), 'x');  // the first start closes after its wait
    EXPECT_EQ(Send(1001, "/still/works.mp3"), 0);
    const auto taken = inbox.Taken();
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].text, "/still/works.mp3");
}
