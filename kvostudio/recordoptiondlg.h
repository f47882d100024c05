#pragma once
// The record options, asked after Record and before the capture starts:
// a hint about the microphone, where recording starts (shown, fixed), when
// it stops (the one choice) and the vocal volume during the take (shown,
// always off). Start recording stores the three options in config.ini
// (RECORD start, stop, vocal) and ends with IDOK; Cancel, the close button
// and Escape tell the user that recording was cancelled and end with
// IDCANCEL.

#include "kvostudio/libskin/imagebutton.h"
#include "platform/draw/bitmap.h"
#include "platform/window/combo_box.h"
#include "platform/window/dialog.h"

class CRecordDlg : public platform::Dialog {
public:
    enum { IDD = 159 };
    static constexpr int kStartCombo = 1006;
    static constexpr int kStopCombo = 1007;
    static constexpr int kVocalCombo = 1008;
    static constexpr int kDownButton = 2030;
    static constexpr platform::Size kWindowSize{393, 254};

    // Reads RECORD start, stop, vocal and GENERAL mixing (missing keys: 0).
    explicit CRecordDlg(platform::Window* parent = nullptr);
    ~CRecordDlg() override;

    // The options as chosen (after IDOK) or as read (before).
    int GetStop() const { return m_stop; }

    platform::ComboBox& StartCombo() { return m_startCombo; }
    platform::ComboBox& StopCombo() { return m_stopCombo; }
    platform::ComboBox& VocalCombo() { return m_vocalCombo; }

    const platform::MessageMap* GetMessageMap() const override;

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    platform::LRESULT OnPaint(const platform::Message& m);
    platform::LRESULT OnEraseBkgnd(const platform::Message& m);
    platform::LRESULT OnLButtonDown(const platform::Message& m);

    platform::ComboBox m_startCombo;
    platform::ComboBox m_stopCombo;
    platform::ComboBox m_vocalCombo;
    CImageButton m_startButton;
    CImageButton m_cancelButton;
    CImageButton m_closeButton;
    CImageButton m_downButton;
    int m_start = 0;
    int m_stop = 0;
    int m_vocal = 0;
    platform::Bitmap m_top;
};
