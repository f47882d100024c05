#include "kvostudio/playlistdlg.h"

#include "kvostudio/bitmapregion.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "kvostudio/menuresource.h"
#include "kvostudio/playercommand.h"
#include "kvostudio/skinmenu.h"
#include "kvostudio/userboxes.h"
#include "platform/window/paint_dc.h"

using namespace platform;

namespace {

constexpr COLORREF kListTextColour = RGB(57, 65, 74);
constexpr COLORREF kRegionTolerance = 0x101010;
// The list sits where its window's template put it until the window
// places it.
constexpr Rect kTemplateListRect = RectOfSize(10, 11, 258, 131);
constexpr int kSongColumnWidth = 210;
constexpr int kTimeColumnWidth = 60;
constexpr int kButtonColumnWidth = 1;

int W(const Rect& r) { return r.Width(); }
int H(const Rect& r) { return r.Height(); }

}  // namespace

CPlayListDlg::CPlayListDlg(Window* parent, const Bitmap* skin)
    : Dialog(IDD, parent), m_pSkin(skin), m_pParent(parent)
{
    SetPieces();
}

CPlayListDlg::~CPlayListDlg()
{
    DestroyWindow();
}

bool CPlayListDlg::Create(Window* parent)
{
    if (parent)
        m_pParent = parent;
    if (!m_pParent || !m_pParent->IsWindow() || IsWindow())
        return false;
    if (!CreateEx(0, "Dialog", "", WS_CHILD | WS_CLIPCHILDREN,
                  RectOfSize(0, 0, kTemplateSize.cx, kTemplateSize.cy), m_pParent, IDD))
        return false;
    const WindowHandle self = GetSafeHwnd();
    SendMessage(WM_INITDIALOG);
    if (FromHandle(self) != this)
        return false;
    ShowWindow(SW_SHOW);
    return true;
}

void CPlayListDlg::SetPieces()
{
    m_rcPieces[kTopLeft] = {9, 175, 11, 177};
    m_rcPieces[kTop] = {12, 175, 328, 178};
    m_rcPieces[kTopRight] = {329, 175, 330, 177};
    m_rcPieces[kBottomLeft] = {9, 318, 11, 319};
    m_rcPieces[kBottomRight] = {329, 317, 330, 319};
    m_rcPieces[kBottom] = {12, 318, 328, 319};
    m_rcPieces[kLeft] = {9, 178, 11, 317};
    m_rcPieces[kRight] = {328, 177, 330, 317};
}

Rect CPlayListDlg::ListRect(const Rect& client) const
{
    return {client.left + W(m_rcPieces[kTopLeft]), client.top + H(m_rcPieces[kTop]) + 5,
            client.right - W(m_rcPieces[kRight]) - W(m_rcPieces[kLeft]) - 5, client.bottom - 28};
}

bool CPlayListDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    if (!m_list.Create(kTemplateListRect, this, kListId))
        return false;
    m_list.Init();
    m_list.SetBkColor(CSkinListBase::kBackground);
    m_list.SetTextColor(kListTextColour);
    m_list.InsertColumn(0, "SONG", LVCFMT_LEFT, kSongColumnWidth);
    m_list.InsertColumn(1, "TIME", LVCFMT_LEFT, kTimeColumnWidth);
    m_list.InsertColumn(2, "BUTTON", LVCFMT_CENTER, kButtonColumnWidth);
    SetPieces();
    const Rect list = ListRect(GetClientRect());
    m_list.MoveWindow(RectOfSize(list.left, list.top, list.Width() - 5, list.Height() - 3));
    m_list.PlaceScrollbar();
    m_btnAdd.Create(m_rcAdd, this, kAddButtonId, skin::kBtnAdd, skin::kBtnAddOver, skin::kBtnAddPress, "");
    m_btnRemove.Create(m_rcRemove, this, kRemoveButtonId, skin::kBtnRem, skin::kBtnRemOver, skin::kBtnRemPress, "");
    return true;
}

bool CPlayListDlg::AddFile(const std::string& path, int makeCurrent, int startAddThread)
{
    if (startAddThread == 1)
        m_list.StartAddThread();
    std::string whyNot;
    if (m_list.AddFileAndRedraw(path, makeCurrent, &whyNot))
        return true;
    ShowFileProblems(GetTopLevel(), {{path, whyNot}});
    return false;
}

std::string CPlayListDlg::GetLyricsText() const
{
    const std::string lyrics = m_list.GetCurrentLyrics();
    return "Lyrics View\n\n" + (lyrics.empty() ? std::string("There is no lyrics found on current file.") : lyrics);
}

void CPlayListDlg::BuildBackground()
{
    const Rect client = GetClientRect();
    const int right = client.right;
    const int bottom = client.bottom;
    m_bmpBackground = Bitmap(client.Width(), client.Height());
    DC dc(m_bmpBackground);
    dc.FillSolidRect(client, CSkinListBase::kBackground);
    if (m_pSkin && !m_pSkin->IsNull()) {
        const Rect* p = m_rcPieces;
        auto copy = [&](const Rect& piece, int x, int y) {
            dc.BitBlt(x, y, W(piece), H(piece), *m_pSkin, piece.left, piece.top);
        };
        auto stretch = [&](const Rect& piece, int x, int y, int w, int h) {
            if (w > 0 && h > 0)
                dc.StretchBlt(RectOfSize(x, y, w, h), *m_pSkin, piece);
        };
        copy(p[kTopLeft], 0, 0);
        copy(p[kTopRight], right - W(p[kTopRight]), 0);
        stretch(p[kTop], W(p[kTopLeft]), 0, client.Width() - W(p[kTopLeft]) - W(p[kTopRight]), H(p[kTop]));
        copy(p[kBottomLeft], 0, bottom - H(p[kBottomLeft]));
        copy(p[kBottomRight], right - W(p[kBottomRight]), bottom - H(p[kBottomRight]));
        stretch(p[kBottom], W(p[kBottomLeft]), bottom - H(p[kBottom]),
                right - W(p[kBottomRight]) - W(p[kBottomLeft]), H(p[kBottom]));
        stretch(p[kLeft], 0, H(p[kTopLeft]), W(p[kLeft]), bottom - H(p[kBottomLeft]) - H(p[kTopLeft]));
        stretch(p[kRight], right - W(p[kTopRight]), H(p[kTopLeft]), W(p[kRight]),
                bottom - H(p[kTopRight]) - H(p[kBottomRight]));
    }
    m_nBackgroundWidth = client.Width();
    m_nBackgroundHeight = client.Height();
    if (auto region = CreateRegionFromBitmap(&m_bmpBackground, kSkinKeyColour, kRegionTolerance))
        SetWindowRgn(std::move(region), true);
}

const MessageMap* CPlayListDlg::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(Dialog::GetMessageMap(), {
        M::On(WM_SIZE, &CPlayListDlg::OnSize),
        M::On(WM_PAINT, &CPlayListDlg::OnPaint),
        M::On(WM_ERASEBKGND, &CPlayListDlg::OnEraseBkgnd),
        M::On(WM_PLAYER_COMMAND, &CPlayListDlg::OnPlayerCommand),
        M::On(WM_DESTROY, &CPlayListDlg::OnDestroy),
        M::OnCommand(kAddButtonId, &CPlayListDlg::OnAddButton),
        M::OnCommand(kRemoveButtonId, &CPlayListDlg::OnRemoveButton),
    });
    return &map;
}

bool CPlayListDlg::PreTranslateMessage(Message& msg)
{
    if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) &&
        (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE || msg.wParam == VK_SPACE))
        return true;
    return Dialog::PreTranslateMessage(msg);
}

LRESULT CPlayListDlg::OnSize(const Message&)
{
    const LRESULT r = Default();
    Invalidate(true);
    if (m_list.IsWindow()) {
        const Rect list = ListRect(GetClientRect());
        m_list.MoveWindow(RectOfSize(list.left, list.top, list.Width() - 5, list.Height() - 2));
        m_list.PlaceScrollbar();
    }
    return r;
}

LRESULT CPlayListDlg::OnPaint(const Message&)
{
    PaintDC dc(*this);
    const Rect client = GetClientRect();
    if (client.Width() != m_nBackgroundWidth || client.Height() != m_nBackgroundHeight)
        BuildBackground();
    dc.BitBlt(0, 0, m_nBackgroundWidth, m_nBackgroundHeight, m_bmpBackground, 0, 0);
    return 0;
}

LRESULT CPlayListDlg::OnEraseBkgnd(const Message&)
{
    return 1;
}

LRESULT CPlayListDlg::OnPlayerCommand(const Message& m)
{
    switch (m.wParam) {
    case ID_LIST_PLAY:
        m_list.PlaySelected();
        break;
    case ID_LIST_REMOVE_SELECTED:
        m_list.RemoveSelected();
        break;
    case ID_LIST_REMOVE_ALL:
        m_list.RemoveAll();
        break;
    default:
        if (Window* parent = GetParent())
            parent->SendMessage(WM_PLAYER_COMMAND, m.wParam, m.lParam);
        break;
    }
    return 0;
}

void CPlayListDlg::OnAddButton()
{
    const Point at = ClientToScreen(m_rcAdd.TopLeft());
    CSkinMenu::Show(this, at.x, at.y, kMenuWidth, IDR_ADD, true);
}

void CPlayListDlg::OnRemoveButton()
{
    const Point at = ClientToScreen(m_rcRemove.TopLeft());
    CSkinMenu::Show(this, at.x, at.y, kMenuWidth, IDR_REMOVE, true);
}

LRESULT CPlayListDlg::OnDestroy(const Message&)
{
    const LRESULT r = Default();
    m_bmpBackground = Bitmap();
    m_nBackgroundWidth = m_nBackgroundHeight = 0;
    return r;
}
