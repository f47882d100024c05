// The record options asked before a take, and the message after a save, an
// upload or a transfer, driven as modal dialogs.

#include <gtest/gtest.h>

#include "kvostudio/recordoptiondlg.h"
#include "kvostudio/savecompletedlg.h"
#include "kvostudio/settings.h"
#include "tests/dialogs/dialog_fixture.h"

namespace {

using namespace platform;
using dialogtest::CentreOf;
using dialogtest::Click;
using dialogtest::DialogTest;
using dialogtest::kLeftOpen;
using dialogtest::RunModal;

int RecordInt(const char* key)
{
    int value = -1;
    ReadConfigInt(config::kRecord, key, &value);
    return value;
}

using RecordOptions = DialogTest;

TEST_F(RecordOptions, StartStoresTheStopChoiceAndKeepsTheFixedOnes)
{
    WriteConfigInt(config::kRecord, config::kStart, 1);
    WriteConfigInt(config::kRecord, config::kStop, 0);
    WriteConfigInt(config::kRecord, config::kVocal, 0);
    CRecordDlg dlg;
    const int result = RunModal(dlg, [&] {
        EXPECT_EQ(dlg.GetClientRect().GetSize(), (Size{393, 254}));
        EXPECT_EQ(dlg.GetWindowText(), "KVO Studio");
        EXPECT_EQ(dlg.StartCombo().GetSelectedText(), "Selected part");
        EXPECT_FALSE(dlg.StartCombo().IsWindowEnabled());
        EXPECT_FALSE(dlg.VocalCombo().IsWindowEnabled());
        EXPECT_EQ(dlg.VocalCombo().GetSelectedText(), "off");  // whatever is stored
        // The one choice: stop by clicking Stop.
        Click(dlg, CentreOf(dlg.StopCombo()));
        ASSERT_TRUE(dlg.StopCombo().GetDroppedState());
        const Rect list = dlg.StopCombo().GetDropList()->GetRectInParent();
        Click(dlg, {list.left + 30, list.top + 1 + ComboBox::kRowHeight + 4});
        EXPECT_EQ(dlg.StopCombo().GetCurSel(), 1);
        Click(dlg, {150, 210});  // the start-recording button
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(RecordInt(config::kStart), 1);
    EXPECT_EQ(RecordInt(config::kStop), 1);
    EXPECT_EQ(RecordInt(config::kVocal), 1);
    EXPECT_EQ(dlg.GetStop(), 1);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(RecordOptions, CancelAndCloseTellTheUserAndStoreNothing)
{
    for (const Point button : {Point{260, 210}, Point{379, 14}}) {
        boxes.clear();
        CRecordDlg dlg;
        const int result = RunModal(dlg, [&] { Click(dlg, button); });
        EXPECT_EQ(result, IDCANCEL);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "Recording has been canceled.");
        EXPECT_EQ(boxes[0].caption, "KVO Studio");
        EXPECT_EQ(boxes[0].type, MB_OK | MB_ICONINFORMATION);
        EXPECT_EQ(RecordInt(config::kVocal), 0);  // missing: read as 0
    }
}

using SaveComplete = DialogTest;

TEST_F(SaveComplete, EachModeEndsWithItsOwnCodes)
{
    struct Case {
        int mode;
        Point click;
        int expected;
    };
    const Case cases[] = {
        {CSaveCompleteDlg::kModeSaved, {100, 210}, 1013},
        {CSaveCompleteDlg::kModeSaved, {300, 210}, 1018},
        {CSaveCompleteDlg::kModeUploaded, {100, 210}, 1019},  // the main button's id is 1013
        {CSaveCompleteDlg::kModeUploaded, {300, 210}, 1018},
        {CSaveCompleteDlg::kModeSentForPhone, {200, 210}, IDOK},
        {CSaveCompleteDlg::kModeSentForPhone, {100, 210}, kLeftOpen},  // no 1013 button there
        {CSaveCompleteDlg::kModeUploaded, {379, 14}, IDCANCEL},
        {555, {100, 210}, kLeftOpen},  // an unknown mode has no action button
    };
    for (const Case& c : cases) {
        CSaveCompleteDlg dlg;
        dlg.SetMode(c.mode);
        dlg.SetHeadingText("Save Complete");
        dlg.SetBodyText("The recorded file has been saved to your PC.");
        EXPECT_EQ(RunModal(dlg, [&] { Click(dlg, c.click); }), c.expected) << c.mode;
        EXPECT_EQ(dlg.GetMode(), c.mode);
    }
    // Return ends only the one-button mode.
    CSaveCompleteDlg saved;
    EXPECT_EQ(RunModal(saved, [&] { dialogtest::Key(saved, VK_RETURN); }), kLeftOpen);
    CSaveCompleteDlg sent;
    sent.SetMode(CSaveCompleteDlg::kModeSentForPhone);
    EXPECT_EQ(RunModal(sent, [&] { dialogtest::Key(sent, VK_RETURN); }), IDOK);
}

TEST_F(SaveComplete, TextsAppearOnlyWhereGiven)
{
    // With no texts the heading and body areas keep the frame's fill.
    CSaveCompleteDlg dlg;
    ASSERT_TRUE(dlg.Create(CSaveCompleteDlg::IDD));
    const Bitmap empty = dlg.RenderToBitmap();
    auto inked = [](const Bitmap& b, const Rect& r) {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (b.GetPixel(x, y) != RGB(0x58, 0x59, 0x5B))
                    return true;
        return false;
    };
    EXPECT_FALSE(inked(empty, {18, 40, 360, 55}));
    EXPECT_FALSE(inked(empty, {18, 69, 360, 120}));
    dlg.SetHeadingText("Upload Complete");
    dlg.SetBodyText("The file has been successfully uploaded.");
    dlg.Invalidate(false);
    const Bitmap filled = dlg.RenderToBitmap();
    EXPECT_TRUE(inked(filled, {18, 40, 360, 55}));
    EXPECT_TRUE(inked(filled, {18, 69, 360, 120}));
    dlg.DestroyWindow();
}

}  // namespace
