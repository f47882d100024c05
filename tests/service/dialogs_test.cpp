// The sign-in and phone download dialogs on in-memory windows, driven with
// injected pointer and key input.

#include "kvostudio/downloadfrommobile.h"
#include "kvostudio/logindlg.h"
#include "kvostudio/serviceprogress.h"
#include "kvostudio/settings.h"
#include "kvostudio/webservice.h"
#include "platform/window/input_injection.h"
#include "platform/window/message_box.h"
#include "platform/window/ui_loop.h"
#include "tests/service/service_fixture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
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
    CDownloadFromMobile dlg(nullptr, 77, CallGetDownList(77).items);
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
    dlg.List().SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    dlg.OnDownload();
    EXPECT_EQ(asked, "song2");
    ASSERT_TRUE(RunLoopUntil([&] { return dlg.List().GetItemCount() == 1; }, 20000));
    EXPECT_EQ(testsupport::ReadFile(dir_.File("song2.kvo")).size(), 5000u);
    EXPECT_EQ(fake_.RequestsFor("/webservice/studio/addrelaydownresult").at(0).body, "fid=102");
    EXPECT_EQ(dlg.ActionButtonId(), CDownloadFromMobile::kDownloadButton);

    // "Not use" on the last row empties the list: OK takes the button's place.
    dlg.OnNotUse(0);
    ASSERT_TRUE(RunLoopUntil([&] { return dlg.List().GetItemCount() == 0; }, 10000));
    EXPECT_EQ(fake_.RequestsFor("/webservice/studio/addnotuse").at(0).body, "fid=101");
    EXPECT_FALSE(dlg.List().IsWindowVisible());
    EXPECT_EQ(dlg.ActionButtonId(), IDOK);
    dlg.DestroyWindow();
}

TEST_F(Dialogs, PhoneListFailuresKeepRows)
{
    // A download that fails, or a refused "not use", keeps the row; closing
    // the dialog during a slow download stops it and leaves no file.
    CDownloadFromMobile dlg(nullptr, 1, CallGetDownList(1).items);
    dlg.ChooseSavePath = [&](const std::string& name) { return dir_.File(name + ".kvo"); };
    dlg.Download().SetFinishPause(std::chrono::milliseconds(0));
    ASSERT_TRUE(dlg.Create(CDownloadFromMobile::IDD));
    fake_.SetFault("/files/song1.kvo", Fault(FaultKind::Truncate));
    dlg.List().SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    dlg.OnDownload();
    ASSERT_TRUE(RunLoopUntil([&] { return !dlg.Download().IsRunning(); }, 20000));
    PumpMessages();
    EXPECT_EQ(dlg.List().GetItemCount(), 2);
    EXPECT_FALSE(testsupport::FileExists(dir_.File("song1.kvo")));
    // A refused "not use" keeps the row and says so.
    fake_.SetXmlAnswer("/webservice/studio/addnotuse", testsupport::FakeService::ServiceXml("Studio", 0, {}));
    std::vector<std::string> boxes;
    const MessageBoxHandler old = SetMessageBoxHandler([&](const MessageBoxRequest& r) {
        boxes.push_back(r.text);
        return IDOK;
    });
    dlg.OnNotUse(1);
    ASSERT_TRUE(RunLoopUntil([&] { return !boxes.empty(); }, 10000));
    SetMessageBoxHandler(old);
    EXPECT_EQ(boxes, std::vector<std::string>{"The file could not be removed from the list:\n"
                                              "the service refused the request (error code 0)."});
    EXPECT_EQ(dlg.List().GetItemCount(), 2);

    fake_.SetFault("/files/song2.kvo", Fault(FaultKind::Slow, 500, {}, 0, 5));
    dlg.List().SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    dlg.OnDownload();
    EXPECT_TRUE(dlg.Download().IsRunning());
    dlg.DestroyWindow();
    EXPECT_FALSE(dlg.Download().IsRunning());
    EXPECT_FALSE(testsupport::FileExists(dir_.File("song2.kvo")));
    EXPECT_TRUE(fake_.RequestsFor("/webservice/studio/addrelaydownresult").empty());

    // An empty list shows OK in the button's place.
    {
        CDownloadFromMobile dlg(nullptr, 1, {});
        ASSERT_TRUE(dlg.Create(CDownloadFromMobile::IDD));
        EXPECT_EQ(dlg.ActionButtonId(), IDOK);
        dlg.DestroyWindow();
    }
}

TEST_F(Dialogs, ClosingTheDialogEndsAStalledDownloadAtOnce)
{
    for (const FaultKind kind : {FaultKind::Stall, FaultKind::StallMidBody}) {
        SCOPED_TRACE(static_cast<int>(kind));
        CDownloadFromMobile dlg(nullptr, 1, CallGetDownList(1).items);
        dlg.ChooseSavePath = [&](const std::string& name) { return dir_.File(name + ".kvo"); };
        ASSERT_TRUE(dlg.Create(CDownloadFromMobile::IDD));
        fake_.ClearLog();
        fake_.SetFault("/files/song2.kvo", Fault(kind));
        dlg.List().SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
        dlg.OnDownload();
        ASSERT_TRUE(fake_.WaitForRequests(1, 10000));
        // The server has the request and falls silent, before the answer or
        // half way through it: the close must end the download in the
        // middle of that wait, which nothing on the client's side announces.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const auto start = std::chrono::steady_clock::now();
        dlg.DestroyWindow();
        const auto took = std::chrono::steady_clock::now() - start;
        // Within a second; a busy machine is allowed five.
        EXPECT_LT(took, std::chrono::seconds(5))
            << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
        EXPECT_FALSE(dlg.Download().IsRunning());
        EXPECT_FALSE(testsupport::FileExists(dir_.File("song2.kvo")));
    }
    fake_.ClearFaults();
}

TEST_F(Dialogs, ServiceFileNamesOfferOnlyAPlainNameInTheChosenFolder)
{
    EXPECT_EQ(CDownloadFromMobile::SaveNameFor("song1.kvo"), "song1");
    EXPECT_EQ(CDownloadFromMobile::SaveNameFor("My.Song.KVO"), "My.Song");
    EXPECT_EQ(CDownloadFromMobile::SaveNameFor("a.kvo.b"), "a.kvo.b");
    EXPECT_EQ(CDownloadFromMobile::SaveNameFor("..\\..\\x.kvo"), "x");
    EXPECT_EQ(CDownloadFromMobile::SaveNameFor("...kvo"), "");
    EXPECT_EQ(CDownloadFromMobile::SaveNameFor("a\nb.kvo"), "ab");

    // The list names each file in a way that would leave the folder.
    const char* names[] = {"../../x.kvo", "/etc/x.kvo", "~/x.kvo", ".x.kvo"};
    std::string items;
    for (int i = 0; i < 4; ++i)
        items += "<Item><FID>" + std::to_string(200 + i) + "</FID><DownUrl>" + fake_.Url("/files/song1.kvo") +
                 "</DownUrl><Artist>A</Artist><Subject>S</Subject><FileName>" + names[i] + "</FileName></Item>";
    std::string list = testsupport::FakeService::ServiceXml("Phone", 1, {});
    list.insert(list.find("  </Records>"), items);
    fake_.SetXmlAnswer("/webservice/studio/getdownlist", list);

    // The save dialog, as the desktop's would take a proposed name that the
    // user accepts: relative to the folder it shows, "~" as the home
    // folder, an absolute name as it stands. Anything that would land
    // outside the scratch folder is caught in "escaped" instead.
    const std::filesystem::path scratch = std::filesystem::weakly_canonical(dir_.Path());
    const std::filesystem::path folder = scratch / "music" / "phone";
    std::filesystem::create_directories(folder);
    std::vector<std::string> asked;
    CDownloadFromMobile dlg(nullptr, 1, CallGetDownList(1).items);
    dlg.ChooseSavePath = [&](const std::string& name) {
        asked.push_back(name);
        std::filesystem::path chosen = folder / (name + ".kvo");
        if (name.rfind("~/", 0) == 0)
            chosen = scratch / "home" / (name.substr(2) + ".kvo");
        chosen = std::filesystem::weakly_canonical(chosen);
        if (chosen.parent_path() != folder)
            chosen = scratch / ("escaped-" + std::to_string(asked.size()) + ".kvo");
        return chosen.string();
    };
    dlg.Download().SetFinishPause(std::chrono::milliseconds(0));
    ASSERT_TRUE(dlg.Create(CDownloadFromMobile::IDD));
    ASSERT_EQ(dlg.List().GetItemCount(), 4);
    for (int left = 4; left > 0; --left) {
        dlg.List().SetItemState(-1, 0, LVIS_SELECTED);
        dlg.List().SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
        dlg.OnDownload();
        ASSERT_TRUE(RunLoopUntil([&] { return dlg.List().GetItemCount() == left - 1; }, 20000));
        struct stat st {};
        ASSERT_EQ(::lstat((folder / "x.kvo").c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode));
        std::filesystem::remove(folder / "x.kvo");
    }
    EXPECT_EQ(asked, std::vector<std::string>(4, "x"));
    for (const auto& entry : std::filesystem::directory_iterator(scratch))
        EXPECT_EQ(entry.path().filename().string().rfind("escaped", 0), std::string::npos) << entry.path();
    dlg.DestroyWindow();
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
