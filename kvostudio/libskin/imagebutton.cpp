#include "kvostudio/libskin/imagebutton.h"

#include "kvostudio/libskin/memdc.h"
#include "kvostudio/libskin/skinbitmap.h"

using namespace platform;

namespace {

// Child, visible, clipping siblings and children, a tab stop, owner-drawn.
constexpr uint32_t kButtonStyle = 0x5601000B;

}  // namespace

CImageButton::~CImageButton()
{
    toolTip_.Destroy();
}

int CImageButton::Create(const Rect& rect, Window* parent, unsigned id, const std::string& normal,
                         const std::string& over, const std::string& press, const std::string& blink)
{
    Bitmap n = LoadSkinBitmap(normal);
    Bitmap o = LoadSkinBitmap(over);
    Bitmap p = LoadSkinBitmap(press);
    if (n.IsNull() || o.IsNull() || p.IsNull())
        return 0;
    id_ = id;
    normal_ = std::move(n);
    over_ = std::move(o);
    press_ = std::move(p);
    blinkImage_ = LoadSkinBitmap(blink);
    client_ = {0, 0, rect.Width(), rect.Height()};
    state_ = kNormal;
    blink_ = false;
    blinkPhase_ = 0;
    if (!OwnerDrawButton::Create("", kButtonStyle, rect, parent, static_cast<int>(id)))
        return 0;
    if (toolTip_.Create(this))
        toolTip_.AddTool(this, "", client_, id_);
    return 1;
}

int CImageButton::SetBitmaps(const Rect& rect, const std::string& normal, const std::string& over,
                             const std::string& press, const std::string& blink)
{
    // Loaded before the old images go, so a missing file leaves the button
    // as it was instead of blank.
    Bitmap n = LoadSkinBitmap(normal);
    Bitmap o = LoadSkinBitmap(over);
    Bitmap p = LoadSkinBitmap(press);
    if (n.IsNull() || o.IsNull() || p.IsNull())
        return 0;
    normal_ = std::move(n);
    over_ = std::move(o);
    press_ = std::move(p);
    blinkImage_ = LoadSkinBitmap(blink);
    if (rect.Width() != client_.Width() || rect.Height() != client_.Height()) {
        client_ = {0, 0, rect.Width(), rect.Height()};
        SetWindowPos(rect.left, rect.top, rect.Width(), rect.Height(), SWP_NOZORDER);
        toolTip_.SetToolRect(this, id_, client_);
    }
    Invalidate(true);
    return 1;
}

void CImageButton::SetBlink(bool on)
{
    blink_ = on;
    if (on) {
        SetTimer(kBlinkTimer, kBlinkPeriodMs);
    } else {
        KillTimer(kBlinkTimer);
        blinkPhase_ = 0;
        Invalidate(false);
    }
}

void CImageButton::SetToolTipText(const std::string& text)
{
    toolTip_.AddTool(this, text, client_, id_);
}

const MessageMap* CImageButton::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(OwnerDrawButton::GetMessageMap(), {
        M::On(WM_MOUSEMOVE, &CImageButton::OnMouseMove),
        M::On(WM_MOUSEHOVER, &CImageButton::OnMouseHover),
        M::On(WM_MOUSELEAVE, &CImageButton::OnMouseLeave),
        M::On(WM_LBUTTONDOWN, &CImageButton::OnLButtonDown),
        M::On(WM_LBUTTONUP, &CImageButton::OnLButtonUp),
        M::On(WM_TIMER, &CImageButton::OnTimer),
        M::On(WM_ERASEBKGND, &CImageButton::OnEraseBkgnd),
    });
    return &map;
}

bool CImageButton::PreTranslateMessage(Message& msg)
{
    if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST)
        toolTip_.RelayEvent(msg);
    return OwnerDrawButton::PreTranslateMessage(msg);
}

const Bitmap& CImageButton::CurrentImage() const
{
    switch (state_) {
    case kOver:
        return over_;
    case kPressed:
        return press_;
    default:
        if (blink_ && blinkPhase_ == 1 && !blinkImage_.IsNull())
            return blinkImage_;
        return normal_;
    }
}

void CImageButton::DrawItem(DC& dc, const DrawItemInfo& info)
{
    CMemDC mem(&dc, client_);
    mem.BitBlt(0, 0, client_.Width(), client_.Height(), CurrentImage(), 0, 0);
    // Round the image's edge: the skin's images fill the whole button.
    if (info.focused)
        mem.DrawFocusRect(client_);
}

void CImageButton::SetState(int state)
{
    if (state_ == state)
        return;
    state_ = state;
    Invalidate(true);
}

LRESULT CImageButton::OnMouseMove(const Message&)
{
    TrackMouseEvent(TME_HOVER | TME_LEAVE, kHoverTimeMs);
    return Default();
}

LRESULT CImageButton::OnMouseHover(const Message&)
{
    SetState(kOver);
    return 0;
}

LRESULT CImageButton::OnMouseLeave(const Message&)
{
    SetState(kNormal);
    return 0;
}

LRESULT CImageButton::OnLButtonDown(const Message&)
{
    SetState(kPressed);
    return Default();
}

LRESULT CImageButton::OnLButtonUp(const Message&)
{
    SetState(kOver);
    return Default();
}

LRESULT CImageButton::OnTimer(const Message& m)
{
    if (m.wParam != kBlinkTimer || !blink_)
        return Default();
    // The phase turns with the clock, not with each paint, so other
    // repaints cannot upset the once-a-second rhythm; it rests while the
    // button is under the mouse or pressed.
    if (state_ == kNormal) {
        blinkPhase_ ^= 1;
        Invalidate(false);
    }
    return 0;
}

LRESULT CImageButton::OnEraseBkgnd(const Message&)
{
    return 1;
}
