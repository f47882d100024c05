#pragma once
// The LED-style spectrum meter of the main window: one vertical bar per
// band, each with a peak mark that holds for a while and then falls. The
// main window hands it new levels on every playback tick; between them a
// periodic timer on its own thread lets bars and peaks fall back, and
// stops itself once everything is at rest. The timer thread only changes
// the levels (under the meter's lock) and asks the window, by a posted
// message, to repaint.

#include <atomic>
#include <mutex>
#include <vector>

#include "platform/draw/bitmap.h"
#include "platform/draw/colour.h"
#include "platform/draw/dc.h"
#include "platform/timer/periodic_timer.h"
#include "platform/window/window.h"

struct PeakMeterData {
    int level = 0;
    int peak = 0;
    int hold = 0;  // ticks left before the peak falls
};

class CPeakMeterCtrl : public platform::Window {
public:
    static constexpr platform::Rect kWindowRect{20, 60, 68, 85};
    static constexpr int kMaxDrawnBands = 11;
    static constexpr int kCellWidth = 5;
    static constexpr int kBandStep = 4;
    static constexpr platform::COLORREF kPeakColour = 0xCDC1F3;
    // Asks the window thread for a repaint (posted by the timer thread).
    static constexpr platform::UINT kRepaintMessage = platform::WM_USER + 1;

    // Creates the meter as a visible child of 'parent' at kWindowRect.
    // 'background' is the parent's skin image (may be null; it must
    // outlive the meter).
    CPeakMeterCtrl(platform::Window* parent, const platform::Bitmap* background);
    ~CPeakMeterCtrl() override;

    // Both counts must be positive; otherwise nothing changes (false).
    bool SetMeterBands(int bands, int leds);
    void ResizeBands();
    // New levels for bands first .. first + count - 1, read from
    // values[band] (so 'values' holds at least first + count entries).
    // Levels are clamped to 0 .. 100; a level above a band's peak becomes
    // its peak and holds it. False (and nothing done) without values or
    // with a negative count.
    bool SetData(const int* values, int first, int count);
    // Starts the fall timer when none runs; returns whether one runs.
    bool Start(unsigned delayMs);
    // Ends the fall timer; returns whether one was there.
    bool Stop();
    // One fall step (runs on the timer's thread).
    virtual void DecayStep(unsigned timerId);

    std::vector<PeakMeterData> GetBands() const;
    int GetBandCount() const { return bandCount_; }
    // The timer's id (0: none); kept after the timer stopped itself.
    unsigned GetTimerId() const { return timerId_; }
    bool IsTimerTicking() const { return timer_.IsTicking(); }
    // Paints the meter into a context of its client size.
    void Render(platform::DC& dc) const;

    // Colour of the lit cells of a band (0 .. 10).
    static platform::COLORREF BandColour(int band);

    const platform::MessageMap* GetMessageMap() const override;

private:
    int Rows() const;
    // One fall of every band; false when nothing moved. Takes the lock.
    bool Fall();

    platform::LRESULT OnDestroy(const platform::Message& m);
    platform::LRESULT OnPaint(const platform::Message& m);
    platform::LRESULT OnEraseBkgnd(const platform::Message& m);
    platform::LRESULT OnLButtonDown(const platform::Message& m);
    platform::LRESULT OnRepaint(const platform::Message& m);

    const platform::Bitmap* background_;
    unsigned timerId_ = 0;
    unsigned nextTimerId_ = 0;
    platform::COLORREF backgroundColour_ = 0x0C09D1;
    int minimum_ = 0;
    int maximum_ = 100;
    int bandCount_ = 8;
    int ledCount_ = 8;
    int peakHold_ = 20;
    bool showPeaks_ = true;
    unsigned delayMs_ = 70;
    mutable std::mutex bandsMutex_;
    std::vector<PeakMeterData> bands_;
    std::atomic<bool> atRest_{false};
    platform::PeriodicTimer timer_;
};
