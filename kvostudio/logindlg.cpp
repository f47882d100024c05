#include "kvostudio/logindlg.h"

#include "kvostudio/libskin/memdc.h"
#include "kvostudio/libskin/skinbitmap.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "kvostudio/messages.h"
#include "kvostudio/onlinetrace.h"
#include "kvostudio/settings.h"
#include "kvostudio/skinframe.h"
#include "kvostudio/webservice.h"
#include "platform/draw/font.h"
#include "platform/text/wipe.h"
#include "platform/window/paint_dc.h"

using namespace platform;

namespace {

constexpr Size kWindowSize{473, 283};
constexpr COLORREF kLabelColour = RGB(25, 25, 25);
constexpr COLORREF kSmallColour = RGB(88, 88, 88);
constexpr COLORREF kLinkColour = RGB(166, 0, 25);
constexpr COLORREF kLinkHover = RGB(88, 89, 91);
constexpr Rect kPanel{13, 70, 460, 230};
constexpr unsigned kSiteNameId = 124;

constexpr uint32_t kSingleLine = DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_SHRINKTOFIT;
// The two lines that hold links: where each starts and how tall a link is.
constexpr Point kForgetLine{130, 152};
constexpr Point kNewUserLine{16, 246};
constexpr int kLinkHeight = 14;
constexpr int kLinkFontHeight = -11;

std::string SiteName()
{
    return LoadStringTableEntry(kSiteNameId);
}

std::string NewUserText()
{
    return "New to " + SiteName() + "? ";
}

int TextWidth(DC& dc, const Font& font, const std::string& text)
{
    dc.SelectFont(&font);
    const int width = dc.GetTextExtent(text).cx;
    dc.SelectFont(nullptr);
    return width;
}

// Draws the text from x on and returns where the next text starts.
int DrawRun(DC& dc, const std::string& text, int x, int y, COLORREF colour)
{
    dc.SetTextColor(colour);
    const Size size = dc.GetTextExtent(text);
    dc.DrawText(text, RectOfSize(x, y, size.cx + 1, size.cy + 1), kSingleLine);
    return x + size.cx;
}

}  // namespace

CLoginDlg::CLoginDlg(Window* parent) : Dialog(IDD, parent) {}

CLoginDlg::~CLoginDlg()
{
    platform::WipeText(password_);
}

const MessageMap* CLoginDlg::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(Dialog::GetMessageMap(), {
        M::On(WM_TIMER, &CLoginDlg::OnTimer),
        M::On(WM_PAINT, &CLoginDlg::OnPaint),
        M::On(WM_ERASEBKGND, &CLoginDlg::OnEraseBkgnd),
        M::On(WM_DESTROY, &CLoginDlg::OnDestroy),
        M::OnCommand(kFindIdLink, &CLoginDlg::OnFindId),
        M::OnCommand(kFindPasswordLink, &CLoginDlg::OnFindPassword),
        M::OnCommand(kSignUpLink, &CLoginDlg::OnSignUp),
    });
    return &map;
}

bool CLoginDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    SetWindowPos(0, 0, kWindowSize.cx, kWindowSize.cy, SWP_NOMOVE | SWP_NOZORDER);
    CenterWindow();
    SetWindowText("Sign in to " + SiteName());
    SetBackgroundColour(skinframe::kFill);
    PlaceControls();

    char remembered[config::kIdCapacity] = {};
    int size = sizeof remembered;
    if (ReadConfigString(config::kGeneral, config::kId, remembered, &size) && remembered[0]) {
        remember_.SetCheck(true);
        idEdit_.SetText(remembered);
        SetTimer(kFocusTimer, kFocusDelayMs);
    } else {
        idEdit_.SetFocus();
    }

    struct LinkSpec {
        int id;
        const char* text;
        Rect rect;
        ServicePage page;
    };
    PlaceLinks();
    const LinkSpec specs[3] = {
        {kFindIdLink, "id", linkRects_[0], ServicePages::kFindId},
        {kFindPasswordLink, "password", linkRects_[1], ServicePages::kFindPassword},
        {kSignUpLink, "Sign up", linkRects_[2], ServicePages::kJoin},
    };
    for (int i = 0; i < 3; ++i) {
        links_[i] = std::make_unique<ServiceLink>();
        links_[i]->Create(specs[i].text, PageAddress(specs[i].page), specs[i].rect, this, specs[i].id, kLinkColour,
                          kLinkHover, i == 2 ? skinframe::kFill : skinframe::kPanel, kLinkFontHeight);
    }
    return true;
}

void CLoginDlg::PlaceControls()
{
    skinframe::CreateCaptionButtons(*this, closeButton_, downButton_, kDownButton, kWindowSize.cx);
    top_ = LoadSkinBitmap(skin::kCaptionStrip);
    if (!top_.IsNull())
        signInButton_.Create({130, 182, 213, 206}, this, IDOK, skin::kBtnSignInDialog, skin::kBtnSignInDialog,
                             skin::kBtnSignInDialog, "");
    idEdit_.Create(WS_VISIBLE, {131, 94, 351, 114}, this, kIdEdit);
    passwordEdit_.Create(WS_VISIBLE, {131, 120, 351, 140}, this, kPasswordEdit, EditBox::kPassword);
    remember_.Create("Remember ID", WS_VISIBLE, {356, 98, 368, 110}, this, kRememberCheck);
    const std::string face = skinframe::FontFace();
    idEdit_.SetFontFace(face);
    passwordEdit_.SetFontFace(face);
}

void CLoginDlg::PlaceLinks()
{
    // Each link follows its text in the font that text is painted in, and
    // is as wide as its word in the link's own font; the painting leaves
    // the links' room free and goes on after them.
    Bitmap probe(1, 1);
    DC dc(probe);
    const std::string face = skinframe::FontFace();
    const Font normal12(face, -12, 400);
    const Font small11(face, -11, 400);
    const Font link(face, kLinkFontHeight, 400, false, true);
    auto place = [&](int left, int top, const char* word) {
        return RectOfSize(left, top, TextWidth(dc, link, word), kLinkHeight);
    };
    linkRects_[0] = place(kForgetLine.x + TextWidth(dc, small11, "Forget your "), kForgetLine.y, "id");
    linkRects_[1] = place(linkRects_[0].right + TextWidth(dc, small11, " or "), kForgetLine.y, "password");
    linkRects_[2] = place(kNewUserLine.x + TextWidth(dc, normal12, NewUserText()), kNewUserLine.y, "Sign up");
}

LRESULT CLoginDlg::OnTimer(const Message& m)
{
    if (m.wParam != kFocusTimer)
        return Default();
    passwordEdit_.SetFocus();
    passwordEdit_.Invalidate(false);
    KillTimer(kFocusTimer);
    return 0;
}

void CLoginDlg::OnOK()
{
    userId_ = idEdit_.GetText();
    // The text taken from the field replaces the old one only once that is
    // overwritten.
    platform::WipeText(password_);
    password_ = passwordEdit_.GetText();
    if (userId_.empty() || password_.empty())
        return;
    if (!WriteConfigString(config::kGeneral, config::kId, remember_.GetCheck() ? userId_.c_str() : ""))
        OnlineTrace("Sign-in: the remembered ID could not be stored\n");
    EndDialog(IDOK);
}

void CLoginDlg::OnLink(int id)
{
    const int index = id - kFindIdLink;
    if (index < 0 || index > 2 || !links_[index])
        return;
    const std::string& url = links_[index]->GetUrl();
    if (OpenPage && !url.empty())
        OpenPage(url);
    else
        OnlineTrace("Sign-in: no page to open for the link\n");
}

LRESULT CLoginDlg::OnDestroy(const Message&)
{
    for (auto& link : links_) {
        if (link && link->IsWindow())
            link->DestroyWindow();
        link.reset();
    }
    return Default();
}

LRESULT CLoginDlg::OnEraseBkgnd(const Message&)
{
    return 1;
}

LRESULT CLoginDlg::OnPaint(const Message&)
{
    PaintDC paint(*this);
    CMemDC dc(&paint, GetClientRect());
    // The dialog is wider than the caption strip: the strip stretches.
    skinframe::DrawFrame(dc, *this, top_, skinframe::StripFit::Stretched);
    dc.FillRoundRect(kPanel, 2, 2, skinframe::kPanel);
    dc.SetBkMode(TRANSPARENT);

    const std::string face = skinframe::FontFace();
    const Font normal12(face, -12, 400);
    const Font bold12(face, -12, 700);
    const Font small11(face, -11, 400);

    dc.SelectFont(&normal12);
    dc.SetTextColor(skinframe::kBodyText);
    dc.DrawText("Enter your ID and Password to sign in.", {16, 40, 374, 226}, DT_LEFT | DT_NOPREFIX | DT_SHRINKTOFIT);
    // The link words themselves are the links' own painting.
    DrawRun(dc, NewUserText(), kNewUserLine.x, kNewUserLine.y, skinframe::kBodyText);
    DrawRun(dc, " now!", linkRects_[2].right, kNewUserLine.y, skinframe::kBodyText);

    dc.SelectFont(&bold12);
    dc.SetTextColor(kLabelColour);
    dc.DrawText("Your ID", {38, 94, 104, 114}, kSingleLine | DT_VCENTER);
    dc.DrawText("Password", {38, 120, 104, 140}, kSingleLine | DT_VCENTER);

    dc.SelectFont(&small11);
    dc.SetTextColor(kSmallColour);
    // To the panel's edge: the label is wider than its place in some fonts.
    dc.DrawText("Remember ID", {371, 98, kPanel.right - 2, 118}, kSingleLine);
    DrawRun(dc, "Forget your ", kForgetLine.x, kForgetLine.y, kSmallColour);
    DrawRun(dc, " or ", linkRects_[0].right, kForgetLine.y, kSmallColour);
    DrawRun(dc, "?", linkRects_[1].right, kForgetLine.y, kSmallColour);
    dc.SelectFont(nullptr);
    return 0;
}
