#pragma once
// The skinned progress window of long tasks (mixing and encoding, uploads,
// downloads): a caption, an optional file name, a red bar and a percent.
// The worker sets a target percent; the window's own 33 ms timer moves the
// shown percent up to it one step at a time, so the bar runs smoothly.
//
// All calls but PostTargetPercent belong to the UI thread. A worker thread
// uses PostTargetPercent, which hands the target to the window as a posted
// message; the window never paints from another thread.

#include <string>

#include "kvostudio/libskin/imagesliderctrl.h"
#include "platform/draw/bitmap.h"
#include "platform/window/dialog.h"

class CProgressDlg : public platform::Dialog {
public:
    enum { IDD = 161 };
    static constexpr unsigned kBarId = 2028;
    static constexpr uintptr_t kClimbTimer = 1;
    static constexpr unsigned kClimbPeriodMs = 33;
    static constexpr int kFinishStepMs = 5;
    // The posted message that carries a worker's target (wParam: percent,
    // lParam: tick in ms).
    static constexpr platform::UINT kMsgSetTargetPercent = platform::WM_USER + 1;

    explicit CProgressDlg(platform::Window* parent = nullptr);

    // Creates the window (modeless) and shows it.
    bool Create(platform::Window* parent = nullptr);

    void SetCaption(const std::string& text);
    // A non-empty name is shown and moves the bar and the percent 50 pixels
    // lower.
    void SetFileName(const std::string& text);
    // Shows a percent at once: the bar's position and the text "n%".
    void SetPercent(int value);
    // The shown percent climbs towards 'percent'. 100 finishes the bar
    // before returning (one step each 5 ms); any other value with a non-zero
    // tick restarts the climb timer with that period.
    void SetTargetPercent(int percent, int tick);
    // Any thread: SetTargetPercent on the UI thread, in posting order.
    // False when the window is gone.
    bool PostTargetPercent(int percent, int tick);
    // The text the close command shows before the window closes.
    void SetMessageText(const std::string& text) { message_ = text; }

    int GetTargetPercent() const { return target_; }
    int GetShownPercent() const { return shown_; }
    const std::string& GetPercentText() const { return percentText_; }
    CImageSliderCtrl& GetBar() { return bar_; }

    const platform::MessageMap* GetMessageMap() const override;

protected:
    bool OnInitDialog() override;

private:
    platform::Rect BodyRect() const;
    platform::Rect PercentRect() const;
    platform::Rect BarRect() const;

    platform::LRESULT OnTimer(const platform::Message& m);
    platform::LRESULT OnPaint(const platform::Message& m);
    platform::LRESULT OnEraseBkgnd(const platform::Message& m);
    platform::LRESULT OnLButtonDown(const platform::Message& m);
    platform::LRESULT OnDestroy(const platform::Message& m);
    platform::LRESULT OnPostedTarget(const platform::Message& m);
    void OnCloseCommand();

    platform::Rect barWindowRect_;
    platform::Rect trackRect_;
    platform::Rect thumbRect_;
    platform::Rect fillSourceRect_;
    CImageSliderCtrl bar_;
    platform::Bitmap top_;
    int target_ = 0;
    int shown_ = -1;
    std::string percentText_ = "0%";
    std::string caption_;
    std::string fileName_;
    bool hasFileName_ = false;
    std::string message_;
};
