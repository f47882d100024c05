#include "kvostudio/updatestep.h"

#include <atomic>
#include <functional>
#include <thread>

#include "kvostudio/helpers.h"
#include "kvostudio/libskin/imagebutton.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "kvostudio/onlinetrace.h"
#include "kvostudio/progressdlg.h"
#include "kvostudio/skinframe.h"
#include "kvostudio/updatecheck.h"
#include "platform/window/message_box.h"

using namespace platform;

namespace {

constexpr UINT kMsgShowNotice = WM_APP + 1201;
constexpr int kProgressWidth = 392;

std::string FailureNotice(const std::string& reason)
{
    return "The update of KVO Studio failed: " + reason + ".\nKVO Studio starts as it is.";
}

// The progress window of the updater's download, with a close button that
// cancels it (as Escape does). The worker reports the end by kMsgFetched.
class CUpdateDownloadDlg : public CProgressDlg {
public:
    static constexpr UINT kMsgFetched = WM_USER + 3;

    std::function<void()> OnShown;

    const MessageMap* GetMessageMap() const override
    {
        using M = MessageMap;
        static const M map(CProgressDlg::GetMessageMap(), {M::On(kMsgFetched, &CUpdateDownloadDlg::OnFetched)});
        return &map;
    }

protected:
    bool OnInitDialog() override
    {
        if (!CProgressDlg::OnInitDialog())
            return false;
        close_.Create({kProgressWidth - 20, 8, kProgressWidth - 8, 20}, this, IDCANCEL, skin::kIcoCloseOn,
                      skin::kIcoCloseOn, skin::kIcoClosePush, "");
        if (OnShown)
            OnShown();
        return true;
    }

private:
    LRESULT OnFetched(const Message&)
    {
        EndDialog(IDOK);
        return 0;
    }

    CImageButton close_;
};

// Downloads the updater while its window shows how far it got. True with
// the file's path; false with the reason.
bool FetchWithProgress(const std::string& version, std::string& path, std::string& reason)
{
    CUpdateDownloadDlg dlg;
    dlg.SetCaption("Updating KVO Studio\nDownloading version " + version);
    dlg.SetMessageText("");
    std::atomic<bool> cancel{false};
    bool fetched = false;
    std::thread worker;
    dlg.OnShown = [&] {
        worker = std::thread([&] {
            SetThreadName("UpdaterDownload");
            int shown = -1;
            fetched = FetchUpdater(
                path, reason,
                [&](int64_t received, int64_t announced) {
                    if (announced <= 0)
                        return;
                    const int percent = static_cast<int>(std::min<int64_t>(received * 100 / announced, 99));
                    if (percent != shown) {
                        shown = percent;
                        dlg.PostTargetPercent(percent, 0);
                    }
                },
                [&] { return !cancel; });
            dlg.PostMessage(CUpdateDownloadDlg::kMsgFetched);
        });
    };
    const int result = dlg.DoModal();
    cancel = true;
    if (worker.joinable())
        worker.join();
    if (result == IDOK && fetched)
        return true;
    if (result == IDCANCEL)
        reason = "the download was cancelled";
    else if (reason.empty())
        reason = "the new version could not be downloaded";
    return false;
}

}  // namespace

StartupUpdate RunStartupUpdate(const char* runningVersion, std::string& notice)
{
    notice.clear();
    std::string version;
    if (!CheckForUpdate(runningVersion, &version))
        return StartupUpdate::StartProgram;
    std::string path;
    std::string reason;
    if (!FetchWithProgress(version, path, reason)) {
        notice = FailureNotice(reason);
        OnlineTrace("Update: %s\n", reason.c_str());
        return StartupUpdate::StartProgram;
    }
    const std::string question = "KVO Studio " + version +
                                 " has been downloaded. Install it now?\n"
                                 "KVO Studio closes while the update is installed.";
    if (MessageBox(nullptr, question, skinframe::kTitle, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return StartupUpdate::StartProgram;
    if (!StartUpdater(path)) {
        notice = FailureNotice("the updater could not be started");
        return StartupUpdate::StartProgram;
    }
    return StartupUpdate::UpdaterStarted;
}

void StartupNotice::ShowOver(Window* owner, const std::string& text)
{
    if (text.empty())
        return;
    owner_ = owner;
    text_ = text;
    OnlineTrace("Update notice: %s\n", text_.c_str());
    if (!IsWindow() && !CreateEx(0, "StartupNotice", "", 0, {0, 0, 1, 1}, nullptr, 0))
        return;
    PostMessage(kMsgShowNotice);
}

LRESULT StartupNotice::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != kMsgShowNotice)
        return Window::WindowProc(msg, wParam, lParam);
    Window* owner = owner_ && owner_->IsWindow() ? owner_ : nullptr;
    MessageBox(owner, text_, skinframe::kTitle, MB_OK | MB_ICONINFORMATION);
    return 0;
}
