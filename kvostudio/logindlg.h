#pragma once
// The sign-in dialog: asks for the user's ID and password, and can
// remember the ID in config.ini (GENERAL/ID). With a remembered ID it opens
// with "Remember ID" checked, the ID filled in, and the cursor moves to the
// password 50 ms later. OK closes it only with both fields filled; the
// owner then copies GetUserId() and GetPassword() into the sign-in state.
// Its three links (find ID, find password, sign up) go to the member host's
// pages through OpenPage.

#include <functional>
#include <memory>
#include <string>

#include "kvostudio/libskin/imagebutton.h"
#include "kvostudio/servicelink.h"
#include "platform/draw/bitmap.h"
#include "platform/window/dialog.h"
#include "platform/window/edit.h"

class CLoginDlg : public platform::Dialog {
public:
    enum { IDD = 165 };
    static constexpr int kIdEdit = 1016;
    static constexpr int kPasswordEdit = 1011;
    static constexpr int kRememberCheck = 1021;
    static constexpr int kDownButton = 2030;
    static constexpr int kFindIdLink = 3001;
    static constexpr int kFindPasswordLink = 3002;
    static constexpr int kSignUpLink = 3003;
    static constexpr uintptr_t kFocusTimer = 1;
    static constexpr unsigned kFocusDelayMs = 50;

    explicit CLoginDlg(platform::Window* parent = nullptr);
    ~CLoginDlg() override;

    const std::string& GetUserId() const { return userId_; }
    const std::string& GetPassword() const { return password_; }

    // Opens a page in the user's browser; the owner supplies it (without
    // one the click is only traced).
    std::function<void(const std::string& url)> OpenPage;

    platform::EditBox& IdEdit() { return idEdit_; }
    platform::EditBox& PasswordEdit() { return passwordEdit_; }
    platform::CheckBox& RememberCheck() { return remember_; }
    ServiceLink* Link(int index) { return links_[index].get(); }

    const platform::MessageMap* GetMessageMap() const override;

protected:
    bool OnInitDialog() override;
    void OnOK() override;

private:
    void PlaceControls();
    void PlaceLinks();
    void OnLink(int id);

    platform::LRESULT OnTimer(const platform::Message& m);
    platform::LRESULT OnPaint(const platform::Message& m);
    platform::LRESULT OnEraseBkgnd(const platform::Message& m);
    platform::LRESULT OnDestroy(const platform::Message& m);
    void OnFindId() { OnLink(kFindIdLink); }
    void OnFindPassword() { OnLink(kFindPasswordLink); }
    void OnSignUp() { OnLink(kSignUpLink); }

    CImageButton closeButton_;
    CImageButton downButton_;
    platform::Bitmap top_;
    CImageButton signInButton_;
    std::string userId_;
    std::string password_;
    std::unique_ptr<ServiceLink> links_[3];
    // Find ID, find password, sign up: measured when the dialog opens.
    platform::Rect linkRects_[3];
    platform::EditBox idEdit_;
    platform::EditBox passwordEdit_;
    platform::CheckBox remember_;
};
