// Every text the program's windows draw shows whole on the display, in the
// face the machine stands in for the UI font: each dialog and the main
// window, opened as the program opens them, are painted afresh with a trace
// of their texts, and each text must come out of its layout inside its
// rectangle, with no ellipsis, and not under a control. A screenshot of
// each window, taken once the display shows what it drew, is kept in
// <build>/artifacts/text_fit_*.png for a person to look at.
#include <chrono>
#include <future>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "kvostudio/aboutdlg.h"
#include "kvostudio/downloadfrommobile.h"
#include "kvostudio/kvostudiodlg.h"
#include "kvostudio/lcdwnd.h"
#include "kvostudio/logindlg.h"
#include "kvostudio/messages.h"
#include "kvostudio/mixer.h"
#include "kvostudio/playlistdlg.h"
#include "kvostudio/preferencesdlg.h"
#include "kvostudio/progressdlg.h"
#include "kvostudio/recordoptiondlg.h"
#include "kvostudio/remixdlg.h"
#include "kvostudio/savecompletedlg.h"
#include "kvostudio/uploadfiledlg.h"
#include "kvostudio/webservice.h"
#include "platform/audio/sim_output.h"
#include "platform/capture/sim_capture.h"
#include "platform/draw/dc.h"
#include "platform/draw/text_trace.h"
#include "platform/mixer/memory_mixer.h"
#include "platform/window/message_box.h"
#include "running_program.h"
#include "tests/support/fake_service.h"
#include "tests/support/mp3_maker.h"
#include "tests/support/pcm_maker.h"
#include "tests/support/temp_files.h"
#include "ui_test_env.h"

using namespace platform;
using testsupport::FakeService;

namespace {

constexpr COLORREF kSkinKey = RGB(255, 0, 255);

// What keeps a drawn text from showing whole; empty when nothing does.
std::string Flaw(const DrawnText& t)
{
    if (t.ellipsized)
        return "ended with an ellipsis";
    if (t.logical.left < t.rect.left || t.logical.right > t.rect.right)
        return "wider than its rectangle";
    const bool wrapped = !(t.format & DT_SINGLELINE) && (t.format & DT_WORDBREAK);
    if (wrapped && (t.logical.top < t.rect.top || t.logical.bottom > t.rect.bottom))
        return "taller than its rectangle";
    // Glyphs cut off by the rectangle's clip or hidden by a window above.
    // A line's outermost columns of ink may be a glyph reaching a pixel
    // past its advance (a "w" at the start of a line): only the faint edge
    // of its smoothing, which the clip took on the skins' own system too.
    for (Rect ink : t.inkLines) {
        ink.left += 1;
        ink.right -= 1;
        const Rect allowed = (t.format & DT_NOCLIP) ? ink : ink.Intersect(t.rect);
        long long shown = 0;
        for (const Rect& v : t.visible.Rects()) {
            const Rect part = allowed.Intersect(v);
            if (!part.IsEmpty())
                shown += static_cast<long long>(part.Width()) * part.Height();
        }
        if (shown < static_cast<long long>(ink.Width()) * ink.Height())
            return "partly cut off or hidden";
    }
    return "";
}

std::string Describe(const DrawnText& t)
{
    std::ostringstream out;
    out << '"' << t.text << "\" in (" << t.rect.left << "," << t.rect.top << ")-(" << t.rect.right << ","
        << t.rect.bottom << "), laid out at (" << t.logical.left << "," << t.logical.top << ")-(" << t.logical.right
        << "," << t.logical.bottom << "), " << t.font.Face() << " at " << t.pixelSize << " px";
    for (const Rect& ink : t.inkLines)
        out << ", ink (" << ink.left << "," << ink.top << ")-(" << ink.right << "," << ink.bottom << ")";
    return out.str();
}

void InvalidateTree(Window& w)
{
    w.Invalidate();
    for (Window* child : w.GetChildren())
        InvalidateTree(*child);
}

// Whether the screen shows in 'area' what 'drawn' holds, but for the
// see-through colour of a shaped window.
bool ScreenShows(const Bitmap& shot, const Bitmap& drawn)
{
    if (shot.IsNull() || shot.Width() != drawn.Width() || shot.Height() != drawn.Height())
        return false;
    for (int y = 0; y < drawn.Height(); ++y)
        for (int x = 0; x < drawn.Width(); ++x)
            if (drawn.GetPixel(x, y) != kSkinKey && shot.GetPixel(x, y) != drawn.GetPixel(x, y))
                return false;
    return true;
}

class TextsShowWhole : public testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("KVO_DATA_DIR", (dir_.Path() + "/").c_str(), 1);
        SetMessageBoxHandler([](const MessageBoxRequest&) { return int(IDOK); });
    }
    void TearDown() override
    {
        SetMessageBoxHandler(nullptr);
        PumpMessages();
        ::unsetenv("KVO_DATA_DIR");
    }

    // Paints the window afresh with its texts traced, and lists those that
    // do not show whole; also keeps its screenshot. The window is shown.
    void ExpectTextsWhole(Window& top, const std::string& name)
    {
        SCOPED_TRACE(name);
        ASSERT_TRUE(top.IsWindowVisible());
        std::vector<std::string> flaws;
        size_t texts = 0;
        {
            TextTrace trace;
            InvalidateTree(top);
            top.RenderToBitmap();
            for (const DrawnText& t : trace.Texts()) {
                const std::string flaw = Flaw(t);
                if (!flaw.empty())
                    flaws.push_back(Describe(t) + ": " + flaw);
            }
            texts = trace.Texts().size();
        }
        EXPECT_GT(texts, 0u) << "no text drawn";
        std::string list;
        for (const std::string& f : flaws)
            list += "\n  " + f;
        EXPECT_TRUE(flaws.empty()) << flaws.size() << " of " << texts << " texts do not show whole:" << list;

        const Rect r = top.GetWindowRect();
        const std::string path = uitest::ArtifactPath("text_fit_" + name + ".png");
        const std::string crop = std::to_string(r.Width()) + "x" + std::to_string(r.Height()) + "+" +
                                 std::to_string(r.left) + "+" + std::to_string(r.top);
        // The window may change while the display catches up (a timer's
        // repaint): each photograph is compared with what the window holds
        // when it comes back. It is taken beside the running loop, which
        // meanwhile keeps drawing on the display.
        std::future<bool> photo;
        const bool shown = RunLoopUntil(
            [&] {
                if (!photo.valid())
                    photo = std::async(std::launch::async, [path, crop] {
                        return testsupport::CommandOutput(
                                   {"import", "-window", "root", "-crop", crop, "+repage", "png:" + path})
                            .has_value();
                    });
                if (photo.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
                    return false;
                return photo.get() && ScreenShows(Bitmap::Load(path), top.RenderToBitmap());
            },
            15000);
        if (photo.valid())
            photo.wait();
        EXPECT_TRUE(shown) << "the display never showed what " << name << " drew; last screenshot in " << path;
    }

    testsupport::TempDir dir_;
};

// The main window with the program's own pieces but the sound, mixer and
// capture devices simulated, started with "/play SONG".
class PlayingMainWindow : public CKvoStudioDlg {
public:
    std::string song;

protected:
    int RunModal(Dialog&) override { return IDCANCEL; }
    std::string CommandLineArg(int index) override { return index == 1 ? "/play" : index == 2 ? song : ""; }
};

}  // namespace

TEST_F(TextsShowWhole, InTheRecordingDialogs)
{
    KVO_REQUIRE_DISPLAY();
    {
        CRecordDlg dlg;
        ASSERT_TRUE(dlg.Create(CRecordDlg::IDD));
        ExpectTextsWhole(dlg, "record_options");
        dlg.DestroyWindow();
    }
    {
        // A take of three seconds: its length shows as 00:03.
        testsupport::WriteFile(dir_.Path() + "/Cache.mp3",
                               testsupport::MakeMp3(testsupport::MakeTone(44100, 2, 3.0, 440, 0.4)));
        CRecordingMoreDlg dlg;
        ASSERT_TRUE(dlg.Create(CRecordingMoreDlg::IDD));
        ASSERT_EQ(dlg.GetLengthText(), "00:03");
        ExpectTextsWhole(dlg, "after_take");
        dlg.DestroyWindow();
    }
    {
        CProgressDlg progress;
        ASSERT_TRUE(progress.Create());
        progress.SetCaption(LoadFormatString(105));
        progress.SetTargetPercent(42, 5);
        ASSERT_TRUE(RunLoopUntil([&] { return progress.GetShownPercent() == 42; }, 10000));
        ExpectTextsWhole(progress, "remix_progress");
        progress.DestroyWindow();
    }
    const struct {
        const char* name;
        unsigned body, heading;
        int mode;
    } completes[] = {
        {"saved", 102, 108, CSaveCompleteDlg::kModeSaved},
        {"uploaded", 107, 109, CSaveCompleteDlg::kModeUploaded},
        {"sent_for_phone", 113, 131, CSaveCompleteDlg::kModeSentForPhone},
    };
    for (const auto& c : completes) {
        CSaveCompleteDlg dlg;
        dlg.SetBodyText(LoadFormatString(c.body));
        dlg.SetHeadingText(LoadFormatString(c.heading));
        dlg.SetMode(c.mode);
        ASSERT_TRUE(dlg.Create(CSaveCompleteDlg::IDD));
        ExpectTextsWhole(dlg, std::string("save_complete_") + c.name);
        dlg.DestroyWindow();
    }
}

TEST_F(TextsShowWhole, InThePreferencesWithEitherHint)
{
    KVO_REQUIRE_DISPLAY();
    const std::vector<stAudioDeviceInfo> devices = {
        {"Built-in Audio Analog Stereo", {"Microphone", "Line In"}},
        {"Monitor of Built-in Audio Analog Stereo", {"Monitor"}},
    };
    CPreferencesDlg dlg(nullptr, &devices);
    ASSERT_TRUE(dlg.Create(CPreferencesDlg::IDD));
    ExpectTextsWhole(dlg, "preferences");
    dlg.MixingCombo().SetCurSel(1);
    dlg.UpdateDeviceHint();
    ExpectTextsWhole(dlg, "preferences_stereo_mixing");
    dlg.DestroyWindow();
}

TEST_F(TextsShowWhole, InTheServiceDialogs)
{
    KVO_REQUIRE_DISPLAY();
    {
        CLoginDlg dlg;
        ASSERT_TRUE(dlg.Create(CLoginDlg::IDD));
        ExpectTextsWhole(dlg, "sign_in");
        dlg.DestroyWindow();
    }
    {
        CUccUploadDlg dlg;
        ASSERT_TRUE(dlg.Create(CUccUploadDlg::IDD));
        ExpectTextsWhole(dlg, "upload");
        dlg.DestroyWindow();
    }
    {
        CTransferMobileDlg dlg;
        ASSERT_TRUE(dlg.Create(CTransferMobileDlg::IDD));
        ExpectTextsWhole(dlg, "transfer_for_phone");
        dlg.DestroyWindow();
    }
    {
        FakeService fake;
        ASSERT_TRUE(fake.Start());
        std::string items;
        for (int i = 1; i <= 2; ++i)
            items += "<Item><FID>" + std::to_string(i) + "</FID><DownUrl>" + fake.Url("/f") +
                     "</DownUrl><Artist>Singer</Artist><Subject>Song " + std::to_string(i) +
                     "</Subject><FileName>song" + std::to_string(i) + ".kvo</FileName></Item>";
        std::string list = FakeService::ServiceXml("Phone", 1, {});
        list.insert(list.find("  </Records>"), items);
        fake.SetXmlAnswer("/webservice/studio/getdownlist", list);
        ::setenv("KVO_SERVICE_URL", fake.BaseUrl().c_str(), 1);
        CDownloadFromMobile dlg(nullptr, 7, CallGetDownList(7).items);
        const bool made = dlg.Create(CDownloadFromMobile::IDD);
        ::unsetenv("KVO_SERVICE_URL");
        ASSERT_TRUE(made);
        ASSERT_EQ(dlg.List().GetItemCount(), 2);
        ExpectTextsWhole(dlg, "phone_list");
        dlg.DestroyWindow();
    }
    {
        CAboutDlg dlg;
        ASSERT_TRUE(dlg.Create(CAboutDlg::IDD));
        ExpectTextsWhole(dlg, "about");
        dlg.DestroyWindow();
    }
}

TEST_F(TextsShowWhole, InTheMainWindow)
{
    KVO_REQUIRE_DISPLAY();
    // A sound device that plays only when stepped: the song stays at its
    // start, and the window keeps still for its photograph.
    auto sound = std::make_shared<audio::SimulatedOutput>();
    sound->SetStepped();
    audio::UseSimulatedOutput(sound);
    const auto previousMixer = InstallMixerBackend(std::make_shared<MemoryMixer>());
    InstallCaptureBackend(std::make_shared<SimCaptureBackend>(SimCaptureScript{}));
    {
        PlayingMainWindow win;
        win.song = uitest::RunningProgram::Bin() + "demo.kvo";
        ASSERT_TRUE(win.Create(CKvoStudioDlg::IDD, nullptr));
        ASSERT_TRUE(RunLoopUntil([&] { return !win.GetLcd()->GetText(1).empty(); }, 10000));
        ExpectTextsWhole(win, "main_window");
        win.DestroyWindow();
        PumpMessages();
    }
    InstallCaptureBackend(nullptr);
    InstallMixerBackend(previousMixer);
    audio::UseDefaultOutput();
}
