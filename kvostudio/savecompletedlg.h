#pragma once
// The message shown after a recording was saved to the PC, after an upload
// and after a file was sent for the phone: a heading and a body text given
// by the caller, and by mode either two action buttons or one OK button.
// The end code says which action the user chose:
//   mode 1013 (saved):   1013 upload, 1018 the UCC editor;
//   mode 1019 (uploaded): 1019 go to my page, 1018 the UCC editor;
//   mode 1023 (sent):    IDOK;
//   any mode: IDCANCEL from the close button (or Escape).

#include <string>

#include "kvostudio/libskin/imagebutton.h"
#include "platform/draw/bitmap.h"
#include "platform/window/dialog.h"

class CSaveCompleteDlg : public platform::Dialog {
public:
    enum { IDD = 164 };
    enum Mode { kModeSaved = 1013, kModeUploaded = 1019, kModeSentForPhone = 1023 };
    static constexpr int kMainButton = 1013;
    static constexpr int kSecondButton = 1018;
    static constexpr platform::Size kWindowSize{392, 253};

    explicit CSaveCompleteDlg(platform::Window* parent = nullptr);
    ~CSaveCompleteDlg() override;

    void SetBodyText(const std::string& text) { m_body = text; }
    void SetHeadingText(const std::string& text) { m_heading = text; }
    // Before DoModal: 1013, 1019 or 1023. Any other mode shows no action
    // button.
    void SetMode(int mode) { m_mode = mode; }
    int GetMode() const { return m_mode; }

    const platform::MessageMap* GetMessageMap() const override;

protected:
    bool OnInitDialog() override;
    // IDOK (the OK button, Return) ends only the one-button mode.
    void OnOK() override;

private:
    void OnMainButton();
    void OnSecondButton();
    platform::LRESULT OnPaint(const platform::Message& m);
    platform::LRESULT OnEraseBkgnd(const platform::Message& m);
    platform::LRESULT OnLButtonDown(const platform::Message& m);

    CImageButton m_closeButton;
    CImageButton m_downButton;
    CImageButton m_mainButton;
    CImageButton m_secondButton;
    platform::Bitmap m_top;
    std::string m_body;
    std::string m_heading;
    int m_mode = kModeSaved;
};
