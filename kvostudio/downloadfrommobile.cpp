#include "kvostudio/downloadfrommobile.h"

#include "kvostudio/libskin/memdc.h"
#include "kvostudio/libskin/skinbitmap.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "kvostudio/messages.h"
#include "kvostudio/onlinetrace.h"
#include "kvostudio/serviceprogress.h"
#include "kvostudio/skinframe.h"
#include "kvostudio/webservice.h"
#include "platform/window/paint_dc.h"

using namespace platform;

namespace {

constexpr Size kWindowSize{393, 254};
constexpr COLORREF kEmptyPanel = RGB(70, 69, 74);
constexpr Rect kListPlace{14, 80, 379, 190};
constexpr Rect kDownloadPlace{140, 205, 247, 234};
constexpr Rect kOkPlace{165, 205, 214, 234};
constexpr unsigned kIntroTextId = 116;
constexpr char kNoFilesText[] = "No KVO files uploaded from your mobile device have been found.";

}  // namespace

// The worker's results come back to the dialog as its own posted message.
class CDownloadFromMobile::Owner : public ServiceOwner {
public:
    explicit Owner(CDownloadFromMobile& dialog) : dialog_(dialog) {}
    bool PostCommand(unsigned code, intptr_t lParam) override
    {
        return dialog_.PostMessage(kMsgDownloadResult, code, lParam);
    }
    std::unique_ptr<ServiceProgress> CreateProgressWindow() override { return MakeServiceProgressWindow(&dialog_); }

private:
    CDownloadFromMobile& dialog_;
};

CDownloadFromMobile::CDownloadFromMobile(Window* parent, int userNumber)
    : Dialog(IDD, parent), userNumber_(userNumber), owner_(std::make_unique<Owner>(*this))
{
}

CDownloadFromMobile::~CDownloadFromMobile()
{
    download_.Cancel();
}

const MessageMap* CDownloadFromMobile::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(Dialog::GetMessageMap(), {
        M::On(PhoneFileList::kMsgRowClose, &CDownloadFromMobile::OnRowClose),
        M::On(kMsgDownloadResult, &CDownloadFromMobile::OnDownloadResult),
        M::On(WM_PAINT, &CDownloadFromMobile::OnPaint),
        M::On(WM_ERASEBKGND, &CDownloadFromMobile::OnEraseBkgnd),
        M::On(WM_DESTROY, &CDownloadFromMobile::OnDestroy),
        M::OnCommand(kDownloadButton, &CDownloadFromMobile::OnDownload),
    });
    return &map;
}

int CDownloadFromMobile::ActionButtonId() const
{
    return actionButton_.IsWindow() ? actionButton_.GetDlgCtrlID() : 0;
}

bool CDownloadFromMobile::OnInitDialog()
{
    Dialog::OnInitDialog();
    list_.Create(kListPlace, this, kListId);
    SetWindowText(skinframe::kTitle);
    SetWindowPos(0, 0, kWindowSize.cx, kWindowSize.cy, SWP_NOMOVE | SWP_NOZORDER);
    CenterWindow();
    SetBackgroundColour(skinframe::kFill);
    skinframe::CreateCaptionButtons(*this, closeButton_, downButton_, kDownButton);
    top_ = LoadSkinBitmap(skin::kCaptionStrip);
    if (!top_.IsNull())
        LoadList();
    return true;
}

void CDownloadFromMobile::LoadList()
{
    const DownListReply reply = CallGetDownList(userNumber_);
    if (!reply.answered)
        return;  // no answer: the empty list and no button
    if (reply.Succeeded()) {
        for (const DownItem& item : reply.items) {
            list_.AddItem(item);
            ++rowCount_;
        }
    }
    if (rowCount_ > 0)
        actionButton_.Create(kDownloadPlace, this, kDownloadButton, skin::kBtnDownload, skin::kBtnDownload,
                             skin::kBtnDownload, "");
    else
        ShowOkButton();
}

void CDownloadFromMobile::ShowOkButton()
{
    list_.ShowWindow(SW_HIDE);
    rowCount_ = 0;
    if (actionButton_.IsWindow()) {
        actionButton_.SetBitmaps(kOkPlace, skin::kBtnOk, skin::kBtnOk, skin::kBtnOk, "");
        actionButton_.SetDlgCtrlID(IDOK);
    } else {
        actionButton_.Create(kOkPlace, this, IDOK, skin::kBtnOk, skin::kBtnOk, skin::kBtnOk, "");
    }
    Invalidate(false);
}

LRESULT CDownloadFromMobile::OnRowClose(const Message& m)
{
    OnNotUse(static_cast<int>(m.lParam));
    return 0;
}

void CDownloadFromMobile::OnNotUse(int row)
{
    if (row < 0 || row >= list_.GetItemCount())
        return;
    // The row being downloaded stays until its download ends.
    if (download_.IsRunning() && list_.GetItem(row).fid == fid_)
        return;
    const ServiceReply reply = CallAddNotUse(list_.GetItem(row).fid);
    if (!reply.answered)
        return;
    if (reply.Succeeded())
        list_.DeleteItemAt(row);
    if (list_.GetItemCount() == 0)
        ShowOkButton();
}

void CDownloadFromMobile::OnDownload()
{
    // A second press while a download runs is ignored: the worker still uses
    // the row, the file and the progress window.
    if (download_.IsRunning())
        return;
    const int row = list_.GetSelectedRow();
    if (row < 0)
        return;
    const DownItem item = list_.GetItem(row);
    std::string defaultName = item.fileName;
    const size_t kvo = defaultName.find(".kvo");
    if (kvo != std::string::npos)
        defaultName.erase(kvo, 4);
    if (!ChooseSavePath) {
        OnlineTrace("Download: no save dialog\n");
        return;
    }
    const std::string path = ChooseSavePath(defaultName);
    if (path.empty())
        return;
    savePath_ = path;
    fid_ = item.fid;
    download_.Start(owner_.get(), item.downUrl, savePath_, fid_, row);
}

LRESULT CDownloadFromMobile::OnDownloadResult(const Message& m)
{
    download_.Finish();
    if (m.wParam == ID_CMD_PHONE_DOWNLOAD_DONE) {
        // By its FID: a row dropped meanwhile moved the others.
        const int row = list_.FindFid(fid_);
        if (row >= 0)
            list_.DeleteItemAt(row);
    }
    return 0;
}

LRESULT CDownloadFromMobile::OnDestroy(const Message&)
{
    download_.Cancel();
    return Default();
}

LRESULT CDownloadFromMobile::OnEraseBkgnd(const Message&)
{
    return 1;
}

LRESULT CDownloadFromMobile::OnPaint(const Message&)
{
    PaintDC paint(*this);
    CMemDC dc(&paint, GetClientRect());
    skinframe::DrawFrame(dc, *this, top_);
    skinframe::DrawTextIn(dc, LoadStringTableEntry(kIntroTextId), {16, 40, 374, 71}, skinframe::kBodyText, -12, 400,
                          DT_LEFT);
    if (rowCount_ == 0) {
        dc.FillRoundRect({14, 80, 384, 193}, 2, 2, kEmptyPanel);
        skinframe::DrawTextIn(dc, kNoFilesText, {50, 115, 329, 155}, skinframe::kBodyText, -12, 400,
                              DT_CENTER | DT_WORDBREAK);
    }
    return 0;
}
