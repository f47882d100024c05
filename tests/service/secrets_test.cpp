// What the user typed to sign in, and what the sign-in server handed back,
// is gone from the program's memory once the user signs out.

#include "kvostudio/loginimpl.h"
#include "kvostudio/logindlg.h"
#include "platform/window/input_injection.h"
#include "platform/window/ui_loop.h"
#include "tests/service/service_fixture.h"
#include "tests/support/memory_scan.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace platform;
using servicetest::ServiceTest;

// Long enough that no copy fits inside a string object: each copy is a
// block of its own. They live in read-only data, which the search skips.
constexpr char kPassword[] = "Pw-never-copied-7a3e9f41";
constexpr char kSession[] = "SESSION-5d1c0b2e-6f4a-4e8b-93c7-2a81";  // 36 characters
constexpr char kKey[] = "K8y2Qw7Z";

std::vector<std::string> Copies(const char* text)
{
    return testsupport::FindInOwnMemory(text, std::strlen(text));
}

class Secrets : public ServiceTest {
protected:
    void SetUp() override
    {
        ServiceTest::SetUp();
        InitWindowing(DisplayMode::Headless);
        // The accepting reply, built in place and wiped once the fake has
        // its copy (the fake wipes its own after it stopped).
        char reply[CLoginImpl::kReplySize] = {};
        reply[0] = '1';
        reply[1] = '|';
        std::memcpy(reply + 2, kSession, 36);
        reply[38] = '|';
        std::memcpy(reply + 39, kKey, 8);
        reply[47] = '|';
        std::memcpy(reply + 48, "0000000042", 10);
        reply[58] = '\n';
        {
            std::string record(reply, sizeof reply);
            fake_.SetTcpMode(testsupport::TcpMode::Reply, record, CLoginImpl::kRequestSize);
            explicit_bzero(record.data(), record.capacity());
        }
        explicit_bzero(reply, sizeof reply);
    }
    static void Type(Window& top, const char* text)
    {
        for (const char* c = text; *c; ++c) {
            InjectKey(top, true, 'A', static_cast<unsigned char>(*c));
            InjectKey(top, false, 'A');
        }
    }


    // As the main window does it: the dialog's texts go into the sign-in
    // state (a typo mended on the way).
    static void SignInWithTheDialog(SignInState& state)
    {
        CLoginDlg dlg;
        ASSERT_TRUE(dlg.Create(CLoginDlg::IDD));
        dlg.IdEdit().SetFocus();
        Type(dlg, "singer");
        dlg.PasswordEdit().SetFocus();
        Type(dlg, "typo");
        for (int i = 0; i < 4; ++i)
            InjectKey(dlg, true, VK_BACK);
        Type(dlg, kPassword);
        dlg.SendMessage(WM_COMMAND, IDOK);
        ASSERT_FALSE(dlg.IsWindowVisible());
        state.SetUserId(dlg.GetUserId());
        state.SetPassword(dlg.GetPassword());
        dlg.DestroyWindow();
    }
};

TEST_F(Secrets, SigningOutLeavesNoCopyOfThePasswordOrTheReplysTexts)
{
    SignInState state;
    {
        CLoginImpl login(&state);
        SignInWithTheDialog(state);
        ASSERT_EQ(login.BeginSignIn(&owner_, 0), 3);
        const auto result = owner_.WaitForCommand();
        ASSERT_TRUE(result);
        ASSERT_EQ(result->first, ID_CMD_SIGNED_IN);
        login.WaitForSignIn();
        ASSERT_EQ(state.GetUserNumber(), 42);
        // Signed in, the texts are there (the search does find them).
        EXPECT_FALSE(Copies(kPassword).empty());
        EXPECT_FALSE(Copies(kSession).empty());

        login.SignOut();
        fake_.Stop();
        fake_.WipeTcpLog();
        EXPECT_EQ(Copies(kPassword), std::vector<std::string>{});
        EXPECT_EQ(Copies(kSession), std::vector<std::string>{});
        EXPECT_EQ(Copies(kKey), std::vector<std::string>{});
    }
}

TEST_F(Secrets, ARefusedSignInClosedWithEscapeLeavesNoCopyOfThePassword)
{
    fake_.SetTcpMode(testsupport::TcpMode::Reply, std::string(CLoginImpl::kReplySize, '0'), CLoginImpl::kRequestSize);
    SignInState state;
    {
        CLoginImpl login(&state);
        SignInWithTheDialog(state);
        ASSERT_EQ(login.BeginSignIn(&owner_, 0), 3);
        const auto result = owner_.WaitForCommand();
        ASSERT_TRUE(result);
        ASSERT_EQ(result->first, ID_CMD_SIGNIN_FAILED);
        login.WaitForSignIn();

        {
            // Refused, the dialog comes again; the user starts to type the
            // password once more, then gives up with Escape.
            CLoginDlg again;
            ASSERT_TRUE(again.Create(CLoginDlg::IDD));
            again.PasswordEdit().SetFocus();
            Type(again, kPassword);
            InjectKey(again, true, VK_ESCAPE);
            ASSERT_FALSE(again.IsWindowVisible());
            again.DestroyWindow();
        }

        fake_.Stop();
        fake_.WipeTcpLog();
        EXPECT_EQ(state.IsSignedIn(), 0);
        EXPECT_EQ(Copies(kPassword), std::vector<std::string>{});
    }
}

}  // namespace
