// The dialogs the main window opens, on the display over an owner at each
// corner of the screen and driven by real keys: each opens wholly inside
// the screen, Escape does what its close button does whether the focus is
// in a text field or on the dialog's background, Return presses the
// default button where the dialog has one, and Tab and Shift+Tab walk the
// controls that take the focus, the one that has it marked on the screen.
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "kvostudio/downloadfrommobile.h"
#include "kvostudio/logindlg.h"
#include "kvostudio/mixer.h"
#include "kvostudio/preferencesdlg.h"
#include "kvostudio/recordoptiondlg.h"
#include "kvostudio/remixdlg.h"
#include "kvostudio/savecompletedlg.h"
#include "kvostudio/uploadfiledlg.h"
#include "platform/mixer/memory_mixer.h"
#include "platform/window/dialog.h"
#include "platform/window/message_box.h"
#include "platform/window/push_button.h"
#include "platform/window/tab_order.h"
#include "running_program.h"
#include "ui_test_env.h"

using namespace platform;

namespace {

constexpr int kLeftOpen = -99;

// The main window's stand-in.
class Owner : public Window {};

// One dialog of the program: how it is made, where a text field and a
// free spot of its background are, and what Return ends it with
// (kLeftOpen: it stays open).
struct DialogCase {
    const char* name;
    std::function<std::unique_ptr<Dialog>(Window* owner)> make;
    std::function<Window*(Dialog&)> textField = {};  // null: the dialog has none
    int returnResult = kLeftOpen;
    // Run before Return, for a default button that needs something first.
    std::function<void(Dialog&)> beforeReturn = {};
};

std::vector<DialogCase> Dialogs(const std::vector<stAudioDeviceInfo>* devices)
{
    std::vector<DialogCase> cases;
    cases.push_back({.name = "sign-in",
                     .make = [](Window* o) { return std::make_unique<CLoginDlg>(o); },
                     .textField = [](Dialog& d) -> Window* { return &static_cast<CLoginDlg&>(d).IdEdit(); },
                     .returnResult = IDOK,
                     .beforeReturn = [](Dialog& d) {
                         auto& login = static_cast<CLoginDlg&>(d);
                         login.IdEdit().SetText("singer");
                         login.PasswordEdit().SetText("secret");
                     }});
    cases.push_back({.name = "re-mix",
                     .make = [](Window* o) { return std::make_unique<CRecordingMoreDlg>(o); },
                     .textField = [](Dialog& d) -> Window* { return &static_cast<CRecordingMoreDlg&>(d).ShiftEdit(); }});
    cases.push_back({.name = "record options",
                     .make = [](Window* o) { return std::make_unique<CRecordDlg>(o); },
                     .returnResult = IDOK});
    cases.push_back({.name = "preferences",
                     .make = [devices](Window* o) { return std::make_unique<CPreferencesDlg>(o, devices); },
                     .textField = [](Dialog& d) -> Window* { return &static_cast<CPreferencesDlg&>(d).FolderEdit(); },
                     .returnResult = IDOK});
    cases.push_back({.name = "save-complete",
                     .make = [](Window* o) {
                         auto dlg = std::make_unique<CSaveCompleteDlg>(o);
                         dlg->SetMode(CSaveCompleteDlg::kModeSentForPhone);
                         return dlg;
                     },
                     .returnResult = IDOK});
    cases.push_back({.name = "upload", .make = [](Window* o) { return std::make_unique<CTransferMobileDlg>(o); }});
    // An empty phone list: OK in the download button's place.
    cases.push_back({.name = "phone",
                     .make = [](Window* o) { return std::make_unique<CDownloadFromMobile>(o, 7, std::vector<DownItem>{}); },
                     .returnResult = IDOK});
    return cases;
}

class DialogsOnTheDisplay : public testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("KVO_DATA_DIR", (dir_.Path() + "/").c_str(), 1);
        previousMixer_ = InstallMixerBackend(std::make_shared<MemoryMixer>());
        SetMessageBoxHandler([this](const MessageBoxRequest& req) {
            boxes_.push_back(req.text);
            return int(IDOK);
        });
    }
    void TearDown() override
    {
        SetMessageBoxHandler(nullptr);
        InstallMixerBackend(previousMixer_);
        ::unsetenv("KVO_DATA_DIR");
    }

    // Opens the dialog modally, runs the script once the desktop shows it
    // and returns its end code (kLeftOpen when the script did not end it).
    static int RunModal(Dialog& dlg, const std::function<void()>& script)
    {
        struct Poster : Window {
            std::function<void()> run;
            LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
            {
                if (msg == WM_APP + 1 && run) {
                    run();
                    return 0;
                }
                return Window::WindowProc(msg, wp, lp);
            }
        } poster;
        poster.CreateEx(0, "Script", "", WS_POPUP, {0, 0, 1, 1}, nullptr, 0);
        poster.run = [&] {
            if (uitest::Wait([&] { return dlg.IsWindow() && uitest::IsShown(dlg); }))
                script();
            else
                ADD_FAILURE() << "the dialog never showed";
            // Whatever the script did, the test goes on.
            uitest::Wait([&] { return !InModalLoop(dlg); });
            if (dlg.IsWindow() && InModalLoop(dlg))
                EndModalLoop(dlg, kLeftOpen);
        };
        poster.PostMessage(WM_APP + 1);
        const int result = dlg.DoModal();
        poster.DestroyWindow();
        return result;
    }

    static bool ClickAt(Window& top, Point client)
    {
        return uitest::PointInto(top, top.ClientToScreen(client)) && uitest::Xdo({"click", "1"});
    }
    // Keys typed now reach the dialog.
    static bool HoldsTheKeys(Dialog& dlg)
    {
        return uitest::Wait([&] { return uitest::HasKeyboardFocus(dlg); });
    }
    static bool ClickInto(Window& field)
    {
        const Rect r = field.GetClientRect();
        return ClickAt(*field.GetTopLevel(), field.GetTopLevel()->ScreenToClient(field.ClientToScreen(
                                                 Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2})));
    }

    testsupport::TempDir dir_;
    std::shared_ptr<MixerBackend> previousMixer_;
    std::vector<std::string> boxes_;
    const std::vector<stAudioDeviceInfo> noDevices_;
};

}  // namespace

TEST_F(DialogsOnTheDisplay, OpenInsideTheScreenAndCloseOnEscapeOverAnOwnerAtEveryCorner)
{
    KVO_REQUIRE_DISPLAY();
    const Rect screen = GetScreenRect();
    const Size size = uitest::RunningProgram::kMainWindow;
    // The owner sticks out a little past each corner.
    const Point corners[4] = {{-40, -40},
                              {screen.right - size.cx + 40, -40},
                              {-40, screen.bottom - size.cy + 40},
                              {screen.right - size.cx + 40, screen.bottom - size.cy + 40}};
    for (int corner = 0; corner < 4; ++corner) {
        Owner owner;
        ASSERT_TRUE(owner.CreateEx(0, "Main", "KVO Studio", WS_POPUP | WS_VISIBLE,
                                   RectOfSize(corners[corner].x, corners[corner].y, size.cx, size.cy), nullptr, 0));
        for (const DialogCase& c : Dialogs(&noDevices_)) {
            // Alternately with the focus in a text field and after a click
            // on the dialog's background.
            const bool inField = c.textField && corner % 2 == 0;
            SCOPED_TRACE(std::string(c.name) + " at corner " + std::to_string(corner) +
                         (inField ? ", focus in a field" : ", background clicked"));
            std::unique_ptr<Dialog> dlg = c.make(&owner);
            std::optional<Rect> shown;
            const size_t boxesBefore = boxes_.size();
            const int result = RunModal(*dlg, [&] {
                shown = uitest::WindowGeometry(NativeWindowId(*dlg));
                if (inField) {
                    ASSERT_TRUE(ClickInto(*c.textField(*dlg)));
                    ASSERT_TRUE(uitest::Wait([&] { return Window::GetFocus() == c.textField(*dlg); }));
                } else {
                    const Rect client = dlg->GetClientRect();
                    ASSERT_TRUE(ClickAt(*dlg, {6, client.bottom - 6}));
                }
                ASSERT_TRUE(HoldsTheKeys(*dlg));
                ASSERT_TRUE(uitest::Xdo({"key", "Escape"}));
            });
            EXPECT_EQ(result, IDCANCEL);
            ASSERT_TRUE(shown.has_value());
            EXPECT_EQ(shown->Intersect(screen), *shown) << "the dialog at " << shown->left << "," << shown->top
                                                        << " " << shown->Width() << "x" << shown->Height();
            if (std::string(c.name) == "record options") {
                // As its close button: the user is told the take was cancelled.
                ASSERT_EQ(boxes_.size(), boxesBefore + 1);
                EXPECT_EQ(boxes_.back(), "Recording has been canceled.");
            }
        }
        owner.DestroyWindow();
    }
}

TEST_F(DialogsOnTheDisplay, ReturnPressesTheDefaultButtonAndOnlyWhereThereIsOne)
{
    KVO_REQUIRE_DISPLAY();
    Owner owner;
    ASSERT_TRUE(owner.CreateEx(0, "Main", "KVO Studio", WS_POPUP | WS_VISIBLE, RectOfSize(400, 300, 338, 329),
                               nullptr, 0));
    // Keys come in order: a dialog that Return leaves open is closed by the
    // Escape typed after it.
    const auto leftOpen = [] { return uitest::Xdo({"key", "Escape"}); };
    for (const DialogCase& c : Dialogs(&noDevices_)) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<Dialog> dlg = c.make(&owner);
        const int result = RunModal(*dlg, [&] {
            if (c.beforeReturn)
                c.beforeReturn(*dlg);
            if (c.textField) {
                ASSERT_TRUE(ClickInto(*c.textField(*dlg)));
                ASSERT_TRUE(uitest::Wait([&] { return Window::GetFocus() == c.textField(*dlg); }));
            }
            ASSERT_TRUE(HoldsTheKeys(*dlg));
            ASSERT_TRUE(uitest::Xdo({"key", "Return"}));
            if (c.returnResult == kLeftOpen) {
                ASSERT_TRUE(leftOpen());
            }
        });
        EXPECT_EQ(result, c.returnResult == kLeftOpen ? IDCANCEL : c.returnResult);
    }
    // The sign-in dialog with an empty field takes Return and stays open.
    CLoginDlg empty(&owner);
    EXPECT_EQ(RunModal(empty,
                       [&] {
                           ASSERT_TRUE(HoldsTheKeys(empty));
                           ASSERT_TRUE(uitest::Xdo({"key", "Return"}));
                           ASSERT_TRUE(leftOpen());
                       }),
              IDCANCEL);
    owner.DestroyWindow();
}

namespace {

// The focus mark's dots on a screenshot: along the top edge of the
// rectangle (screen coordinates) the pixels go black, white, black, ...
bool ShowsFocusDots(const Bitmap& shot, const Rect& r)
{
    for (int x = r.left; x < r.right; ++x)
        if (shot.GetPixel(x, r.top) != ((x - r.left) % 2 ? RGB(255, 255, 255) : RGB(0, 0, 0)))
            return false;
    return r.Width() > 1;
}

}  // namespace

TEST_F(DialogsOnTheDisplay, TabAndShiftTabWalkEveryControlRoundAndTheScreenShowsWhereTheFocusIs)
{
    KVO_REQUIRE_DISPLAY();
    Owner owner;
    ASSERT_TRUE(owner.CreateEx(0, "Main", "KVO Studio", WS_POPUP | WS_VISIBLE, RectOfSize(400, 300, 338, 329),
                               nullptr, 0));
    const std::vector<stAudioDeviceInfo> devices = {{"Microphone", {"Mic", "Line"}}};
    struct Case {
        const char* name;
        std::function<std::unique_ptr<Dialog>(Window*)> make;
        size_t stops;  // the controls that take the focus
    };
    const Case cases[] = {
        {"preferences", [&](Window* o) { return std::make_unique<CPreferencesDlg>(o, &devices); }, 8},
        {"record options", [](Window* o) { return std::make_unique<CRecordDlg>(o); }, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<Dialog> dlg = c.make(&owner);
        RunModal(*dlg, [&] {
            ASSERT_TRUE(HoldsTheKeys(*dlg));
            const std::vector<Window*> stops = TabStops(*dlg);
            ASSERT_EQ(stops.size(), c.stops);
            // Each Tab typed on the keyboard takes the focus one on, and
            // after the last back to the first.
            for (size_t i = 0; i <= stops.size(); ++i) {
                ASSERT_TRUE(uitest::Xdo({"key", "Tab"}));
                Window* wanted = stops[i % stops.size()];
                EXPECT_TRUE(uitest::Wait([&] { return Window::GetFocus() == wanted; }))
                    << "Tab " << i + 1 << " went to id " << (Window::GetFocus() ? Window::GetFocus()->GetDlgCtrlID() : 0);
            }
            // Shift+Tab walks back the same way.
            for (size_t i = 1; i <= stops.size(); ++i) {
                ASSERT_TRUE(uitest::Xdo({"key", "shift+Tab"}));
                Window* wanted = stops[(stops.size() - i) % stops.size()];
                EXPECT_TRUE(uitest::Wait([&] { return Window::GetFocus() == wanted; })) << "Shift+Tab " << i;
            }
            // On the default button: the screen shows the mark there.
            Window* ok = dlg->GetDlgItem(IDOK);
            const size_t okAt = size_t(std::find(stops.begin(), stops.end(), ok) - stops.begin());
            ASSERT_LT(okAt, stops.size());
            for (size_t i = 1; i <= okAt; ++i) {
                ASSERT_TRUE(uitest::Xdo({"key", "Tab"}));
                ASSERT_TRUE(uitest::Wait([&] { return Window::GetFocus() == stops[i]; }));
            }
            const Rect button = ok->ClientToScreen(ok->GetClientRect());
            // A desktop push button marks the focus inside its border; a
            // skinned one round its image.
            const int inset = dynamic_cast<PushButton*>(ok) ? 3 : 0;
            const Rect mark{button.left + inset, button.top + inset, button.right - inset, button.bottom - inset};
            std::string name = c.name;
            std::replace(name.begin(), name.end(), ' ', '_');
            const std::string path = uitest::ArtifactPath("focus_" + name + ".png");
            const Bitmap shot = uitest::ScreenWhen(path, [&](const Bitmap& s) { return ShowsFocusDots(s, mark); });
            EXPECT_TRUE(!shot.IsNull() && ShowsFocusDots(shot, mark)) << "no focus mark on the default button in " << path;
            ASSERT_TRUE(uitest::Xdo({"key", "Escape"}));
        });
    }
    owner.DestroyWindow();
}

