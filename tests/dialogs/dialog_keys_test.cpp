// The keyboard in the dialogs: Return and Escape in a dialog whose focus is
// in a control are the dialog's, except while an open drop-down list wants
// them itself; Tab and Shift+Tab walk the controls that take the focus,
// which show it; Space presses the focused button or check box.
#include <memory>
#include <string>
#include <vector>

#include "kvostudio/logindlg.h"
#include "kvostudio/mixer.h"
#include "kvostudio/preferencesdlg.h"
#include "kvostudio/recordoptiondlg.h"
#include "platform/mixer/memory_mixer.h"
#include "tests/dialogs/dialog_fixture.h"

using namespace platform;

namespace {

using DialogKeys = dialogtest::DialogTest;
using dialogtest::CentreOf;
using dialogtest::Click;
using dialogtest::Key;

void Tab(Window& top, bool back = false)
{
    const uint32_t shift = back ? uint32_t{MK_SHIFT} : 0u;
    InjectKey(top, true, VK_TAB, '\t', shift);
    InjectKey(top, false, VK_TAB, 0, shift);
    PumpMessages();
}

// Letters and digits as typed on the keyboard.
void Type(Window& top, const std::string& text)
{
    for (char c : text)
        Key(top, static_cast<WPARAM>(std::toupper(static_cast<unsigned char>(c))), static_cast<uint32_t>(c));
}

// The id of the control with the focus; 0 when it is elsewhere.
int FocusId(Window& dlg)
{
    Window* focus = Window::GetFocus();
    return focus && focus != &dlg && focus->GetTopLevel() == &dlg ? focus->GetDlgCtrlID() : 0;
}

// Where the focus goes with each of `count` presses of Tab (or Shift+Tab).
std::vector<int> Walk(Window& dlg, size_t count, bool back = false)
{
    std::vector<int> ids;
    for (size_t i = 0; i < count; ++i) {
        Tab(dlg, back);
        ids.push_back(FocusId(dlg));
    }
    return ids;
}

// The focus mark's dots: along the rectangle's top edge the pixels go
// black, white, black, ...
bool ShowsFocusDots(const Bitmap& shot, const Rect& r)
{
    for (int x = r.left; x < r.right; ++x)
        if (shot.GetPixel(x, r.top) != ((x - r.left) % 2 ? RGB(255, 255, 255) : RGB(0, 0, 0)))
            return false;
    return r.Width() > 1;
}

// A control's rectangle in its dialog's client coordinates.
Rect InDialog(Window& control)
{
    return control.GetTopLevel()->ScreenToClient(control.ClientToScreen(control.GetClientRect()));
}

class DialogFocus : public DialogKeys {
protected:
    void SetUp() override
    {
        DialogKeys::SetUp();
        previous_ = InstallMixerBackend(std::make_shared<MemoryMixer>());
    }
    void TearDown() override
    {
        InstallMixerBackend(previous_);
        DialogKeys::TearDown();
    }
    std::shared_ptr<MixerBackend> previous_;
    const std::vector<stAudioDeviceInfo> devices_ = {{"Microphone", {"Mic", "Line"}}};
};

TEST_F(DialogKeys, AnOpenDropDownListKeepsReturnAndEscapeUntilItCloses)
{
    CRecordDlg dlg;
    const int result = dialogtest::RunModal(dlg, [&] {
        ComboBox& stop = dlg.StopCombo();
        Click(dlg, CentreOf(stop));
        ASSERT_TRUE(stop.GetDroppedState());
        ASSERT_EQ(Window::GetFocus(), &stop);
        Key(dlg, VK_ESCAPE);
        EXPECT_FALSE(stop.GetDroppedState());
        EXPECT_TRUE(InModalLoop(dlg));

        Click(dlg, CentreOf(stop));
        Key(dlg, VK_DOWN);
        Key(dlg, VK_RETURN);
        EXPECT_FALSE(stop.GetDroppedState());
        EXPECT_EQ(stop.GetCurSel(), 1);
        EXPECT_TRUE(InModalLoop(dlg));

        // The list closed, the focus still in it: Escape is the dialog's.
        Key(dlg, VK_ESCAPE);
    });
    EXPECT_EQ(result, IDCANCEL);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Recording has been canceled.");
}

}  // namespace

TEST_F(DialogFocus, TabWalksEveryControlThatTakesTheFocusRoundAndShiftTabWalksBack)
{
    using P = CPreferencesDlg;
    // Fields, lists and buttons in the order the dialog shows them, its
    // close button last; the texts take no focus.
    const std::vector<int> preferences = {P::kBitrateCombo, P::kMixingCombo,        P::kFolderEdit, P::kBrowseButton,
                                          P::kInputDeviceCombo, P::kRecordControlCombo, IDOK,          IDCANCEL};
    CPreferencesDlg prefs(nullptr, &devices_);
    dialogtest::RunModal(prefs, [&] {
        EXPECT_EQ(Walk(prefs, preferences.size()), preferences);
        EXPECT_EQ(Walk(prefs, 1), std::vector<int>{preferences.front()}) << "round again";
        std::vector<int> back(preferences.rbegin(), preferences.rend());
        EXPECT_EQ(Walk(prefs, back.size(), true), back);
        Key(prefs, VK_ESCAPE);
    });

    // The start and vocal lists stay disabled: Tab passes them by. The
    // skinned buttons take the focus as the desktop's do.
    const std::vector<int> options = {CRecordDlg::kStopCombo, IDOK, IDCANCEL, IDCANCEL, CRecordDlg::kDownButton};
    CRecordDlg record;
    dialogtest::RunModal(record, [&] {
        EXPECT_EQ(Walk(record, options.size() + 1),
                  (std::vector<int>{CRecordDlg::kStopCombo, IDOK, IDCANCEL, IDCANCEL, CRecordDlg::kDownButton,
                                    CRecordDlg::kStopCombo}));
        // A control disabled meanwhile drops out of the walk.
        record.StopCombo().EnableWindow(false);
        EXPECT_EQ(Walk(record, 1), std::vector<int>{IDOK});
        Key(record, VK_ESCAPE);
    });
}

TEST_F(DialogFocus, SignInFromTheKeyboardAloneFillsBothFields)
{
    // "abc", Tab, "xyz", Tab, Space, Return: the ID, the password, the
    // "Remember ID" box checked, and the sign-in pressed.
    CLoginDlg dlg(nullptr);
    const int result = dialogtest::RunModal(dlg, [&] {
        ASSERT_EQ(Window::GetFocus(), &dlg.IdEdit());
        Type(dlg, "abc");
        Tab(dlg);
        EXPECT_EQ(Window::GetFocus(), &dlg.PasswordEdit());
        Type(dlg, "xyz");
        Tab(dlg);
        EXPECT_EQ(Window::GetFocus(), &dlg.RememberCheck());
        Key(dlg, VK_SPACE, ' ');
        EXPECT_TRUE(dlg.RememberCheck().GetCheck());
        EXPECT_EQ(dlg.IdEdit().GetText(), "abc");
        EXPECT_EQ(dlg.PasswordEdit().GetText(), "xyz");
        Key(dlg, VK_RETURN);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dlg.GetUserId(), "abc");
    EXPECT_EQ(dlg.GetPassword(), "xyz");
}

TEST_F(DialogFocus, SpacePressesTheFocusedButtonOnceAndOnlyWhereItWentDown)
{
    CRecordDlg record;
    const int result = dialogtest::RunModal(record, [&] {
        Walk(record, 3);
        ASSERT_EQ(FocusId(record), IDCANCEL);
        // Down on the cancel button, then the focus moves on: let go on
        // another button, Space presses nothing.
        InjectKey(record, true, VK_SPACE, ' ');
        Tab(record);
        InjectKey(record, false, VK_SPACE);
        PumpMessages();
        EXPECT_TRUE(boxes.empty()) << boxes.front().text;
        EXPECT_TRUE(InModalLoop(record));
        // Held on "start recording" (the key repeats), it starts once.
        Walk(record, 3);
        ASSERT_EQ(FocusId(record), IDOK);
        for (int repeat = 0; repeat < 3; ++repeat)
            InjectKey(record, true, VK_SPACE, ' ');
        PumpMessages();
        EXPECT_TRUE(InModalLoop(record)) << "pressed, not yet let go";
        InjectKey(record, false, VK_SPACE);
        PumpMessages();
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DialogFocus, TheControlWithTheFocusShowsIt)
{
    CRecordDlg record;
    dialogtest::RunModal(record, [&] {
        Window& start = *record.GetDlgItem(IDOK);
        const Rect button = InDialog(start);
        EXPECT_FALSE(ShowsFocusDots(record.RenderToBitmap(), button));
        Walk(record, 2);
        ASSERT_EQ(Window::GetFocus(), &start);
        EXPECT_TRUE(ShowsFocusDots(record.RenderToBitmap(), button)) << "the skinned button shows the focus";
        Tab(record);
        EXPECT_FALSE(ShowsFocusDots(record.RenderToBitmap(), button)) << "and no longer once it has gone";
        Key(record, VK_ESCAPE);
    });

    CPreferencesDlg prefs(nullptr, &devices_);
    dialogtest::RunModal(prefs, [&] {
        Walk(prefs, 3);
        EditBox& folder = prefs.FolderEdit();
        ASSERT_EQ(Window::GetFocus(), &folder);
        const Rect field = InDialog(folder);
        const COLORREF framed = prefs.RenderToBitmap().GetPixel(field.left + 1, field.top + 1);
        Walk(prefs, 1);
        Window& browse = *prefs.GetDlgItem(CPreferencesDlg::kBrowseButton);
        const Bitmap shot = prefs.RenderToBitmap();
        EXPECT_NE(shot.GetPixel(field.left + 1, field.top + 1), framed) << "the field's frame shows the focus";
        const Rect r = InDialog(browse);
        EXPECT_TRUE(ShowsFocusDots(shot, {r.left + 3, r.top + 3, r.right - 3, r.bottom - 3}));
        Key(prefs, VK_ESCAPE);
    });
}

