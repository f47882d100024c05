#pragma once
// A horizontal or vertical slider drawn from skin bitmaps: a background,
// a fill over part of the track, and a thumb with normal, under-the-mouse
// and pressed images. The user clicks the track to jump or drags the
// thumb; after each change the parent gets WM_NOTIFY with
// NM_RELEASEDCAPTURE.
//
// Every image is read at an offset taken from the rectangles given to
// Create, so one image may hold several sliders' parts: the background at
// the slider's own place in its parent, the fill at the track rectangle,
// the thumb at the thumb rectangle.

#include <string>

#include "platform/draw/bitmap.h"
#include "platform/draw/dc.h"
#include "platform/window/window.h"

class CImageSliderCtrl : public platform::Window {
public:
    enum State { kNormal = 0, kOver = 1, kDragging = 2 };

    CImageSliderCtrl() = default;

    // windowRect: the slider in its parent; trackRect: the travel area in
    // the bitmaps' coordinates; thumbRect: the thumb in its images. Missing
    // images are drawn as nothing; without a thumb image the thumb travels
    // the whole track.
    int Create(const platform::Rect& windowRect, const platform::Rect& trackRect, const platform::Rect& thumbRect,
               platform::Window* parent, unsigned id, bool horizontal, const std::string& background,
               const std::string& fill, const std::string& thumb, const std::string& thumbOver,
               const std::string& thumbPress, int minimum, int maximum);
    void SetRange(int minimum, int maximum);
    // Stores the position and places the thumb, unless the user is dragging.
    void SetPos(int position);
    int GetPos() const { return pos_; }
    int GetRangeMax() const { return max_; }
    // 0..100 of the track, from the left (horizontal) or bottom (vertical);
    // other values are ignored.
    void SetFillPercent(int percent);
    // A rectangle of the background image copied over the part before the
    // thumb.
    void SetFillSource(int left, int top, int right, int bottom);
    void EnableInput(bool on);

    int GetState() const { return state_; }
    int GetTravel() const { return travel_; }
    const platform::Rect& GetThumbRect() const { return thumb_; }
    const platform::Rect& GetFillRect() const { return fillRect_; }
    // Paints the slider as it looks now, into a context of its client size.
    void Draw(platform::DC& dc) const;

    const platform::MessageMap* GetMessageMap() const override;

private:
    void UpdateThumb();
    void UpdatePosFromThumb();
    int ThumbAlong() const;
    int ThumbSize() const;
    int WindowSize() const;
    void PlaceThumbAt(int along);

    platform::LRESULT OnPaint(const platform::Message& m);
    platform::LRESULT OnEraseBkgnd(const platform::Message& m);
    platform::LRESULT OnLButtonDown(const platform::Message& m);
    platform::LRESULT OnLButtonUp(const platform::Message& m);
    platform::LRESULT OnMouseMove(const platform::Message& m);
    platform::LRESULT OnMouseLeave(const platform::Message& m);

    platform::Bitmap thumbImage_;
    platform::Bitmap thumbOverImage_;
    platform::Bitmap thumbPressImage_;
    platform::Bitmap background_;
    platform::Bitmap fill_;
    platform::Rect windowRect_;
    platform::Rect trackRect_;
    platform::Rect thumbRect_;
    platform::Size thumbOverSize_;
    platform::Size thumbPressSize_;
    int pos_ = 0;
    int min_ = 0;
    int max_ = 100;
    bool inputEnabled_ = true;
    int state_ = kNormal;
    platform::Rect thumb_;  // where the thumb is now, client coordinates
    platform::Point lastPoint_;
    int travel_ = 0;
    bool horizontal_ = false;
    int fillPercent_ = 0;
    platform::Rect fillRect_;
    platform::Rect fillSource_;
    bool fillSourceOn_ = false;
};
