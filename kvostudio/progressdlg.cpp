#include "kvostudio/progressdlg.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "kvostudio/libskin/memdc.h"
#include "kvostudio/libskin/skinbitmap.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "kvostudio/skinframe.h"
#include "platform/window/message_box.h"
#include "platform/window/paint_dc.h"
#include "platform/window/ui_loop.h"

using namespace platform;

namespace {

constexpr Size kWindowSize{392, 253};
constexpr COLORREF kPercentColour = RGB(0x59, 0x59, 0x5A);

}  // namespace

CProgressDlg::CProgressDlg(Window* parent) : Dialog(IDD, parent) {}

bool CProgressDlg::Create(Window* parent)
{
    return Dialog::Create(IDD, parent);
}

const MessageMap* CProgressDlg::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(Dialog::GetMessageMap(), {
        M::On(WM_TIMER, &CProgressDlg::OnTimer),
        M::On(WM_PAINT, &CProgressDlg::OnPaint),
        M::On(WM_ERASEBKGND, &CProgressDlg::OnEraseBkgnd),
        M::On(WM_LBUTTONDOWN, &CProgressDlg::OnLButtonDown),
        M::On(WM_DESTROY, &CProgressDlg::OnDestroy),
        M::On(kMsgSetTargetPercent, &CProgressDlg::OnPostedTarget),
        M::OnCommand(IDCLOSE, &CProgressDlg::OnCloseCommand),
    });
    return &map;
}

// With a file name the body, bar and percent sit 50 pixels lower.
Rect CProgressDlg::BodyRect() const
{
    return hasFileName_ ? Rect{14, 131, 380, 190} : Rect{14, 81, 380, 140};
}

Rect CProgressDlg::PercentRect() const
{
    return hasFileName_ ? Rect{317, 152, 352, 166} : Rect{317, 102, 352, 116};
}

Rect CProgressDlg::BarRect() const
{
    return RectOfSize(46, hasFileName_ ? 159 : 109, 249, 5);
}

bool CProgressDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    SetWindowText(skinframe::kTitle);
    SetWindowPos(0, 0, kWindowSize.cx, kWindowSize.cy, SWP_NOMOVE | SWP_NOZORDER);
    SetBackgroundColour(skinframe::kFill);

    barWindowRect_ = BarRect();
    trackRect_ = {0, 0, 249, 5};
    thumbRect_ = {0, 0, 19, 9};
    fillSourceRect_ = skin::kBarDoneStrip;
    bar_.Create(barWindowRect_, trackRect_, thumbRect_, this, kBarId, true, skin::kBarBack, skin::kBarFill, "", "",
                "", 0, 100);
    bar_.SetFillPercent(100);
    bar_.SetFillSource(fillSourceRect_.left, fillSourceRect_.top, fillSourceRect_.right, fillSourceRect_.bottom);
    bar_.SetPos(0);
    bar_.EnableInput(false);

    top_ = LoadSkinBitmap(skin::kCaptionStrip);
    if (top_.IsNull())
        return false;
    SetTimer(kClimbTimer, kClimbPeriodMs);
    return true;
}

void CProgressDlg::SetCaption(const std::string& text)
{
    caption_ = text;
    if (IsWindow())
        Invalidate(false);
}

void CProgressDlg::SetFileName(const std::string& text)
{
    fileName_ = text;
    if (text.empty())
        return;
    const bool moved = !hasFileName_;
    hasFileName_ = true;
    // Set after the window exists, the bar follows the lowered layout.
    if (moved && bar_.IsWindow()) {
        barWindowRect_ = BarRect();
        bar_.MoveWindow(barWindowRect_);
    }
    if (IsWindow())
        Invalidate(false);
}

void CProgressDlg::SetPercent(int value)
{
    if (bar_.IsWindow())
        bar_.SetPos(value);
    char text[16];
    std::snprintf(text, sizeof text, "%d%%", value);
    percentText_ = text;
    if (IsWindow())
        InvalidateRect(PercentRect(), true);
}

void CProgressDlg::SetTargetPercent(int percent, int tick)
{
    target_ = percent;
    if (percent == 100) {
        KillTimer(kClimbTimer);
        while (shown_ < 100) {
            ++shown_;
            SetPercent(shown_);
            UpdateWindow();
            std::this_thread::sleep_for(std::chrono::milliseconds(kFinishStepMs));
        }
        return;
    }
    if (tick != 0 && IsWindow())
        SetTimer(kClimbTimer, static_cast<unsigned>(tick));
}

bool CProgressDlg::PostTargetPercent(int percent, int tick)
{
    return PostMessage(kMsgSetTargetPercent, static_cast<WPARAM>(percent), static_cast<LPARAM>(tick));
}

LRESULT CProgressDlg::OnPostedTarget(const Message& m)
{
    SetTargetPercent(static_cast<int>(m.wParam), static_cast<int>(m.lParam));
    return 0;
}

LRESULT CProgressDlg::OnTimer(const Message& m)
{
    if (m.wParam != kClimbTimer)
        return Default();
    // The shown value only climbs, and stops at the target: a target set
    // below what is shown holds the bar where it is instead of running on.
    if (shown_ < target_) {
        const int old = shown_;
        ++shown_;
        if (old == 99)
            KillTimer(kClimbTimer);
        SetPercent(shown_);
    }
    return 0;
}

LRESULT CProgressDlg::OnPaint(const Message&)
{
    PaintDC paint(*this);
    CMemDC dc(&paint, GetClientRect());
    // The frame first: it fills the whole window, the body sits on it.
    skinframe::DrawFrame(dc, *this, top_);
    dc.FillRoundRect(BodyRect(), 2, 2, skinframe::kPanel);
    const COLORREF text = skinframe::kBodyText;
    skinframe::DrawTextIn(dc, caption_, {15, 40, 390, 80}, text, -12, 400, DT_LEFT | DT_WORDBREAK);
    if (hasFileName_)
        skinframe::DrawTextIn(dc, " You've selected : " + fileName_, {15, 90, 390, 110}, text, -12, 400,
                              DT_LEFT | DT_SINGLELINE | DT_END_ELLIPSIS);
    skinframe::DrawTextIn(dc, percentText_, PercentRect(), kPercentColour, -11, 400,
                          DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    return 0;
}

LRESULT CProgressDlg::OnEraseBkgnd(const Message&)
{
    return 1;
}

LRESULT CProgressDlg::OnLButtonDown(const Message& m)
{
    // A press anywhere moves the window, as the skinned dialogs' captions do.
    skinframe::DragWindow(*this, PointFromLParam(m.lParam));
    return 0;
}

void CProgressDlg::OnCloseCommand()
{
    MessageBox(this, message_, skinframe::kTitle, MB_OK | MB_ICONINFORMATION);
    SendMessage(WM_CLOSE);
}

LRESULT CProgressDlg::OnDestroy(const Message&)
{
    KillTimer(kClimbTimer);
    return Default();
}
