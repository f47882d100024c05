// A drop-down list on the display, driven by real pointer events: the
// press opens the list, a click on an item chooses it, and a click
// elsewhere in the window closes the list without a choice.
#include <cstdlib>

#include "kvostudio/recordoptiondlg.h"
#include "tests/support/temp_files.h"
#include "ui_test_env.h"

using namespace platform;

TEST(ComboOnTheDisplay, OpensChoosesAndClosesUnderThePointer)
{
    KVO_REQUIRE_DISPLAY();
    testsupport::TempDir dir;
    ::setenv("KVO_DATA_DIR", (dir.Path() + "/").c_str(), 1);
    CRecordDlg dlg;
    ASSERT_TRUE(dlg.Create(CRecordDlg::IDD));
    dlg.SetWindowPos(400, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    const Rect at = dlg.GetWindowRect();
    ComboBox& stop = dlg.StopCombo();
    const Rect field = stop.GetRectInParent();
    const auto click = [&](Point client) {
        ASSERT_TRUE(uitest::PointInto(dlg, {at.left + client.x, at.top + client.y}));
        ASSERT_TRUE(uitest::Xdo({"click", "1"}));
    };

    click({field.left + 40, field.top + 10});
    ASSERT_TRUE(uitest::Wait([&] { return stop.GetDroppedState(); }));
    const Rect list = stop.GetDropList()->GetRectInParent();
    click({list.left + 40, list.top + 1 + ComboBox::kRowHeight + 8});
    ASSERT_TRUE(uitest::Wait([&] { return !stop.GetDroppedState(); }));
    EXPECT_EQ(stop.GetCurSel(), 1);

    click({field.left + 40, field.top + 10});
    ASSERT_TRUE(uitest::Wait([&] { return stop.GetDroppedState(); }));
    click({30, 230});  // the dialog's empty corner
    ASSERT_TRUE(uitest::Wait([&] { return !stop.GetDroppedState(); }));
    EXPECT_EQ(stop.GetCurSel(), 1);

    dlg.DestroyWindow();
    ::unsetenv("KVO_DATA_DIR");
}
