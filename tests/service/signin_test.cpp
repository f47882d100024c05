#include "kvostudio/loginimpl.h"
#include "tests/service/service_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

namespace {

using servicetest::ServiceTest;
using testsupport::TcpMode;

constexpr int kPending = 32831;

std::string Reply(char status, const std::string& number, const std::string& text36 = "SESSION",
                  const std::string& text8 = "KEY")
{
    return testsupport::FakeService::SignInReply(status, number, text36, text8);
}

TEST(SignInRecords, RequestIsFixedWidthAndCutToFiftyBytes)
{
    const std::string longId(60, 'a');
    const auto r = CLoginImpl::BuildSignInRequest(longId, "secret", "10.1.2.3");
    EXPECT_EQ(std::string(r.begin(), r.begin() + 50), std::string(50, 'a'));
    EXPECT_EQ(r[50], ' ');
    EXPECT_EQ(std::string(r.begin() + 51, r.begin() + 57), "secret");
    EXPECT_EQ(std::string(r.begin() + 57, r.begin() + 102), std::string(45, ' '));
    EXPECT_EQ(std::string(r.begin() + 102, r.begin() + 110), "10.1.2.3");
    EXPECT_EQ(std::string(r.begin() + 110, r.begin() + 122), std::string(12, ' '));
    EXPECT_EQ(r[122], 0);

    // No address: the field stays blank. A cut never splits a character.
    const std::string wide = std::string(49, 'b') + "\xC3\xA9";  // 51 bytes, the last character two wide
    const auto blank = CLoginImpl::BuildSignInRequest(wide, "pw", "");
    EXPECT_EQ(std::string(blank.begin(), blank.begin() + 51), std::string(49, 'b') + "  ");
    EXPECT_EQ(std::string(blank.begin() + 102, blank.begin() + 122), std::string(20, ' '));
}

TEST(SignInRecords, ReplyIsAcceptedOnlyWithStatusOneAndANumber)
{
    const std::string good = Reply('1', "0000012345", "abc", "xyz");
    auto r = CLoginImpl::ReadSignInReply(reinterpret_cast<const uint8_t*>(good.data()), good.size());
    EXPECT_TRUE(r.accepted);
    EXPECT_EQ(r.userNumber, 12345);
    EXPECT_EQ(r.text36, "abc");
    EXPECT_EQ(r.text8, "xyz");

    for (const std::string& number : {std::string(), std::string("0000000000"), std::string("abc")}) {
        const std::string reply = Reply('1', number);
        r = CLoginImpl::ReadSignInReply(reinterpret_cast<const uint8_t*>(reply.data()), reply.size());
        EXPECT_EQ(r.userNumber, 0) << number;
    }
    const std::string refused = Reply('0', "0000012345");
    r = CLoginImpl::ReadSignInReply(reinterpret_cast<const uint8_t*>(refused.data()), refused.size());
    EXPECT_FALSE(r.accepted);
    EXPECT_EQ(r.userNumber, 0);

    // A number too large for the record's int, and a reply cut short.
    const std::string huge = Reply('1', "9999999999");
    EXPECT_EQ(CLoginImpl::ReadSignInReply(reinterpret_cast<const uint8_t*>(huge.data()), huge.size()).userNumber, 0);
    EXPECT_EQ(CLoginImpl::ReadSignInReply(reinterpret_cast<const uint8_t*>(good.data()), 50).userNumber, 0);
    // Bytes that did not arrive read as zeros.
    const std::string shortNumber = Reply('1', "42");
    EXPECT_EQ(CLoginImpl::ReadSignInReply(reinterpret_cast<const uint8_t*>(shortNumber.data()), 49).userNumber, 4);
}

TEST(SignInState, EmptyFieldsStartNothingAndSignOutForgetsAll)
{
    SignInState state;
    CLoginImpl login(&state);
    servicetest::FakeOwner owner;
    EXPECT_EQ(login.BeginSignIn(&owner, kPending), 0);
    login.SetUserId("user");
    EXPECT_EQ(login.BeginSignIn(&owner, kPending), 1);
    login.WaitForSignIn();
    EXPECT_TRUE(owner.Events().empty());

    login.SetPassword(std::string(70, 'p'));
    EXPECT_EQ(login.GetPassword(), std::string(50, 'p'));
    login.SetUserNumber(7);
    state.SetSignedIn(1);
    EXPECT_EQ(login.SignOut(), 1);
    EXPECT_EQ(login.GetUserId(), "");
    EXPECT_EQ(login.GetPassword(), "");
    EXPECT_EQ(login.GetUserNumber(), 0);
    EXPECT_EQ(login.IsSignedIn(), 0);
}

TEST_F(ServiceTest, SignedInPagesGoThroughTheSignInPage)
{
    SignInState state;
    CLoginImpl login(&state);
    const std::string page = fake_.Url("/mypage/kvo/all");
    EXPECT_EQ(login.MakeServiceUrl(page), page);
    state.SetSignedIn(1);
    EXPECT_EQ(login.MakeServiceUrl(page), "http://signin.example/login.asp?redir=" + page);
    ::unsetenv("KVO_SIGNIN_WEB_URL");
    EXPECT_EQ(login.MakeServiceUrl(page), page);
}

class SignInExchange : public ServiceTest {
protected:
    // Runs one sign-in; the command posted (0 when none came).
    unsigned SignIn(const std::string& id = "singer", const std::string& password = "pa55word")
    {
        login_.SetUserId(id);
        login_.SetPassword(password);
        EXPECT_EQ(login_.BeginSignIn(&owner_, kPending), 3);
        const auto command = owner_.WaitForCommand(0, 20000);
        login_.WaitForSignIn();
        if (!command)
            return 0;
        EXPECT_EQ(command->second, kPending);
        return command->first;
    }

    SignInState state_;
    CLoginImpl login_{&state_};
};

TEST_F(SignInExchange, AcceptedReplySignsInWithTheServersNumber)
{
    fake_.SetTcpMode(TcpMode::Reply, Reply('1', "0000012345", "S36", "S8"), CLoginImpl::kRequestSize);
    EXPECT_EQ(SignIn(), ID_CMD_SIGNED_IN);
    EXPECT_EQ(login_.IsSignedIn(), 1);
    EXPECT_EQ(login_.GetUserNumber(), 12345);
    EXPECT_EQ(login_.GetReplyText36(), "S36");
    EXPECT_EQ(login_.GetReplyText8(), "S8");

    const auto sent = fake_.TcpReceived();
    ASSERT_EQ(sent.size(), 1u);
    ASSERT_EQ(sent[0].size(), size_t(CLoginImpl::kRequestSize));
    EXPECT_EQ(sent[0].substr(0, 6), "singer");
    EXPECT_EQ(sent[0].substr(51, 8), "pa55word");
    EXPECT_EQ(sent[0][122], '\0');
}

TEST_F(SignInExchange, ReplyInTwoPiecesStillSignsIn)
{
    fake_.SetTcpMode(TcpMode::ReplySplit, Reply('1', "0000000042"), CLoginImpl::kRequestSize);
    EXPECT_EQ(SignIn(), ID_CMD_SIGNED_IN);
    EXPECT_EQ(login_.GetUserNumber(), 42);
}

TEST_F(SignInExchange, RefusalsAndDeadServersFailWithThePendingCommand)
{
    // Refused by status, accepted without a number, a peer that closes, a
    // peer that never answers (bounded by the 3 s time-out), no server.
    struct Case {
        const char* what;
        TcpMode mode;
        std::string reply;
    };
    const Case cases[] = {
        {"refused", TcpMode::Reply, Reply('0', "0000012345")},
        {"no number", TcpMode::Reply, Reply('1', "0000000000")},
        {"closed", TcpMode::CloseAtOnce, ""},
        {"silent", TcpMode::Silent, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        owner_.log = std::make_shared<servicetest::OwnerLog>();
        state_.SetUserNumber(99);
        fake_.SetTcpMode(c.mode, c.reply, CLoginImpl::kRequestSize);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(SignIn(), ID_CMD_SIGNIN_FAILED);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
        EXPECT_EQ(login_.IsSignedIn(), 0);
        EXPECT_EQ(login_.GetUserNumber(), 0);
    }

    owner_.log = std::make_shared<servicetest::OwnerLog>();
    ::setenv("KVO_SIGNIN_ADDR", ("127.0.0.1:" + std::to_string(testsupport::FakeService::RefusedPort())).c_str(), 1);
    EXPECT_EQ(SignIn(), ID_CMD_SIGNIN_FAILED);
    owner_.log = std::make_shared<servicetest::OwnerLog>();
    ::unsetenv("KVO_SIGNIN_ADDR");
    EXPECT_EQ(SignIn(), ID_CMD_SIGNIN_FAILED);
}

TEST_F(SignInExchange, PasswordNeverReachesTheTrace)
{
    fake_.SetTcpMode(TcpMode::Reply, Reply('0', ""), CLoginImpl::kRequestSize);
    testing::internal::CaptureStderr();
    EXPECT_EQ(SignIn("singer", "TopSecret77"), ID_CMD_SIGNIN_FAILED);
    ::setenv("KVO_SIGNIN_ADDR", ("127.0.0.1:" + std::to_string(testsupport::FakeService::RefusedPort())).c_str(), 1);
    owner_.log = std::make_shared<servicetest::OwnerLog>();
    EXPECT_EQ(SignIn("singer", "TopSecret77"), ID_CMD_SIGNIN_FAILED);
    const std::string trace = testing::internal::GetCapturedStderr();
    EXPECT_EQ(trace.find("TopSecret77"), std::string::npos) << trace;
}

}  // namespace
