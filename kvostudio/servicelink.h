#pragma once
// A small underlined text link, in one colour normally and another under
// the pointer; a click sends BN_CLICKED with its id to the parent, which
// opens its page. The sign-in dialog's links use it until the skinned link
// control takes their place.

#include <string>

#include "platform/draw/colour.h"
#include "platform/window/window.h"

class ServiceLink : public platform::Window {
public:
    bool Create(const std::string& text, const std::string& url, const platform::Rect& rect,
                platform::Window* parent, int id, platform::COLORREF normal, platform::COLORREF hover,
                platform::COLORREF background, int fontHeight);
    const std::string& GetUrl() const { return url_; }

    const platform::MessageMap* GetMessageMap() const override;

private:
    platform::LRESULT OnPaint(const platform::Message& m);
    platform::LRESULT OnEraseBkgnd(const platform::Message& m);
    platform::LRESULT OnMouseMove(const platform::Message& m);
    platform::LRESULT OnMouseLeave(const platform::Message& m);
    platform::LRESULT OnLButtonUp(const platform::Message& m);

    std::string url_;
    platform::COLORREF normal_ = 0;
    platform::COLORREF hoverColour_ = 0;
    platform::COLORREF background_ = 0;
    int fontHeight_ = -11;
    bool hover_ = false;
};
