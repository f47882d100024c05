#pragma once
// The about box: the program's name and a Close button, in the desktop's
// ordinary look. Opened from the Help menu.

#include "platform/window/dialog.h"
#include "platform/window/push_button.h"
#include "platform/window/static_text.h"

class CAboutDlg : public platform::Dialog {
public:
    enum { IDD = 100 };
    static constexpr platform::Size kWindowSize{353, 113};
    static constexpr int kCaptionHeight = 24;

    explicit CAboutDlg(platform::Window* parent = nullptr);

    const platform::MessageMap* GetMessageMap() const override;

protected:
    bool OnInitDialog() override;

private:
    platform::LRESULT OnPaint(const platform::Message& m);
    platform::LRESULT OnEraseBkgnd(const platform::Message& m);
    platform::LRESULT OnLButtonDown(const platform::Message& m);

    platform::StaticText m_name;
    platform::PushButton m_close;
};
