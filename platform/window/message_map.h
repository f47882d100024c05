#pragma once
// Message maps: each window class lists the messages it handles in one
// static table that chains to its base class's table. Dispatch walks from
// the most derived table to the base; the first matching entry runs. A
// handler that wants the behaviour it overrides calls Window::Default(),
// which goes on from the next table up, and finally to DefWindowProc.
//
// Writing a map:
//
//   const platform::MessageMap* CImageButton::GetMessageMap() const
//   {
//       using M = platform::MessageMap;
//       static const M map(OwnerDrawButton::GetMessageMap(), {
//           M::On(WM_MOUSEMOVE, &CImageButton::OnMouseMove),
//           M::OnCommand(IDOK, &CImageButton::OnOk),
//           M::OnNotify(2028, NM_RELEASEDCAPTURE, &CImageButton::OnBarReleased),
//       });
//       return &map;
//   }
//
// Handlers are members of the class: LRESULT (const Message&) for On,
// void () for OnCommand, void (UINT id) for OnCommandRange, and
// LRESULT (const NMHDR&) for OnNotify.

#include <functional>
#include <initializer_list>
#include <vector>

#include "platform/window/messages.h"

namespace platform {

class Window;

class MessageMap {
public:
    struct Entry {
        UINT message = 0;
        // For WM_COMMAND and WM_NOTIFY: the control id range and the code;
        // anyCode matches every code.
        int firstId = 0;
        int lastId = 0;
        int code = 0;
        bool anyCode = true;
        bool anyId = true;
        std::function<LRESULT(Window&, const Message&)> handler;

        bool Matches(const Message& msg) const;
    };

    MessageMap(const MessageMap* base, std::initializer_list<Entry> entries);

    const MessageMap* Base() const { return base_; }
    // The first entry of this table (not its bases) that matches.
    const Entry* FindHere(const Message& msg) const;

    template <class T>
    static Entry On(UINT message, LRESULT (T::*fn)(const Message&))
    {
        Entry e;
        e.message = message;
        e.handler = [fn](Window& w, const Message& m) { return (static_cast<T&>(w).*fn)(m); };
        return e;
    }

    // WM_COMMAND with this id and BN_CLICKED (also menu and accelerator
    // commands, whose code is 0).
    template <class T>
    static Entry OnCommand(int id, void (T::*fn)())
    {
        Entry e = CommandEntry(id, id, 0, false);
        e.handler = [fn](Window& w, const Message&) {
            (static_cast<T&>(w).*fn)();
            return LRESULT(0);
        };
        return e;
    }

    template <class T>
    static Entry OnCommandRange(int firstId, int lastId, void (T::*fn)(UINT))
    {
        Entry e = CommandEntry(firstId, lastId, 0, false);
        e.handler = [fn](Window& w, const Message& m) {
            (static_cast<T&>(w).*fn)(static_cast<UINT>(LOWORD(m.wParam)));
            return LRESULT(0);
        };
        return e;
    }

    template <class T>
    static Entry OnNotify(int id, int code, LRESULT (T::*fn)(const NMHDR&))
    {
        Entry e;
        e.message = WM_NOTIFY;
        e.firstId = e.lastId = id;
        e.anyId = false;
        e.code = code;
        e.anyCode = false;
        e.handler = [fn](Window& w, const Message& m) {
            return (static_cast<T&>(w).*fn)(*reinterpret_cast<const NMHDR*>(m.lParam));
        };
        return e;
    }

private:
    static Entry CommandEntry(int firstId, int lastId, int code, bool anyCode);

    const MessageMap* base_;
    std::vector<Entry> entries_;
};

}  // namespace platform
