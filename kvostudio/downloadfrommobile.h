#pragma once
// The dialog that lists the containers the user uploaded from the phone
// (the list the service gave its owner), drops a row the user does not want
// ("not use", asked of the service while the dialog goes on), and downloads
// the selected one into a file the user chooses, with a progress window. A
// downloaded row is reported to the service and removed; a failed one
// stays. One download runs at a time, and closing the dialog stops it.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "kvostudio/libskin/downloadskinlistctrl.h"
#include "kvostudio/libskin/imagebutton.h"
#include "kvostudio/phonedownload.h"
#include "kvostudio/servicecall.h"
#include "kvostudio/serviceowner.h"
#include "kvostudio/webservice.h"
#include "platform/draw/bitmap.h"
#include "platform/window/dialog.h"

class CDownloadFromMobile : public platform::Dialog {
public:
    enum { IDD = 167 };
    static constexpr int kListId = 1000;
    static constexpr int kDownloadButton = 2025;
    static constexpr int kDownButton = 2030;
    static constexpr platform::UINT kMsgDownloadResult = platform::WM_APP + 1101;

    CDownloadFromMobile(platform::Window* parent, int userNumber, std::vector<DownItem> items);
    ~CDownloadFromMobile() override;

    // Asks where to save (the default name given); empty when cancelled.
    // The owner supplies the desktop's save dialog.
    std::function<std::string(const std::string& defaultName)> ChooseSavePath;

    // The name the save dialog proposes for a file the service lists: its
    // last path part without a final ".kvo", and without leading dots, '~'
    // or control characters, so that it can only name a file in the folder
    // the user picks.
    static std::string SaveNameFor(const std::string& serviceFileName);

    CDownloadSkinListCtrl& List() { return list_; }
    // The download button's id now: kDownloadButton, IDOK, or 0 (none).
    int ActionButtonId() const;
    PhoneDownload& Download() { return download_; }

    void OnDownload();
    void OnNotUse(int row);

    const platform::MessageMap* GetMessageMap() const override;

protected:
    bool OnInitDialog() override;

private:
    class Owner;

    void LoadList();
    void ShowOkButton();
    void OnNotUseReply(const std::string& fid, const ServiceReply& reply);
    // The row holding that FID, -1 when none does.
    int FindFid(const std::string& fid) const;

    platform::LRESULT OnRowClose(const platform::Message& m);
    platform::LRESULT OnDownloadResult(const platform::Message& m);
    platform::LRESULT OnPaint(const platform::Message& m);
    platform::LRESULT OnEraseBkgnd(const platform::Message& m);
    platform::LRESULT OnDestroy(const platform::Message& m);

    CDownloadSkinListCtrl list_;
    CImageButton closeButton_;
    CImageButton downButton_;
    platform::Bitmap top_;
    std::string savePath_;
    int userNumber_;
    std::string fid_;
    CImageButton actionButton_;
    int rowCount_ = 0;
    std::vector<DownItem> items_;
    std::unique_ptr<Owner> owner_;
    ServiceCalls calls_;
    PhoneDownload download_;
};
