#include "kvostudio/loginimpl.h"

#include "kvostudio/helpers.h"
#include "kvostudio/onlinetrace.h"
#include "kvostudio/serviceconfig.h"
#include "kvostudio/socket/tcpsocket.h"
#include "platform/text/wipe.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t kIdOffset = 0;
constexpr size_t kPasswordOffset = 51;
constexpr size_t kIpOffset = 102;
constexpr size_t kIpField = 20;

}  // namespace

CLoginImpl::CLoginImpl(SignInState* state) : state_(state ? state : &TheSignInState()) {}

CLoginImpl::~CLoginImpl()
{
    WaitForSignIn();
    std::lock_guard<std::mutex> lock(replyMutex_);
    platform::WipeText(replyText8_);
    platform::WipeText(replyText36_);
}

void CLoginImpl::WaitForSignIn()
{
    if (worker_.joinable())
        worker_.join();
}

int CLoginImpl::BeginSignIn(ServiceOwner* owner, int pendingCommand)
{
    if (state_->GetUserId().empty())
        return 0;
    std::string password = state_->GetPassword();
    const bool noPassword = password.empty();
    platform::WipeText(password);
    if (noPassword)
        return 1;
    // A result is posted before its worker ends, so the one waited for here
    // is already on its way out.
    WaitForSignIn();
    state_->SetUserNumber(0);
    state_->SetSignedIn(0);
    worker_ = std::thread(SignInThreadProc, this, owner, pendingCommand);
    return 3;
}

int CLoginImpl::SignOut()
{
    state_->Clear();
    std::lock_guard<std::mutex> lock(replyMutex_);
    platform::WipeText(replyText8_);
    platform::WipeText(replyText36_);
    return 1;
}

std::string CLoginImpl::MakeServiceUrl(const std::string& address) const
{
    if (!state_->IsSignedIn())
        return address;
    const std::string login = ServiceAddress(ServiceHost::SignInWeb, "/login.asp?redir=");
    return login.empty() ? address : login + address;
}

void CLoginImpl::SetReplyText8(const std::string& text)
{
    std::lock_guard<std::mutex> lock(replyMutex_);
    platform::WipeText(replyText8_);
    replyText8_ = text;
}

void CLoginImpl::SetReplyText36(const std::string& text)
{
    std::lock_guard<std::mutex> lock(replyMutex_);
    platform::WipeText(replyText36_);
    replyText36_ = text;
}

std::string CLoginImpl::GetReplyText8() const
{
    std::lock_guard<std::mutex> lock(replyMutex_);
    return replyText8_;
}

std::string CLoginImpl::GetReplyText36() const
{
    std::lock_guard<std::mutex> lock(replyMutex_);
    return replyText36_;
}

std::array<uint8_t, CLoginImpl::kRequestSize> CLoginImpl::BuildSignInRequest(const std::string& userId,
                                                                           const std::string& password,
                                                                           const std::string& ip)
{
    std::array<uint8_t, kRequestSize> record;
    record.fill(' ');
    const std::string id = CutTextBytes(userId, SignInState::kMaxTextBytes);
    std::string pw = CutTextBytes(password, SignInState::kMaxTextBytes);
    std::memcpy(record.data() + kIdOffset, id.data(), id.size());
    std::memcpy(record.data() + kPasswordOffset, pw.data(), pw.size());
    platform::WipeText(pw);
    if (ip.size() <= kIpField)
        std::memcpy(record.data() + kIpOffset, ip.data(), ip.size());
    record[kRequestSize - 1] = 0;
    return record;
}

bool CLoginImpl::SignInWorker(const std::string& userId, const std::string& password)
{
    std::string host;
    int port = 0;
    if (!SignInServerAddress(host, port)) {
        OnlineTrace("Sign-in: no sign-in server is configured\n");
        return false;
    }

    CTcpSocket socket;
    if (socket.Create()) {
        socket.SetConnectTimeout(kTimeoutMs);
        socket.SetReceiveTimeout(kTimeoutMs);
        socket.SetSendTimeout(kTimeoutMs);
        if (socket.Connect(host.c_str(), port)) {
            char ip[32] = {};
            if (!GetLocalIPAddress(ip))
                ip[0] = 0;
            auto request = BuildSignInRequest(userId, password, ip);
            const int sent = socket.Send(request.data(), kRequestSize);
            platform::WipeBytes(request.data(), request.size());
            if (sent > 0) {
                // The reply may come in more than one piece; it is read until
                // the record is whole, the server closes, or the time is up.
                uint8_t reply[kReplySize] = {};
                size_t got = 0;
                const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTimeoutMs);
                while (got < sizeof reply) {
                    const int n = socket.Receive(reply + got, static_cast<int>(sizeof reply - got));
                    if (n <= 0)
                        break;
                    got += static_cast<size_t>(n);
                    if (reply[0] != '1' || std::chrono::steady_clock::now() >= deadline)
                        break;
                }
                Reply answer = ReadSignInReply(reply, got);
                platform::WipeBytes(reply, sizeof reply);
                if (answer.accepted) {
                    state_->SetUserNumber(answer.userNumber);
                    SetReplyText36(answer.text36);
                    SetReplyText8(answer.text8);
                } else {
                    OnlineTrace("Sign-in: refused (%zu bytes of reply)\n", got);
                }
                platform::WipeText(answer.text36);
                platform::WipeText(answer.text8);
            } else {
                OnlineTrace("Sign-in: the request could not be sent\n");
            }
        }
        socket.Close();
    }
    return state_->GetUserNumber() != 0;
}

void CLoginImpl::SignInThreadProc(CLoginImpl* self, ServiceOwner* owner, int pending)
{
    SetThreadName("SignInThread");
    const std::string userId = self->state_->GetUserId();
    std::string password = self->state_->GetPassword();
    const bool signedIn = self->SignInWorker(userId, password);
    if (signedIn)
        self->state_->SetSignedIn(1);
    else
        self->state_->SetPassword("");  // a refused password is asked for again, never used

    // The password is not needed past the exchange.
    platform::WipeText(password);
    if (owner)
        owner->PostCommand(signedIn ? ID_CMD_SIGNED_IN : ID_CMD_SIGNIN_FAILED, static_cast<intptr_t>(pending));
}
