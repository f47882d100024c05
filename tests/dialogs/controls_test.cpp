// The standard controls the dialogs use, drawn by the window service: the
// drop-down list, the spin button with its digits-only field, the file
// chooser hand-off and the multi-select open dialog.

#include <gtest/gtest.h>

#include "kvostudio/fecfiledialog.h"
#include "platform/window/combo_box.h"
#include "platform/window/digit_edit.h"
#include "platform/window/spin_button.h"
#include "tests/dialogs/dialog_fixture.h"

namespace {

using namespace platform;
using dialogtest::CentreOf;
using dialogtest::Click;
using dialogtest::DialogTest;
using dialogtest::Key;

// A top-level window that keeps the commands its children send.
class Host : public Window {
public:
    std::vector<std::pair<int, int>> commands;  // id, code

    bool Make() { return CreateEx(0, "Host", "", WS_POPUP | WS_VISIBLE, {0, 0, 300, 200}, nullptr, 0); }
    const MessageMap* GetMessageMap() const override
    {
        using M = MessageMap;
        static const M map(Window::GetMessageMap(), {M::On(WM_COMMAND, &Host::OnCommand)});
        return &map;
    }

private:
    LRESULT OnCommand(const Message& m)
    {
        commands.emplace_back(LOWORD(m.wParam), HIWORD(m.wParam));
        return 0;
    }
};

using Controls = DialogTest;

TEST_F(Controls, ComboSearchesIgnoreCaseAndWrapAroundAfterTheStart)
{
    Host host;
    ASSERT_TRUE(host.Make());
    ComboBox combo;
    ASSERT_TRUE(combo.Create(WS_VISIBLE, {10, 10, 150, 30}, &host, 7));
    for (const char* item : {"A", "A more", "Beta", "\xC3\x89t\xC3\xA9"})
        combo.AddString(item);
    EXPECT_EQ(combo.FindString(0, "a"), 1);  // entry 0 is tried last
    EXPECT_EQ(combo.FindString(-1, "a"), 0);
    EXPECT_EQ(combo.FindString(1, "a"), 0);  // wraps round to the start
    EXPECT_EQ(combo.FindString(0, "b"), 2);
    EXPECT_EQ(combo.FindString(0, "\xC3\xA9T"), 3);  // non-ASCII letters fold too
    EXPECT_EQ(combo.FindString(0, "zz"), CB_ERR);
    EXPECT_EQ(combo.FindStringExact(0, "a"), 0);
    EXPECT_EQ(combo.GetCurSel(), CB_ERR);
    EXPECT_EQ(combo.SetCurSel(9), CB_ERR);
    EXPECT_EQ(combo.SetCurSel(2), 2);
    EXPECT_EQ(combo.GetSelectedText(), "Beta");
    // Choices the program makes tell the parent nothing.
    EXPECT_TRUE(host.commands.empty());
    host.DestroyWindow();
}

TEST_F(Controls, ComboChoicesByPointerAndKeysTellTheParent)
{
    Host host;
    ASSERT_TRUE(host.Make());
    ComboBox combo;
    ASSERT_TRUE(combo.Create(WS_VISIBLE, {10, 10, 150, 30}, &host, 7));
    combo.AddString("one");
    combo.AddString("two");
    combo.AddString("three");
    combo.SetCurSel(0);

    Click(host, CentreOf(combo));
    ASSERT_TRUE(combo.GetDroppedState());
    // The list lies under the field; its third row is "three".
    Window* list = combo.GetDropList();
    ASSERT_NE(list, nullptr);
    const Rect rows = list->GetRectInParent();
    EXPECT_EQ(rows.top, 30);
    Click(host, {rows.left + 20, rows.top + 1 + 2 * ComboBox::kRowHeight + 5});
    EXPECT_FALSE(combo.GetDroppedState());
    EXPECT_EQ(combo.GetCurSel(), 2);
    ASSERT_EQ(host.commands.size(), 1u);
    EXPECT_EQ(host.commands[0], std::make_pair(7, int(CBN_SELCHANGE)));

    // A click beside the open list closes it and changes nothing.
    Click(host, CentreOf(combo));
    ASSERT_TRUE(combo.GetDroppedState());
    Click(host, {250, 150});
    EXPECT_FALSE(combo.GetDroppedState());
    EXPECT_EQ(combo.GetCurSel(), 2);

    // Keys: Up chooses the previous item; the open list moves its
    // highlight and Return chooses it; Escape closes without a choice.
    Key(host, VK_UP);
    EXPECT_EQ(combo.GetCurSel(), 1);
    Key(host, VK_SPACE);
    Key(host, VK_UP);
    Key(host, VK_RETURN);
    EXPECT_EQ(combo.GetCurSel(), 0);
    Key(host, VK_SPACE);
    Key(host, VK_DOWN);
    Key(host, VK_ESCAPE);
    EXPECT_FALSE(combo.GetDroppedState());
    EXPECT_EQ(combo.GetCurSel(), 0);
    EXPECT_EQ(host.commands.size(), 3u);

    // A disabled combo does not open.
    combo.EnableWindow(false);
    Click(host, CentreOf(combo));
    EXPECT_FALSE(combo.GetDroppedState());
    host.DestroyWindow();
}

TEST_F(Controls, SpinStepsTheNumberInItsFieldWithinTheRange)
{
    Host host;
    ASSERT_TRUE(host.Make());
    DigitEdit edit;
    SpinButton spin;
    ASSERT_TRUE(edit.Create(WS_VISIBLE, {10, 10, 70, 28}, &host, 1));
    ASSERT_TRUE(spin.Create(WS_VISIBLE, {54, 10, 70, 28}, &host, 2));
    spin.SetRange(-30, 30);
    spin.SetStep(10);
    spin.SetBuddy(&edit);
    edit.SetText("-200");  // shown as stored, beyond the range
    EXPECT_EQ(spin.GetPos(), -30);

    // A press on the upper half steps up once at once.
    edit.SetText("5");
    InjectMouseMove(host, {62, 12});
    InjectMouseButton(host, 1, true, {62, 12});
    InjectMouseButton(host, 1, false, {62, 12});
    EXPECT_EQ(edit.GetText(), "15");
    InjectMouseButton(host, 1, true, {62, 26});
    InjectMouseButton(host, 1, false, {62, 26});
    EXPECT_EQ(edit.GetText(), "5");
    for (int i = 0; i < 5; ++i)
        spin.Step(-1);
    EXPECT_EQ(edit.GetText(), "-30");

    // The field takes digits only; Up and Down step through the spin.
    Click(host, {20, 18});
    edit.SetText("");
    for (char c : std::string("1a-2.b"))
        Key(host, 'A', static_cast<unsigned char>(c));
    EXPECT_EQ(edit.GetText(), "12");
    Key(host, VK_UP);
    EXPECT_EQ(edit.GetText(), "22");
    // A field without a number steps from the last position.
    edit.SetText("");
    Key(host, VK_DOWN);
    EXPECT_EQ(edit.GetText(), "12");
    host.DestroyWindow();
}

TEST_F(Controls, FilterTextsBecomeChooserFilters)
{
    const auto filters = ParseFileFilterText("Music (*.mp3) | *.mp3|");
    ASSERT_EQ(filters.size(), 1u);
    EXPECT_EQ(filters[0].name, "Music (*.mp3)");
    EXPECT_EQ(filters[0].patterns, (std::vector<std::string>{"*.mp3"}));
    const auto two = ParseFileFilterText("Songs|*.kvo; *.mp3|All|*|Broken");
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0].patterns, (std::vector<std::string>{"*.kvo", "*.mp3"}));
    EXPECT_EQ(two[1].name, "All");
    EXPECT_TRUE(ParseFileFilterText("").empty());
}

TEST_F(Controls, MultiSelectOpenDialogReturnsEveryChosenPathInOrder)
{
    std::vector<std::string> paths;
    for (int i = 0; i < 500; ++i)
        paths.push_back("/music/a folder/song \"" + std::to_string(i) + "\" long name.kvo");
    AnswerChooser(paths);
    CFECFileDialog dlg(true, nullptr, nullptr, OFN_ALLOWMULTISELECT | OFN_EXPLORER, "Music|*.kvo;*.mp3|", nullptr);
    ASSERT_EQ(dlg.DoModal(), IDOK);
    ASSERT_EQ(choosers.size(), 1u);
    EXPECT_TRUE(choosers[0].multiple);
    EXPECT_EQ(choosers[0].kind, FileDialogKind::Open);
    std::vector<std::string> got;
    for (POSITION pos = dlg.GetStartPosition(); pos;)
        got.push_back(dlg.GetNextPathName(pos));
    EXPECT_EQ(got, paths);
    // Iterating again gives the same list.
    POSITION again = dlg.GetStartPosition();
    EXPECT_EQ(dlg.GetNextPathName(again), paths[0]);

    // A cancelled run forgets the earlier choice.
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.GetStartPosition(), 0u);
    EXPECT_EQ(dlg.GetPathName(), "");

    // Saving adds the default extension to a name without one.
    AnswerChooser({"/music/take"});
    CFECFileDialog save(false, "mp3", "take", OFN_OVERWRITEPROMPT, "Music|*.mp3|", nullptr);
    ASSERT_EQ(save.DoModal(), IDOK);
    EXPECT_EQ(save.GetPathName(), "/music/take.mp3");
    EXPECT_TRUE(choosers.back().confirmOverwrite);
    EXPECT_EQ(choosers.back().initialName, "take");
}

}  // namespace
