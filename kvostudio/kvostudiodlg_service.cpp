// The main window's dealings with the online service: the sign-in button
// and its pending command, the personal bar's signed-in look, the three
// uploads (a UCC recording, a container for the phone, the recording just
// made), the phone download, and the handling of the upload results, which
// register the file with the service and offer its pages.
#include "kvostudio/kvostudiodlg.h"

#include "kvostudio/downloadfrommobile.h"
#include "kvostudio/fecfiledialog.h"
#include "kvostudio/folders.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "kvostudio/logindlg.h"
#include "kvostudio/messages.h"
#include "kvostudio/playercommand.h"
#include "kvostudio/savecompletedlg.h"
#include "kvostudio/serviceconfig.h"
#include "kvostudio/uploadfiledlg.h"
#include "kvostudio/uploadimpl.h"
#include "kvostudio/windowcommands.h"
#include "platform/shell/web_page.h"

using namespace platform;

namespace {

constexpr Rect kSignInRect{284, 35, 331, 52};
constexpr Rect kSignOutRect{277, 35, 331, 52};
constexpr Rect kTransferPullDownRect{163, 35, 178, 50};

// What the progress window says while the service is asked, and what could
// not be done when it did not answer as it should.
constexpr char kAskingForFileId[] = "Asking the service where to upload the file...";
constexpr char kAskingForPhoneCount[] = "Asking the service how many files your phone has waiting...";
constexpr char kAskingForPhoneFiles[] = "Asking the service for the files sent from your phone...";
constexpr char kRegisteringUpload[] = "Registering the uploaded file with the service...";
constexpr char kUploadNotBegun[] = "The upload could not begin";
constexpr char kPhoneCountNotRead[] = "The files waiting for your phone could not be counted";
constexpr char kPhoneListNotRead[] = "The list of files sent from your phone could not be fetched";
constexpr char kNoUploadAddress[] = "the service gave no address to upload to";
constexpr char kUploadedNotRegistered[] = "The file was uploaded, but it was not registered with the service";
constexpr char kRegistrationCancelled[] = "the registration was cancelled";

// The service's own words when it gave any, else why there was no answer.
std::string WhyNot(const MessageReply& reply)
{
    return reply.errorMsg.empty() ? reply.WhyNot() : reply.errorMsg;
}

UploadMetadata MetadataOf(const UploadResult& result, int userNo, const std::string& userId)
{
    UploadMetadata values;
    values.userNo = userNo;
    values.userId = userId;
    values.fid = result.fileId;
    values.kvoId = result.songId;
    values.playTime = result.playTime;
    values.fileSize = result.fileSize;
    values.ip = result.serverIp;
    return values;
}

}  // namespace

// --- sign-in -----------------------------------------------------------------------

void CKvoStudioDlg::ShowSignInMenu(int pending)
{
    if (m_buttons[kSlotSignIn].GetDlgCtrlID() == kIdSignIn) {
        AskAndSignIn(pending);
        return;
    }
    SignOut();
    SwapSignInButton(kIdSignOut);
    ShowPersonalBar(false);
}

void CKvoStudioDlg::AskAndSignIn(int pending)
{
    // Without a sign-in server the dialog could only come back, empty,
    // after every try.
    std::string host;
    int port = 0;
    if (!SignInServerAddress(host, port)) {
        ShowInfo(kNoServiceText);
        return;
    }
    CLoginDlg dlg(this);
    dlg.OpenPage = [](const std::string& url) { OpenWebPage(url); };
    if (RunModal(dlg) != IDOK) {
        // What an earlier, refused try left in the sign-in state goes, as
        // at a sign-out.
        if (!IsSignedIn())
            SignOut();
        return;
    }
    SetUserId(dlg.GetUserId());
    SetPassword(dlg.GetPassword());
    BeginSignIn(&m_serviceOwner, pending);
}

void CKvoStudioDlg::ShowPersonalBar(bool signedIn)
{
    m_buttons[kSlotPersonalPullDown].ShowWindow(signedIn ? SW_SHOW : SW_HIDE);
    if (signedIn)
        m_buttons[kSlotTransferPullDown].SetBitmaps(kTransferPullDownRect, skin::kBtnPullDown,
                                                    skin::kBtnPullDownOver, skin::kBtnPullDownPress, "");
    else
        m_buttons[kSlotTransferPullDown].SetBitmaps(kTransferPullDownRect, skin::kBtnPullDown2,
                                                    skin::kBtnPullDownOver2, skin::kBtnPullDownPress2, "");
    InvalidateRect(kPersonalRect, false);
}

void CKvoStudioDlg::SwapSignInButton(int id)
{
    CImageButton& button = m_buttons[kSlotSignIn];
    if (id == kIdSignIn) {
        button.SetBitmaps(kSignOutRect, skin::kBtnSignOut, skin::kBtnSignOutOver, skin::kBtnSignOutPress, "");
        button.SetDlgCtrlID(kIdSignOut);
    } else if (id == kIdSignOut) {
        button.SetBitmaps(kSignInRect, skin::kBtnSignIn, skin::kBtnSignInOver, skin::kBtnSignInPress, "");
        button.SetDlgCtrlID(kIdSignIn);
    }
}

void CKvoStudioDlg::OnSignedIn(int pending)
{
    SwapSignInButton(kIdSignIn);
    ShowPersonalBar(true);
    if (pending >= 1)
        PostMessage(WM_PLAYER_COMMAND, static_cast<WPARAM>(pending), 0);
}

void CKvoStudioDlg::OnSignInFailed(int pending)
{
    AskAndSignIn(pending);
}

// --- uploads -------------------------------------------------------------------------

bool CKvoStudioDlg::ServiceHostReady()
{
    if (!ServiceHostAddress(ServiceHost::Service).empty())
        return true;
    ShowInfo(kNoServiceText);
    return false;
}

CUploadImpl* CKvoStudioDlg::NewUpload(int kind, const FidReply& fid)
{
    auto* upload = new CUploadImpl(kind);
    m_uploads.insert(upload);
    upload->SetFileId(std::to_string(fid.fid).c_str());
    upload->SetServerIp(fid.ip);
    upload->SetUploadUrl(fid.serverUrl);
    return upload;
}

void CKvoStudioDlg::StartUpload(CUploadImpl* upload)
{
    // An engine that did not start posts no result: nothing would ever
    // free it.
    if (!upload->Start(&m_serviceOwner)) {
        m_uploads.erase(upload);
        delete upload;
    }
}

void CKvoStudioDlg::FinishUpload(UploadResult* result)
{
    CUploadImpl* upload = result->engine;
    if (upload && m_uploads.erase(upload)) {
        upload->Stop();
        delete upload;
    }
    result->engine = nullptr;
}

void CKvoStudioDlg::UploadWithNewFileId(int kind, std::function<void(CUploadImpl&)> prepare)
{
    m_serviceCalls.Start<FidReply>(
        kAskingForFileId, [](const KeepGoing& keepGoing) { return CallGetFid(keepGoing); },
        [this, kind, prepare = std::move(prepare)](const FidReply& fid) {
            if (!fid.Succeeded()) {
                ShowInfo(ServiceFailureText(kUploadNotBegun, fid.WhyNot()));
                return;
            }
            CUploadImpl* upload = NewUpload(kind, fid);
            prepare(*upload);
            StartUpload(upload);
        });
}

void CKvoStudioDlg::UploadUccFile()
{
    if (!IsSignedIn()) {
        ShowSignInMenu(menuid::kUccUpload);
        return;
    }
    if (!ServiceHostReady())
        return;
    CUccUploadDlg dlg(this);
    if (RunModal(dlg) != IDOK || dlg.GetFilePath().empty())
        return;
    UploadWithNewFileId(CUploadImpl::kUccFile, [path = dlg.GetFilePath()](CUploadImpl& upload) {
        upload.SetFilePath(path);
        upload.SetSongSourcePath(path);
    });
}

void CKvoStudioDlg::TransferToMobile()
{
    if (!IsSignedIn()) {
        ShowSignInMenu(menuid::kToMobile);
        return;
    }
    if (!ServiceHostReady())
        return;
    m_serviceCalls.Start<CountReply>(
        kAskingForPhoneCount,
        [userNumber = GetUserNumber()](const KeepGoing& keepGoing) { return CallGetLimitCount(userNumber, keepGoing); },
        [this](const CountReply& count) { OnLimitCount(count); });
}

void CKvoStudioDlg::OnLimitCount(const CountReply& count)
{
    if (count.count >= kPhoneFileLimit) {
        ShowInfo(LoadFormatString(112));
        return;
    }
    if (!count.Succeeded()) {
        ShowInfo(ServiceFailureText(kPhoneCountNotRead, count.WhyNot()));
        return;
    }
    CTransferMobileDlg dlg(this);
    if (RunModal(dlg) != IDOK || dlg.GetFilePath().empty())
        return;
    m_serviceCalls.Start<FidReply>(
        kAskingForFileId, [](const KeepGoing& keepGoing) { return CallGetRelayFid(keepGoing); },
        [this, path = dlg.GetFilePath()](const FidReply& fid) { OnRelayFileId(fid, path); });
}

void CKvoStudioDlg::OnRelayFileId(const FidReply& fid, const std::string& path)
{
    if (!fid.Succeeded() || fid.fid == 0 || fid.ip.empty() || fid.serverUrl.empty()) {
        ShowInfo(ServiceFailureText(kUploadNotBegun, fid.Succeeded() ? kNoUploadAddress : fid.WhyNot()));
        return;
    }
    CUploadImpl* upload = NewUpload(CUploadImpl::kPhoneTransfer, fid);
    upload->SetFilePath(path);
    upload->SetProgressCaption(LoadFormatString(129), 1);
    StartUpload(upload);
}

void CKvoStudioDlg::TransferFromMobile()
{
    if (!IsSignedIn()) {
        ShowSignInMenu(menuid::kFromMobile);
        return;
    }
    if (!ServiceHostReady())
        return;
    m_serviceCalls.Start<DownListReply>(
        kAskingForPhoneFiles,
        [userNumber = GetUserNumber()](const KeepGoing& keepGoing) { return CallGetDownList(userNumber, keepGoing); },
        [this](const DownListReply& list) { OnDownList(list); });
}

void CKvoStudioDlg::OnDownList(const DownListReply& list)
{
    // A list that did not come is told, not shown as an empty one.
    if (!list.Succeeded()) {
        ShowInfo(ServiceFailureText(kPhoneListNotRead, list.WhyNot()));
        return;
    }
    CDownloadFromMobile dlg(this, GetUserNumber(), list.items);
    dlg.ChooseSavePath = [&dlg](const std::string& defaultName) {
        CFECFileDialog save(false, "kvo", defaultName.c_str(), OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                            "Music (*.kvo) | *.kvo|", &dlg);
        return save.DoModal() == IDOK ? save.GetPathName() : std::string();
    };
    RunModal(dlg);
}

void CKvoStudioDlg::UploadRecording()
{
    if (!IsSignedIn() || !ServiceHostReady())
        return;
    UploadWithNewFileId(CUploadImpl::kRecording,
                        [song = m_recordedSong](CUploadImpl& upload) { upload.SetSongSourcePath(song); });
}

int CKvoStudioDlg::SaveCompleteDialog(const std::string& body, const std::string& heading, int mode)
{
    CSaveCompleteDlg dlg(this);
    dlg.SetBodyText(body);
    dlg.SetHeadingText(heading);
    dlg.SetMode(mode);
    return RunModal(dlg);
}

void CKvoStudioDlg::OnUploadDone(UploadResult* result)
{
    if (result) {
        FinishUpload(result);
        const UploadMetadata values = MetadataOf(*result, GetUserNumber(), GetUserId());
        delete result;
        if (IsSignedIn()) {
            m_serviceCalls.Start<MessageReply>(
                kRegisteringUpload, [values](const KeepGoing& keepGoing) { return CallAddMetadata(values, keepGoing); },
                [this](const MessageReply& reply) { OnUploadRegistered(reply); },
                [this] { OnUploadRegistered(CancelledRegistration()); });
            return;
        }
    }
    ShowUploadComplete();
}

void CKvoStudioDlg::OnUploadRegistered(const MessageReply& reply)
{
    if (!reply.Succeeded())
        ShowInfo(NotRegisteredText(reply));
    ShowUploadComplete();
}

MessageReply CKvoStudioDlg::CancelledRegistration()
{
    MessageReply reply;
    reply.failure = kRegistrationCancelled;
    return reply;
}

std::string CKvoStudioDlg::NotRegisteredText(const MessageReply& reply)
{
    // A refusal is the service's to explain; without an answer the file is
    // on the service all the same, only not registered.
    if (reply.answered)
        return LoadFormatString(110) + "\n" + WhyNot(reply);
    return ServiceFailureText(kUploadedNotRegistered, reply.WhyNot());
}

void CKvoStudioDlg::ShowUploadComplete()
{
    const int end = SaveCompleteDialog(LoadFormatString(107), LoadFormatString(109), CSaveCompleteDlg::kModeUploaded);
    if (end == CSaveCompleteDlg::kSecondButton)
        OpenServicePage(ServicePages::kEditor);
    else if (end == CSaveCompleteDlg::kModeUploaded)
        OpenServicePage(ServicePages::kMyAudio);
}

void CKvoStudioDlg::OnRelayUploadDone(UploadResult* result)
{
    if (!result)
        return;
    FinishUpload(result);
    const UploadMetadata values = MetadataOf(*result, GetUserNumber(), GetUserId());
    const std::string fileName = GetFileNamePart(result->filePath.c_str());
    delete result;
    m_serviceCalls.Start<MessageReply>(
        kRegisteringUpload,
        [values, fileName](const KeepGoing& keepGoing) { return CallAddRelayMetadata(values, fileName, keepGoing); },
        [this](const MessageReply& reply) { OnRelayRegistered(reply); },
        [this] { OnRelayRegistered(CancelledRegistration()); });
}

void CKvoStudioDlg::OnRelayRegistered(const MessageReply& reply)
{
    // The dialog that ends this flow tells the cause itself.
    if (reply.Succeeded())
        SaveCompleteDialog(LoadFormatString(113), LoadFormatString(131), CSaveCompleteDlg::kModeSentForPhone);
    else
        SaveCompleteDialog("Cause : " + (reply.answered ? WhyNot(reply) : NotRegisteredText(reply)),
                           LoadFormatString(110), CSaveCompleteDlg::kModeSentForPhone);
}

void CKvoStudioDlg::OnUploadFailed(UploadResult* result)
{
    std::string message;
    if (result) {
        FinishUpload(result);
        message = result->message;
        delete result;
    }
    ShowInfo(LoadFormatString(110) + "\n" + message);
}
