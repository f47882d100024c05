#include "kvostudio/downloadfrommobile.h"

#include "kvostudio/libskin/memdc.h"
#include "kvostudio/libskin/skinbitmap.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "kvostudio/messages.h"
#include "kvostudio/onlinetrace.h"
#include "kvostudio/playercommand.h"
#include "kvostudio/serviceprogress.h"
#include "kvostudio/skinframe.h"
#include "kvostudio/webservice.h"
#include "platform/window/message_box.h"
#include "platform/window/paint_dc.h"

#include <strings.h>

using namespace platform;

namespace {

constexpr Size kWindowSize{393, 254};
constexpr COLORREF kEmptyPanel = RGB(70, 69, 74);
constexpr Rect kListPlace{14, 80, 379, 190};
constexpr int kSongColumnWidth = 210;
constexpr int kTimeColumnWidth = 60;
constexpr Rect kDownloadPlace{140, 205, 247, 234};
constexpr Rect kOkPlace{165, 205, 214, 234};
constexpr unsigned kIntroTextId = 116;
constexpr char kNoFilesText[] = "No KVO files uploaded from your mobile device have been found.";
constexpr char kRemovingText[] = "Removing the file from the list...";
constexpr char kNotRemovedText[] = "The file could not be removed from the list";

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

CDownloadFromMobile::CDownloadFromMobile(Window* parent, int userNumber, std::vector<DownItem> items)
    : Dialog(IDD, parent),
      userNumber_(userNumber),
      items_(std::move(items)),
      owner_(std::make_unique<Owner>(*this)),
      calls_(*owner_)
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
        M::On(WM_PLAYER_COMMAND, &CDownloadFromMobile::OnRowClose),
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
    // Placed once its columns exist, so that the list's sizing rule gives
    // the close buttons at the rows' right end a column to sit in.
    list_.Create({}, this, kListId);
    list_.InsertColumn(0, "SONG", LVCFMT_LEFT, kSongColumnWidth);
    list_.InsertColumn(1, "TIME", LVCFMT_LEFT, kTimeColumnWidth);
    list_.InsertColumn(2, "BUTTON", LVCFMT_CENTER, 1);
    list_.MoveWindow(kListPlace);
    list_.Init();
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
    for (const DownItem& item : items_) {
        if (list_.AddItem(item.fileName, item.subject, item.artist, item.fid, item.downUrl) >= 0)
            ++rowCount_;
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
    list_.HideScrollbar();
    rowCount_ = 0;
    if (actionButton_.IsWindow()) {
        actionButton_.SetBitmaps(kOkPlace, skin::kBtnOk, skin::kBtnOk, skin::kBtnOk, "");
        actionButton_.SetDlgCtrlID(IDOK);
    } else {
        actionButton_.Create(kOkPlace, this, IDOK, skin::kBtnOk, skin::kBtnOk, skin::kBtnOk, "");
    }
    Invalidate(false);
}

int CDownloadFromMobile::FindFid(const std::string& fid) const
{
    for (int row = 0; row < list_.GetItemCount(); ++row)
        if (list_.GetItemFid(row) == fid)
            return row;
    return -1;
}

std::string CDownloadFromMobile::SaveNameFor(const std::string& serviceFileName)
{
    std::string name = serviceFileName;
    const size_t separator = name.find_last_of("/\\");
    if (separator != std::string::npos)
        name.erase(0, separator + 1);
    static constexpr char kExtension[] = ".kvo";
    constexpr size_t kExtensionLength = sizeof kExtension - 1;
    if (name.size() >= kExtensionLength &&
        strcasecmp(name.c_str() + name.size() - kExtensionLength, kExtension) == 0)
        name.erase(name.size() - kExtensionLength);
    std::string plain;
    for (const char c : name)
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F)
            plain += c;
    const size_t start = plain.find_first_not_of(".~ ");
    return start == std::string::npos ? std::string() : plain.substr(start);
}

LRESULT CDownloadFromMobile::OnRowClose(const Message& m)
{
    if (m.wParam == ID_CMD_ROW_CLOSE)
        OnNotUse(static_cast<int>(m.lParam));
    return 0;
}

void CDownloadFromMobile::OnNotUse(int row)
{
    if (row < 0 || row >= list_.GetItemCount())
        return;
    const std::string fid = list_.GetItemFid(row);
    // The row being downloaded stays until its download ends.
    if (download_.IsRunning() && fid == fid_)
        return;
    calls_.Start<ServiceReply>(
        kRemovingText, [fid](const KeepGoing& keepGoing) { return CallAddNotUse(fid, keepGoing); },
        [this, fid](const ServiceReply& reply) { OnNotUseReply(fid, reply); });
}

void CDownloadFromMobile::OnNotUseReply(const std::string& fid, const ServiceReply& reply)
{
    if (!reply.Succeeded()) {
        MessageBox(this, ServiceFailureText(kNotRemovedText, reply.WhyNot()), skinframe::kTitle,
                   MB_OK | MB_ICONINFORMATION);
        return;
    }
    // By its FID: rows dropped or downloaded meanwhile moved the others.
    const int row = FindFid(fid);
    if (row >= 0)
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
    // Name, address and FID all come from the one selected row, so the file
    // saved and the row reported are the same.
    const int row = list_.GetFirstSelected();
    const DownloadListItem* item = list_.ItemAt(row);
    if (!item)
        return;
    const std::string fid = item->strFid;
    const std::string url = item->strDownUrl;
    const std::string defaultName = SaveNameFor(item->strFileName);
    if (!ChooseSavePath) {
        OnlineTrace("Download: no save dialog\n");
        return;
    }
    const std::string path = ChooseSavePath(defaultName);
    if (path.empty())
        return;
    savePath_ = path;
    fid_ = fid;
    download_.Start(owner_.get(), url, savePath_, fid_, row);
}

LRESULT CDownloadFromMobile::OnDownloadResult(const Message& m)
{
    if (m.wParam == ID_CMD_SERVICE_CALL_DONE) {
        calls_.Finish(m.lParam);
        return 0;
    }
    download_.Finish();
    if (m.wParam == ID_CMD_PHONE_DOWNLOAD_DONE) {
        // By its FID: a row dropped meanwhile moved the others.
        const int row = FindFid(fid_);
        if (row >= 0)
            list_.DeleteItemAt(row);
    }
    return 0;
}

LRESULT CDownloadFromMobile::OnDestroy(const Message&)
{
    calls_.CancelAll();
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
