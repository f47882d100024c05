// What the tests of this area share: in-memory windows, a parent window
// that records what its children tell it, and a private skin folder.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/window/input_injection.h"
#include "platform/window/paint_dc.h"
#include "platform/window/ui_loop.h"
#include "platform/window/window.h"
#include "tests/support/bmp_maker.h"
#include "tests/support/temp_files.h"

namespace skintest {

inline void UseMemoryWindows()
{
    platform::InitWindowing(platform::DisplayMode::Headless);
}

// A top-level window that paints itself one colour and keeps the commands
// and notifications its children send.
class RecordingParent : public platform::Window {
public:
    struct Notice {
        int id;
        int code;
    };
    std::vector<Notice> commands;
    std::vector<Notice> notifications;
    platform::COLORREF colour = platform::RGB(0, 0, 0);

    bool Make(int width, int height, platform::Point at = {0, 0})
    {
        return CreateEx(0, "TestParent", "test", platform::WS_POPUP | platform::WS_VISIBLE,
                        platform::RectOfSize(at.x, at.y, width, height), nullptr, 0);
    }

    const platform::MessageMap* GetMessageMap() const override
    {
        using M = platform::MessageMap;
        static const M map(platform::Window::GetMessageMap(), {
            M::On(platform::WM_COMMAND, &RecordingParent::OnCommand),
            M::On(platform::WM_NOTIFY, &RecordingParent::OnNotify),
            M::On(platform::WM_PAINT, &RecordingParent::OnPaint),
        });
        return &map;
    }

private:
    platform::LRESULT OnCommand(const platform::Message& m)
    {
        commands.push_back({platform::LOWORD(m.wParam), platform::HIWORD(m.wParam)});
        return 0;
    }
    platform::LRESULT OnNotify(const platform::Message& m)
    {
        const auto* hdr = reinterpret_cast<const platform::NMHDR*>(m.lParam);
        notifications.push_back({static_cast<int>(hdr->idFrom), hdr->code});
        return 0;
    }
    platform::LRESULT OnPaint(const platform::Message&)
    {
        platform::PaintDC dc(*this);
        dc.FillSolidRect(GetClientRect(), colour);
        return 0;
    }
};

// A skin folder of its own for the life of the object (KVO_SKIN_DIR).
class ScopedSkinFolder {
public:
    ScopedSkinFolder()
    {
        const char* old = std::getenv("KVO_SKIN_DIR");
        hadOld_ = old != nullptr;
        if (old)
            old_ = old;
        setenv("KVO_SKIN_DIR", dir_.Path().c_str(), 1);
    }
    ~ScopedSkinFolder()
    {
        if (hadOld_)
            setenv("KVO_SKIN_DIR", old_.c_str(), 1);
        else
            unsetenv("KVO_SKIN_DIR");
    }
    void Solid(const std::string& name, int w, int h, testsupport::Rgb c)
    {
        testsupport::WriteSolidBmp(dir_.File(name), w, h, c);
    }
    void Pattern(const std::string& name, int w, int h, const std::function<testsupport::Rgb(int, int)>& f)
    {
        testsupport::WriteBmp(dir_.File(name), w, h, f);
    }
    const std::string& Path() const { return dir_.Path(); }

private:
    testsupport::TempDir dir_;
    bool hadOld_ = false;
    std::string old_;
};

}  // namespace skintest
