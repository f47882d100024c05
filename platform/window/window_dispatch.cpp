// Message dispatch: message maps, default handling, sending and posting.
#include "platform/draw/dc.h"
#include "platform/window/ui_loop.h"
#include "platform/window/window_internal.h"

namespace platform {
namespace {

// Runs 'fn' with a dispatch frame pushed. The frames live in the UI state,
// not in the window, so a handler may destroy (even delete) its window.
template <typename Fn>
LRESULT WithFrame(Window* w, const Message& m, const MessageMap* map, Fn&& fn)
{
    UiState& ui = Ui();
    ui.dispatch.push_back({w, m, map});
    LRESULT r = fn();
    ui.dispatch.pop_back();
    return r;
}

}  // namespace

const MessageMap* Window::GetMessageMap() const
{
    return nullptr;
}

bool Window::PreTranslateMessage(Message&)
{
    return false;
}

LRESULT Window::SendMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (!s_->alive || !OnUiThread())
        return 0;
    return WindowProc(msg, wParam, lParam);
}

bool Window::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return platform::PostMessage(s_->postHandle.load(), msg, wParam, lParam);
}

LRESULT Window::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    const Message m{s_->handle, msg, wParam, lParam};
    for (const MessageMap* map = GetMessageMap(); map; map = map->Base()) {
        if (const MessageMap::Entry* e = map->FindHere(m))
            return WithFrame(this, m, map, [&] { return e->handler(*this, m); });
    }
    return WithFrame(this, m, nullptr, [&] { return DefWindowProc(msg, wParam, lParam); });
}

LRESULT Window::Default()
{
    UiState& ui = Ui();
    const DispatchFrame* frame = nullptr;
    for (auto it = ui.dispatch.rbegin(); it != ui.dispatch.rend(); ++it) {
        if (it->window == this) {
            frame = &*it;
            break;
        }
    }
    if (!frame || !frame->map)
        return 0;
    const Message m = frame->msg;
    for (const MessageMap* map = frame->map->Base(); map; map = map->Base()) {
        if (const MessageMap::Entry* e = map->FindHere(m))
            return WithFrame(this, m, map, [&] { return e->handler(*this, m); });
    }
    return WithFrame(this, m, nullptr, [&] { return DefWindowProc(m.message, m.wParam, m.lParam); });
}

LRESULT Window::DefWindowProc(UINT msg, WPARAM wParam, LPARAM /*lParam*/)
{
    switch (msg) {
    case WM_ERASEBKGND:
        if (auto* dc = reinterpret_cast<DC*>(wParam)) {
            dc->FillSolidRect(GetClientRect(), s_->background);
            return 1;
        }
        return 0;
    case WM_NCHITTEST:
        return HTCLIENT;
    case WM_NCLBUTTONDOWN:
        if (wParam == HTCAPTION) {
            // The window follows the pointer until the button comes up.
            UiState& ui = Ui();
            Window* top = GetTopLevel();
            if (top && (ui.buttons & MK_LBUTTON)) {
                ui.dragging = top->GetSafeHwnd();
                ui.dragStartCursor = ui.cursor;
                ui.dragStartRect = top->GetWindowRect();
            }
        }
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_SIZE)
            BeginBorderSizing(*this, static_cast<int>(wParam & 0xF));
        return 0;
    case WM_CLOSE:
        DestroyWindow();
        return 0;
    default:
        return 0;
    }
}

}  // namespace platform
