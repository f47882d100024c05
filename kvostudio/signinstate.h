#pragma once
// The user's sign-in to the online service: the ID and password as typed,
// the user number the sign-in server handed out (0: none) and whether the
// last sign-in succeeded. One record lives for the whole program; the
// sign-in worker writes the number while the user-interface thread may
// look, so every field is read and written under the record's lock.

#include <mutex>
#include <string>

class SignInState {
public:
    SignInState() = default;
    ~SignInState();
    SignInState(const SignInState&) = delete;
    SignInState& operator=(const SignInState&) = delete;

    // The ID and password are kept whole; the getters hand out at most the
    // first kMaxTextBytes bytes, never splitting a character.
    static constexpr size_t kMaxTextBytes = 50;

    std::string GetUserId() const;
    // A copy the caller wipes (platform::WipeText) once done with it.
    std::string GetPassword() const;
    int GetUserNumber() const;
    int IsSignedIn() const;

    void SetUserId(const std::string& id);
    void SetPassword(const std::string& password);
    void SetUserNumber(int number);
    void SetSignedIn(int flag);
    // ID and password empty (their memory overwritten), number 0, signed
    // out.
    void Clear();

private:
    mutable std::mutex mutex_;
    std::string userId_;
    std::string password_;
    int userNumber_ = 0;
    int signedIn_ = 0;
};

// The program's one sign-in record.
SignInState& TheSignInState();

// The text cut to at most maxBytes bytes without splitting a UTF-8
// character.
std::string CutTextBytes(const std::string& text, size_t maxBytes);
