// Return and Escape in a dialog whose focus is in a control: the dialog
// answers them, except while an open drop-down list wants them itself.
#include "kvostudio/recordoptiondlg.h"
#include "tests/dialogs/dialog_fixture.h"

using namespace platform;

namespace {

using DialogKeys = dialogtest::DialogTest;
using dialogtest::CentreOf;
using dialogtest::Click;
using dialogtest::Key;

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
