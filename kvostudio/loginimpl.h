#pragma once
// Signing in to the online service. BeginSignIn talks to the service's
// login host over a plain TCP socket from a worker thread, then tells the
// owner how it went with ID_CMD_SIGNED_IN or ID_CMD_SIGNIN_FAILED; lParam
// carries the command the owner was waiting to run once signed in. The state
// itself (ID, password, user number, flag) is the program's SignInState.
// MakeServiceUrl turns a service page into an address that signs the
// browser in first.
//
// The exchange: one 123-byte request {ID (51 bytes), password (51 bytes),
// local IPv4 text (20 bytes), each left-aligned and padded with spaces,
// then a 0}, answered by up to 59 bytes {status '1' = accepted, separator,
// 36-character text, separator, 8-character text, separator, user number
// in decimal (10 bytes), terminator}. Every wait is bounded: 3 s for the
// connection, for the send and for the whole reply.

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "kvostudio/serviceowner.h"
#include "kvostudio/signinstate.h"

class CLoginImpl {
public:
    static constexpr int kRequestSize = 123;
    static constexpr int kReplySize = 59;
    static constexpr int kTimeoutMs = 3000;

    // Works on the program's sign-in record unless given another.
    explicit CLoginImpl(SignInState* state = nullptr);
    // Waits for a sign-in still running (its waits are bounded).
    ~CLoginImpl();
    CLoginImpl(const CLoginImpl&) = delete;
    CLoginImpl& operator=(const CLoginImpl&) = delete;

    // 0 when the ID is empty, 1 when the password is empty (nothing is
    // started); else signs out the number, starts the exchange and returns
    // 3. A sign-in still running is waited for first.
    int BeginSignIn(ServiceOwner* owner, int pendingCommand);
    // Forgets ID, password, number and the reply's texts, overwriting the
    // memory that held them; returns 1.
    int SignOut();
    // While signed in: the sign-in web host's "/login.asp?redir=" followed
    // by the address as it stands; otherwise (or with no such host) the
    // address itself.
    std::string MakeServiceUrl(const std::string& address) const;

    std::string GetUserId() const { return state_->GetUserId(); }
    std::string GetPassword() const { return state_->GetPassword(); }
    int GetUserNumber() const { return state_->GetUserNumber(); }
    int IsSignedIn() const { return state_->IsSignedIn(); }
    void SetUserId(const std::string& id) { state_->SetUserId(id); }
    void SetPassword(const std::string& password) { state_->SetPassword(password); }
    void SetUserNumber(int number) { state_->SetUserNumber(number); }

    // The two texts of the server's last accepting reply (kept, not used).
    void SetReplyText8(const std::string& text);
    void SetReplyText36(const std::string& text);
    std::string GetReplyText8() const;
    std::string GetReplyText36() const;

    // Waits until a running sign-in has posted its result and ended.
    void WaitForSignIn();

    // The request record for these texts; an empty ip leaves its field
    // blank.
    static std::array<uint8_t, kRequestSize> BuildSignInRequest(const std::string& userId, const std::string& password,
                                                                const std::string& ip);

    struct Reply {
        bool accepted = false;  // status '1'
        int userNumber = 0;     // 0 when missing, not a number or out of range
        std::string text36;
        std::string text8;
    };
    // Reads the bytes that arrived (at most kReplySize are looked at; the
    // rest of the record counts as zeros). The caller wipes the texts.
    static Reply ReadSignInReply(const uint8_t* bytes, size_t size);

    // The exchange itself (the worker's body): true when the server
    // accepted and handed out a non-zero user number, which is then stored.
    bool SignInWorker(const std::string& userId, const std::string& password);

private:
    // Reads the ID and password from the sign-in state itself, so that no
    // copy of the password waits in the thread's start-up arguments.
    static void SignInThreadProc(CLoginImpl* self, ServiceOwner* owner, int pending);

    SignInState* state_;
    mutable std::mutex replyMutex_;
    std::string replyText8_;
    std::string replyText36_;
    std::thread worker_;
};
