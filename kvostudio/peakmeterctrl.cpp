#include "kvostudio/peakmeterctrl.h"

#include <algorithm>
#include <cstdint>

#include "kvostudio/libskin/memdc.h"
#include "platform/window/paint_dc.h"

using namespace platform;

namespace {

constexpr COLORREF kBandColours[CPeakMeterCtrl::kMaxDrawnBands] = {
    0x8964FF, 0xFE21ED, 0x7F7EF2, 0x2B89FF, 0x76D0F2, 0x974DCF,
    0x2C8CFE, 0xFD24EB, 0x5F5CE7, 0x2A8AFF, 0xE291B8,
};

}  // namespace

CPeakMeterCtrl::CPeakMeterCtrl(Window* parent, const Bitmap* background) : background_(background)
{
    ResizeBands();
    if (parent && parent->IsWindow())
        CreateEx(0, "PeakMeter", "", WS_CHILD | WS_VISIBLE, kWindowRect, parent, 0);
}

CPeakMeterCtrl::~CPeakMeterCtrl()
{
    // The timer's thread calls into this object: it is joined before any
    // member goes.
    Stop();
}

COLORREF CPeakMeterCtrl::BandColour(int band)
{
    return band >= 0 && band < kMaxDrawnBands ? kBandColours[band] : kBandColours[0];
}

bool CPeakMeterCtrl::SetMeterBands(int bands, int leds)
{
    if (bands <= 0 || leds <= 0)
        return false;
    // Under the lock: a fall step on the timer's thread reads the counts.
    std::lock_guard<std::mutex> lock(bandsMutex_);
    bandCount_ = bands;
    ledCount_ = leds;
    bands_.assign(static_cast<size_t>(bandCount_), PeakMeterData{minimum_, minimum_, peakHold_});
    return true;
}

void CPeakMeterCtrl::ResizeBands()
{
    std::lock_guard<std::mutex> lock(bandsMutex_);
    bands_.assign(static_cast<size_t>(bandCount_), PeakMeterData{minimum_, minimum_, peakHold_});
}

int CPeakMeterCtrl::Rows() const
{
    return std::max(ledCount_ >= 2 ? ledCount_ : maximum_ * 10 / 100, 1);
}

bool CPeakMeterCtrl::SetData(const int* values, int first, int count)
{
    if (!values || count < 0)
        return false;
    const bool ran = Stop();
    {
        std::lock_guard<std::mutex> lock(bandsMutex_);
        const int64_t end = static_cast<int64_t>(first) + count;
        for (int64_t b = std::max<int64_t>(first, 0); b < end && b < static_cast<int64_t>(bands_.size()); ++b) {
            int v = values[b];
            if (v >= maximum_)
                v = maximum_;
            if (v < 1)
                v = 0;
            PeakMeterData& band = bands_[static_cast<size_t>(b)];
            band.level = v;
            if (v > band.peak) {
                band.peak = v;
                band.hold = peakHold_;
            }
        }
    }
    if (ran)
        Start(delayMs_);
    else
        Invalidate(false);
    return true;
}

bool CPeakMeterCtrl::Start(unsigned delayMs)
{
    if (timerId_ != 0)
        return true;
    atRest_ = false;
    const unsigned id = ++nextTimerId_ == 0 ? ++nextTimerId_ : nextTimerId_;
    if (!timer_.Start(delayMs, [this, id] {
            DecayStep(id);
            return !atRest_.exchange(false);
        }))
        return false;
    timerId_ = id;
    delayMs_ = delayMs;
    return true;
}

bool CPeakMeterCtrl::Stop()
{
    if (timerId_ == 0)
        return false;
    timer_.Stop();
    timerId_ = 0;
    return true;
}

bool CPeakMeterCtrl::Fall()
{
    std::lock_guard<std::mutex> lock(bandsMutex_);
    const int fall = ledCount_ >= 2 ? maximum_ / ledCount_ : maximum_ * 10 / 100;
    const int peakFall = ledCount_ < 2 ? 5 : maximum_ / ledCount_ / 2;
    bool changed = false;
    for (PeakMeterData& band : bands_) {
        const PeakMeterData before = band;
        if (band.level > 0)
            band.level = std::max(band.level - fall, 0);
        if (band.hold > 0)
            --band.hold;
        if (band.hold == 0 && band.peak > 0)
            band.peak = std::max(band.peak - peakFall, 0);
        changed |= band.level != before.level || band.hold != before.hold || band.peak != before.peak;
    }
    return changed;
}

void CPeakMeterCtrl::DecayStep(unsigned)
{
    PostMessage(kRepaintMessage);
    if (!Fall())
        atRest_ = true;  // the timer ends after this tick
}

std::vector<PeakMeterData> CPeakMeterCtrl::GetBands() const
{
    std::lock_guard<std::mutex> lock(bandsMutex_);
    return bands_;
}

void CPeakMeterCtrl::Render(DC& dc) const
{
    const Rect client = GetClientRect();
    dc.SetBkMode(TRANSPARENT);
    dc.FillSolidRect(client, backgroundColour_);
    if (background_ && !background_->IsNull())
        dc.BitBlt(0, 0, client.Width(), client.Height(), *background_, kWindowRect.left, kWindowRect.top);

    const std::vector<PeakMeterData> bands = GetBands();
    const int rows = Rows();
    const int cellHeight = client.Height() / rows;
    const int narrow = bands.size() > 1 ? 1 : 0;
    const int drawn = std::min(static_cast<int>(bands.size()), kMaxDrawnBands);
    for (int i = 0; i < drawn; ++i) {
        const int left = i * kBandStep;
        const int lit = bands[i].level * rows / maximum_;
        int bottom = client.bottom;
        for (int j = 0; j < rows; ++j) {
            if (j < lit)
                dc.FillSolidRect({left + narrow, bottom - cellHeight, left + kCellWidth - narrow, bottom},
                                 kBandColours[i]);
            bottom -= cellHeight;
        }
        if (showPeaks_) {
            const int y = client.bottom - bands[i].peak * (cellHeight * rows) / maximum_;
            dc.DrawLine({left + narrow, y}, {left + kCellWidth - narrow, y}, kPeakColour);
        }
    }
}

const MessageMap* CPeakMeterCtrl::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(Window::GetMessageMap(), {
        M::On(WM_DESTROY, &CPeakMeterCtrl::OnDestroy),
        M::On(WM_PAINT, &CPeakMeterCtrl::OnPaint),
        M::On(WM_ERASEBKGND, &CPeakMeterCtrl::OnEraseBkgnd),
        M::On(WM_LBUTTONDOWN, &CPeakMeterCtrl::OnLButtonDown),
        M::On(kRepaintMessage, &CPeakMeterCtrl::OnRepaint),
    });
    return &map;
}

LRESULT CPeakMeterCtrl::OnDestroy(const Message&)
{
    Stop();
    {
        std::lock_guard<std::mutex> lock(bandsMutex_);
        bands_.clear();
    }
    return Default();
}

LRESULT CPeakMeterCtrl::OnPaint(const Message&)
{
    PaintDC dc(*this);
    CMemDC mem(&dc, GetClientRect());
    Render(mem);
    return 0;
}

LRESULT CPeakMeterCtrl::OnEraseBkgnd(const Message&)
{
    return 1;
}

LRESULT CPeakMeterCtrl::OnLButtonDown(const Message& m)
{
    // Dragging the meter drags the main window.
    if (Window* top = GetTopLevel(); top && top != this)
        top->PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, m.lParam);
    return 0;
}

LRESULT CPeakMeterCtrl::OnRepaint(const Message&)
{
    Invalidate(false);
    return 0;
}
