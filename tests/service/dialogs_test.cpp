// The sign-in and phone download dialogs on in-memory windows, driven with
// injected pointer and key input.

#include "kvostudio/downloadfrommobile.h"
#include "kvostudio/logindlg.h"
#include "kvostudio/serviceprogress.h"
#include "kvostudio/settings.h"
#include "platform/window/input_injection.h"
#include "platform/window/ui_loop.h"
#include "tests/service/service_fixture.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace platform;
using servicetest::ServiceTest;
using testsupport::Fault;
using testsupport::FaultKind;

class Dialogs : public ServiceTest {
protected:
    void SetUp() override
    {
        ServiceTest::SetUp();
        InitWindowing(DisplayMode::Headless);
    }

    static void Click(Window& top, Point p)
    {
        InjectMouseMove(top, p);
        InjectMouseButton(top, 1, true, p);
        InjectMouseButton(top, 1, false, p);
        PumpMessages();
    }
    static void Type(Window& top, const std::string& text)
    {
        for (char c : text) {
            InjectKey(top, true, 'A', static_cast<unsigned char>(c));
            InjectKey(top, false, 'A');
        }
    }
    static std::string RememberedId()
    {
        char id[config::kIdCapacity] = {};
        int size = sizeof id;
        ReadConfigString(config::kGeneral, config::kId, id, &size);
        return id;
    }
};

TEST_F(Dialogs, SignInNeedsBothFieldsAndRemembersTheIdOnlyWhenAsked)
{
    WriteConfigString(config::kGeneral, config::kId, "kept");
    CLoginDlg dlg;
    ASSERT_TRUE(dlg.Create(CLoginDlg::IDD));
    EXPECT_EQ(dlg.GetWindowText(), "Sign in to Pellam");
    EXPECT_EQ(dlg.GetClientRect().Width(), 473);
    EXPECT_TRUE(dlg.RememberCheck().GetCheck());
    EXPECT_EQ(dlg.IdEdit().GetText(), "kept");
    // The cursor moves to the password once the short timer ran.
    ASSERT_TRUE(RunLoopUntil([&] { return Window::GetFocus() == &dlg.PasswordEdit(); }, 2000));

    // The sign-in button with an empty password leaves the dialog open.
    Click(dlg, {150, 190});
    EXPECT_TRUE(dlg.IsWindowVisible());

    Type(dlg, "s3cret");
    InjectKey(dlg, true, VK_BACK);
    Type(dlg, "t");
    EXPECT_EQ(dlg.PasswordEdit().GetText(), "s3cret");
    EXPECT_EQ(dlg.PasswordEdit().ShownText(), "******");

    // Unchecking "Remember ID" forgets the stored one on OK.
    Click(dlg, {360, 102});
    EXPECT_FALSE(dlg.RememberCheck().GetCheck());
    Click(dlg, {150, 190});
    EXPECT_FALSE(dlg.IsWindowVisible());
    EXPECT_EQ(dlg.GetUserId(), "kept");
    EXPECT_EQ(dlg.GetPassword(), "s3cret");
    EXPECT_EQ(RememberedId(), "");
    dlg.DestroyWindow();

    // Checked, the typed ID is stored; the links open the member pages.
    CLoginDlg again;
    std::vector<std::string> opened;
    again.OpenPage = [&](const std::string& url) { opened.push_back(url); };
    ASSERT_TRUE(again.Create(CLoginDlg::IDD));
    EXPECT_FALSE(again.RememberCheck().GetCheck());
    Click(again, {140, 100});
    Type(again, "new.user@x");
    Click(again, {140, 125});
    Type(again, "pw");
    Click(again, {360, 102});
    for (int link : {0, 2}) {
        const Rect r = again.Link(link)->GetRectInParent();
        Click(again, {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    }
    Click(again, {150, 190});
    EXPECT_EQ(RememberedId(), "new.user@x");
    EXPECT_EQ(opened, (std::vector<std::string>{fake_.Url("/FindID/findid_1.asp"), fake_.Url("/Join/join_1.asp")}));
    again.DestroyWindow();
}

TEST_F(Dialogs, PhoneListRowsNotUseAndDownload)
{
    CDownloadFromMobile dlg(nullptr, 77);
    std::string asked;
    dlg.ChooseSavePath = [&](const std::string& name) {
        asked = name;
        return dir_.File(name + ".kvo");
    };
    dlg.Download().SetFinishPause(std::chrono::milliseconds(0));
    ASSERT_TRUE(dlg.Create(CDownloadFromMobile::IDD));
    EXPECT_EQ(fake_.RequestsFor("/webservice/studio/getdownlist").at(0).body, "userno=77");
    ASSERT_EQ(dlg.List().GetItemCount(), 2);
    EXPECT_EQ(dlg.ActionButtonId(), CDownloadFromMobile::kDownloadButton);

    // Download the second row: it is reported and removed; the button stays.
    dlg.List().SetSelectedRow(1);
    dlg.OnDownload();
    EXPECT_EQ(asked, "song2");
    ASSERT_TRUE(RunLoopUntil([&] { return dlg.List().GetItemCount() == 1; }, 20000));
    EXPECT_EQ(testsupport::ReadFile(dir_.File("song2.kvo")).size(), 5000u);
    EXPECT_EQ(fake_.RequestsFor("/webservice/studio/addrelaydownresult").at(0).body, "fid=102");
    EXPECT_EQ(dlg.ActionButtonId(), CDownloadFromMobile::kDownloadButton);

    // "Not use" on the last row empties the list: OK takes the button's place.
    dlg.OnNotUse(0);
    EXPECT_EQ(fake_.RequestsFor("/webservice/studio/addnotuse").at(0).body, "fid=101");
    EXPECT_EQ(dlg.List().GetItemCount(), 0);
    EXPECT_FALSE(dlg.List().IsWindowVisible());
    EXPECT_EQ(dlg.ActionButtonId(), IDOK);
    dlg.DestroyWindow();
}

TEST_F(Dialogs, PhoneListFailuresKeepRows)
{
    // A download that fails, or a refused "not use", keeps the row; closing
    // the dialog during a slow download stops it and leaves no file.
    CDownloadFromMobile dlg(nullptr, 1);
    dlg.ChooseSavePath = [&](const std::string& name) { return dir_.File(name + ".kvo"); };
    dlg.Download().SetFinishPause(std::chrono::milliseconds(0));
    ASSERT_TRUE(dlg.Create(CDownloadFromMobile::IDD));
    fake_.SetFault("/files/song1.kvo", Fault(FaultKind::Truncate));
    dlg.List().SetSelectedRow(0);
    dlg.OnDownload();
    ASSERT_TRUE(RunLoopUntil([&] { return !dlg.Download().IsRunning(); }, 20000));
    PumpMessages();
    EXPECT_EQ(dlg.List().GetItemCount(), 2);
    EXPECT_FALSE(testsupport::FileExists(dir_.File("song1.kvo")));
    fake_.SetXmlAnswer("/webservice/studio/addnotuse", testsupport::FakeService::ServiceXml("Studio", 0, {}));
    dlg.OnNotUse(1);
    EXPECT_EQ(dlg.List().GetItemCount(), 2);

    fake_.SetFault("/files/song2.kvo", Fault(FaultKind::Slow, 500, {}, 0, 5));
    dlg.List().SetSelectedRow(1);
    dlg.OnDownload();
    EXPECT_TRUE(dlg.Download().IsRunning());
    dlg.DestroyWindow();
    EXPECT_FALSE(dlg.Download().IsRunning());
    EXPECT_FALSE(testsupport::FileExists(dir_.File("song2.kvo")));
    EXPECT_TRUE(fake_.RequestsFor("/webservice/studio/addrelaydownresult").empty());

    // A failed list shows OK; no answer shows no button at all.
    fake_.SetXmlAnswer("/webservice/studio/getdownlist", testsupport::FakeService::ServiceXml("Phone", 0, {}));
    {
        CDownloadFromMobile dlg(nullptr, 1);
        ASSERT_TRUE(dlg.Create(CDownloadFromMobile::IDD));
        EXPECT_EQ(dlg.ActionButtonId(), IDOK);
        dlg.DestroyWindow();
    }
    fake_.SetFault("/webservice/studio/getdownlist", Fault(FaultKind::Status, 500));
    {
        CDownloadFromMobile dlg(nullptr, 1);
        ASSERT_TRUE(dlg.Create(CDownloadFromMobile::IDD));
        EXPECT_EQ(dlg.ActionButtonId(), 0);
        dlg.DestroyWindow();
    }
    fake_.ClearFaults();
}

TEST_F(Dialogs, ProgressWindowFollowsAWorkersPosts)
{
    CLoginDlg owner;
    ASSERT_TRUE(owner.Create(CLoginDlg::IDD));
    auto made = MakeServiceProgressWindow(&owner);
    ASSERT_TRUE(made);
    auto& progress = static_cast<ServiceProgressWindow&>(*made);
    progress.SetCaption("Uploading file");
    progress.SetFileName("/tmp/a.kvo");
    EXPECT_FALSE(progress.Dialog().IsWindowVisible());
    progress.Show();
    EXPECT_TRUE(progress.Dialog().IsWindowVisible());
    std::thread worker([&] {
        progress.PostTargetPercent(40, 0);
        progress.PostTargetPercent(100, 0);
        progress.PostHide();
    });
    worker.join();
    ASSERT_TRUE(RunLoopUntil([&] { return !progress.Dialog().IsWindowVisible(); }, 5000));
    EXPECT_EQ(progress.Dialog().GetShownPercent(), 100);
    made.reset();
    owner.DestroyWindow();
}

}  // namespace
