// The main window's dealings with the online service, against the fake
// service: sign-in with its pending command and sign-out, the phone
// store's limit, and the uploads with the handling of their results.
#include <chrono>
#include <cstdlib>

#include <gtest/gtest.h>

#include "kvostudio/downloadfrommobile.h"
#include "kvostudio/libskin/skinbitmap.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "kvostudio/loginimpl.h"
#include "kvostudio/logindlg.h"
#include "kvostudio/messages.h"
#include "kvostudio/postform.h"
#include "kvostudio/savecompletedlg.h"
#include "kvostudio/signinstate.h"
#include "kvostudio/uploadfiledlg.h"
#include "kvostudio/windowcommands.h"
#include "platform/shell/web_page.h"
#include "tests/mainwindow/mainwindow_fixture.h"
#include "tests/support/fake_service.h"
#include "tests/support/id3_builder.h"

using namespace platform;
using namespace mainwindowtest;
using testsupport::FakeService;

namespace {

using D = CKvoStudioDlg;

// The sign-in server's 59-byte answer accepting the user with this number.
std::string AcceptingReply(const std::string& number)
{
    std::string record(59, '\0');
    record[0] = '1';
    record[1] = '|';
    record[38] = '|';
    record[47] = '|';
    record.replace(48, number.size(), number);
    record[58] = '\n';
    return record;
}

class ServiceFlowTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        ASSERT_TRUE(fake.Start());
        setenv("KVO_SERVICE_URL", fake.BaseUrl().c_str(), 1);
        setenv("KVO_MEMBER_URL", fake.BaseUrl().c_str(), 1);
        setenv("KVO_SIGNIN_ADDR", ("127.0.0.1:" + std::to_string(fake.TcpPort())).c_str(), 1);
        unsetenv("KVO_SIGNIN_WEB_URL");
        saved = GetPostFormLimits();
        PostFormLimits quick;
        quick.connectTimeoutMs = 1000;
        quick.totalTimeoutMs = 3000;
        SetPostFormLimits(quick);
        fake.SetTcpMode(testsupport::TcpMode::Reply, AcceptingReply("12345"), CLoginImpl::kRequestSize);
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        fake.Stop();
        for (const char* name : {"KVO_SERVICE_URL", "KVO_MEMBER_URL", "KVO_SIGNIN_ADDR"})
            unsetenv(name);
        SetPostFormLimits(saved);
    }

    static void SignedIn()
    {
        TheSignInState().SetUserId("singer");
        TheSignInState().SetUserNumber(12345);
        TheSignInState().SetSignedIn(1);
    }

    // An MP3 recording whose tag names catalogue song 77.
    std::string UccRecording()
    {
        std::vector<uint8_t> bytes =
            testsupport::Id3v2Builder(3).Frame("TXXX", testsupport::Id3TextData(testsupport::Id3Text::Latin1, "77")).Build();
        const auto& audio = playlisttest::ToneMp3(1);
        bytes.insert(bytes.end(), audio.begin(), audio.end());
        const std::string path = dir.File("take.mp3");
        testsupport::WriteFile(path, bytes);
        return path;
    }

    FakeService fake;
    PostFormLimits saved;
};

// Fills the sign-in dialog and presses its OK.
TestMainWindow::Answer SignInAs(const std::string& id, const std::string& password)
{
    return RunsWith([id, password](Dialog& dlg) {
        auto& login = dynamic_cast<CLoginDlg&>(dlg);
        login.IdEdit().SetText(id);
        login.PasswordEdit().SetText(password);
        login.SendMessage(WM_COMMAND, IDOK);
    });
}

}  // namespace

TEST_F(ServiceFlowTest, ASignInRunsThePendingCommandAndTheBarShowsTheUser)
{
    ASSERT_TRUE(Open());
    win->answers.push_back(SignInAs("singer", "pa55word"));
    win->OnPlayerCommand(menuid::kToMobile, 0);
    ASSERT_TRUE(WaitFor([&] { return win->Opened<CTransferMobileDlg>() == 1; }));

    EXPECT_EQ(win->Opened<CLoginDlg>(), 1);
    EXPECT_TRUE(win->IsSignedIn());
    EXPECT_EQ(win->GetButton(D::kSlotSignIn).GetDlgCtrlID(), D::kIdSignOut);
    EXPECT_TRUE(win->GetButton(D::kSlotPersonalPullDown).IsWindowVisible());
    const auto counts = fake.RequestsFor("/webservice/studio/getlimitcount");
    ASSERT_EQ(counts.size(), 1u);
    EXPECT_EQ(counts[0].body, "userno=12345");
    Pump();
    const Bitmap personal = LoadSkinBitmap(skin::kPersonal);
    EXPECT_EQ(win->RenderToBitmap().GetPixel(D::kPersonalRect.left + 60, D::kPersonalRect.top + 2),
              personal.GetPixel(60, 2));

    // Signing out forgets the user and hides the personal pull-down.
    Click(win->GetButton(D::kSlotSignIn));
    EXPECT_FALSE(win->IsSignedIn());
    EXPECT_EQ(win->GetButton(D::kSlotSignIn).GetDlgCtrlID(), D::kIdSignIn);
    EXPECT_FALSE(win->GetButton(D::kSlotPersonalPullDown).IsWindowVisible());
}

TEST_F(ServiceFlowTest, ARefusedSignInAsksAgainAndACancelDropsTheCommand)
{
    fake.SetTcpMode(testsupport::TcpMode::Reply, std::string(59, '0'), CLoginImpl::kRequestSize);
    ASSERT_TRUE(Open());
    win->answers.push_back(SignInAs("singer", "wrong"));
    win->OnPlayerCommand(menuid::kUccUpload, 0);
    ASSERT_TRUE(WaitFor([&] { return win->Opened<CLoginDlg>() == 2; }));
    Pump();
    EXPECT_FALSE(win->IsSignedIn());
    EXPECT_EQ(win->Opened<CUccUploadDlg>(), 0);
    EXPECT_TRUE(boxes.empty());
    // Closed without signing in, the dialog leaves nothing typed behind,
    // as signing out does.
    EXPECT_EQ(TheSignInState().GetUserId(), "");
    std::string password = TheSignInState().GetPassword();
    EXPECT_EQ(password, "");
}

TEST_F(ServiceFlowTest, AFullPhoneStoreOrAFailedAnswerStopsTheTransfer)
{
    SignedIn();
    ASSERT_TRUE(Open());
    fake.SetXmlAnswer("/webservice/studio/getlimitcount", FakeService::ServiceXml("Studio", 1, {{"Count", "10"}}));
    win->OnPlayerCommand(menuid::kToMobile, 0);
    ASSERT_TRUE(WaitFor([&] { return !boxes.empty(); }));
    ASSERT_EQ(BoxTexts(), std::vector<std::string>{LoadFormatString(112)});
    EXPECT_EQ(win->Opened<CTransferMobileDlg>(), 0);

    // An answer without Records counts as a failure, and is told.
    fake.SetXmlAnswer("/webservice/studio/getlimitcount", "<Studio><ErrorCode>1</ErrorCode><Count>2</Count></Studio>");
    win->OnPlayerCommand(menuid::kToMobile, 0);
    ASSERT_TRUE(WaitFor([&] { return boxes.size() == 2; }));
    EXPECT_EQ(boxes[1].text, "The files waiting for your phone could not be counted:\n"
                             "the service's answer could not be read.");
    EXPECT_TRUE(win->dialogs.empty());
}

TEST_F(ServiceFlowTest, AStalledOrOversizedAnswerLeavesTheWindowGoingAndIsTold)
{
    SignedIn();
    ASSERT_TRUE(Open());
    const std::string take = UccRecording();
    struct Flow {
        unsigned command;
        const char* path;
        const char* told;
    };
    const Flow flows[] = {
        {menuid::kFromMobile, "/webservice/studio/getdownlist",
         "The list of files sent from your phone could not be fetched:\n"},
        {menuid::kToMobile, "/webservice/studio/getlimitcount",
         "The files waiting for your phone could not be counted:\n"},
        {menuid::kUccUpload, "/webservice/studio/getfid", "The upload could not begin:\n"},
    };
    struct Fault {
        testsupport::Fault fault;
        const char* why;
    };
    const Fault faults[] = {
        {testsupport::Fault(testsupport::FaultKind::Stall), "the service did not answer in time."},
        {testsupport::Fault(testsupport::FaultKind::Oversize, 200, "", 2 << 20), "the service's answer was too large."},
    };
    for (const Fault& fault : faults) {
        for (const Flow& flow : flows) {
            SCOPED_TRACE(flow.path);
            boxes.clear();
            fake.ClearLog();
            fake.SetFault(flow.path, fault.fault);
            if (flow.command == menuid::kUccUpload)
                win->answers.push_back(
                    [&](Dialog& dlg) { return dynamic_cast<CUccUploadDlg&>(dlg).TakeFile(take) ? IDOK : IDCANCEL; });
            win->OnPlayerCommand(flow.command, 0);
            // The window is not held: the call waits on its own.
            EXPECT_EQ(win->GetServiceCallCount(), 1u);
            ASSERT_TRUE(WaitFor([&] { return !boxes.empty(); }, 20000));
            EXPECT_EQ(BoxTexts(), std::vector<std::string>{flow.told + std::string(fault.why)});
            EXPECT_EQ(win->GetServiceCallCount(), 0u);
            EXPECT_EQ(win->Opened<CDownloadFromMobile>(), 0);
            EXPECT_EQ(win->Opened<CTransferMobileDlg>(), 0);
            EXPECT_EQ(win->GetUploadCount(), 0u);
            fake.ClearFaults();
        }
    }
}

TEST_F(ServiceFlowTest, AUccUploadIsRegisteredAndOffersItsPages)
{
    SignedIn();
    ASSERT_TRUE(Open());
    const std::string take = UccRecording();
    win->answers.push_back([&](Dialog& dlg) {
        return dynamic_cast<CUccUploadDlg&>(dlg).TakeFile(take) ? IDOK : IDCANCEL;
    });
    win->answers.push_back(Returns(CSaveCompleteDlg::kModeUploaded));  // "go to my page"
    WebPageRecorder recorder;
    win->OnPlayerCommand(menuid::kUccUpload, 0);
    ASSERT_TRUE(WaitFor([&] { return win->GetUploadCount() == 1; }));
    ASSERT_TRUE(WaitFor([&] { return win->Opened<CSaveCompleteDlg>() == 1; }, 20000));

    EXPECT_EQ(win->GetUploadCount(), 0u);
    ASSERT_EQ(fake.RequestsFor(FakeService::kUploadPath).size(), 1u);
    const auto metadata = fake.RequestsFor("/webservice/studio/addmetadata");
    ASSERT_EQ(metadata.size(), 1u);
    const auto fields = metadata[0].FormFields();
    auto field = [&](const std::string& name) {
        for (const auto& [k, v] : fields)
            if (k == name)
                return v;
        return std::string("<missing>");
    };
    EXPECT_EQ(field("userno"), "12345");
    EXPECT_EQ(field("userid"), "singer");
    EXPECT_EQ(field("fid"), std::to_string(FakeService::kFid));
    EXPECT_EQ(field("kvoid"), "77");
    EXPECT_EQ(field("ip"), FakeService::kIp);
    EXPECT_TRUE(boxes.empty());
    ASSERT_EQ(recorder.Pages().size(), 1u);
    EXPECT_EQ(recorder.Pages()[0], fake.Url("/mypage/audio/all"));
}

TEST_F(ServiceFlowTest, AFailedUploadOrRegistrationTellsWhy)
{
    SignedIn();
    ASSERT_TRUE(Open());
    const std::string take = UccRecording();
    auto chooseTake = [&](Dialog& dlg) { return dynamic_cast<CUccUploadDlg&>(dlg).TakeFile(take) ? IDOK : IDCANCEL; };

    fake.SetXmlAnswer(FakeService::kUploadPath, FakeService::UploadXml(3, "Disk full"));
    win->answers.push_back(chooseTake);
    win->OnPlayerCommand(menuid::kUccUpload, 0);
    ASSERT_TRUE(WaitFor([&] { return !boxes.empty(); }, 20000));
    EXPECT_EQ(boxes[0].text, LoadFormatString(110) + "\nDisk full");
    EXPECT_EQ(win->GetUploadCount(), 0u);
    EXPECT_EQ(win->Opened<CSaveCompleteDlg>(), 0);

    // The upload went through but the service would not register it: the
    // reason, then the save-complete message all the same.
    fake.SetXmlAnswer(FakeService::kUploadPath, FakeService::UploadXml(0, "OK"));
    fake.SetXmlAnswer("/webservice/studio/addmetadata",
                      FakeService::ServiceXml("Studio", 0, {{"ErrorMsg", "Not a member"}}));
    win->answers.push_back(chooseTake);
    win->OnPlayerCommand(menuid::kUccUpload, 0);
    ASSERT_TRUE(WaitFor([&] { return win->Opened<CSaveCompleteDlg>() == 1; }, 20000));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, LoadFormatString(110) + "\nNot a member");

    // No answer to the registration: the file is on the service all the
    // same, and the message says that rather than a failed upload.
    fake.SetFault("/webservice/studio/addmetadata", testsupport::Fault(testsupport::FaultKind::Stall));
    win->answers.push_back(chooseTake);
    win->OnPlayerCommand(menuid::kUccUpload, 0);
    ASSERT_TRUE(WaitFor([&] { return win->Opened<CSaveCompleteDlg>() == 2; }, 20000));
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[2].text,
              "The file was uploaded, but it was not registered with the service:\nthe service did not answer in time.");
}

TEST_F(ServiceFlowTest, AContainerSentToThePhoneIsRegisteredWithItsName)
{
    SignedIn();
    ASSERT_TRUE(Open());
    const std::string song = Kvo("Für dich.kvo");
    int saveCompleteMode = 0;
    win->answers.push_back([&](Dialog& dlg) {
        return dynamic_cast<CTransferMobileDlg&>(dlg).TakeFile(song) ? IDOK : IDCANCEL;
    });
    win->answers.push_back([&](Dialog& dlg) {
        saveCompleteMode = dynamic_cast<CSaveCompleteDlg&>(dlg).GetMode();
        return IDOK;
    });
    win->OnPlayerCommand(menuid::kToMobile, 0);
    ASSERT_TRUE(WaitFor([&] { return win->Opened<CSaveCompleteDlg>() == 1; }, 20000));
    EXPECT_EQ(saveCompleteMode, CSaveCompleteDlg::kModeSentForPhone);
    const auto relay = fake.RequestsFor("/webservice/studio/addrelaymetadata");
    ASSERT_EQ(relay.size(), 1u);
    const auto fields = relay[0].FormFields();
    ASSERT_FALSE(fields.empty());
    EXPECT_EQ(fields.back().first, "filename");
    EXPECT_EQ(fields.back().second, "Für dich.kvo");
    EXPECT_EQ(win->GetUploadCount(), 0u);
}

TEST_F(ServiceFlowTest, ClosingTheProgramEndsAStalledUploadAtOnce)
{
    SignedIn();
    ASSERT_TRUE(Open());
    const std::string take = UccRecording();
    fake.SetFault(FakeService::kUploadPath, testsupport::Fault(testsupport::FaultKind::Stall));
    win->answers.push_back([&](Dialog& dlg) {
        return dynamic_cast<CUccUploadDlg&>(dlg).TakeFile(take) ? IDOK : IDCANCEL;
    });
    win->OnPlayerCommand(menuid::kUccUpload, 0);
    ASSERT_TRUE(WaitFor([&] { return win->GetUploadCount() == 1; }));
    ASSERT_TRUE(fake.WaitForRequests(2, 10000));  // the file id, then the upload
    const auto start = std::chrono::steady_clock::now();
    Close();
    const auto took = std::chrono::steady_clock::now() - start;
    // Within a second; a busy machine is allowed five.
    EXPECT_LT(took, std::chrono::seconds(5))
        << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
}

TEST_F(MainWindowTest, WithoutAServiceEveryServiceCommandSaysSo)
{
    for (const char* name : {"KVO_SERVICE_URL", "KVO_MEMBER_URL", "KVO_SIGNIN_WEB_URL", "KVO_SIGNIN_ADDR"})
        unsetenv(name);
    ASSERT_TRUE(Open());
    WebPageRecorder recorder;
    Click(win->GetButton(D::kSlotSignIn));
    win->OnPlayerCommand(menuid::kUccEditor, 0);
    win->OnPlayerCommand(menuid::kUccUpload, 0);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>(3, "No online service is configured."));
    EXPECT_TRUE(win->dialogs.empty());
    EXPECT_TRUE(recorder.Pages().empty());

    // Signed in somewhere, but with no web host: the same.
    TheSignInState().SetUserId("singer");
    TheSignInState().SetSignedIn(1);
    win->OnPlayerCommand(menuid::kFromMobile, 0);
    EXPECT_EQ(BoxTexts().size(), 4u);
    EXPECT_TRUE(win->dialogs.empty());
}
