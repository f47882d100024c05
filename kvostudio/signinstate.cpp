#include "kvostudio/signinstate.h"

#include "platform/text/wipe.h"

std::string CutTextBytes(const std::string& text, size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    size_t end = maxBytes;
    // Back off over continuation bytes so the cut falls before a lead byte.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

std::string SignInState::GetUserId() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return CutTextBytes(userId_, kMaxTextBytes);
}

std::string SignInState::GetPassword() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return CutTextBytes(password_, kMaxTextBytes);
}

int SignInState::GetUserNumber() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return userNumber_;
}

int SignInState::IsSignedIn() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return signedIn_;
}

void SignInState::SetUserId(const std::string& id)
{
    std::lock_guard<std::mutex> lock(mutex_);
    userId_ = id;
}

void SignInState::SetPassword(const std::string& password)
{
    std::lock_guard<std::mutex> lock(mutex_);
    // The old buffer is wiped before the new text may replace it.
    platform::WipeText(password_);
    password_ = password;
}

void SignInState::SetUserNumber(int number)
{
    std::lock_guard<std::mutex> lock(mutex_);
    userNumber_ = number;
}

void SignInState::SetSignedIn(int flag)
{
    std::lock_guard<std::mutex> lock(mutex_);
    signedIn_ = flag;
}

void SignInState::Clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    platform::WipeText(userId_);
    platform::WipeText(password_);
    userNumber_ = 0;
    signedIn_ = 0;
}

SignInState::~SignInState()
{
    Clear();
}

SignInState& TheSignInState()
{
    static SignInState state;
    return state;
}
